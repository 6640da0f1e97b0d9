#include "ViewFixture.h"

#include "ui/common/Theme.h"
#include "ui/notebook/TextViewGeometry.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMimeData>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextFrame>

#include <cmath>

using namespace VexilUI;
using VexilCore::TextRange;
namespace G = VexilUI::TextGeometry;

class NotebookTextViewGeometry : public ViewFixture, public ::testing::WithParamInterface<int> {};

TEST_P(NotebookTextViewGeometry, GutterColumnAndContainerFollowTheFontSize) {
    const qreal s = GetParam();
    makeView(s);
    ASSERT_EQ(view->viewWidth(), 800);
    EXPECT_EQ(view->fontSize(), s);
    EXPECT_EQ(view->smallFont().pixelSize(), Theme::smallFontPixelSize(s));
    const qreal advance = QFontMetricsF(view->smallFont()).horizontalAdvance(u'8');
    EXPECT_DOUBLE_EQ(view->digitAdvance(), advance);

    const qreal gutter = std::ceil(2 * advance + 1.7 * s);
    EXPECT_EQ(view->gutterWidth(), gutter);
    const qreal results = std::round(800 * 0.372);
    EXPECT_EQ(view->resultsWidth(), results);
    EXPECT_EQ(view->dividerX(), 800 - results);
    EXPECT_EQ(view->resultsLeft(), 800 - results + std::round(std::round(1.1 * s) * 0.8));
    const qreal container = 800 - gutter - results - std::round(1.1 * s);
    EXPECT_EQ(view->containerWidth(), container);
    // The editor wraps exactly there: the gutter is the frame's left margin.
    EXPECT_EQ(view->lineWrapColumnOrWidth(), gutter + container);
    const QTextFrameFormat frame = view->document()->rootFrame()->frameFormat();
    EXPECT_EQ(frame.leftMargin(), gutter);
    EXPECT_EQ(frame.topMargin(), std::round(0.7 * s));
    EXPECT_EQ(frame.bottomMargin(), std::round(0.7 * s));

    view->setSheetText("1 + 1\nsome words\n\nlast");
    const auto metrics = view->lineMetrics();
    ASSERT_EQ(metrics.size(), 4u);
    const qreal spacing = std::round(0.42 * s);
    for (size_t i = 0; i < metrics.size(); ++i) {
        EXPECT_EQ(metrics[i].index, int(i));
        EXPECT_EQ(metrics[i].rect.left(), gutter);
        EXPECT_EQ(metrics[i].rect.width(), container);
        EXPECT_DOUBLE_EQ(metrics[i].baseline - metrics[i].rect.top(),
                         metrics[0].baseline - metrics[0].rect.top());
        if (i > 0) {
            EXPECT_DOUBLE_EQ(metrics[i].rect.top(), metrics[i - 1].rect.bottom()) << i;
        }
    }
    EXPECT_EQ(metrics[0].rect.top(), std::round(0.7 * s));
    // The row height holds the line spacing, which the layout adds after every row.
    const QTextLine row = view->document()->firstBlock().layout()->lineAt(0);
    EXPECT_DOUBLE_EQ(metrics[0].rect.height(), row.height() + spacing);
    EXPECT_GT(metrics[1].textMaxX, metrics[0].textMaxX);
    EXPECT_EQ(metrics[2].textMaxX, gutter);
}

INSTANTIATE_TEST_SUITE_P(FontSizes, NotebookTextViewGeometry, ::testing::Values(11, 15, 18, 30));

class NotebookTextViewTest : public ViewFixture {
protected:
    void SetUp() override { makeView(15); }
};

TEST_F(NotebookTextViewTest, GutterGrowsWithTheNumberOfLines) {
    const qreal advance = view->digitAdvance();
    const struct { int lines, digits; } cases[] = {{1, 2}, {9, 2}, {10, 2}, {99, 2}, {100, 3}, {1000, 4}};
    for (const auto& c : cases) {
        view->setSheetText(QString("x\n").repeated(c.lines - 1));
        EXPECT_EQ(view->lineCount(), c.lines);
        EXPECT_EQ(view->gutterWidth(), std::ceil(c.digits * advance + 25.5)) << c.lines;
        EXPECT_EQ(view->document()->rootFrame()->frameFormat().leftMargin(), view->gutterWidth());
    }
}

TEST_F(NotebookTextViewTest, EmptySheetHasOneLineWithAMetric) {
    view->setSheetText("");
    EXPECT_TRUE(view->isEmptyText());
    EXPECT_EQ(view->lineCount(), 1);
    const auto metrics = view->lineMetrics();
    ASSERT_EQ(metrics.size(), 1u);
    EXPECT_EQ(metrics[0].rect.top(), 11);
    EXPECT_GT(metrics[0].rect.height(), 6);
    // A final line feed makes an empty last line of its own.
    view->setSheetText("12\n");
    EXPECT_EQ(view->lineMetrics().size(), 2u);
    EXPECT_FALSE(view->isEmptyText());
}

TEST_F(NotebookTextViewTest, LoadingTextIsNoEditAndKeepsSpacingAndMargins) {
    QSignalSpy edits(view.get(), &View::textDidChange);
    QSignalSpy moves(view.get(), &View::selectionDidChange);
    view->setSheetText("a\r\nb\rc\u2029d\u2028e\u00A0f");
    EXPECT_EQ(edits.count(), 0);
    EXPECT_EQ(moves.count(), 0);
    EXPECT_EQ(view->canonicalText(), QString("a\nb\nc\nd\u2028e\u00A0f"));
    EXPECT_EQ(view->lineCount(), 4);
    for (QTextBlock b = view->document()->begin(); b.isValid(); b = b.next())
        EXPECT_EQ(b.blockFormat().lineHeight(), 6) << b.blockNumber();
    EXPECT_EQ(view->document()->rootFrame()->frameFormat().topMargin(), 11);
    EXPECT_EQ(view->document()->rootFrame()->frameFormat().leftMargin(), view->gutterWidth());
}

TEST_F(NotebookTextViewTest, TypingAndPastingReportEditsAndKeepLineSpacing) {
    view->setSheetText("ab");
    view->setFocus();
    QSignalSpy edits(view.get(), &View::textDidChange);
    view->setSelectedRange({2, 0});
    QTest::keyClick(view.get(), Qt::Key_Return);
    QTest::keyClicks(view.get(), "cd");
    EXPECT_EQ(view->canonicalText(), "ab\ncd");
    EXPECT_EQ(edits.count(), 3);

    QMimeData data;
    data.setText("1\r\n2\n3");
    data.setHtml("<b>bold</b>");
    view->insertFromMimeData(&data);
    EXPECT_EQ(view->canonicalText(), "ab\ncd1\n2\n3");
    EXPECT_EQ(view->lineCount(), view->document()->blockCount());
    EXPECT_EQ(view->lineCount(), 4);
    for (QTextBlock b = view->document()->begin(); b.isValid(); b = b.next())
        EXPECT_EQ(b.blockFormat().lineHeight(), 6) << b.blockNumber();
    // Copies are plain text only.
    view->setSelectedRange({0, 5});
    std::unique_ptr<QMimeData> copied(view->createMimeDataFromSelection());
    EXPECT_EQ(copied->formats(), QStringList{"text/plain"});
    EXPECT_EQ(copied->text(), "ab\ncd");
}

// The editor's own Return turns an empty line with a paragraph format into a plain one the first time
// instead of splitting it; every Return here adds exactly one spaced line.
TEST_F(NotebookTextViewTest, ReturnOnAnEmptyLineAddsOneSpacedLine) {
    const struct {
        const char* text;
        int caret;
        Qt::KeyboardModifiers modifiers;
        Qt::Key key;
        const char* after;
    } cases[] = {
        {"", 0, Qt::NoModifier, Qt::Key_Return, "\n\nx"},
        {"a\n", 2, Qt::NoModifier, Qt::Key_Return, "a\n\n\nx"},
        {"a\n\nb", 2, Qt::NoModifier, Qt::Key_Return, "a\n\n\nx\nb"},
        {"a\n", 2, Qt::ShiftModifier, Qt::Key_Return, "a\n\n\nx"},
        {"a\n", 2, Qt::KeypadModifier, Qt::Key_Enter, "a\n\n\nx"},
    };
    view->setFocus();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        view->setSheetText(c.text);
        view->setSelectedRange({c.caret, 0});
        QSignalSpy edits(view.get(), &View::textDidChange);
        QTest::keyClick(view.get(), c.key, c.modifiers);
        QTest::keyClick(view.get(), c.key, c.modifiers);
        QTest::keyClicks(view.get(), "x");
        EXPECT_EQ(view->canonicalText(), QString(c.after));
        EXPECT_EQ(edits.count(), 3);
        for (QTextBlock b = view->document()->begin(); b.isValid(); b = b.next()) {
            EXPECT_EQ(b.blockFormat().lineHeight(), 6) << b.blockNumber();
            EXPECT_EQ(b.blockFormat().lineHeightType(), int(QTextBlockFormat::LineDistanceHeight));
        }
    }
}

// A word of thousands of characters is laid out in time only when rows may break anywhere; the
// sheet goes back to breaking at words once no such word is left.
TEST_F(NotebookTextViewTest, AVeryLongWordMakesLinesWrapAnywhereWhileItLasts) {
    const QString word = QString(View::kLongestWord, u'1') + QStringLiteral("+1");
    const auto anywhere = [this] { return view->wordWrapMode() == QTextOption::WrapAnywhere; };
    view->setSheetText("2 + 2\n" + word);
    EXPECT_TRUE(anywhere());
    view->replaceCharacters({6, word.size()}, "3");
    view->didChangeText();
    EXPECT_FALSE(anywhere());

    QMimeData data;
    data.setText(word);
    view->setSelectedRange({0, 0});
    view->insertFromMimeData(&data);
    EXPECT_TRUE(anywhere());
    view->setSheetText("short words only");
    EXPECT_FALSE(anywhere());

    // Typed up to the limit, one character at a time.
    view->setSheetText(QString(View::kLongestWord, u'7'));
    EXPECT_FALSE(anywhere());
    view->setFocus();
    view->setSelectedRange({0, 0});
    QTest::keyClicks(view.get(), "8");
    EXPECT_TRUE(anywhere());
    QTest::keyClick(view.get(), Qt::Key_Space);
    EXPECT_FALSE(anywhere());
    EXPECT_EQ(view->canonicalText(), "8 " + QString(View::kLongestWord, u'7'));
}

// Every line states the direction its first strong character gives it, as Qt would read it from the
// text, through loads, typing and new lines.
TEST_F(NotebookTextViewTest, LinesStateTheDirectionTheirTextGives) {
    constexpr auto ltr = Qt::LeftToRight;
    constexpr auto rtl = Qt::RightToLeft;
    const auto directions = [this] {
        QList<Qt::LayoutDirection> out;
        for (QTextBlock b = view->document()->begin(); b.isValid(); b = b.next()) {
            EXPECT_EQ(b.blockFormat().layoutDirection(), b.textDirection()) << b.blockNumber();
            out << b.textDirection();
        }
        return out;
    };
    const QString shalom = QStringLiteral("\u05E9\u05DC\u05D5\u05DD");
    // As a keyboard of that script sends it: the key's text, with no key code of its own.
    const auto type = [this](const QString& text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
        QApplication::sendEvent(view.get(), &press);
    };
    view->setSheetText("12 + 3\n" + shalom + " 5\n42 apples");
    EXPECT_EQ(directions(), (QList{ltr, rtl, ltr}));

    view->setFocus();
    view->setSelectedRange({7, 0});
    QTest::keyClicks(view.get(), "a");
    EXPECT_EQ(directions(), (QList{ltr, ltr, ltr}));
    view->setSelectedRange({0, 0});
    type(shalom);
    EXPECT_EQ(directions(), (QList{rtl, ltr, ltr}));

    // A new line after one read right to left starts empty, so left to right.
    view->setSheetText(shalom);
    view->setSelectedRange({4, 0});
    QTest::keyClick(view.get(), Qt::Key_Return);
    EXPECT_EQ(directions(), (QList{rtl, ltr}));
    type("7 " + shalom);
    EXPECT_EQ(directions(), (QList{rtl, rtl}));
    view->replaceCharacters({0, 4}, "x");
    view->didChangeText();
    EXPECT_EQ(directions(), (QList{ltr, rtl}));
}

TEST_F(NotebookTextViewTest, ProgrammaticReplaceReportsOnlyThroughDidChangeText) {
    view->setSheetText("3 + 4\nx");
    QSignalSpy edits(view.get(), &View::textDidChange);
    view->replaceCharacters({4, 1}, "line1\nmore");
    EXPECT_EQ(edits.count(), 0);
    view->didChangeText();
    EXPECT_EQ(edits.count(), 1);
    EXPECT_EQ(view->canonicalText(), "3 + line1\nmore\nx");
    EXPECT_EQ(view->lineCount(), 3);
    view->setSelectedRange({2, 100});
    EXPECT_EQ(view->selectedRange(), (TextRange{2, 14}));
}

TEST_F(NotebookTextViewTest, FontSizeChangeKeepsTextAndAppliesSpacing) {
    view->setSheetText("1\n2\n3");
    QSignalSpy edits(view.get(), &View::textDidChange);
    view->setFontSize(24);
    EXPECT_EQ(edits.count(), 0);
    EXPECT_EQ(view->editorFont().pixelSize(), 24);
    EXPECT_EQ(view->smallFont().pixelSize(), 19);
    for (QTextBlock b = view->document()->begin(); b.isValid(); b = b.next())
        EXPECT_EQ(b.blockFormat().lineHeight(), 10);
    EXPECT_EQ(view->lineMetrics()[0].rect.top(), 17);
}

TEST_F(NotebookTextViewTest, NarrowViewsAndTheContainerFloor) {
    view->resize(300, 300);
    QCoreApplication::processEvents();
    const qreal gutter = view->gutterWidth();
    EXPECT_EQ(view->resultsWidth(), std::max(0.0, std::round((300 - gutter) * 0.5)));
    view->setResultsFraction(0.9);
    EXPECT_EQ(view->resultsWidth(), std::max(0.0, std::round((300 - gutter) * 0.5)));
    view->resize(150, 300);
    QCoreApplication::processEvents();
    EXPECT_EQ(view->containerWidth(), 60);
    EXPECT_EQ(view->lineWrapColumnOrWidth(), gutter + 60);
}

TEST_F(NotebookTextViewTest, ResultLayoutTruncatesAndUsesTheSmallFontForErrors) {
    view->setSheetText("1\n2\n3");
    const auto metrics = view->lineMetrics();
    const View::ResultItem value{"42", false};
    const auto layout = view->resultLayout(value, metrics[0]);
    const QFontMetricsF editor(view->editorFont());
    EXPECT_EQ(layout.text, "42");
    EXPECT_EQ(layout.font, view->editorFont());
    EXPECT_DOUBLE_EQ(layout.rect.right(), 800 - 18);
    EXPECT_DOUBLE_EQ(layout.rect.top(), metrics[0].baseline - editor.ascent());
    EXPECT_EQ(layout.rect.height(), std::ceil(editor.ascent() + editor.descent()));

    const View::ResultItem error{"Unknown unit", true};
    EXPECT_EQ(view->resultLayout(error, metrics[1]).font, view->smallFont());

    const QString longText = QString("1234567890").repeated(10);
    const auto cut = view->resultLayout({longText, false}, metrics[2]);
    EXPECT_TRUE(cut.text.endsWith(QChar(0x2026)));
    EXPECT_GE(cut.rect.left(), view->resultsLeft());
    EXPECT_LE(cut.rect.right(), 800 - 18);

    view->setItems({{0, value}, {1, error}, {2, {longText, false}}});
    EXPECT_TRUE(view->resultRect(0).has_value());
    EXPECT_FALSE(view->resultRect(1).has_value()); // errors have no result rectangle
    EXPECT_FALSE(view->resultRect(5).has_value());
    EXPECT_FALSE(view->isTruncated(0));
    EXPECT_TRUE(view->isTruncated(2));
    EXPECT_FALSE(view->isTruncated(7));
}

TEST_F(NotebookTextViewTest, TooNarrowForOneCharacterShowsTheEllipsisAlone) {
    view->resize(120, 300);
    QCoreApplication::processEvents();
    view->setSheetText("1");
    const auto metric = view->lineMetrics()[0];
    const auto layout = view->resultLayout({"123456", false}, metric);
    const qreal available = std::max(120 - 18 - view->resultsLeft(), 1.0);
    if (view->measure(QString("1\u2026"), view->editorFont()).width() > available) {
        EXPECT_EQ(layout.text, QString(QChar(0x2026)));
    }
}

TEST_F(NotebookTextViewTest, PillAndHitRectanglesOfAResult) {
    view->setSheetText("1 + 1\nbad");
    view->setItems({{0, {"2", false}}, {1, {"Oops", true}}});
    const QRectF text = *view->resultRect(0);
    EXPECT_EQ(view->pillRect(text), G::pillRect(text, view->dividerX(), 800, 15));
    const qreal y = text.center().y();
    EXPECT_EQ(view->resultLine({text.left() - 5, y}), 0);
    EXPECT_EQ(view->resultLine({text.left() - 7, y}), std::nullopt);
    EXPECT_EQ(view->resultLine({text.right() + 5, y}), 0);
    EXPECT_EQ(view->resultLine({text.right() + 7, y}), std::nullopt);
    // Error results are never hit.
    const auto metric = view->lineMetrics()[1];
    const auto error = view->resultLayout({"Oops", true}, metric);
    EXPECT_EQ(view->resultLine(error.rect.center()), std::nullopt);

    // A pill right at the divider is pushed 3 right of it.
    const QRectF nearDivider(view->dividerX() + 1, 10, 40, 18);
    EXPECT_EQ(view->pillRect(nearDivider).left(), view->dividerX() + 3);
}

TEST_F(NotebookTextViewTest, MeasureCachesBySizeFontAndText) {
    const QSizeF first = view->measure("12.5 kg", view->editorFont());
    EXPECT_EQ(first, view->measure("12.5 kg", view->editorFont()));
    EXPECT_EQ(first.width(), QFontMetricsF(view->editorFont()).horizontalAdvance("12.5 kg"));
    EXPECT_NE(first, view->measure("12.5 kg", view->smallFont()));
    // The cache is bounded: thousands of texts never break measurement.
    for (int i = 0; i < 4100; ++i)
        view->measure(QString::number(i), view->smallFont());
    EXPECT_EQ(view->measure("12.5 kg", view->editorFont()), first);
}

TEST_F(NotebookTextViewTest, AdvanceFallsBackToTheWidestGlyph) {
    const QFont font = view->smallFont();
    EXPECT_DOUBLE_EQ(View::advance("8", font), QFontMetricsF(font).horizontalAdvance(u'8'));
    EXPECT_DOUBLE_EQ(View::advance("", font), QFontMetricsF(font).maxWidth());
}

TEST_F(NotebookTextViewTest, HighlightsColourLinesWithoutReportingEdits) {
    view->setSheetText("12 kg\nnote\n");
    QSignalSpy edits(view.get(), &View::textDidChange);
    using VexilCore::Highlight;
    using VexilCore::Role;
    view->setHighlights(
        {{{0, 2}, Role::Number}, {{3, 2}, Role::Unit}, {{6, 4}, Role::Ref}, {{9, 5}, Role::Op}});
    EXPECT_EQ(edits.count(), 0);
    const auto first = view->document()->firstBlock().layout()->formats();
    ASSERT_EQ(first.size(), 3);
    EXPECT_EQ(first[0].format.foreground().color(), Theme::plain());
    EXPECT_EQ(first[1].start, 0);
    EXPECT_EQ(first[1].format.foreground().color(), Theme::number());
    EXPECT_EQ(first[2].start, 3);
    EXPECT_EQ(first[2].format.foreground().color(), Theme::unit());
    const auto second = view->document()->findBlockByNumber(1).layout()->formats();
    ASSERT_EQ(second.size(), 2); // the range past the text is skipped
    EXPECT_EQ(second[1].format.underlineStyle(), QTextCharFormat::SingleUnderline);
    EXPECT_EQ(second[1].format.foreground().color(), Theme::ref());
    // New highlights replace the old ones.
    view->setHighlights({});
    EXPECT_EQ(view->document()->firstBlock().layout()->formats().size(), 1);

    // A line split in two gets its colours again, on both halves.
    view->setHighlights({{{0, 2}, Role::Number}});
    view->replaceCharacters({0, 0}, "\n");
    view->setHighlights({{{1, 2}, Role::Number}});
    EXPECT_EQ(view->document()->firstBlock().layout()->formats().size(), 1);
    const auto moved = view->document()->findBlockByNumber(1).layout()->formats();
    ASSERT_EQ(moved.size(), 2);
    EXPECT_EQ(moved[1].format.foreground().color(), Theme::number());
    EXPECT_EQ(view->document()->findBlockByNumber(1).layout()->lineCount(), 1); // laid out again
}

TEST_F(NotebookTextViewTest, ItemsHintAndFractionRedrawOnlyOnChange) {
    view->setSheetText("1\n2");
    const View::Items items{{0, {"1", false}}, {1, {"2", false}}};
    view->setItems(items);
    view->setHoveredLine(1);
    int requests = view->overlay().displayRequests();
    view->setItems(items); // equal: no redraw, hover kept
    EXPECT_EQ(view->overlay().displayRequests(), requests);
    EXPECT_EQ(view->hoveredLine(), 1);
    view->setItems({{0, {"1", false}}, {1, {"Bad", true}}});
    EXPECT_EQ(view->hoveredLine(), std::nullopt); // hovered result became an error
    EXPECT_GT(view->overlay().displayRequests(), requests);

    requests = view->overlay().displayRequests();
    view->setResultsFraction(std::nullopt);
    EXPECT_EQ(view->overlay().displayRequests(), requests);
    view->setResultsFraction(0.5);
    EXPECT_EQ(view->resultsWidth(), 400);
    EXPECT_EQ(view->resultsFraction(), 0.5);
    EXPECT_GT(view->overlay().displayRequests(), requests);
    requests = view->overlay().displayRequests();
    view->setHint({"Try:  1 + 1"});
    view->setHint({"Try:  1 + 1"});
    EXPECT_EQ(view->overlay().displayRequests(), requests + 2);
}

TEST_F(NotebookTextViewTest, PillColourOrder) {
    view->setSheetText("1\n2\n3");
    view->setItems({{0, {"1", false}}, {1, {"x", true}}});
    EXPECT_EQ(view->pillColor(0), std::nullopt);
    view->setHoveredLine(0);
    EXPECT_EQ(view->pillColor(0), Theme::lime());
    view->showPillFeedback(View::PillFeedback::Copied, 0);
    EXPECT_EQ(view->pillColor(0), Theme::copied()); // a flash outranks the hover
    view->showPillFeedback(View::PillFeedback::Inserted, 0);
    EXPECT_EQ(view->pillColor(0), Theme::rgb(0xDFFF57, 0.45));
    view->showPillFeedback(View::PillFeedback::Inserted, 1);
    EXPECT_EQ(view->pillColor(1), std::nullopt); // errors never get a pill
    EXPECT_EQ(view->pillColor(2), std::nullopt);
}

TEST_F(NotebookTextViewTest, DrawsWithoutFailingForAllStates) {
    view->setSheetText("");
    view->setHint({"Try:  20% of 250", "      1000mg to g"});
    view->grab();
    view->setSheetText("1\n2\n3");
    view->setItems({{0, {"1", false}}, {1, {"bad", true}}, {2, {QString("9").repeated(200), false}}});
    view->setHoveredLine(0);
    view->setDraggingDivider(true);
    const QImage image = view->grab().toImage();
    EXPECT_EQ(image.width(), 800);
}
