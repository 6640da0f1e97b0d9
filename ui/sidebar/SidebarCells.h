#pragma once

#include "ui/storage/PageIndex.h"

#include <QImage>
#include <QListView>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class QPainter;

namespace VexilUI {

// The drawer's list. The Delete keys ask for a delete through onDelete; the last drop target shown is
// remembered so the drop that follows uses exactly what the user saw.
class PagesTable : public QListView {
    Q_OBJECT
public:
    enum class DropOperation { On, Above };
    struct DropTarget {
        int row = 0;
        DropOperation operation = DropOperation::Above;
        bool operator==(const DropTarget&) const = default;
    };

    explicit PagesTable(QWidget* parent = nullptr);

    std::function<void()> onDelete;
    std::optional<DropTarget> lastDropTarget;

    // Records the target, then redraws the indicator.
    void setDropRow(int row, DropOperation operation);
    void clearDropIndicator();

    // Hooks for the drag and drop half of the controller.
    std::function<void(const QModelIndexList&)> onDragStart;
    std::function<void()> onDragEnd;
    std::function<bool(QDropEvent*)> onDragMove;
    std::function<bool(QDropEvent*)> onDrop;

    // Whether a key press counts as a delete request: Delete or Backspace with no Shift, Ctrl, Alt or Meta.
    static bool isDeleteKey(int key, Qt::KeyboardModifiers modifiers);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // A right click only opens the context menu: it neither selects nor opens the row under it.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // Rows that cannot be selected leave the selection as it is when clicked.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;

private:
    bool m_showIndicator = false;
};

// The drawer's backdrop: black at alpha 0.18 with a divider line at the trailing edge.
class SidebarBackground : public QWidget {
    Q_OBJECT
public:
    explicit SidebarBackground(QWidget* parent = nullptr);
    static void paintBackdrop(QPainter& painter, const QRectF& bounds);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The few glyphs of the drawer, drawn as paths so no icon theme is needed.
namespace SidebarSymbols {
// "pin.fill", "folder.fill", "chevron.right", "chevron.down", "folder.badge.plus"
bool draw(QPainter& painter, const QString& name, const QRectF& bounds, const QColor& color, qreal pointSize);
} // namespace SidebarSymbols

// A row's cell: filled by configure for every row it shows and drawn by the list's delegate.
// Rects are relative to the cell's top left; cells lay themselves out for the size they are given.
class PageCell {
public:
    static inline const QString id = QStringLiteral("PageCell");

    PageCell();
    void configure(const Page& page, bool indented);
    // A ring (no colour, or a colour that is not hexadecimal) or a filled disc, inset by 1.
    static QImage dot(const std::optional<QString>& hex, qreal size);
    // The colour a hex string stands for, when it parses as a 32-bit hexadecimal number.
    static std::optional<QColor> dotColor(const std::optional<QString>& hex);

    void paint(QPainter& painter, const QRect& rect) const;
    QRect nameRect(const QSize& size) const;

    QImage dotView;
    QString name;
    bool pinHidden = true;
    bool guideHidden = true;
    qreal lead = 8;         // the dot's distance from the leading edge
    bool nameToPin = false; // the name stops before the pin instead of the edge
    QString accessibilityLabel;
};

class GroupCell {
public:
    static inline const QString id = QStringLiteral("GroupCell");

    GroupCell();
    void configure(const Group& group, int count, const std::optional<Page>& open);
    void paint(QPainter& painter, const QRect& rect) const;
    QRect nameRect(const QSize& size) const;

    QString chevron; // the symbol's name
    QString chevronDescription;
    QString name;
    QString count;
    QImage openDot;
    QString openName;
    bool openHidden = true;
    bool showsOpenPage = false;
    std::optional<QColor> highlight;
    QString accessibilityLabel;
};

class SectionCell {
public:
    static inline const QString id = QStringLiteral("SectionCell");

    SectionCell();
    void configure(const QString& title, bool rule);
    void paint(QPainter& painter, const QRect& rect) const;

    QString label;
    bool ruleHidden = false;
    QString accessibilityLabel;
};

} // namespace VexilUI
