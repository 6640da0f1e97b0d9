#include "SidebarFixture.h"

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QTest>

#include <tuple>

using VexilUI::PagesController;
using Op = VexilUI::PagesTable::DropOperation;

namespace {

class SidebarCommandsTest : public SidebarFixture {
protected:
    // Three loose sheets A, B, C with A open.
    void threeSheets() {
        addSheet(QStringLiteral("B"));
        addSheet(QStringLiteral("C"));
        library->select(id("A"));
        makeDrawer();
    }
    void selectRow(int row) {
        pages->table()->selectionModel()->select(pages->model()->index(row),
                                                 QItemSelectionModel::ClearAndSelect);
    }
    QStringList titles(const QMenu& menu) const {
        QStringList out;
        for (const QAction* a : menu.actions())
            out.append(a->isSeparator() ? QStringLiteral("-") : a->text());
        return out;
    }
    QAction* item(QMenu& menu, const QString& title) {
        for (QAction* a : menu.actions()) {
            if (a->text() == title) return a;
            if (a->menu())
                if (QAction* inner = item(*a->menu(), title)) return inner;
        }
        return nullptr;
    }
};

TEST_F(SidebarCommandsTest, SelectingASheetSwitchesTheNotebook) {
    threeSheets();
    controller->notes()->textDidChange(QStringLiteral("1 + 1"));
    selectRow(1);
    EXPECT_EQ(library->selectedID(), id("B"));
    EXPECT_EQ(controller->notes(), library->store(id("B")));
    EXPECT_EQ(library->text(id("A")), QStringLiteral("1 + 1")); // flushed before the switch

    // Reselecting the open sheet leaves the store alone.
    const auto open = controller->notes();
    selectRow(1);
    EXPECT_EQ(controller->notes(), open);
}

// A right-click only opens the menu: the row under it is neither selected nor opened, so the rows do not
// move under the pointer (a collapsed folder holding the open sheet is drawn taller).
TEST_F(SidebarCommandsTest, RightPressKeepsTheSelectionAndTheOpenSheet) {
    addSheet(QStringLiteral("B"));
    addFolder(QStringLiteral("F"), {QStringLiteral("A")}, true);
    library->select(id("A"));
    makeDrawer();
    pages->view()->show();
    ASSERT_EQ(rowTexts(), (QStringList{"#Folders", "+F", "#Sheets", "B"}));
    const auto open = controller->notes();
    const int folderHeight = pages->table()->visualRect(pages->model()->index(1)).height();
    const QPoint sheetB = pages->table()->visualRect(pages->model()->index(3)).center();

    QTest::mousePress(pages->table()->viewport(), Qt::RightButton, {}, sheetB);
    QTest::mouseRelease(pages->table()->viewport(), Qt::RightButton, {}, sheetB);
    EXPECT_EQ(library->selectedID(), id("A"));
    EXPECT_EQ(controller->notes(), open);
    EXPECT_EQ(pages->table()->visualRect(pages->model()->index(1)).height(), folderHeight);
    EXPECT_EQ(pages->table()->indexAt(sheetB).row(), 3);

    // A left click still opens the sheet.
    QTest::mouseClick(pages->table()->viewport(), Qt::LeftButton, {}, sheetB);
    EXPECT_EQ(library->selectedID(), id("B"));
}

// While a folder's name is edited in place, its row draws no label under the field.
TEST_F(SidebarCommandsTest, RowBeingRenamedDrawsNoLabelUnderItsField) {
    addSheet(QStringLiteral("B"));
    addFolder(QStringLiteral("Folder 1"), {QStringLiteral("B")});
    library->select(id("A"));
    makeDrawer();
    pages->view()->show();
    const QRect cell(0, 0, 188, 28);
    const auto nameInk = [&](int row) {
        QImage image(cell.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        pages->paintRow(painter, cell, row);
        painter.end();
        const QRect name = pages->nameRect(row, cell);
        int ink = 0;
        for (int y = name.top(); y <= name.bottom(); ++y)
            for (int x = name.left(); x <= name.right(); ++x)
                if (qAlpha(image.pixel(x, y)) > 0) ++ink;
        return ink;
    };
    for (const auto& [name, row, isGroup] :
         {std::tuple{QStringLiteral("Folder 1"), 1, true}, std::tuple{QStringLiteral("B"), 2, false}}) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_GT(nameInk(row), 0);
        if (isGroup)
            pages->beginRenameGroup(id(name));
        else
            pages->beginRename(id(name));
        ASSERT_TRUE(pages->editing());
        EXPECT_EQ(nameInk(row), 0);
        pages->controlTextDidEndEditing(name);
        EXPECT_FALSE(pages->editing());
    }
}

TEST_F(SidebarCommandsTest, FolderRowsCannotBeSelected) {
    addSheet(QStringLiteral("B"));
    addFolder(QStringLiteral("F"), {QStringLiteral("B")});
    library->select(id("A"));
    makeDrawer();
    ASSERT_EQ(rowTexts(), (QStringList{"#Folders", "-F", "B", "#Sheets", "A"}));
    EXPECT_FALSE(pages->shouldSelectRow(1));
    EXPECT_FALSE(pages->shouldSelectRow(0));
    EXPECT_TRUE(pages->shouldSelectRow(2));
    EXPECT_FALSE(pages->model()->flags(pages->model()->index(1)) & Qt::ItemIsSelectable);
    EXPECT_EQ(pages->selectedRow(), 4);

    pages->rowClicked(1); // a click on a folder toggles it
    EXPECT_EQ(rowTexts(), (QStringList{"#Folders", "+F", "#Sheets", "A"}));
    EXPECT_EQ(library->selectedID(), id("A"));
}

TEST_F(SidebarCommandsTest, NewPageJoinsTheOpenFolderAndStartsRenaming) {
    addFolder(QStringLiteral("F"), {QStringLiteral("A")});
    library->select(id("A"));
    makeDrawer();
    pages->setSearchText(QStringLiteral("zzz"));
    const auto before = ids();
    pages->newPage();
    EXPECT_TRUE(pages->searchText().isEmpty());
    EXPECT_TRUE(pages->query().isEmpty());
    ASSERT_EQ(library->pages().size(), 2);
    const auto created = library->selected();
    ASSERT_TRUE(created);
    EXPECT_TRUE(ids().contains(before));
    EXPECT_EQ(created->group, id("F"));
    EXPECT_EQ(controller->notes(), library->store(created->id));
    ASSERT_TRUE(pages->editing());
    EXPECT_EQ(pages->editing()->id, created->id);
    EXPECT_FALSE(pages->editing()->isGroup);

    pages->controlTextDidEndEditing(QStringLiteral("  Groceries  "));
    EXPECT_FALSE(pages->editing());
    EXPECT_EQ(library->selected()->name, QStringLiteral("Groceries"));

    setFoldersOff(true);
    pages->newPage();
    EXPECT_FALSE(library->selected()->group);
    pages->controlTextDidEndEditing(QStringLiteral("   ")); // only spaces: the old name stays
    EXPECT_TRUE(library->selected()->name.startsWith(QStringLiteral("Sheet ")));
}

TEST_F(SidebarCommandsTest, DeleteAsksAndRefusesTheLastSheet) {
    makeDrawer();
    pages->deleteSelected(nullptr);
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(asked.isEmpty());

    addSheet(QStringLiteral("B"));
    addSheet(QStringLiteral("C"));
    library->select(id("A"));
    pages->reload(true);
    confirmAnswer = false;
    pages->deleteSelected(nullptr);
    EXPECT_EQ(asked, QStringList{"A"});
    EXPECT_EQ(library->pages().size(), 3);

    confirmAnswer = true;
    QMenu menu;
    pages->menuNeedsUpdate(menu, *pages->rowOfPage(id("C")));
    pages->perform(PagesController::Command::DeleteSelected, item(menu, QStringLiteral("Delete\u2026")));
    EXPECT_EQ(libraryOrder(), (QStringList{"A", "B"}));
    EXPECT_EQ(controller->notes(), library->store(id("A"))); // another sheet: the notebook stays

    const QString b = id("B");
    pages->deleteSelected(nullptr); // the selected row, A
    EXPECT_EQ(libraryOrder(), QStringList{"B"});
    EXPECT_EQ(controller->notes(), library->store(b));
}

TEST_F(SidebarCommandsTest, DeleteKeyOnAFolderRowBeeps) {
    addFolder(QStringLiteral("F"), {});
    addSheet(QStringLiteral("B"));
    makeDrawer();
    pages->table()->selectionModel()->clearSelection();
    pages->deleteSelected(nullptr);
    EXPECT_EQ(beeps, 1);
    // The main menu's item acts on the library's selected sheet.
    QAction mainMenuItem(QStringLiteral("Delete"));
    pages->deleteSelected(&mainMenuItem);
    EXPECT_EQ(library->pages().size(), 1);
}

TEST_F(SidebarCommandsTest, SheetMenuCommandsKeepEverySheet) {
    threeSheets();
    addFolder(QStringLiteral("F"), {});
    pages->reload(true);
    const auto all = ids();
    const int rowB = *pages->rowOfPage(id("B"));
    QMenu menu;
    pages->menuNeedsUpdate(menu, rowB);
    EXPECT_EQ(titles(menu), (QStringList{"Pin", "-", "Rename", "Colour", "Move To", "-", "Delete\u2026"}));
    QMenu* colours = item(menu, QStringLiteral("Colour"))->menu();
    ASSERT_EQ(colours->actions().size(), 11);
    EXPECT_TRUE(colours->actions().first()->isChecked());
    QMenu* moveTo = item(menu, QStringLiteral("Move To"))->menu();
    EXPECT_EQ(titles(*moveTo), (QStringList{"New Folder", "-", "F"}));

    pages->perform(PagesController::Command::ColorChosen, item(menu, QStringLiteral("Lime")));
    EXPECT_EQ(library->pages()[1].color, QStringLiteral("DFFF57"));

    pages->menuNeedsUpdate(menu, *pages->rowOfPage(id("B")));
    pages->perform(PagesController::Command::TogglePinSelected, item(menu, QStringLiteral("Pin")));
    EXPECT_EQ(rowTexts().first(), QStringLiteral("Pinned"));
    pages->menuNeedsUpdate(menu, *pages->rowOfPage(id("B")));
    EXPECT_EQ(titles(menu).first(), QStringLiteral("Unpin"));
    pages->perform(PagesController::Command::TogglePinSelected, item(menu, QStringLiteral("Unpin")));

    library->setCollapsed(id("F"), true);
    pages->menuNeedsUpdate(menu, *pages->rowOfPage(id("C")));
    pages->perform(PagesController::Command::MoveToGroup, item(menu, QStringLiteral("F")));
    EXPECT_EQ(library->pages()[2].group, id("F"));
    EXPECT_FALSE(library->groups().first().collapsed);
    pages->menuNeedsUpdate(menu, *pages->rowOfPage(id("C")));
    EXPECT_TRUE(item(menu, QStringLiteral("No Folder")));
    pages->perform(PagesController::Command::NewGroup, item(menu, QStringLiteral("New Folder")));
    EXPECT_EQ(library->groups().size(), 2);
    EXPECT_EQ(library->pages()[2].group, library->groups().first().id);
    ASSERT_TRUE(pages->editing());
    EXPECT_TRUE(pages->editing()->isGroup);
    pages->controlTextDidEndEditing(QStringLiteral("Trips"));
    EXPECT_EQ(library->groups().first().name, QStringLiteral("Trips"));

    const int folderRow = *pages->rowOfGroup(id("Trips"));
    pages->menuNeedsUpdate(menu, folderRow);
    EXPECT_EQ(titles(menu), (QStringList{"Rename Folder", "Collapse", "-", "Remove Folder, Keep Sheets"}));
    pages->perform(PagesController::Command::UngroupClicked,
                   item(menu, QStringLiteral("Remove Folder, Keep Sheets")));
    EXPECT_EQ(library->groups().size(), 1);
    EXPECT_EQ(ids(), all);
    EXPECT_EQ(library->selectedID(), id("A"));
    EXPECT_EQ(beeps, 0);
}

TEST_F(SidebarCommandsTest, EmptySpaceMenuAndFoldersOff) {
    threeSheets();
    QMenu menu;
    pages->menuNeedsUpdate(menu, -1);
    EXPECT_EQ(titles(menu), (QStringList{"New Sheet", "New Folder"}));
    setFoldersOff(true);
    pages->menuNeedsUpdate(menu, -1);
    EXPECT_EQ(titles(menu), QStringList{"New Sheet"});
    pages->menuNeedsUpdate(menu, 0);
    EXPECT_FALSE(item(menu, QStringLiteral("Move To"))->isVisible());
    pages->newGroup();
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(library->groups().isEmpty());
}

TEST_F(SidebarCommandsTest, RenamingInACollapsedFolderExpandsItFirst) {
    addSheet(QStringLiteral("B"));
    addFolder(QStringLiteral("F"), {QStringLiteral("A")}, true);
    library->select(id("A"));
    makeDrawer();
    pages->renameSelected();
    EXPECT_FALSE(library->groups().first().collapsed);
    ASSERT_TRUE(pages->editing());
    EXPECT_EQ(pages->editing()->id, id("A"));
}

// --- Drag and drop ---------------------------------------------------------------------------------

TEST_F(SidebarCommandsTest, DraggingOntoTheEmptyPinnedHeadingPins) {
    threeSheets();
    const auto all = ids();
    const QString payload = *pages->pasteboardPayload(2);
    EXPECT_EQ(payload, QStringLiteral("p:") + id("C"));
    pages->beginRowDrag({2});
    ASSERT_EQ(rowTexts(), (QStringList{"Pinned", "#Sheets", "A", "B", "C"}));
    EXPECT_TRUE(pages->validateDrop(payload, true, {0, Op::On}, 5));
    EXPECT_EQ(pages->table()->lastDropTarget, (VexilUI::PagesTable::DropTarget{1, Op::Above}));
    EXPECT_TRUE(pages->acceptDrop(payload, 0, Op::On));
    pages->endRowDrag();
    EXPECT_EQ(rowTexts(), (QStringList{"Pinned", "C", "#Sheets", "A", "B"}));
    EXPECT_EQ(ids(), all);
}

TEST_F(SidebarCommandsTest, GapsPinUnpinAndReorder) {
    threeSheets();
    library->setPinned(id("A"), true);
    pages->reload(false);
    ASSERT_EQ(rowTexts(), (QStringList{"Pinned", "A", "#Sheets", "B", "C"}));
    EXPECT_EQ(pages->pinnedEnd(), 2);
    // Just after the last pinned sheet: still pinned, so nothing moves.
    EXPECT_FALSE(pages->dropPage(id("A"), 2));
    // One further down unpins it, first among the loose sheets.
    EXPECT_TRUE(pages->dropPage(id("A"), 3));
    EXPECT_EQ(rowTexts(), (QStringList{"A", "B", "C"}));
    EXPECT_TRUE(pages->movePage(0, 3)); // to the end
    EXPECT_EQ(rowTexts(), (QStringList{"B", "C", "A"}));
    EXPECT_FALSE(pages->movePage(2, 2)); // its own place
    EXPECT_FALSE(pages->dropPage(QStringLiteral("gone"), 0));

    pages->setSearchText(QStringLiteral("B"));
    EXPECT_FALSE(pages->validateDrop(QStringLiteral("p:") + id("B"), true, {0, Op::Above}, 0));
    EXPECT_FALSE(pages->pasteboardPayload(0));
}

TEST_F(SidebarCommandsTest, SheetsFileIntoFoldersByRowAndGap) {
    threeSheets();
    addFolder(QStringLiteral("F"), {});
    pages->reload(false);
    ASSERT_EQ(rowTexts(), (QStringList{"#Folders", "-F", "#Sheets", "A", "B", "C"}));
    EXPECT_TRUE(pages->validateDrop(QStringLiteral("p:") + id("C"), true, {1, Op::On}, 0));
    EXPECT_EQ(pages->table()->lastDropTarget, (VexilUI::PagesTable::DropTarget{1, Op::On}));
    EXPECT_TRUE(pages->acceptDrop(QStringLiteral("p:") + id("C"), 1, Op::On));
    EXPECT_EQ(rowTexts(), (QStringList{"#Folders", "-F", "C", "#Sheets", "A", "B"}));
    EXPECT_FALSE(pages->dropPage(id("C"), id("F"))); // already there
    // The gap below the folder's last sheet appends to the folder.
    EXPECT_TRUE(pages->dropPage(id("B"), 3));
    EXPECT_EQ(rowTexts(), (QStringList{"#Folders", "-F", "C", "B", "#Sheets", "A"}));
    // A gap after a section title makes the sheet the first loose one.
    EXPECT_TRUE(pages->dropPage(id("C"), 5));
    EXPECT_EQ(rowTexts(), (QStringList{"#Folders", "-F", "B", "#Sheets", "C", "A"}));

    // Folders off: a sheet dropped among others keeps its hidden folder.
    setFoldersOff(true);
    const QStringList flat = rowTexts();
    ASSERT_EQ(flat.size(), 3);
    EXPECT_FALSE(pages->validateDrop(QStringLiteral("p:") + id("A"), true, {0, Op::On}, 0) &&
                 pages->rows()[0].group());
    EXPECT_TRUE(pages->dropPage(id(flat[0]), 3));
    EXPECT_EQ(rowTexts(), (QStringList{flat[1], flat[2], flat[0]}));
    EXPECT_EQ(library->pages()[*pages->rowOfPage(id("B"))].group, id("F"));
    setFoldersOff(false);
    EXPECT_EQ(rowTexts().mid(0, 4), (QStringList{"#Folders", "-F", "B", "#Sheets"}));
}

TEST_F(SidebarCommandsTest, FoldersMoveAmongFolders) {
    makeDrawer();
    addFolder(QStringLiteral("F1"), {});
    addFolder(QStringLiteral("F2"), {});
    addFolder(QStringLiteral("F3"), {});
    pages->reload(false);
    ASSERT_EQ(rowTexts(), (QStringList{"#Folders", "-F1", "-F2", "-F3", "#Sheets", "A"}));
    const auto order = [&] {
        QStringList out;
        for (const auto& g : library->groups())
            out.append(g.name);
        return out;
    };
    EXPECT_TRUE(pages->moveGroup(id("F2"), 1));
    EXPECT_EQ(order(), (QStringList{"F2", "F1", "F3"}));
    EXPECT_TRUE(pages->moveGroup(id("F2"), 4));
    EXPECT_EQ(order(), (QStringList{"F1", "F3", "F2"}));
    EXPECT_FALSE(pages->moveGroup(id("F2"), 4));
    EXPECT_FALSE(pages->moveGroup(QStringLiteral("gone"), 0));
}

TEST_F(SidebarCommandsTest, NearestGapUsesTheUpperHalf) {
    const QRectF rect(0, 30, 100, 30);
    EXPECT_EQ(PagesController::nearestGap(4, 45, rect, true), 4);
    EXPECT_EQ(PagesController::nearestGap(4, 46, rect, true), 5);
    EXPECT_EQ(PagesController::nearestGap(4, 45, rect, false), 4);
    EXPECT_EQ(PagesController::nearestGap(4, 44, rect, false), 5);
}

} // namespace
