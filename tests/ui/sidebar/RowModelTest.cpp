#include "SidebarFixture.h"

#include "ui/notebook/Controls.h"

#include <QLabel>
#include <QLineEdit>

using VexilUI::PagesController;

namespace {

class RowModelTest : public SidebarFixture {};

TEST_F(RowModelTest, SectionsAppearOnlyWhenTwoPartsAreShown) {
    addSheet(QStringLiteral("B"));
    addSheet(QStringLiteral("C"));
    library->select(id("A"));
    makeDrawer();
    EXPECT_EQ(rowTexts(), (QStringList{"A", "B", "C"}));

    library->setPinned(id("B"), true);
    pages->reload(true);
    EXPECT_EQ(rowTexts(), (QStringList{"Pinned", "B", "#Sheets", "A", "C"}));

    library->setPinned(id("B"), false);
    addFolder(QStringLiteral("F"), {QStringLiteral("B")});
    addFolder(QStringLiteral("G"), {}, true);
    pages->reload(true);
    EXPECT_EQ(rowTexts(), (QStringList{"#Folders", "-F", "B", "+G", "#Sheets", "A", "C"}));

    // Every sheet in a folder: folder rows only, no section.
    library->place(id("A"), id("G"));
    library->place(id("C"), id("G"));
    pages->reload(true);
    EXPECT_EQ(rowTexts(), (QStringList{"-F", "B", "+G"}));
}

TEST_F(RowModelTest, PinnedMembersStayOutOfTheirFolder) {
    addSheet(QStringLiteral("B"));
    addFolder(QStringLiteral("F"), {QStringLiteral("A"), QStringLiteral("B")});
    library->setPinned(id("A"), true);
    library->setPinned(id("B"), true);
    library->select(id("A"));
    makeDrawer();
    EXPECT_EQ(rowTexts(), (QStringList{"Pinned", "A", "B", "#Folders", "-F"}));
    EXPECT_EQ(pages->groupCount(4), 0);
}

TEST_F(RowModelTest, CollapsedFolderHidingTheOpenSheetIsTallAndUnselected) {
    addSheet(QStringLiteral("B"));
    addFolder(QStringLiteral("F"), {QStringLiteral("A")}, true);
    library->select(id("A"));
    makeDrawer();
    ASSERT_EQ(rowTexts(), (QStringList{"#Folders", "+F", "#Sheets", "B"}));
    EXPECT_EQ(pages->heightOfRow(1), 50);
    EXPECT_EQ(pages->heightOfRow(0), 40);
    EXPECT_EQ(pages->heightOfRow(3), 30);
    EXPECT_EQ(pages->heightOfRow(99), 30);
    EXPECT_EQ(pages->selectedRow(), -1);
    EXPECT_EQ(pages->groupCount(1), 1);
    EXPECT_TRUE(pages->accessibilityLabel(1).endsWith(QStringLiteral("contains the open sheet A")));

    pages->toggleGroup(id("F"));
    EXPECT_EQ(rowTexts(), (QStringList{"#Folders", "-F", "A", "#Sheets", "B"}));
    EXPECT_EQ(pages->heightOfRow(1), 26);
    EXPECT_EQ(pages->selectedRow(), 2);

    // Pinned, the open sheet shows in the pinned block and the folder stays short.
    library->setCollapsed(id("F"), true);
    library->setPinned(id("A"), true);
    pages->reload(true);
    EXPECT_EQ(rowTexts(), (QStringList{"Pinned", "A", "#Folders", "+F", "#Sheets", "B"}));
    EXPECT_EQ(pages->heightOfRow(3), 26);
    EXPECT_EQ(pages->selectedRow(), 1);
    EXPECT_EQ(pages->heightOfRow(0), 24);
}

TEST_F(RowModelTest, SearchMatchesNamesAndTextIgnoringCaseAndAccents) {
    addSheet(QStringLiteral("Budget"));
    addSheet(QStringLiteral("Trip"));
    addSheet(QStringLiteral("Notes"));
    addFolder(QStringLiteral("F"), {QStringLiteral("Trip"), QStringLiteral("Notes")}, true);
    writeSheet(QStringLiteral("Trip"), "Caf\xC3\xA9 au lait 4 EUR\n");
    library->select(id("A"));
    makeDrawer();

    pages->setSearchText(QStringLiteral("  CAFE "));
    EXPECT_EQ(pages->query(), QStringLiteral("CAFE"));
    EXPECT_EQ(rowTexts(), (QStringList{"-F", "Trip"}));
    EXPECT_TRUE(library->groups().first().collapsed); // the stored flag is untouched
    EXPECT_EQ(pages->groupCount(0), 1);
    EXPECT_FALSE(pages->noMatchesLabel()->isVisibleTo(pages->view()));

    pages->setSearchText(QStringLiteral("budg"));
    EXPECT_EQ(rowTexts(), (QStringList{"Budget"}));

    pages->setSearchText(QStringLiteral("nothing like it"));
    EXPECT_TRUE(rowTexts().isEmpty());
    EXPECT_TRUE(pages->noMatchesLabel()->isVisibleTo(pages->view()));

    pages->setSearchText(QString());
    EXPECT_FALSE(pages->noMatchesLabel()->isVisibleTo(pages->view()));
    EXPECT_EQ(rowTexts(), (QStringList{"#Folders", "+F", "#Sheets", "A", "Budget"}));
}

TEST_F(RowModelTest, SearchSeesTheOpenSheetsUnsavedText) {
    addSheet(QStringLiteral("B"));
    library->select(id("A"));
    makeDrawer();
    controller->notes()->textDidChange(QStringLiteral("zebra crossing"));
    pages->setSearchText(QStringLiteral("zebra"));
    EXPECT_EQ(rowTexts(), (QStringList{"A"}));
}

TEST_F(RowModelTest, FoldersOffListsEverySheetFlatAndFollowsThePreference) {
    addSheet(QStringLiteral("B"));
    addSheet(QStringLiteral("C"));
    addFolder(QStringLiteral("F"), {QStringLiteral("B")});
    library->setPinned(id("C"), true);
    library->select(id("A"));
    makeDrawer();
    EXPECT_FALSE(pages->addGroupButton()->isHidden());
    const int wide = pages->searchField()->width();

    setFoldersOff(true);
    EXPECT_EQ(rowTexts(), (QStringList{"Pinned", "C", "#Sheets", "A", "B"}));
    EXPECT_TRUE(pages->addGroupButton()->isHidden());
    EXPECT_EQ(pages->searchField()->width(), wide + 26);
    EXPECT_FALSE(pages->isIndented(*pages->rows()[4].page()));

    setFoldersOff(false);
    EXPECT_EQ(rowTexts(), (QStringList{"Pinned", "C", "#Folders", "-F", "B", "#Sheets", "A"}));
    EXPECT_TRUE(pages->isIndented(*pages->rows()[4].page()));
}

TEST_F(RowModelTest, LayoutFollowsTheHeaderTop) {
    makeDrawer();
    EXPECT_EQ(pages->searchField()->y(), 40);
    pages->setTitlebarHeight(0);
    EXPECT_EQ(pages->searchField()->y(), 36);
    EXPECT_EQ(pages->searchField()->x(), 12);
    EXPECT_EQ(pages->addButton()->geometry().right() + 1, 200 - 10);
    EXPECT_EQ(pages->addButton()->size(), QSize(24, 22));
    EXPECT_EQ(pages->table()->x(), 6);
    EXPECT_EQ(pages->table()->geometry().bottom() + 1, 600 - 10);
}

TEST_F(RowModelTest, DragShowsAnEmptyPinnedHeadingOnlyWithoutSearch) {
    addSheet(QStringLiteral("B"));
    library->select(id("A"));
    makeDrawer();
    pages->beginRowDrag({0});
    EXPECT_EQ(rowTexts(), (QStringList{"Pinned", "#Sheets", "A", "B"}));
    pages->endRowDrag();
    EXPECT_EQ(rowTexts(), (QStringList{"A", "B"}));

    pages->setSearchText(QStringLiteral("A"));
    pages->beginRowDrag({0});
    EXPECT_FALSE(pages->sheetDragInProgress());
    EXPECT_EQ(rowTexts(), (QStringList{"A"}));
}

} // namespace
