// Turning rows into cells, and a chosen sheet row into the sheet the notebook shows.
#include "ui/sidebar/PagesController.h"

#include "ui/notebook/NotebookController.h"
#include "ui/storage/NoteStore.h"

#include <QPainter>

namespace VexilUI {

int PagesController::groupCount(int row) const {
    const auto g = m_rows.value(row).group();
    if (!g) return 0;
    if (!g->collapsed) {
        int end = row + 1;
        while (end < m_rows.size()) {
            const auto p = m_rows[end].page();
            if (!p || p->group != g->id || p->pinned) break;
            ++end;
        }
        return end - (row + 1);
    }
    int count = 0;
    for (const Page& page : library.pages())
        if (page.group == g->id && !page.pinned) ++count;
    return count;
}

bool PagesController::isIndented(const Page& page) const {
    return foldersEnabled() && page.group.has_value() && !page.pinned;
}

void PagesController::paintRow(QPainter& painter, const QRect& rect, int row) const {
    if (row < 0 || row >= m_rows.size()) return;
    const Row& r = m_rows[row];
    // A name being edited in place is shown by its field alone, not over the label it replaces.
    const auto edited = [this](const QString& id, bool isGroup) {
        return m_editing && m_editing->id == id && m_editing->isGroup == isGroup;
    };
    if (const auto g = r.group()) {
        GroupCell cell;
        cell.configure(*g, groupCount(row), hiddenOpenPage(*g));
        if (edited(g->id, true)) cell.name.clear();
        cell.paint(painter, rect);
    } else if (const auto p = r.page()) {
        PageCell cell;
        cell.configure(*p, isIndented(*p));
        if (edited(p->id, false)) cell.name.clear();
        cell.paint(painter, rect);
    } else {
        SectionCell cell;
        if (r.isSection())
            cell.configure(std::get<Section>(r.value).title, true);
        else
            cell.configure(QStringLiteral("Pinned"), false);
        cell.paint(painter, rect);
    }
}

QString PagesController::accessibilityLabel(int row) const {
    if (row < 0 || row >= m_rows.size()) return {};
    const Row& r = m_rows[row];
    if (const auto g = r.group()) {
        GroupCell cell;
        cell.configure(*g, groupCount(row), hiddenOpenPage(*g));
        return cell.accessibilityLabel;
    }
    if (const auto p = r.page()) {
        PageCell cell;
        cell.configure(*p, isIndented(*p));
        return cell.accessibilityLabel;
    }
    return r.isSection() ? std::get<Section>(r.value).title : QStringLiteral("Pinned");
}

QRect PagesController::nameRect(int row, const QRect& rect) const {
    if (row < 0 || row >= m_rows.size()) return rect;
    const Row& r = m_rows[row];
    QRect local;
    if (const auto g = r.group()) {
        GroupCell cell;
        cell.configure(*g, groupCount(row), std::nullopt);
        local = cell.nameRect(rect.size());
    } else if (const auto p = r.page()) {
        PageCell cell;
        cell.configure(*p, isIndented(*p));
        local = cell.nameRect(rect.size());
    } else {
        return rect;
    }
    // The editor keeps the first line's height, centred on the name.
    const int h = std::min(22, local.height());
    const int centre = r.group() ? 13 : rect.height() / 2;
    return QRect(rect.left() + local.left() - 2, rect.top() + centre - h / 2, local.width() + 2, h);
}

bool PagesController::shouldSelectRow(int row) const {
    return row >= 0 && row < m_rows.size() && m_rows[row].page().has_value();
}

int PagesController::selectedRow() const {
    const QModelIndexList selected = m_table->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void PagesController::tableViewSelectionDidChange() {
    if (m_reloading) return;
    const int row = selectedRow();
    if (row < 0 || row >= m_rows.size()) return;
    const auto p = m_rows[row].page();
    if (!p) return;
    if (library.selectedID() == p->id && notebook.notes() == library.store(p->id)) return;
    if (notebook.notes()) notebook.notes()->flush();
    library.select(p->id);
    if (const auto selected = library.selectedID()) notebook.switchTo(library.store(*selected));
    refreshGroupHeaders();
}

void PagesController::refreshGroupHeaders() {
    QList<int> groups;
    for (int i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].group()) groups.append(i);
    if (groups.isEmpty()) return;
    m_model->rowsChanged(groups);
    // The list measures rows only when it lays them out again.
    m_table->doItemsLayout();
}

} // namespace VexilUI
