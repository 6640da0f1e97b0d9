#include "ControllerFixture.h"

#include "core/values/Units.h"
#include "ui/common/Controls.h"
#include "ui/notebook/FindBar.h"
#include "ui/notebook/HelpContent.h"
#include "ui/notebook/HelpPopover.h"

#include "ui/notebook/NotebookScrollView.h"
#include <QScreen>
#include <algorithm>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QUndoStack>

using namespace VexilUI;
using VexilCore::TextRange;

namespace {

class CommandsTest : public ControllerFixture {
protected:
    // A point on a line's result, in viewport coordinates.
    QPoint resultPoint(int line) const {
        const std::optional<QRectF> rect = view()->resultRect(line);
        if (!rect) return {};
        return (rect->center() - view()->viewPoint(QPointF(0, 0))).toPoint();
    }
};

} // namespace

TEST_F(CommandsTest, MoveLinesSwapsWithTheNeighbour) {
    load(QStringLiteral("a\nb\nd"));
    view()->setSelectedRange({2, 0}); // in "b"
    controller->moveLineUp();
    EXPECT_EQ(text(), QStringLiteral("b\na\nd"));
    EXPECT_EQ(view()->selectedRange(), (TextRange{0, 0}));
    EXPECT_EQ(controller->undo()->undoText(), QStringLiteral("Move Line Up"));
    controller->moveLineUp(); // already first
    EXPECT_EQ(text(), QStringLiteral("b\na\nd"));

    view()->setSelectedRange({2, 1}); // "a" selected
    controller->moveLineDown();
    EXPECT_EQ(text(), QStringLiteral("b\nd\na"));
    EXPECT_EQ(view()->selectedRange(), (TextRange{4, 1}));
    EXPECT_EQ(controller->undo()->undoText(), QStringLiteral("Move Line Down"));
    controller->moveLineDown(); // already last
    EXPECT_EQ(text(), QStringLiteral("b\nd\na"));
}

TEST_F(CommandsTest, SelectionEndingAfterALineFeedMovesOnlyItsOwnLines) {
    load(QStringLiteral("one\ntwo\nthree\nfour"));
    view()->setSelectedRange({4, 4}); // "two\n"
    controller->moveLineDown();
    EXPECT_EQ(text(), QStringLiteral("one\nthree\ntwo\nfour"));
    EXPECT_EQ(view()->selectedRange(), (TextRange{10, 4}));
    view()->setSelectedRange({0, 9}); // "one\nthree"
    controller->moveLineDown();
    EXPECT_EQ(text(), QStringLiteral("two\none\nthree\nfour"));
}

TEST_F(CommandsTest, InsertLineReferenceWord) {
    struct Case {
        QString before;
        QString after;
    };
    const Case cases[] = {
        {QStringLiteral("3 + "), QStringLiteral("3 + line")},
        {QStringLiteral("3 +"), QStringLiteral("3 + line")},
        {QString(), QStringLiteral("line")},
        {QStringLiteral("sum("), QStringLiteral("sum(line")},
        {QStringLiteral("2\n"), QStringLiteral("2\nline")},
    };
    for (const Case& c : cases) {
        load(c.before);
        controller->insertLineReference();
        EXPECT_EQ(text(), c.after) << c.before.toStdString();
        EXPECT_EQ(view()->selectedRange(), (TextRange{c.after.size(), 0}));
        EXPECT_EQ(controller->undo()->undoText(), QStringLiteral("Insert Line Reference"));
    }
    load(QStringLiteral("3 + 4"));
    view()->setSelectedRange({4, 1});
    controller->insertLineReference();
    EXPECT_EQ(text(), QStringLiteral("3 + line"));
}

TEST_F(CommandsTest, ClickOnAResultInsertsAReferenceAndAltClickCopiesIt) {
    show();
    load(QStringLiteral("10\n20"));
    ASSERT_TRUE(view()->resultRect(0));
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, Qt::NoModifier, resultPoint(0));
    EXPECT_EQ(text(), QStringLiteral("10\n20 line1"));
    EXPECT_EQ(view()->selectedRange(), (TextRange{11, 0}));
    EXPECT_EQ(controller->undo()->undoText(), QStringLiteral("Insert Reference"));
    EXPECT_EQ(notes->status().kind, NoteStore::Status::Edited);

    QTest::mouseClick(view()->viewport(), Qt::LeftButton, Qt::AltModifier, resultPoint(0));
    EXPECT_EQ(clipboard->string(), QStringLiteral("10"));
    EXPECT_EQ(controller->saveLabel()->text(), QStringLiteral("Copied 10"));
    EXPECT_EQ(text(), QStringLiteral("10\n20 line1")) << "a copy leaves the text alone";

    // Lines without a value result do nothing.
    controller->insertReference(5);
    controller->insertReference(-1);
    EXPECT_EQ(text(), QStringLiteral("10\n20 line1"));
}

TEST_F(CommandsTest, ErrorResultsAreNeverCopied) {
    load(QStringLiteral("2 *\n5"));
    ASSERT_TRUE(controller->displayed().count(0));
    clipboard->setString(QStringLiteral("kept"));
    controller->copyResult(0);
    EXPECT_EQ(clipboard->string(), QStringLiteral("kept"));
    EXPECT_EQ(controller->saveLabel()->text(), QStringLiteral("Saved"));
    controller->copyResult(7);
    EXPECT_EQ(clipboard->string(), QStringLiteral("kept"));
}

TEST_F(CommandsTest, CopyAllResultsShrinksEmptyRuns) {
    load(QStringLiteral("\n1 + 1\n\n\n\n2 + 2\n# notes\n\n"));
    const auto all = controller->allResultsText();
    ASSERT_TRUE(all);
    EXPECT_EQ(*all, QStringLiteral("1 + 1 = 2\n\n2 + 2 = 4\n# notes"));
    EXPECT_TRUE(controller->validateMenuItem(Controller::Command::CopyAllResults).enabled);
    controller->copyAllResults();
    EXPECT_EQ(clipboard->string(), *all);
    EXPECT_EQ(controller->saveLabel()->text(), QStringLiteral("Copied All Results"));

    load(QStringLiteral("# notes only\n\n"));
    EXPECT_FALSE(controller->allResultsText());
    EXPECT_FALSE(controller->validateMenuItem(Controller::Command::CopyAllResults).enabled);
    clipboard->clear();
    controller->copyAllResults();
    EXPECT_FALSE(clipboard->string());
}

TEST_F(CommandsTest, CopyTotalTakesTheShownValueAndTheLabelComesBack) {
    load(QStringLiteral("3\n4"));
    controller->copyTotal();
    EXPECT_EQ(clipboard->string(), QStringLiteral("7"));
    EXPECT_EQ(controller->saveLabel()->text(), QStringLiteral("Copied 7"));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return controller->saveLabel()->text() == QStringLiteral("Saved"); }, 3000));

    clipboard->clear();
    load(QString());
    controller->copyTotal(); // hidden total
    EXPECT_FALSE(clipboard->string());
    controller->updateTotal(
        {VexilCore::Quantity(5, VexilCore::CompoundUnit(VexilCore::Units::lookupWord("kg")->unit)),
         VexilCore::Quantity(3, VexilCore::CompoundUnit(VexilCore::Units::lookupWord("m")->unit))});
    controller->copyTotal(); // mixed units
    EXPECT_FALSE(clipboard->string());
}

TEST_F(CommandsTest, CopyingASelectionWithASummaryLineCopiesItsValue) {
    load(QStringLiteral("3\n4\ntotal\n"));
    view()->setSelectedRange({0, 10}); // every line, the total's line feed included
    view()->copy();
    EXPECT_EQ(clipboard->string(), QStringLiteral("3\n4\n7\n"));
    EXPECT_EQ(controller->saveLabel()->text(), QStringLiteral("Copied with Total as 7"));

    view()->setSelectedRange({4, 5}); // "total" alone
    EXPECT_TRUE(controller->copySummaryValue(view()->selectedRange()));
    EXPECT_EQ(clipboard->string(), QStringLiteral("7"));
    EXPECT_EQ(controller->saveLabel()->text(), QStringLiteral("Copied 7"));

    // Part of the summary word, no summary line, or a range past the text: a normal copy.
    EXPECT_FALSE(controller->copySummaryValue({4, 3}));
    EXPECT_FALSE(controller->copySummaryValue({0, 3}));
    EXPECT_FALSE(controller->copySummaryValue({0, 0}));
    EXPECT_FALSE(controller->copySummaryValue({4, 40}));
}

TEST_F(CommandsTest, FontCommandsStepTheStoredSize) {
    controller->biggerFont();
    EXPECT_EQ(store->intForKey(QStringLiteral("fontSize")), 16);
    EXPECT_EQ(view()->fontSize(), 16);
    controller->smallerFont();
    controller->smallerFont();
    EXPECT_EQ(view()->fontSize(), 14);
    controller->resetFont();
    EXPECT_EQ(view()->fontSize(), 15);
    store->set(30, QStringLiteral("fontSize"));
    int changes = 0;
    QObject::connect(prefs.get(), &Preferences::didChange, [&] { ++changes; });
    controller->biggerFont(); // already the largest: nothing announced
    EXPECT_EQ(changes, 0);
}

TEST_F(CommandsTest, AboutAndRatesButtons) {
    int abouts = 0;
    controller->onAbout = [&] { ++abouts; };
    controller->aboutButton()->click();
    EXPECT_EQ(abouts, 1);
    controller->ratesButton()->click();
    EXPECT_TRUE(rates->state().isFailed()) << "the offline refresh ran";
}

TEST_F(CommandsTest, ContextMenuGetsCopyAllResultsAfterCopy) {
    load(QStringLiteral("1 + 1"));
    QMenu menu;
    menu.addAction(QStringLiteral("Cut"))->setObjectName(QStringLiteral("edit-cut"));
    menu.addAction(QStringLiteral("Copy"))->setObjectName(QStringLiteral("edit-copy"));
    menu.addAction(QStringLiteral("Paste"))->setObjectName(QStringLiteral("edit-paste"));
    controller->addContextMenuItems(menu);
    controller->addContextMenuItems(menu);
    QStringList titles;
    for (QAction* a : menu.actions())
        titles << a->text();
    EXPECT_EQ(titles, (QStringList{"Cut", "Copy", "Copy All Results", "Paste"}));
    menu.actions()[2]->trigger();
    EXPECT_EQ(clipboard->string(), QStringLiteral("1 + 1 = 2"));

    QMenu bare;
    controller->addContextMenuItems(bare);
    ASSERT_EQ(bare.actions().size(), 1);
    EXPECT_EQ(bare.actions()[0]->text(), QStringLiteral("Copy All Results"));
}

TEST_F(CommandsTest, MenuValidationOfTheDrawerItem) {
    Controller::MenuState state = controller->validateMenuItem(Controller::Command::ToggleDrawer);
    EXPECT_FALSE(state.enabled) << "no drawer yet";
    EXPECT_EQ(state.title, QStringLiteral("Close the Drawer"));
    controller->installSidebar(new QWidget, 200);
    controller->setDrawerOpen(false, false);
    state = controller->validateMenuItem(Controller::Command::ToggleDrawer);
    EXPECT_TRUE(state.enabled);
    EXPECT_EQ(state.title, QStringLiteral("Open the Drawer"));
    EXPECT_TRUE(controller->validateMenuItem(Controller::Command::MoveLineUp).enabled);
}

TEST_F(CommandsTest, HelpPopoverTogglesAndEscapeClosesIt) {
    show();
    view()->setFocus();
    controller->showHelp();
    ASSERT_TRUE(controller->isHelpShown());
    EXPECT_EQ(controller->helpPopover()->parentWidget(), window.get());
    // The popover carries the help text, not an empty panel.
    const auto* label = controller->helpPopover()->findChild<HelpTextLabel*>();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->toPlainText().isEmpty(), false);
    // Below the help button, unless the screen is too short for the text: then kept on the screen.
    const QRect screen = controller->helpButton()->screen()->availableGeometry();
    const int below = controller->helpButton()->mapToGlobal(QPoint(0, 18)).y() + 6;
    const int fitted =
        std::max(screen.top(), std::min(below, screen.bottom() + 1 - controller->helpPopover()->height()));
    EXPECT_EQ(controller->helpPopover()->y(), fitted);
    // A screen shorter than the text gets a panel of the screen's height that scrolls to the end.
    const HelpPopover* panel = controller->helpPopover();
    EXPECT_LE(panel->height(), screen.height());
    const auto* scroll = panel->findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    EXPECT_GE(scroll->verticalScrollBar()->maximum() + scroll->viewport()->height(), label->height());
    if (label->sizeHint().height() + 24 > screen.height()) {
        EXPECT_GT(scroll->verticalScrollBar()->maximum(), 0);
    }
    controller->showHelp();
    EXPECT_FALSE(controller->isHelpShown());

    controller->showHelp();
    load(QStringLiteral("1"));
    QTest::keyClick(view(), Qt::Key_Escape);
    EXPECT_FALSE(controller->isHelpShown());
    EXPECT_EQ(text(), QStringLiteral("1"));
    EXPECT_FALSE(controller->closeHelpIfShown());
    controller->showHelp();
    EXPECT_TRUE(controller->closeHelpIfShown());
}

TEST_F(CommandsTest, FindBarMarksAndStepsThroughMatches) {
    show();
    load(QStringLiteral("apple\nbanana\napple pie"));
    view()->setSelectedRange({0, 0});
    EXPECT_FALSE(controller->isFindBarVisible());
    QTest::keyClick(view(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(controller->isFindBarVisible());
    FindBar* bar = controller->scrollView()->findBar();
    QTest::keyClicks(bar->field(), "apple");
    EXPECT_EQ(bar->matchCount(), 2);
    EXPECT_EQ(view()->extraSelections().size(), 2);
    EXPECT_EQ(view()->selectedRange(), (TextRange{0, 5}));
    QTest::keyClick(bar->field(), Qt::Key_Return);
    EXPECT_EQ(view()->selectedRange(), (TextRange{13, 5}));
    QTest::keyClick(bar->field(), Qt::Key_Return); // wraps around
    EXPECT_EQ(view()->selectedRange(), (TextRange{0, 5}));
    QTest::keyClick(bar->field(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(view()->selectedRange(), (TextRange{13, 5}));
    QTest::keyClick(bar->field(), Qt::Key_Escape);
    EXPECT_FALSE(controller->isFindBarVisible());
    EXPECT_TRUE(view()->extraSelections().isEmpty());

    controller->setFindBarVisible(true);
    EXPECT_TRUE(controller->isFindBarVisible());
    QTest::keyClicks(bar->field(), "x");
    EXPECT_EQ(bar->matchCount(), 0);
    EXPECT_EQ(bar->statusText(), QStringLiteral("Not found"));
    controller->setFindBarVisible(false);
    EXPECT_FALSE(controller->isFindBarVisible());
}
