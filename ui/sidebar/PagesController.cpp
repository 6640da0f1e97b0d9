// The drawer's construction, its view tree, the row model and the search.
#include "ui/sidebar/PagesController.h"

#include "ui/common/Controls.h"
#include "ui/common/KeyNames.h"
#include "ui/common/Theme.h"
#include "ui/notebook/NotebookController.h"
#include "ui/notebook/NotebookTextView.h"
#include "ui/storage/Preferences.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

namespace VexilUI {

namespace {

// Lower-cased, without diacritics: the form both sides of a search are compared in.
QString folded(const QString& text) {
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(decomposed.size());
    for (QChar c : decomposed) {
        if (c.category() == QChar::Mark_NonSpacing) continue;
        out.append(c);
    }
    return out.toCaseFolded();
}

} // namespace

// --- Row ------------------------------------------------------------------------------------------

std::optional<Page> PagesController::Row::page() const {
    if (const auto* p = std::get_if<Page>(&value)) return *p;
    return std::nullopt;
}

std::optional<Group> PagesController::Row::group() const {
    if (const auto* g = std::get_if<Group>(&value)) return *g;
    return std::nullopt;
}

// --- Model ----------------------------------------------------------------------------------------

PagesModel::PagesModel(PagesController& owner) : QAbstractListModel(nullptr), m_owner(owner) {}

int PagesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_owner.rows().size());
}

QVariant PagesModel::data(const QModelIndex& index, int role) const {
    const int row = index.row();
    if (!index.isValid() || row < 0 || row >= m_owner.rows().size()) return {};
    const auto& r = m_owner.rows()[row];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (const auto p = r.page()) return p->name;
        if (const auto g = r.group()) return g->name;
        if (r.isSection()) return std::get<PagesController::Section>(r.value).title;
        return QStringLiteral("Pinned");
    case Qt::AccessibleTextRole:
        return m_owner.accessibilityLabel(row);
    default:
        return {};
    }
}

Qt::ItemFlags PagesModel::flags(const QModelIndex& index) const {
    const int row = index.row();
    if (!index.isValid() || row < 0 || row >= m_owner.rows().size()) return Qt::ItemIsDropEnabled;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsDropEnabled;
    const auto& r = m_owner.rows()[row];
    if (r.page()) flags |= Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsEditable;
    if (r.group()) flags |= Qt::ItemIsDragEnabled | Qt::ItemIsEditable;
    return flags;
}

QStringList PagesModel::mimeTypes() const {
    return {PagesController::rowType};
}

QMimeData* PagesModel::mimeData(const QModelIndexList& indexes) const {
    if (indexes.isEmpty()) return nullptr;
    const auto payload = m_owner.pasteboardPayload(indexes.first().row());
    if (!payload) return nullptr;
    auto* data = new QMimeData;
    data->setData(PagesController::rowType, payload->toUtf8());
    return data;
}

Qt::DropActions PagesModel::supportedDragActions() const {
    return Qt::MoveAction;
}

Qt::DropActions PagesModel::supportedDropActions() const {
    return Qt::MoveAction;
}

void PagesModel::resetRows(const std::function<void()>& change) {
    beginResetModel();
    change();
    endResetModel();
}

void PagesModel::rowsChanged(const QList<int>& rows) {
    for (int row : rows)
        emit dataChanged(index(row), index(row));
}

// --- Delegate -------------------------------------------------------------------------------------

PagesDelegate::PagesDelegate(PagesController& owner) : QStyledItemDelegate(nullptr), m_owner(owner) {}

void PagesDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
    // A one-pixel gap above and below each cell makes the two-pixel spacing between rows.
    const QRect cell = option.rect.adjusted(0, 1, 0, -1);
    if (option.state & QStyle::State_Selected) {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(Theme::selection());
        painter->drawRoundedRect(QRectF(cell), 6, 6);
        painter->restore();
    }
    m_owner.paintRow(*painter, cell, index.row());
}

QSize PagesDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    return {option.rect.width(), int(m_owner.heightOfRow(index.row())) + 2};
}

QWidget* PagesDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const {
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    editor->setFont(Theme::systemFont(13));
    editor->setAccessibleName(QStringLiteral("Name"));
    return editor;
}

void PagesDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* field = static_cast<QLineEdit*>(editor);
    field->setText(index.data(Qt::EditRole).toString());
    field->selectAll();
}

void PagesDelegate::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex&) const {
    // The commit runs once the editor is closed, so the list is not rebuilt under it.
    editor->setProperty("committed", static_cast<QLineEdit*>(editor)->text());
}

void PagesDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const {
    const QRect cell = option.rect.adjusted(0, 1, 0, -1);
    editor->setGeometry(m_owner.nameRect(index.row(), cell));
}

// --- Construction ---------------------------------------------------------------------------------

PagesController::PagesController(PageLibrary& library, NotebookController& notebook, QObject* parent)
    : QObject(parent), library(library), notebook(notebook) {
    confirmDelete = [](const Page& page) {
        QMessageBox box;
        box.setText(QStringLiteral("Delete \u201C") + page.name + QStringLiteral("\u201D?"));
        box.setInformativeText(QStringLiteral("The sheet is moved to the Trash."));
        QPushButton* del = box.addButton(QStringLiteral("Delete"), QMessageBox::AcceptRole);
        box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
        box.exec();
        return box.clickedButton() == del;
    };
    beep = [] { QApplication::beep(); };
    build();
    applyFoldersSetting();
    connect(&notebook.prefs(), &Preferences::didChange, this, &PagesController::prefsChanged);
}

PagesController::~PagesController() {
    // An installed drawer belongs to the notebook's views; one never installed belongs here.
    if (m_view && !m_view->parent()) delete m_view;
    delete m_model;
    delete m_delegate;
}

void PagesController::build() {
    m_view = new SidebarBackground;
    m_view->setFocusPolicy(Qt::ClickFocus);

    m_addButton = new StatusButton(m_view);
    m_addButton->setText(QStringLiteral("+"));
    m_addButton->setTitleFont(Theme::systemFont(17));
    m_addButton->setTitleColor(Theme::text());
    m_addButton->setToolTip(QStringLiteral("New Sheet (") + shortcutText(QKeySequence(Qt::CTRL | Qt::Key_N)) +
                            QStringLiteral(")"));
    m_addButton->setAccessibleName(QStringLiteral("New Sheet"));
    connect(m_addButton, &QAbstractButton::clicked, this, [this] { newPage(); });

    m_addGroupButton = new StatusButton(m_view);
    m_addGroupButton->setToolTip(QStringLiteral("New Folder (") +
                                 shortcutText(QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_N)) +
                                 QStringLiteral(")"));
    m_addGroupButton->setAccessibleName(QStringLiteral("New Folder"));
    m_addGroupButton->setAccessibleDescription(QStringLiteral("New Folder"));
    m_addGroupButton->installEventFilter(this);
    connect(m_addGroupButton, &QAbstractButton::clicked, this, [this] { newGroup(); });

    m_searchField = new QLineEdit(m_view);
    m_searchField->setPlaceholderText(QStringLiteral("Search"));
    m_searchField->setFont(Theme::systemFont(13));
    m_searchField->setClearButtonEnabled(true);
    m_searchField->setAccessibleName(QStringLiteral("Search the Drawer"));
    m_searchField->installEventFilter(this);
    connect(m_searchField, &QLineEdit::textChanged, this, [this] { applySearch(); });

    m_model = new PagesModel(*this);
    m_delegate = new PagesDelegate(*this);
    m_table = new PagesTable(m_view);
    m_table->setModel(m_model);
    m_table->setItemDelegate(m_delegate);
    m_table->setFrameShape(QFrame::NoFrame);
    m_table->setUniformItemSizes(false);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_table->setAccessibleName(QStringLiteral("Drawer"));
    m_table->viewport()->setAutoFillBackground(false);
    m_table->setAutoFillBackground(false);
    {
        QPalette pal = m_table->palette();
        pal.setColor(QPalette::Base, Qt::transparent);
        m_table->setPalette(pal);
    }
    m_table->setDragEnabled(true);
    m_table->setAcceptDrops(true);
    m_table->setDropIndicatorShown(false);
    m_table->setDragDropMode(QAbstractItemView::DragDrop);
    m_table->setDefaultDropAction(Qt::MoveAction);
    const QPointer<PagesController> weak(this);
    m_table->onDelete = [weak] {
        if (weak) weak->deleteSelected(nullptr);
    };
    m_table->onDragStart = [weak](const QModelIndexList& indexes) {
        if (!weak) return;
        QList<int> rows;
        for (const auto& index : indexes)
            rows.append(index.row());
        weak->beginRowDrag(rows);
    };
    m_table->onDragEnd = [weak] {
        if (weak) weak->endRowDrag();
    };
    m_table->onDragMove = [weak](QDropEvent* event) { return weak && weak->handleDragMove(event); };
    m_table->onDrop = [weak](QDropEvent* event) { return weak && weak->handleDrop(event); };
    connect(m_table, &QAbstractItemView::clicked, this,
            [this](const QModelIndex& index) { rowClicked(index.row()); });
    connect(m_table, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { renameClicked(index.row(), true); });
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { tableViewSelectionDidChange(); });
    connect(m_delegate, &QAbstractItemDelegate::closeEditor, this, [this](QWidget* editor) {
        const QVariant committed = editor ? editor->property("committed") : QVariant();
        const QString text = committed.isValid() ? committed.toString() : QString();
        QTimer::singleShot(0, this, [this, text] { controlTextDidEndEditing(text); });
    });
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    m_contextMenu = new QMenu(m_table);
    connect(m_table, &QWidget::customContextMenuRequested, this, &PagesController::showContextMenu);

    m_noMatchesLabel = new QLabel(QStringLiteral("No Matches"), m_view);
    m_noMatchesLabel->setFont(Theme::systemFont(12));
    m_noMatchesLabel->setAlignment(Qt::AlignCenter);
    {
        QPalette pal = m_noMatchesLabel->palette();
        pal.setColor(QPalette::WindowText, Theme::muted());
        m_noMatchesLabel->setPalette(pal);
    }
    m_noMatchesLabel->hide();

    m_view->installEventFilter(this);
    m_view->resize(int(width), 400);
    layoutViews();
}

void PagesController::setTitlebarHeight(qreal height) {
    m_headerTop = std::max<qreal>(height, 28) + 8;
    layoutViews();
}

void PagesController::layoutViews() {
    if (!m_view) return;
    const int w = m_view->width(), h = m_view->height();
    const int searchHeight = m_searchField->sizeHint().height();
    const int top = int(m_headerTop);
    const int centreY = top + searchHeight / 2;
    const QRect plus(w - 10 - 24, centreY - 11, 24, 22);
    m_addButton->setGeometry(plus);
    const QRect folder(plus.left() - 2 - 24, centreY - 11, 24, 22);
    m_addGroupButton->setGeometry(folder);
    const int searchRight = (foldersEnabled() ? folder.left() : plus.left()) - 4;
    m_searchField->setGeometry(12, top, std::max(0, searchRight - 12), searchHeight);
    const int scrollTop = top + searchHeight + 10;
    m_table->setGeometry(6, scrollTop, std::max(0, w - 12), std::max(0, h - 10 - scrollTop));
    const QSize label = m_noMatchesLabel->sizeHint();
    m_noMatchesLabel->setGeometry(6 + (w - 12 - label.width()) / 2, scrollTop + 14, label.width(),
                                  label.height());
}

bool PagesController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_view && event->type() == QEvent::Resize) {
        layoutViews();
    } else if (watched == m_addGroupButton && event->type() == QEvent::Paint) {
        // The button draws its folder glyph over its (empty) title.
        QPainter painter(m_addGroupButton);
        SidebarSymbols::draw(painter, QStringLiteral("folder.badge.plus"), QRectF(m_addGroupButton->rect()),
                             Theme::text(), 12);
        return true;
    } else if (watched == m_searchField && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & ~Qt::KeypadModifier) return false;
        switch (key->key()) {
        case Qt::Key_Escape:
            if (!m_searchField->text().isEmpty()) {
                m_searchField->clear();
                applySearch();
            } else {
                notebook.textView()->setFocus();
            }
            return true;
        case Qt::Key_Down:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            m_table->setFocus();
            return true;
        default:
            return false;
        }
    }
    return QObject::eventFilter(watched, event);
}

// --- Rows -----------------------------------------------------------------------------------------

bool PagesController::foldersEnabled() const {
    const auto stored = notebook.prefs().store().intForKey(QStringLiteral("foldersOff"));
    return !stored || *stored < 1;
}

QList<PagesController::Row> PagesController::buildRows() {
    const bool searching = !m_query.isEmpty();
    const QString needle = folded(m_query);
    if (searching && notebook.notes()) notebook.notes()->flush();
    const auto matches = [&](const Page& page) {
        if (!searching) return true;
        if (folded(page.name).contains(needle)) return true;
        return folded(library.text(page.id)).contains(needle);
    };

    QList<Row> pinnedBlock;
    QList<Page> pinned;
    for (const Page& page : library.pages())
        if (page.pinned && matches(page)) pinned.append(page);
    if (!pinned.isEmpty()) {
        pinnedBlock.append(Row{PinnedHeader{}});
        for (const Page& page : pinned)
            pinnedBlock.append(Row{page});
    } else if (m_sheetDragInProgress && !searching) {
        pinnedBlock.append(Row{PinnedHeader{}});
    }

    QList<Row> folderRows;
    QList<Row> sheetPart;
    if (!foldersEnabled()) {
        for (const Page& page : library.pages())
            if (!page.pinned && matches(page)) sheetPart.append(Row{page});
    } else {
        for (const Group& group : library.groups()) {
            QList<Page> members;
            for (const Page& page : library.pages())
                if (!page.pinned && page.group == group.id) members.append(page);
            if (!searching) {
                folderRows.append(Row{group});
                if (!group.collapsed)
                    for (const Page& page : members)
                        folderRows.append(Row{page});
            } else {
                QList<Page> found;
                for (const Page& page : members)
                    if (matches(page)) found.append(page);
                if (found.isEmpty()) continue;
                Group shown = group;
                shown.collapsed = false;
                folderRows.append(Row{shown});
                for (const Page& page : found)
                    folderRows.append(Row{page});
            }
        }
        for (const Page& page : library.pages())
            if (!page.pinned && !page.group && matches(page)) sheetPart.append(Row{page});
    }

    const int nonEmpty = int(!pinnedBlock.isEmpty()) + int(!folderRows.isEmpty()) + int(!sheetPart.isEmpty());
    QList<Row> result = pinnedBlock;
    if (nonEmpty < 2) {
        result += folderRows;
        result += sheetPart;
        return result;
    }
    if (!folderRows.isEmpty()) {
        result.append(Row{Section{groupsTitle}});
        result += folderRows;
    }
    if (!sheetPart.isEmpty()) {
        result.append(Row{Section{sheetsTitle}});
        result += sheetPart;
    }
    return result;
}

void PagesController::reload(bool scroll) {
    m_reloading = true;
    m_model->resetRows([&] { m_rows = buildRows(); });
    m_noMatchesLabel->setVisible(!m_query.isEmpty() && m_rows.isEmpty());
    const auto& selected = library.selectedID();
    const std::optional<int> row = selected ? rowOfPage(*selected) : std::nullopt;
    if (row) {
        const QModelIndex index = m_model->index(*row);
        m_table->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
        m_table->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        if (scroll) m_table->scrollTo(index);
    } else {
        m_table->selectionModel()->clearSelection();
    }
    m_reloading = false;
}

std::optional<int> PagesController::rowOfPage(const QString& id) const {
    for (int i = 0; i < m_rows.size(); ++i)
        if (const auto p = m_rows[i].page(); p && p->id == id) return i;
    return std::nullopt;
}

std::optional<int> PagesController::rowOfGroup(const QString& id) const {
    for (int i = 0; i < m_rows.size(); ++i)
        if (const auto g = m_rows[i].group(); g && g->id == id) return i;
    return std::nullopt;
}

std::optional<Page> PagesController::hiddenOpenPage(const Group& group) const {
    if (!foldersEnabled() || !group.collapsed || !m_query.isEmpty()) return std::nullopt;
    const auto selected = library.selected();
    if (selected && selected->group == group.id && !selected->pinned) return selected;
    return std::nullopt;
}

qreal PagesController::heightOfRow(int row) const {
    if (row < 0 || row >= m_rows.size()) return 30;
    const Row& r = m_rows[row];
    if (const auto g = r.group()) return hiddenOpenPage(*g) ? 50 : 26;
    if (r.page()) return 30;
    if (r.isSection()) return 40;
    return 24;
}

void PagesController::applyFoldersSetting() {
    m_shownFoldersEnabled = foldersEnabled();
    m_addGroupButton->setHidden(!*m_shownFoldersEnabled);
    layoutViews();
    reload(true);
}

void PagesController::prefsChanged() {
    if (!m_shownFoldersEnabled || *m_shownFoldersEnabled != foldersEnabled()) applyFoldersSetting();
}

// --- Search ---------------------------------------------------------------------------------------

QString PagesController::searchText() const {
    return m_searchField->text();
}

void PagesController::setSearchText(const QString& text) {
    m_searchField->setText(text);
    applySearch();
}

void PagesController::applySearch() {
    const QString trimmed = m_searchField->text().trimmed();
    if (trimmed == m_query) return;
    m_query = trimmed;
    reload(true);
}

void PagesController::focusSearch() {
    if (m_searchField->window()) m_searchField->setFocus(Qt::ShortcutFocusReason);
    m_searchField->selectAll();
}

void PagesController::rowClicked(int row) {
    if (!m_query.isEmpty() || row < 0 || row >= m_rows.size()) return;
    if (const auto g = m_rows[row].group()) toggleGroup(g->id);
}

} // namespace VexilUI
