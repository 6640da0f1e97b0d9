#include "ui/sidebar/SidebarCells.h"

#include <QColor>
#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <gtest/gtest.h>

using namespace VexilUI;

namespace {

TEST(PagesTableTest, DeleteKeysOnlyWithoutCommandModifiers) {
    EXPECT_TRUE(PagesTable::isDeleteKey(Qt::Key_Backspace, Qt::NoModifier));
    EXPECT_TRUE(PagesTable::isDeleteKey(Qt::Key_Delete, Qt::KeypadModifier));
    EXPECT_FALSE(PagesTable::isDeleteKey(Qt::Key_Delete, Qt::ControlModifier));
    EXPECT_FALSE(PagesTable::isDeleteKey(Qt::Key_Backspace, Qt::ShiftModifier));
    EXPECT_FALSE(PagesTable::isDeleteKey(Qt::Key_Backspace, Qt::AltModifier));
    EXPECT_FALSE(PagesTable::isDeleteKey(Qt::Key_Backspace, Qt::MetaModifier));
    EXPECT_FALSE(PagesTable::isDeleteKey(Qt::Key_A, Qt::NoModifier));

    PagesTable table;
    int deletes = 0;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    table.onDelete = [&] { ++deletes; };
    QCoreApplication::sendEvent(&table, &press);
    QKeyEvent withCtrl(QEvent::KeyPress, Qt::Key_Delete, Qt::ControlModifier);
    QCoreApplication::sendEvent(&table, &withCtrl);
    EXPECT_EQ(deletes, 1);
}

TEST(PageCellTest, DotFillsHexColoursAndRingsTheRest) {
    EXPECT_EQ(PageCell::dotColor(QStringLiteral("FF6B6B")), QColor::fromRgb(255, 107, 107));
    EXPECT_FALSE(PageCell::dotColor(std::nullopt));
    EXPECT_FALSE(PageCell::dotColor(QString()));
    EXPECT_FALSE(PageCell::dotColor(QStringLiteral("#FF6B6B")));
    EXPECT_FALSE(PageCell::dotColor(QStringLiteral("0x12")));
    EXPECT_FALSE(PageCell::dotColor(QStringLiteral("1FFFFFFFF")));
    const QImage filled = PageCell::dot(QStringLiteral("FF6B6B"), 10);
    EXPECT_EQ(filled.size(), QSize(10, 10));
    EXPECT_EQ(filled.pixelColor(5, 5), QColor::fromRgb(255, 107, 107));
    EXPECT_EQ(PageCell::dot(std::nullopt, 10).pixelColor(5, 5).alpha(), 0); // hollow
}

TEST(PageCellTest, ConfigureSetsIndentPinAndLabel) {
    PageCell cell;
    Page page{
        QStringLiteral("ID"), QStringLiteral("Rent"), QStringLiteral("DFFF57"), 0, QStringLiteral("G"), true};
    cell.configure(page, false);
    EXPECT_EQ(cell.lead, 8);
    EXPECT_TRUE(cell.guideHidden);
    EXPECT_FALSE(cell.pinHidden);
    EXPECT_TRUE(cell.nameToPin);
    EXPECT_EQ(cell.accessibilityLabel, QStringLiteral("Rent, colour labelled, pinned"));
    EXPECT_EQ(cell.nameRect(QSize(180, 30)).right() + 1, 180 - 8 - 10 - 4);

    page.pinned = false;
    page.color.reset();
    cell.configure(page, true);
    EXPECT_EQ(cell.lead, 29);
    EXPECT_FALSE(cell.guideHidden);
    EXPECT_TRUE(cell.pinHidden);
    EXPECT_EQ(cell.accessibilityLabel, QStringLiteral("Rent"));
    EXPECT_EQ(cell.nameRect(QSize(180, 30)).right() + 1, 180 - 6);
}

TEST(GroupCellTest, LabelsCountAndOpenSheet) {
    GroupCell cell;
    const Page open{
        QStringLiteral("P"), QStringLiteral("Taxes"), std::nullopt, 0, QStringLiteral("G"), false};
    cell.configure(Group{QStringLiteral("G"), QStringLiteral("Home"), true}, 1, open);
    EXPECT_EQ(cell.accessibilityLabel,
              QStringLiteral("Home folder, 1 sheet, collapsed, contains the open sheet Taxes"));
    EXPECT_TRUE(cell.showsOpenPage);
    EXPECT_TRUE(cell.highlight.has_value());
    EXPECT_EQ(cell.chevron, QStringLiteral("chevron.right"));

    // Reused without an open sheet: the second line and the highlight go.
    cell.configure(Group{QStringLiteral("G"), QStringLiteral("Home"), false}, 0, std::nullopt);
    EXPECT_EQ(cell.accessibilityLabel, QStringLiteral("Home folder, 0 sheets, expanded"));
    EXPECT_TRUE(cell.openHidden);
    EXPECT_TRUE(cell.openName.isEmpty());
    EXPECT_FALSE(cell.highlight.has_value());
    EXPECT_EQ(cell.chevron, QStringLiteral("chevron.down"));
    cell.configure(Group{QStringLiteral("G"), QStringLiteral("Home"), false}, 2, std::nullopt);
    EXPECT_EQ(cell.accessibilityLabel, QStringLiteral("Home folder, 2 sheets, expanded"));
}

TEST(SectionCellTest, RuleOnlyForSections) {
    SectionCell cell;
    cell.configure(QStringLiteral("Folders"), true);
    EXPECT_FALSE(cell.ruleHidden);
    EXPECT_EQ(cell.accessibilityLabel, QStringLiteral("Folders"));
    cell.configure(QStringLiteral("Pinned"), false);
    EXPECT_TRUE(cell.ruleHidden);
}

} // namespace
