#include "ui/shell/HelpContent.h"
#include "ui/notebook/Theme.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <gtest/gtest.h>

#include <memory>

using namespace VexilUI;

namespace {

QString u(const char16_t* text) {
    return QString::fromUtf16(text);
}

std::unique_ptr<QTextDocument> document() {
    auto doc = std::make_unique<QTextDocument>();
    doc->setDocumentMargin(0);
    HelpContent::fill(*doc);
    doc->setTextWidth(HelpContent::labelWidth);
    return doc;
}

QTextBlock blockAt(const QTextDocument& doc, int index) {
    return doc.findBlockByNumber(index);
}

// The character format at a position inside a block (formats apply to the character after `offset`).
QTextCharFormat formatAt(const QTextBlock& block, int offset) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const int start = fragment.position() - block.position();
        if (offset >= start && offset < start + fragment.length()) return fragment.charFormat();
    }
    return {};
}

qreal xAfter(const QTextBlock& block, int offset) {
    return block.layout()->lineForTextPosition(offset).cursorToX(offset);
}

} // namespace

TEST(HelpContent, FooterNotes) {
    EXPECT_EQ(HelpContent::footer(),
              (QStringList{
                  "Total, Average, Median and Count use the rows since the last blank line.",
                  u(u"Start a line with + \u00D7 or / to keep working on the line above."),
                  "Mixing crypto with a normal currency answers in the normal currency.",
                  "References follow line numbers, so moving lines can change them.",
                  "Rates are indicative, not for accounting or trading. Click the rates label to refresh."}));
}

TEST(HelpContent, AllTextHasOneLinePerEntry) {
    const QStringList lines = HelpContent::allText().split(u'\n');
    ASSERT_EQ(lines.size(), 15 + 12 + 5);
    EXPECT_EQ(lines[0], "Alt Click a Result Copy the Result");
    EXPECT_EQ(lines[1], " Click a Result Insert It on Your Line as a Reference (line2)");
    EXPECT_EQ(lines[3], "Ctrl+Shift+C  Copy All Results, Each Line With Its Answer");
    EXPECT_EQ(lines[10], u(u"Ctrl+Alt+\u2191 Ctrl+Alt+\u2193  Move the Current Line Up or Down"));
    EXPECT_EQ(
        lines[11],
        u(u"Ctrl+Shift+\u2191 Ctrl+Shift+\u2193  Also Move the Line, Where the Desktop Takes Ctrl+Alt"));
    EXPECT_EQ(lines[15], u(u"Maths 48 \u00F7 6 + 2^3    17 mod 4    \u221A81"));
    EXPECT_EQ(lines[26], "Notes # heading    // comment");
    EXPECT_EQ(lines[31], HelpContent::footer().last());
}

TEST(HelpContent, DocumentTextInOrder) {
    const auto doc = document();
    ASSERT_EQ(doc->blockCount(), 1 + 15 + 1 + 12 + 1 + 5 + 1);
    QStringList texts;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
        texts.append(block.text());
    EXPECT_EQ(texts[0], "SHORTCUTS");
    EXPECT_EQ(texts[1], " Alt  Click a Result\tCopy the Result");
    EXPECT_EQ(texts[2], "Click a Result\tInsert It on Your Line as a Reference (line2)");
    EXPECT_EQ(texts[4], " Ctrl+Shift+C \tCopy All Results, Each Line With Its Answer");
    EXPECT_EQ(texts[10], "Right-Click a Sheet\tPin It to the Top of the Drawer");
    EXPECT_EQ(texts[11], u(u" Ctrl+Alt+\u2191   Ctrl+Alt+\u2193 \tMove the Current Line Up or Down"));
    EXPECT_EQ(
        texts[12],
        u(u" Ctrl+Shift+\u2191   Ctrl+Shift+\u2193 \tAlso Move the Line, Where the Desktop Takes Ctrl+Alt"));
    EXPECT_EQ(texts[14], u(u" Ctrl++   Ctrl+\u2212   Ctrl+0 \tBigger, Smaller, Actual Text Size"));
    EXPECT_EQ(texts[16], "TRY TYPING");
    EXPECT_EQ(texts[17], u(u"Maths\t48 \u00F7 6 + 2^3     17 mod 4     \u221A81"));
    EXPECT_EQ(texts[19], "Totals\tFlights: 420 + 385, then Total or Average on the next line");
    EXPECT_EQ(texts[28], "Notes\t# heading     // comment");
    EXPECT_EQ(texts[29], "GOOD TO KNOW");
    EXPECT_EQ(texts[30],
              u(u"\u2022\tTotal, Average, Median and Count use the rows since the last blank line."));
    EXPECT_EQ(texts[35], "numbers   operators   units and currencies   line references");
    EXPECT_FALSE(doc->toPlainText().endsWith(u'\n'));
}

TEST(HelpContent, FontsColoursAndKeyCaps) {
    const auto doc = document();
    auto check = [](const QTextCharFormat& format, int pixelSize, QFont::Weight weight, bool fixed,
                    const QColor& color) {
        const QFont font = format.font();
        EXPECT_EQ(font.pixelSize(), pixelSize);
        EXPECT_EQ(font.weight(), weight);
        EXPECT_EQ(font.family(), (fixed ? HelpContent::keyFont() : HelpContent::bodyFont()).family());
        EXPECT_EQ(format.foreground().color(), color);
    };
    const QTextBlock heading = blockAt(*doc, 0);
    check(formatAt(heading, 0), 11, QFont::DemiBold, false, Theme::muted());

    // Two caps with a plain space between them, then the tab and the description.
    const QTextBlock moves = blockAt(*doc, 11);
    const int capLength = int(u(u" Ctrl+Alt+\u2191 ").size());
    QColor capColor(255, 255, 255);
    capColor.setAlphaF(0.09);
    for (int offset : {0, 1, capLength - 1, capLength + 1, 2 * capLength}) {
        const QTextCharFormat format = formatAt(moves, offset);
        check(format, 12, QFont::Normal, true, Theme::text());
        EXPECT_EQ(format.background().color(), capColor) << offset;
    }
    const QTextCharFormat between = formatAt(moves, capLength);
    check(between, 12, QFont::Normal, false, Theme::text());
    EXPECT_EQ(between.background().style(), Qt::NoBrush);
    check(formatAt(moves, 2 * capLength + 2), 12, QFont::Normal, false, Theme::text());

    // The gesture in the action font, after a space when the record has keys.
    const QTextBlock option = blockAt(*doc, 1);
    check(formatAt(option, 5), 12, QFont::Medium, false, Theme::text());
    EXPECT_EQ(formatAt(option, 5).background().style(), Qt::NoBrush);
    check(formatAt(blockAt(*doc, 2), 0), 12, QFont::Medium, false, Theme::text());

    const QTextBlock maths = blockAt(*doc, 17);
    check(formatAt(maths, 0), 12, QFont::Normal, false, Theme::muted());
    check(formatAt(maths, 5), 12, QFont::Normal, false, Theme::muted()); // the tab
    check(formatAt(maths, 6), 12, QFont::Light, true, Theme::text());

    const QTextBlock note = blockAt(*doc, 30);
    check(formatAt(note, 0), 12, QFont::Normal, false, Theme::muted());
    check(formatAt(note, 2), 12, QFont::Normal, false, Theme::text());

    const QTextBlock legend = blockAt(*doc, 35);
    const QString text = legend.text();
    check(formatAt(legend, text.indexOf("numbers")), 12, QFont::Normal, true, Theme::number());
    check(formatAt(legend, text.indexOf("operators")), 12, QFont::Normal, true, Theme::op());
    check(formatAt(legend, text.indexOf("units")), 12, QFont::Normal, true, Theme::unit());
    check(formatAt(legend, text.indexOf("line")), 12, QFont::Normal, true, Theme::ref());
    check(formatAt(legend, text.indexOf("operators") - 1), 12, QFont::Normal, true, Theme::muted());
}

TEST(HelpContent, ParagraphTabsAndSpacing) {
    const auto doc = document();
    const qreal column = HelpContent::shortcutColumn();
    struct Case {
        int block;
        qreal tab;
        qreal after;
    };
    for (const Case& c :
         {Case{0, 0, 8}, Case{1, column, 4}, Case{15, column, 4}, Case{16, 0, 8}, Case{17, 90, 4},
          Case{28, 90, 4}, Case{29, 0, 8}, Case{30, 14, 4}, Case{35, 0, 0}}) {
        const QTextBlockFormat format = blockAt(*doc, c.block).blockFormat();
        ASSERT_EQ(format.tabPositions().size(), 1) << c.block;
        EXPECT_EQ(format.tabPositions()[0].position, c.tab) << c.block;
        EXPECT_EQ(format.leftMargin(), c.tab) << c.block; // wrapped lines start under the text after the tab
        EXPECT_EQ(format.textIndent(), -c.tab) << c.block;
        EXPECT_EQ(format.bottomMargin(), c.after) << c.block;
        // Shortcut rows are of one fixed height; the others add the line spacing to their fonts' height.
        const bool shortcut = c.block >= 1 && c.block <= 15;
        EXPECT_EQ(format.lineHeight(), shortcut ? HelpContent::shortcutRowHeight() : 2) << c.block;
        EXPECT_EQ(format.lineHeightType(),
                  int(shortcut ? QTextBlockFormat::FixedHeight : QTextBlockFormat::LineDistanceHeight))
            << c.block;
    }

    // The space between paragraphs is the spacing after the one plus the spacing before the next.
    auto top = [&](int index) {
        return doc->documentLayout()->blockBoundingRect(blockAt(*doc, index)).top();
    };
    auto bottom = [&](int index) {
        const QTextBlock block = blockAt(*doc, index);
        if (block.blockFormat().lineHeightType() == QTextBlockFormat::FixedHeight)
            return top(index) + block.blockFormat().lineHeight();
        const QTextLine last = block.layout()->lineAt(block.layout()->lineCount() - 1);
        return top(index) + last.y() + last.height() + HelpContent::lineSpacing;
    };
    EXPECT_EQ(top(0), 0);
    EXPECT_DOUBLE_EQ(top(1) - bottom(0), 8);
    EXPECT_DOUBLE_EQ(top(2) - bottom(1), 4);
    EXPECT_DOUBLE_EQ(top(16) - bottom(15), 4 + 14);
    EXPECT_DOUBLE_EQ(top(17) - bottom(16), 8);
    EXPECT_DOUBLE_EQ(top(29) - bottom(28), 4 + 14);
    EXPECT_DOUBLE_EQ(top(35) - bottom(34), 4 + 8);
    EXPECT_DOUBLE_EQ(doc->size().height(), bottom(35));

    // Examples and notes start at their tab stops (the shortcuts' column has a test of its own).
    for (int block : {17, 22, 28}) {
        const QTextBlock b = blockAt(*doc, block);
        EXPECT_DOUBLE_EQ(xAfter(b, b.text().indexOf(u'\t') + 1), 90) << block;
    }
    const QTextBlock note = blockAt(*doc, 34);
    EXPECT_DOUBLE_EQ(xAfter(note, 2), 14);
}

TEST(HelpContent, ViewSizesFollowTheText) {
    std::unique_ptr<QWidget> view(HelpContent::makeView());
    std::unique_ptr<QWidget> other(HelpContent::makeView());
    EXPECT_NE(view.get(), other.get());
    auto* label = view->findChild<HelpTextLabel*>();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(view->width(), 644);
    EXPECT_EQ(label->geometry(), QRect(22, 20, 600, label->height()));
    EXPECT_EQ(view->height(), label->height() + 40);
    EXPECT_EQ(label->height(), int(std::ceil(label->document()->size().height())));
    EXPECT_GT(label->height(), 35 * 14);
    EXPECT_TRUE(label->isReadOnly());
    EXPECT_TRUE(label->textInteractionFlags().testFlag(Qt::TextSelectableByMouse));
    EXPECT_TRUE(label->textInteractionFlags().testFlag(Qt::TextSelectableByKeyboard));
    EXPECT_FALSE(label->textInteractionFlags().testFlag(Qt::TextEditable));
    EXPECT_TRUE(label->toPlainText().startsWith("SHORTCUTS\n"));

    view->show();
    EXPECT_EQ(view->size(), QSize(644, label->height() + 40));
    EXPECT_EQ(label->geometry(), QRect(22, 20, 600, label->height()));
}

// Every description starts at one column, and a row with key caps is as tall as a plain one.
TEST(HelpContent, ShortcutDescriptionsShareOneColumnAndOneRowHeight) {
    const auto doc = document();
    ASSERT_GT(doc->size().height(), 0); // laid out
    const int first = 1, last = int(HelpContent::shortcuts().size());
    const qreal column = HelpContent::shortcutColumn();
    EXPECT_GE(column, HelpContent::shortcutTab);
    std::vector<qreal> pitches;
    for (int block = first; block <= last; ++block) {
        const QTextBlock b = blockAt(*doc, block);
        SCOPED_TRACE(b.text().toStdString());
        EXPECT_DOUBLE_EQ(xAfter(b, b.text().indexOf(u'\t') + 1), column);
        EXPECT_EQ(b.layout()->lineCount(), 1);
        pitches.push_back(doc->documentLayout()->blockBoundingRect(b.next()).top() -
                          doc->documentLayout()->blockBoundingRect(b).top());
    }
    for (size_t i = 1; i + 1 < pitches.size(); ++i) // the last row is followed by a heading
        EXPECT_DOUBLE_EQ(pitches[i], pitches[0]) << blockAt(*doc, first + int(i)).text().toStdString();
}
