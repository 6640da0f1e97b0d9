#pragma once

#include "ui/sidebar/SidebarCells.h"
#include "ui/storage/PageLibrary.h"

#include <QAbstractListModel>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStyledItemDelegate>

#include <functional>
#include <optional>
#include <variant>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QMimeData;

namespace VexilUI {

class NotebookController;
class PagesController;
class StatusButton;

// The rows of the drawer as the list's model; everything it answers comes from the controller's rows.
class PagesModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit PagesModel(PagesController& owner);
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;
    void resetRows(const std::function<void()>& change);
    void rowsChanged(const QList<int>& rows);

private:
    PagesController& m_owner;
};

// Draws each row through its cell and opens the name editor for renaming in place.
class PagesDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit PagesDelegate(PagesController& owner);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

private:
    PagesController& m_owner;
};

// The drawer: a search field, the new-sheet and new-folder buttons and the list of pinned sheets,
// folders and sheets of the library. Every change to the library ends by rebuilding the rows.
class PagesController : public QObject {
    Q_OBJECT
public:
    struct Section {
        QString title;
        bool operator==(const Section&) const = default;
    };
    struct PinnedHeader {
        bool operator==(const PinnedHeader&) const = default;
    };
    struct Row {
        std::variant<Group, Page, Section, PinnedHeader> value;
        std::optional<Page> page() const;
        std::optional<Group> group() const;
        bool isSection() const { return std::holds_alternative<Section>(value); }
        bool isPinnedHeader() const { return std::holds_alternative<PinnedHeader>(value); }
        bool operator==(const Row&) const = default;
    };
    struct Editing {
        QString id;
        bool isGroup = false;
    };
    // The context menu's and main menu's commands; an item's command is its "pagesCommand" property.
    enum class Command {
        NewPage,
        NewGroup,
        RenameFromMenu,
        RenameSelected,
        DeleteSelected,
        TogglePinSelected,
        ToggleFromMenu,
        UngroupClicked,
        MoveToGroup,
        ColorChosen,
    };
    struct MenuState {
        bool enabled = true;
        std::optional<QString> title;
    };

    static constexpr qreal width = 200;
    static inline const QString rowType = QStringLiteral("local.vexil.sheet-row");
    static inline const QString sheetsTitle = QStringLiteral("Sheets");
    static inline const QString groupsTitle = QStringLiteral("Folders");

    PagesController(PageLibrary& library, NotebookController& notebook, QObject* parent = nullptr);
    ~PagesController() override;

    PageLibrary& library;
    NotebookController& notebook;

    SidebarBackground* view() const { return m_view; }
    PagesTable* table() const { return m_table; }
    PagesModel* model() const { return m_model; }
    StatusButton* addButton() const { return m_addButton; }
    StatusButton* addGroupButton() const { return m_addGroupButton; }
    QLineEdit* searchField() const { return m_searchField; }
    QLabel* noMatchesLabel() const { return m_noMatchesLabel; }
    QMenu* contextMenu() const { return m_contextMenu; }
    const QList<Row>& rows() const { return m_rows; }
    const QString& query() const { return m_query; }
    const std::optional<Editing>& editing() const { return m_editing; }
    bool isReloading() const { return m_reloading; }
    bool sheetDragInProgress() const { return m_sheetDragInProgress; }

    // Asked before a sheet is deleted; tests replace it.
    std::function<bool(const Page&)> confirmDelete;
    // The system beep; tests replace it to count refusals.
    std::function<void()> beep;

    // The search field's distance from the drawer's top; max(title-bar height, 28) + 8.
    void setTitlebarHeight(qreal height);
    qreal headerTop() const { return m_headerTop; }
    void layoutViews();

    // --- Rows -------------------------------------------------------------------------------------
    bool foldersEnabled() const;
    bool isSearching() const { return !m_query.isEmpty(); }
    QList<Row> buildRows();
    void reload(bool scroll);
    std::optional<int> rowOfPage(const QString& id) const;
    std::optional<int> rowOfGroup(const QString& id) const;
    std::optional<Page> hiddenOpenPage(const Group& group) const;
    qreal heightOfRow(int row) const;
    void applyFoldersSetting();
    void prefsChanged();

    QString searchText() const;
    void setSearchText(const QString& text);
    void applySearch();
    void focusSearch();
    void rowClicked(int row);

    // --- Cells and selection ----------------------------------------------------------------------
    int groupCount(int row) const;
    bool isIndented(const Page& page) const;
    void paintRow(QPainter& painter, const QRect& rect, int row) const;
    QString accessibilityLabel(int row) const;
    QRect nameRect(int row, const QRect& rect) const;
    bool shouldSelectRow(int row) const;
    int selectedRow() const;
    void tableViewSelectionDidChange();
    void refreshGroupHeaders();

    // --- Commands ---------------------------------------------------------------------------------
    // Each takes the menu item that sent it, or none (buttons, keys).
    void newPage(const QAction* sender = nullptr);
    void newGroup(const QAction* sender = nullptr);
    void renameClicked(int clickedRow, bool fromTable);
    void renameFromMenu(const QAction* sender);
    void renameSelected();
    void beginRename(const QString& id);
    void beginRenameGroup(const QString& id);
    void controlTextDidEndEditing(const QString& text);
    void deleteSelected(const QAction* sender = nullptr);
    void togglePinSelected(const QAction* sender = nullptr);
    void toggleGroup(const QString& id);
    void toggleFromMenu(const QAction* sender);
    void ungroupClicked(const QAction* sender);
    void moveToGroup(const QAction* sender);
    void colorChosen(const QAction* sender);
    std::optional<Page> targetPage(const QAction* sender) const;
    void menuNeedsUpdate(QMenu& menu, int clickedRow);
    MenuState validateMenuItem(Command command, const QAction* item) const;
    void perform(Command command, const QAction* sender);
    static Command commandOf(const QAction* item);

    // --- Drag and drop ----------------------------------------------------------------------------
    using DropOperation = PagesTable::DropOperation;
    struct DropProposal {
        int row = 0;
        DropOperation operation = DropOperation::Above;
    };
    std::optional<QString> pasteboardPayload(int row) const;
    void beginRowDrag(const QList<int>& rows);
    void endRowDrag();
    int pinnedEnd() const;
    static int nearestGap(int row, qreal pointerY, const QRectF& rowRect, bool flipped);
    QRectF rowRect(int row) const;
    std::optional<int> folderGap(qreal pointerY) const;
    // Answers whether the drop may happen (a move); may retarget it through the table.
    bool validateDrop(const QString& payload, bool fromOwnTable, DropProposal proposed, qreal pointerY);
    bool acceptDrop(const QString& payload, int row, DropOperation operation);
    bool moveGroup(const QString& id, int toGap);
    bool dropPage(const QString& id, const QString& intoGroup);
    bool dropPage(const QString& id, int toGap);
    bool movePage(int fromRow, int toGap);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void startEditing(int row, const QString& id, bool isGroup);
    bool handleDragMove(QDropEvent* event);
    bool handleDrop(QDropEvent* event);
    DropProposal proposalAt(const QPointF& pos) const;
    void showContextMenu(const QPoint& pos);

    QPointer<SidebarBackground> m_view;
    PagesTable* m_table = nullptr;
    PagesModel* m_model = nullptr;
    PagesDelegate* m_delegate = nullptr;
    StatusButton* m_addButton = nullptr;
    StatusButton* m_addGroupButton = nullptr;
    QList<Row> m_rows;
    QLineEdit* m_searchField = nullptr;
    QLabel* m_noMatchesLabel = nullptr;
    QMenu* m_contextMenu = nullptr;
    QString m_query;
    qreal m_headerTop = 40;
    std::optional<Editing> m_editing;
    bool m_reloading = false;
    std::optional<bool> m_shownFoldersEnabled;
    bool m_sheetDragInProgress = false;
};

} // namespace VexilUI
