#include "ViewFixture.h"

#include "ui/common/Theme.h"
#include "ui/notebook/Pasteboard.h"

#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>

using namespace VexilUI;
using VexilCore::TextRange;

class OverlayInteraction : public ViewFixture {
protected:
    void SetUp() override {
        makeView(15);
        view->setSheetText("1 + 1\nsome text\nbad +\n");
        view->setItems({{0, {"2", false}}, {2, {"Expected a value", true}}});
        view->setSelectedRange({3, 0});
        view->onResultClick = [this](int line) { clicks.push_back(line); };
        view->onResultCopy = [this](int line) { copies.push_back(line); };
        view->onDividerMoved = [this](std::optional<qreal> f) { dividerReports.push_back(f); };
    }

    QPoint resultPoint(int line) const { return viewportPoint(view->resultRect(line)->center()); }
    QPoint dividerPoint(qreal y = 100) const { return viewportPoint({view->dividerX(), y}); }

    std::vector<int> clicks, copies;
    std::vector<std::optional<qreal>> dividerReports;
};

TEST_F(OverlayInteraction, ClickOnAResultReportsTheLineAndLeavesTheCaret) {
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, resultPoint(0));
    EXPECT_EQ(clicks, std::vector<int>{0});
    EXPECT_TRUE(copies.empty());
    EXPECT_EQ(view->selectedRange(), (TextRange{3, 0}));
    ASSERT_TRUE(view->pillFeedback());
    EXPECT_EQ(view->pillFeedback()->kind, View::PillFeedback::Inserted);
    // 5 to the left of the text still counts, 7 does not.
    const QRectF text = *view->resultRect(0);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      viewportPoint({text.left() - 5, text.center().y()}));
    EXPECT_EQ(clicks.size(), 2u);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      viewportPoint({text.left() - 7, text.center().y()}));
    EXPECT_EQ(clicks.size(), 2u);
}

TEST_F(OverlayInteraction, AltClickCopiesAndFlashesTheCopiedPill) {
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::AltModifier, resultPoint(0));
    EXPECT_EQ(copies, std::vector<int>{0});
    EXPECT_TRUE(clicks.empty());
    ASSERT_TRUE(view->pillFeedback());
    EXPECT_EQ(*view->pillFeedback(), (View::PillState{0, View::PillFeedback::Copied}));
    EXPECT_EQ(view->pillColor(0), Theme::copied());
    // The flash clears itself after 0.7 s.
    QTRY_VERIFY_WITH_TIMEOUT(!view->pillFeedback(), 3000);
}

// Where a desktop takes Alt+click, a right-click on a result reaches both of its commands.
TEST_F(OverlayInteraction, ContextMenuOfAResultStartsWithItsCopyAndReferenceCommands) {
    view->setItems({{0, {"2", false}}, {1, {"7", false}}, {2, {"Expected a value", true}}});
    std::unique_ptr<QMenu> menu = view->makeContextMenu(resultPoint(1));
    ASSERT_TRUE(menu);
    const QList<QAction*> actions = menu->actions();
    ASSERT_GE(actions.size(), 4);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("Copy Result"));
    EXPECT_EQ(actions[1]->text(), QStringLiteral("Insert Reference to line2"));
    EXPECT_TRUE(actions[2]->isSeparator());
    EXPECT_TRUE(actions[0]->isEnabled() && actions[1]->isEnabled());

    actions[0]->trigger();
    EXPECT_EQ(copies, std::vector<int>{1});
    EXPECT_EQ(*view->pillFeedback(), (View::PillState{1, View::PillFeedback::Copied}));
    actions[1]->trigger();
    EXPECT_EQ(clicks, std::vector<int>{1});
    EXPECT_EQ(*view->pillFeedback(), (View::PillState{1, View::PillFeedback::Inserted}));
    EXPECT_EQ(view->selectedRange(), (TextRange{3, 0}));

    // Off a result, and on an error, the menu is the editor's own.
    for (const QPoint point :
         {viewportPoint({view->gutterWidth() + 5, 20}),
          viewportPoint(view->resultLayout(view->items().at(2), view->lineMetrics()[2]).rect.center())}) {
        std::unique_ptr<QMenu> plain = view->makeContextMenu(point);
        ASSERT_TRUE(plain);
        EXPECT_EQ(plain->findChild<QAction*>(QStringLiteral("copy-result")), nullptr);
        EXPECT_NE(plain->actions().value(0)->text(), QStringLiteral("Copy Result"));
    }
}

TEST_F(OverlayInteraction, ANewerFlashIsNotClearedByAnOlderOnesTimer) {
    view->showPillFeedback(View::PillFeedback::Inserted, 0);
    view->showPillFeedback(View::PillFeedback::Copied, 0);
    QTest::qWait(400); // past the first flash's 0.25 s, well within the second's 0.7 s
    ASSERT_TRUE(view->pillFeedback());
    EXPECT_EQ(view->pillFeedback()->kind, View::PillFeedback::Copied);
    EXPECT_EQ(View::feedbackDuration(View::PillFeedback::Inserted), 250);
    EXPECT_EQ(View::feedbackDuration(View::PillFeedback::Copied), 700);
}

TEST_F(OverlayInteraction, ClickOnAnErrorGoesToTheText) {
    const auto metric = view->lineMetrics()[2];
    const auto error = view->resultLayout(view->items().at(2), metric);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, viewportPoint(error.rect.center()));
    EXPECT_TRUE(clicks.empty());
    EXPECT_FALSE(view->pillFeedback());
    // The caret moved to the end of that line's text.
    EXPECT_EQ(view->selectedRange(), (TextRange{21, 0}));
}

TEST_F(OverlayInteraction, DraggingTheDividerClampsTheColumnAndReportsOnRelease) {
    const qreal gutter = view->gutterWidth();
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, dividerPoint());
    EXPECT_TRUE(view->isDraggingDivider());
    QTest::mouseMove(view->viewport(), QPoint(5, 100));
    EXPECT_EQ(view->resultsWidth(), 800 - gutter - 140);
    EXPECT_TRUE(dividerReports.empty()); // nothing stored during the drag
    QTest::mouseMove(view->viewport(), QPoint(790, 100));
    EXPECT_EQ(view->resultsWidth(), 140);
    QTest::mouseMove(view->viewport(), QPoint(400, 100));
    EXPECT_EQ(view->resultsWidth(), 400);
    EXPECT_EQ(view->lineWrapColumnOrWidth(), 800 - 400 - 17);
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, QPoint(400, 100));
    EXPECT_FALSE(view->isDraggingDivider());
    ASSERT_EQ(dividerReports.size(), 1u);
    EXPECT_EQ(dividerReports[0], 0.5);
    EXPECT_EQ(view->selectedRange(), (TextRange{3, 0}));
}

TEST_F(OverlayInteraction, DoubleClickOnTheDividerRestoresTheDefault) {
    view->setResultsFraction(0.5);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, dividerPoint());
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, dividerPoint()); // ends the double-click
    EXPECT_FALSE(view->isDraggingDivider());
    EXPECT_EQ(view->resultsFraction(), std::nullopt);
    EXPECT_EQ(view->resultsWidth(), std::round(800 * 0.372));
    ASSERT_FALSE(dividerReports.empty());
    EXPECT_EQ(dividerReports.back(), std::nullopt);
}

TEST_F(OverlayInteraction, ResultsWidthIsClampedLikeTheColumn) {
    view->setResultsWidth(10);
    EXPECT_EQ(view->resultsFraction(), 140.0 / 800);
    view->setResultsWidth(100000);
    EXPECT_EQ(view->resultsWidth(), 800 - view->gutterWidth() - 140);
}

TEST_F(OverlayInteraction, HoverFollowsThePointerInTheActiveWindow) {
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    QTest::mouseMove(view->viewport(), resultPoint(0));
    EXPECT_EQ(view->hoveredLine(), 0);
    EXPECT_EQ(view->viewport()->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(view->pillColor(0), Theme::lime());
    QTest::mouseMove(view->viewport(), dividerPoint());
    EXPECT_EQ(view->hoveredLine(), std::nullopt);
    EXPECT_EQ(view->viewport()->cursor().shape(), Qt::SplitHCursor);
    QTest::mouseMove(view->viewport(), resultPoint(0));
    EXPECT_EQ(view->hoveredLine(), 0);
    QTest::mouseMove(view->viewport(), QPoint(100, 30));
    EXPECT_EQ(view->hoveredLine(), std::nullopt);
    EXPECT_EQ(view->viewport()->cursor().shape(), Qt::IBeamCursor);
}

TEST_F(OverlayInteraction, TooltipTexts) {
    view->setSheetText("a\nb\n1 + 2");
    view->setItems({{1, {"Bad thing", true}}, {2, {"3", false}}});
    const QRectF third = *view->resultRect(2);
    EXPECT_EQ(view->toolTipText(third.center()), "Alt + click to copy \u00B7 Click to insert line3");
    EXPECT_TRUE(view->toolTipText(third.center()).endsWith("line3"));
    const auto metric = view->lineMetrics()[1];
    EXPECT_EQ(view->toolTipText({10, metric.rect.center().y()}), "Bad thing");
    EXPECT_EQ(view->toolTipText({10, view->lineMetrics()[0].rect.center().y()}), "");

    const QString longValue = QString("7").repeated(300);
    view->setItems({{2, {longValue, false}}});
    EXPECT_TRUE(view->toolTipText(view->resultRect(2)->center()).startsWith(longValue + "\n"));
    EXPECT_EQ(View::tooltip({"5", false}, 0, false), "Alt + click to copy \u00B7 Click to insert line1");
}

TEST_F(OverlayInteraction, TestClipboardCopyCutAndPaste) {
    MemoryPasteboard board;
    view->setTestClipboard(&board);
    view->setSheetText("abc\ndef");
    view->setSelectedRange({1, 4});
    view->copy();
    EXPECT_EQ(board.string(), "bc\nd");

    view->cut();
    EXPECT_EQ(view->canonicalText(), "aef");
    EXPECT_EQ(board.string(), "bc\nd");

    view->setSelectedRange({3, 0});
    view->paste();
    EXPECT_EQ(view->canonicalText(), "aefbc\nd");
    EXPECT_EQ(view->lineCount(), 2);

    board.clear();
    EXPECT_FALSE(view->canPaste());
    view->paste();
    EXPECT_EQ(view->canonicalText(), "aefbc\nd");
}

TEST_F(OverlayInteraction, TheControllerIsAskedBeforeACopy) {
    MemoryPasteboard board;
    view->setTestClipboard(&board);
    view->setSelectedRange({0, 5});
    std::optional<TextRange> asked;
    view->onCopySelection = [&](TextRange range) {
        asked = range;
        return true;
    };
    view->copy();
    EXPECT_EQ(asked, (TextRange{0, 5}));
    EXPECT_EQ(board.string(), std::nullopt);
    view->onCopySelection = [](TextRange) { return false; };
    view->copy();
    EXPECT_EQ(board.string(), "1 + 1");
}

TEST_F(OverlayInteraction, ShortcutsReachTheViewsOwnCommands) {
    MemoryPasteboard board;
    view->setTestClipboard(&board);
    view->setFocus();
    QSignalSpy undo(view.get(), &View::undoRequested);
    QSignalSpy redo(view.get(), &View::redoRequested);
    view->setSelectedRange({0, 1});
    QTest::keyClick(view.get(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(board.string(), "1");
    QTest::keyClick(view.get(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(view.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(undo.count(), 1);
    EXPECT_EQ(redo.count(), 1);
}

TEST_F(OverlayInteraction, ClicksInAScrolledSheetFindTheirLine) {
    QString text;
    for (int i = 0; i < 120; ++i)
        text += QString::number(i) + "\n";
    view->setSheetText(text);
    view->setItems({{100, {"100", false}}});
    const QRectF result = *view->resultRect(100);
    QCoreApplication::processEvents();
    view->verticalScrollBar()->setValue(int(result.top()) - 200);
    ASSERT_GT(view->verticalScrollBar()->value(), 0);
    const QPoint inViewport = viewportPoint(result.center());
    ASSERT_TRUE(view->viewport()->rect().contains(inViewport));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, inViewport);
    EXPECT_EQ(clicks, std::vector<int>{100});
}

TEST_F(OverlayInteraction, PillsAreDrawnForValuesOnlyAndTheHintOnlyOnAnEmptySheet) {
    const auto picture = [this] { return view->viewport()->grab().toImage(); };
    view->setSheetText("1 + 1\nbad");
    view->setItems({{0, {"2", false}}, {1, {"Oops", true}}});
    const QImage plain = picture();
    view->setHoveredLine(1);
    EXPECT_EQ(picture(), plain); // an error never gets a pill
    view->showPillFeedback(View::PillFeedback::Inserted, 1);
    EXPECT_EQ(picture(), plain);
    view->setHoveredLine(0);
    EXPECT_NE(picture(), plain);
    const QRectF pill = view->pillRect(*view->resultRect(0));
    EXPECT_EQ(picture().pixelColor(viewportPoint({pill.left() + 2, pill.center().y()})).rgb(),
              Theme::lime().rgb());

    view->setItems({});
    view->setHint({"Try:  20% of 250"});
    view->setSheetText("");
    const QImage withHint = picture();
    view->setHint({});
    EXPECT_NE(picture(), withHint);
    view->setSheetText("\n");
    const QImage newline = picture();
    view->setHint({"Try:  20% of 250"});
    EXPECT_EQ(picture(), newline); // a sheet holding a line feed is not empty
}
