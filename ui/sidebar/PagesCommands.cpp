// The drawer's commands on sheets and folders, renaming in place, and the context menu.
#include "ui/sidebar/PagesController.h"

#include "ui/notebook/NotebookController.h"
#include "ui/notebook/NotebookTextView.h"
#include "ui/storage/NoteStore.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>

namespace VexilUI {

namespace {

const char* const commandProperty = "pagesCommand";

// A represented pair: a sheet id and an optional string (a colour or a folder id).
struct Pair {
    QString id;
    std::optional<QString> value;
};

QVariant pairData(const QString& id, const std::optional<QString>& value) {
    return QVariantList{id, value ? QVariant(*value) : QVariant()};
}

std::optional<Pair> pairOf(const QAction* item) {
    if (!item) return std::nullopt;
    const QVariantList list = item->data().toList();
    if (list.size() != 2 || list[0].typeId() != QMetaType::QString) return std::nullopt;
    Pair pair{list[0].toString(), std::nullopt};
    if (list[1].isValid() && !list[1].isNull()) pair.value = list[1].toString();
    return pair;
}

std::optional<QString> stringOf(const QAction* item) {
    if (!item || item->data().typeId() != QMetaType::QString) return std::nullopt;
    return item->data().toString();
}

} // namespace

PagesController::Command PagesController::commandOf(const QAction* item) {
    return Command(item->property(commandProperty).toInt());
}

std::optional<Page> PagesController::targetPage(const QAction* sender) const {
    if (sender) {
        if (const auto id = stringOf(sender)) {
            for (const Page& page : library.pages())
                if (page.id == *id) return page;
        }
        return library.selected();
    }
    const int row = selectedRow();
    if (row >= 0 && row < m_rows.size()) return m_rows[row].page();
    return std::nullopt;
}

void PagesController::newPage(const QAction*) {
    if (notebook.notes()) notebook.notes()->flush();
    {
        const QSignalBlocker block(m_searchField);
        m_searchField->clear();
    }
    m_query.clear();
    library.create(std::nullopt, foldersEnabled());
    reload(true);
    if (const auto selected = library.selectedID()) {
        notebook.switchTo(library.store(*selected));
        beginRename(*selected);
    }
}

void PagesController::newGroup(const QAction* sender) {
    if (!foldersEnabled()) {
        beep();
        return;
    }
    {
        const QSignalBlocker block(m_searchField);
        m_searchField->clear();
    }
    m_query.clear();
    const Group group = library.createGroup();
    if (const auto id = stringOf(sender)) library.place(*id, group.id);
    reload(true);
    beginRenameGroup(group.id);
}

void PagesController::startEditing(int row, const QString& id, bool isGroup) {
    m_editing = Editing{id, isGroup};
    const QModelIndex index = m_model->index(row);
    m_table->scrollTo(index);
    m_table->edit(index);
    if (auto* field = qobject_cast<QLineEdit*>(m_table->indexWidget(index))) {
        field->setFocus();
        field->selectAll();
    }
}

void PagesController::beginRename(const QString& id) {
    const auto it = std::find_if(library.pages().begin(), library.pages().end(),
                                 [&](const Page& p) { return p.id == id; });
    if (it == library.pages().end()) return;
    if (!it->pinned && it->group) {
        const QString groupId = *it->group;
        const auto g = std::find_if(library.groups().begin(), library.groups().end(),
                                    [&](const Group& group) { return group.id == groupId; });
        if (g != library.groups().end() && g->collapsed) {
            library.setCollapsed(groupId, false);
            reload(true);
        }
    }
    if (const auto row = rowOfPage(id)) startEditing(*row, id, false);
}

void PagesController::beginRenameGroup(const QString& id) {
    if (const auto row = rowOfGroup(id)) startEditing(*row, id, true);
}

void PagesController::renameClicked(int clickedRow, bool fromTable) {
    const int row = clickedRow >= 0 ? clickedRow : selectedRow();
    if (row < 0 || row >= m_rows.size()) return;
    if (const auto p = m_rows[row].page()) {
        beginRename(p->id);
    } else if (const auto g = m_rows[row].group()) {
        // The double click's first click has toggled the folder already; toggle it back.
        if (fromTable && m_query.isEmpty()) toggleGroup(g->id);
        beginRenameGroup(g->id);
    }
}

void PagesController::renameFromMenu(const QAction* sender) {
    const auto id = stringOf(sender);
    if (!id) return;
    if (rowOfGroup(*id) || std::any_of(library.groups().begin(), library.groups().end(),
                                       [&](const Group& g) { return g.id == *id; }))
        beginRenameGroup(*id);
    else
        beginRename(*id);
}

void PagesController::renameSelected() {
    if (const auto selected = library.selectedID()) beginRename(*selected);
}

void PagesController::controlTextDidEndEditing(const QString& text) {
    if (!m_editing) return;
    const Editing editing = *m_editing;
    m_editing.reset();
    if (editing.isGroup)
        library.renameGroup(editing.id, text);
    else
        library.rename(editing.id, text);
    reload(true);
    notebook.textView()->setFocus();
}

void PagesController::deleteSelected(const QAction* sender) {
    const auto page = targetPage(sender);
    if (!page) {
        beep();
        return;
    }
    if (library.pages().size() < 2) {
        beep();
        return;
    }
    if (!confirmDelete(*page)) return;
    const bool wasSelected = library.selectedID() == page->id;
    library.deletePage(page->id);
    reload(true);
    if (wasSelected) {
        if (const auto selected = library.selectedID()) notebook.switchTo(library.store(*selected));
    }
}

void PagesController::togglePinSelected(const QAction* sender) {
    const auto page = targetPage(sender);
    if (!page) {
        beep();
        return;
    }
    library.setPinned(page->id, !page->pinned);
    reload(true);
}

void PagesController::toggleGroup(const QString& id) {
    for (const Group& group : library.groups()) {
        if (group.id != id) continue;
        library.setCollapsed(id, !group.collapsed);
        reload(true);
        return;
    }
}

void PagesController::toggleFromMenu(const QAction* sender) {
    if (const auto id = stringOf(sender)) toggleGroup(*id);
}

void PagesController::ungroupClicked(const QAction* sender) {
    const auto id = stringOf(sender);
    if (!id) return;
    library.ungroup(*id);
    reload(true);
}

void PagesController::moveToGroup(const QAction* sender) {
    const auto pair = pairOf(sender);
    if (!pair) return;
    library.place(pair->id, pair->value);
    if (pair->value) library.setCollapsed(*pair->value, false);
    reload(true);
}

void PagesController::colorChosen(const QAction* sender) {
    const auto pair = pairOf(sender);
    if (!pair) return;
    library.setColor(pair->id, pair->value);
    reload(true);
}

void PagesController::perform(Command command, const QAction* sender) {
    switch (command) {
    case Command::NewPage:
        newPage(sender);
        break;
    case Command::NewGroup:
        newGroup(sender);
        break;
    case Command::RenameFromMenu:
        renameFromMenu(sender);
        break;
    case Command::RenameSelected:
        renameSelected();
        break;
    case Command::DeleteSelected:
        deleteSelected(sender);
        break;
    case Command::TogglePinSelected:
        togglePinSelected(sender);
        break;
    case Command::ToggleFromMenu:
        toggleFromMenu(sender);
        break;
    case Command::UngroupClicked:
        ungroupClicked(sender);
        break;
    case Command::MoveToGroup:
        moveToGroup(sender);
        break;
    case Command::ColorChosen:
        colorChosen(sender);
        break;
    }
}

PagesController::MenuState PagesController::validateMenuItem(Command command, const QAction* item) const {
    if (command == Command::NewGroup) return {foldersEnabled(), std::nullopt};
    if (command == Command::TogglePinSelected) {
        const auto page = targetPage(item);
        if (!page) return {false, std::nullopt};
        return {true, page->pinned ? QStringLiteral("Unpin") : QStringLiteral("Pin")};
    }
    return {};
}

void PagesController::menuNeedsUpdate(QMenu& menu, int clickedRow) {
    menu.clear();
    const auto add = [this](QMenu& into, const QString& title, Command command, const QVariant& data) {
        QAction* action = into.addAction(title);
        action->setProperty(commandProperty, int(command));
        action->setData(data);
        connect(action, &QAction::triggered, this, [this, action, command] { perform(command, action); });
        return action;
    };
    const Row row = clickedRow >= 0 && clickedRow < m_rows.size() ? m_rows[clickedRow] : Row{PinnedHeader{}};
    if (const auto g = row.group()) {
        add(menu, QStringLiteral("Rename Folder"), Command::RenameFromMenu, g->id);
        if (m_query.isEmpty())
            add(menu, g->collapsed ? QStringLiteral("Expand") : QStringLiteral("Collapse"),
                Command::ToggleFromMenu, g->id);
        menu.addSeparator();
        add(menu, QStringLiteral("Remove Folder, Keep Sheets"), Command::UngroupClicked, g->id);
    } else if (const auto p = row.page()) {
        add(menu, p->pinned ? QStringLiteral("Unpin") : QStringLiteral("Pin"), Command::TogglePinSelected,
            p->id);
        menu.addSeparator();
        add(menu, QStringLiteral("Rename"), Command::RenameFromMenu, p->id);
        QMenu* colours = menu.addMenu(QStringLiteral("Colour"));
        for (const auto& colour : PageLibrary::colors()) {
            QAction* item = add(*colours, colour.name, Command::ColorChosen, pairData(p->id, colour.hex));
            item->setIcon(QIcon(QPixmap::fromImage(PageCell::dot(colour.hex, 10))));
            item->setCheckable(true);
            item->setChecked(colour.hex == p->color);
        }
        QMenu* moveTo = menu.addMenu(QStringLiteral("Move To"));
        moveTo->menuAction()->setVisible(foldersEnabled());
        add(*moveTo, QStringLiteral("New Folder"), Command::NewGroup, p->id);
        if (!library.groups().isEmpty()) {
            moveTo->addSeparator();
            for (const Group& group : library.groups()) {
                QAction* item = add(*moveTo, group.name, Command::MoveToGroup, pairData(p->id, group.id));
                item->setCheckable(true);
                item->setChecked(p->group == group.id);
            }
        }
        if (p->group) {
            moveTo->addSeparator();
            add(*moveTo, QStringLiteral("No Folder"), Command::MoveToGroup, pairData(p->id, std::nullopt));
        }
        menu.addSeparator();
        QAction* del = add(menu, QStringLiteral("Delete\u2026"), Command::DeleteSelected, p->id);
        del->setEnabled(library.pages().size() >= 2);
    } else {
        add(menu, QStringLiteral("New Sheet"), Command::NewPage, QVariant());
        if (foldersEnabled()) add(menu, QStringLiteral("New Folder"), Command::NewGroup, QVariant());
    }
    // Validation applies to every item but "Delete…", whose enabled state was decided above.
    const std::function<void(QMenu&)> validate = [&](QMenu& m) {
        for (QAction* action : m.actions()) {
            if (action->menu()) {
                validate(*action->menu());
                continue;
            }
            if (action->isSeparator() || !action->property(commandProperty).isValid()) continue;
            const Command command = commandOf(action);
            if (command == Command::DeleteSelected) continue;
            const MenuState state = validateMenuItem(command, action);
            action->setEnabled(state.enabled);
            if (state.title) action->setText(*state.title);
        }
    };
    validate(menu);
}

void PagesController::showContextMenu(const QPoint& pos) {
    const QModelIndex index = m_table->indexAt(pos);
    menuNeedsUpdate(*m_contextMenu, index.isValid() ? index.row() : -1);
    m_contextMenu->popup(m_table->viewport()->mapToGlobal(pos));
}

} // namespace VexilUI
