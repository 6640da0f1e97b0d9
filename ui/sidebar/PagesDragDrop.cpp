// Dragging sheets and folders within the drawer: the payload, the drop targets and what a drop does.
#include "ui/sidebar/PagesController.h"

#include <QDropEvent>
#include <QMimeData>

namespace VexilUI {

std::optional<QString> PagesController::pasteboardPayload(int row) const {
    if (m_editing || !m_query.isEmpty() || row < 0 || row >= m_rows.size()) return std::nullopt;
    if (const auto g = m_rows[row].group()) return QStringLiteral("g:") + g->id;
    if (const auto p = m_rows[row].page()) return QStringLiteral("p:") + p->id;
    return std::nullopt;
}

void PagesController::beginRowDrag(const QList<int>& rows) {
    const bool sheet = std::any_of(rows.begin(), rows.end(), [this](int row) {
        return row >= 0 && row < m_rows.size() && m_rows[row].page().has_value();
    });
    if (!sheet || !m_query.isEmpty()) return;
    m_sheetDragInProgress = true;
    if (m_rows.isEmpty() || !m_rows.first().isPinnedHeader()) reload(false);
}

void PagesController::endRowDrag() {
    m_sheetDragInProgress = false;
    if (!m_rows.isEmpty() && m_rows.first().isPinnedHeader() && library.pinnedPages().isEmpty() &&
        buildRows() != m_rows)
        reload(false);
}

int PagesController::pinnedEnd() const {
    if (m_rows.isEmpty() || !m_rows.first().isPinnedHeader()) return 0;
    int end = 1;
    while (end < m_rows.size()) {
        const auto p = m_rows[end].page();
        if (!p || !p->pinned) break;
        ++end;
    }
    return end;
}

int PagesController::nearestGap(int row, qreal pointerY, const QRectF& rowRect, bool flipped) {
    const qreal mid = rowRect.center().y();
    if (flipped) return pointerY <= mid ? row : row + 1;
    return pointerY >= mid ? row : row + 1;
}

QRectF PagesController::rowRect(int row) const {
    return QRectF(m_table->visualRect(m_model->index(row)));
}

std::optional<int> PagesController::folderGap(qreal pointerY) const {
    QList<int> groups;
    for (int i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].group()) groups.append(i);
    if (groups.isEmpty()) return std::nullopt;
    const int pe = pinnedEnd();
    if (pe > 0 && pe < m_rows.size() && pointerY < rowRect(pe).top()) return std::nullopt;
    int tail = groups.last() + 1;
    while (tail < m_rows.size()) {
        const auto p = m_rows[tail].page();
        if (!p || !p->group) break;
        ++tail;
    }
    struct Candidate {
        int gap;
        qreal y;
    };
    QList<Candidate> candidates{{tail, rowRect(tail - 1).top() + rowRect(tail - 1).height()}};
    for (int g : groups)
        candidates.append({g, rowRect(g).top()});
    const Candidate* best = nullptr;
    for (const Candidate& c : candidates)
        if (!best || std::abs(c.y - pointerY) < std::abs(best->y - pointerY)) best = &c;
    return best->gap;
}

bool PagesController::validateDrop(const QString& payload, bool fromOwnTable, DropProposal proposed,
                                   qreal pointerY) {
    if (!m_query.isEmpty() || !fromOwnTable || payload.isEmpty()) return false;
    const int count = int(m_rows.size());
    if (payload.startsWith(u"g:")) {
        const auto gap = folderGap(pointerY);
        if (!gap) return false;
        m_table->setDropRow(*gap, DropOperation::Above);
        return true;
    }
    const QString id = payload.mid(2);
    if (std::none_of(library.pages().begin(), library.pages().end(),
                     [&](const Page& p) { return p.id == id; }))
        return false;
    const int lo = !m_rows.isEmpty() && m_rows.first().isPinnedHeader() ? 1 : 0;
    const int row = proposed.row;
    if (proposed.operation == DropOperation::On && row >= 0 && row < count) {
        const Row& r = m_rows[row];
        if (r.group()) {
            if (!foldersEnabled()) return false;
            m_table->setDropRow(row, DropOperation::On);
        } else if (r.page()) {
            m_table->setDropRow(nearestGap(row, pointerY, rowRect(row), true), DropOperation::Above);
        } else if (r.isSection()) {
            m_table->setDropRow(row + 1, DropOperation::Above);
        } else {
            m_table->setDropRow(1, DropOperation::Above);
        }
        return true;
    }
    m_table->setDropRow(std::min(std::max(row, lo), count), DropOperation::Above);
    return true;
}

bool PagesController::acceptDrop(const QString& payload, int row, DropOperation operation) {
    if (payload.isEmpty()) return false;
    m_sheetDragInProgress = false;
    const QString id = payload.mid(2);
    if (payload.startsWith(u"g:")) return moveGroup(id, row);
    if (operation == DropOperation::On && row >= 0 && row < m_rows.size()) {
        const Row r = m_rows[row];
        if (const auto g = r.group()) return dropPage(id, g->id);
        if (r.isPinnedHeader()) return dropPage(id, 1);
        if (r.isSection()) return dropPage(id, row + 1);
        return dropPage(id, row);
    }
    return dropPage(id, row);
}

bool PagesController::moveGroup(const QString& id, int toGap) {
    qsizetype from = -1;
    for (qsizetype i = 0; i < library.groups().size(); ++i)
        if (library.groups()[i].id == id) from = i;
    if (from < 0) return false;
    const int gap = std::clamp(toGap, 0, int(m_rows.size()));
    int k = 0;
    for (int i = 0; i < gap; ++i)
        if (m_rows[i].group()) ++k;
    const qsizetype to = from < k ? k - 1 : k;
    if (to == from) return false;
    library.moveGroup(from, to);
    reload(false);
    return true;
}

bool PagesController::dropPage(const QString& id, const QString& intoGroup) {
    if (!foldersEnabled()) return false;
    const auto page = std::find_if(library.pages().begin(), library.pages().end(),
                                   [&](const Page& p) { return p.id == id; });
    if (page == library.pages().end()) return false;
    if (std::none_of(library.groups().begin(), library.groups().end(),
                     [&](const Group& g) { return g.id == intoGroup; }))
        return false;
    if (page->pinned) {
        library.setPinned(id, false);
        library.place(id, intoGroup);
    } else {
        if (page->group == intoGroup) return false;
        library.place(id, intoGroup);
    }
    reload(false);
    return true;
}

bool PagesController::dropPage(const QString& id, int gap) {
    const auto found = std::find_if(library.pages().begin(), library.pages().end(),
                                    [&](const Page& p) { return p.id == id; });
    if (found == library.pages().end() || gap < 0 || gap > m_rows.size()) return false;
    const Page p = *found;
    const QList<Page> before = library.pages();
    const int count = int(m_rows.size());
    const int pe = pinnedEnd();
    int g = gap;
    bool pinnedTarget = false;
    if (pe >= 1) {
        g = gap == 0 ? 1 : gap;
        pinnedTarget = gap <= pe;
    }
    if (pinnedTarget == p.pinned) {
        const auto r = rowOfPage(id);
        if (r && (g == *r || g == *r + 1)) return false;
    }
    const auto unpinnedPageAt = [&](int row) -> std::optional<Page> {
        if (row < 0 || row >= count) return std::nullopt;
        const auto q = m_rows[row].page();
        if (q && !q->pinned) return q;
        return std::nullopt;
    };
    if (pinnedTarget) {
        std::optional<QString> beforeId;
        if (g < pe)
            if (const auto q = m_rows[g].page()) beforeId = q->id;
        library.setPinned(id, true, beforeId);
    } else {
        if (p.pinned) library.setPinned(id, false);
        if (!foldersEnabled()) {
            std::optional<Page> q;
            for (int row = g; row < count && !q; ++row) {
                const auto candidate = unpinnedPageAt(row);
                if (candidate && candidate->id != id) q = candidate;
            }
            if (q) {
                library.place(id, p.group, q->id);
            } else {
                library.place(id, p.group);
                for (qsizetype i = 0; i < library.pages().size(); ++i) {
                    if (library.pages()[i].id != id) continue;
                    library.move(i, library.pages().size() - 1);
                    break;
                }
            }
        } else if (const auto q = unpinnedPageAt(g)) {
            library.place(id, q->group, q->id);
        } else if (g == 0) {
            library.place(id, std::nullopt);
        } else if (const auto G = m_rows[g - 1].group(); G && !G->collapsed) {
            library.place(id, G->id);
        } else if (const auto prev = unpinnedPageAt(g - 1); prev && prev->group) {
            library.place(id, *prev->group);
        } else {
            std::optional<QString> beforeId;
            if (g < count) {
                for (const Page& other : library.pages()) {
                    if (!other.group && !other.pinned && other.id != id) {
                        beforeId = other.id;
                        break;
                    }
                }
            }
            library.place(id, std::nullopt, beforeId);
        }
    }
    const bool changed = library.pages() != before;
    if (changed) reload(false);
    return changed;
}

bool PagesController::movePage(int fromRow, int toGap) {
    if (fromRow < 0 || fromRow >= m_rows.size()) return false;
    const auto p = m_rows[fromRow].page();
    return p && dropPage(p->id, toGap);
}

PagesController::DropProposal PagesController::proposalAt(const QPointF& pos) const {
    const QModelIndex index = m_table->indexAt(pos.toPoint());
    if (!index.isValid()) return {int(m_rows.size()), DropOperation::Above};
    const QRectF rect = rowRect(index.row());
    const qreal quarter = rect.height() / 4;
    if (pos.y() < rect.top() + quarter) return {index.row(), DropOperation::Above};
    if (pos.y() > rect.bottom() - quarter) return {index.row() + 1, DropOperation::Above};
    return {index.row(), DropOperation::On};
}

bool PagesController::handleDragMove(QDropEvent* event) {
    const QMimeData* data = event->mimeData();
    if (!data || !data->hasFormat(rowType)) return false;
    const bool own = event->source() == m_table;
    return validateDrop(QString::fromUtf8(data->data(rowType)), own, proposalAt(event->position()),
                        event->position().y());
}

bool PagesController::handleDrop(QDropEvent* event) {
    if (!handleDragMove(event) || !m_table->lastDropTarget) return false;
    const auto target = *m_table->lastDropTarget;
    return acceptDrop(QString::fromUtf8(event->mimeData()->data(rowType)), target.row, target.operation);
}

} // namespace VexilUI
