#include "ui/notebook/HelpContent.h"
#include "ui/common/Theme.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <gtest/gtest.h>

#include <memory>

using namespace VexilUI;

namespace {

struct ExpectedShortcut {
    QStringList keys;
    QString mouse;
    QString what;
};

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

TEST(HelpContent, ShortcutsWithModifierNames) {
    const QList<ExpectedShortcut> expected{
        {{"Alt"}, "Click a Result", "Copy the Result"},
        {{}, "Click a Result", "Insert It on Your Line as a Reference (line2)"},
        {{}, "Click the Total", "Copy the Total in the Bottom Right"},
        {{"Ctrl+Shift+C"}, "", "Copy All Results, Each Line With Its Answer"},
        {{"Ctrl+J"}, "", "Start a Line Reference, Then Type Its Number"},
        {{"Ctrl+N"}, "", "New Sheet"},
        {{"Ctrl+Shift+N"}, "", "New Folder in the Drawer (Drag Sheets Onto It)"},
        {{"Meta+Ctrl+S"}, "", "Close or Open the Drawer"},
        {{"Ctrl+Alt+F"}, "", "Search the Drawer by Name or Contents"},
        {{}, "Right-Click a Sheet", "Pin It to the Top of the Drawer"},
        {{u(u"Ctrl+Alt+\u2191"), u(u"Ctrl+Alt+\u2193")}, "", "Move the Current Line Up or Down"},
        {{}, "Drag the Divider", "Resize the Columns (Double-Click to Reset)"},
        {{"Ctrl++", u(u"Ctrl+\u2212"), "Ctrl+0"}, "", "Bigger, Smaller, Actual Text Size"},
        {{"Ctrl+,"}, "", "Settings"},
    };
    const auto& shortcuts = HelpContent::shortcuts();
    ASSERT_EQ(shortcuts.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(shortcuts[i].keys, expected[i].keys) << i;
        EXPECT_EQ(shortcuts[i].mouse, expected[i].mouse) << i;
        EXPECT_EQ(shortcuts[i].what, expected[i].what) << i;
    }
}

TEST(HelpContent, RowsNotesAndExamples) {
    const QList<std::pair<QString, QString>> expected{
        {"Maths", u(u"48 \u00F7 6 + 2^3    17 mod 4    \u221A81")},
        {"Percent", "15% of 80    15% off $80    12 is what % of 48"},
        {"Totals", "Flights: 420 + 385, then Total or Average on the next line"},
        {"Variables", u(u"hourly rate = $65    hourly rate \u00D7 38")},
        {"Units", "750 g to lb    6 ft 2 in to cm    36 px to pt"},
        {"Dates", "March 3 + 45 days    days until Nov 27    today + 10 workdays"},
        {"Times", "9:15 AM to 5:40 PM in hours    7pm Berlin in Singapore"},
        {"Currency", u(u"\u20AC250 to JPY    0.2 ETH in AUD    2 BTC + $500")},
        {"Money", "$5,000 after 10 years at 4%    gain from $800 to $1,000"},
        {"Loans", "loan payment on $18k over 4 years at 5.5%"},
        {"Other", "4095 as hex    2/7 to 3 dp    1,234 to nearest 100"},
        {"Notes", "# heading    // comment"},
    };
    const auto& rows = HelpContent::rows();
    ASSERT_EQ(rows.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(rows[i].row, expected[i].first);
        EXPECT_EQ(rows[i].text, expected[i].second);
    }
    EXPECT_EQ(HelpContent::footer(),
              (QStringList{
                  "Total, Average, Median and Count use the rows since the last blank line.",
                  u(u"Start a line with + \u00D7 or / to keep working on the line above."),
                  "Mixing crypto with a normal currency answers in the normal currency.",
                  "References follow line numbers, so moving lines can change them.",
                  "Rates are indicative, not for accounting or trading. Click the rates label to refresh."}));

    const auto& examples = HelpContent::calculableExamples();
    QStringList titles;
    for (const auto& example : examples)
        titles.append(example.row);
    EXPECT_EQ(titles, (QStringList{"Maths", "Percent", "Variables", "Units", "Dates", "Times", "Currency",
                                   "Money", "Loans", "Other"}));
    EXPECT_EQ(examples[0].lines, (QStringList{u(u"48 \u00F7 6 + 2^3"), "17 mod 4", u(u"\u221A81")}));
    EXPECT_EQ(examples[8].lines, (QStringList{"loan payment on $18k over 4 years at 5.5%"}));
    EXPECT_EQ(examples[9].lines, (QStringList{"4095 as hex", "2/7 to 3 dp", "1,234 to nearest 100"}));
}

TEST(HelpContent, AllTextHasOneLinePerEntry) {
    const QStringList lines = HelpContent::allText().split(u'\n');
    ASSERT_EQ(lines.size(), 14 + 12 + 5);
    EXPECT_EQ(lines[0], "Alt Click a Result Copy the Result");
    EXPECT_EQ(lines[1], " Click a Result Insert It on Your Line as a Reference (line2)");
    EXPECT_EQ(lines[3], "Ctrl+Shift+C  Copy All Results, Each Line With Its Answer");
    EXPECT_EQ(lines[10], u(u"Ctrl+Alt+\u2191 Ctrl+Alt+\u2193  Move the Current Line Up or Down"));
    EXPECT_EQ(lines[14], u(u"Maths 48 \u00F7 6 + 2^3    17 mod 4    \u221A81"));
    EXPECT_EQ(lines[25], "Notes # heading    // comment");
    EXPECT_EQ(lines[30], HelpContent::footer().last());
}

TEST(HelpContent, DocumentTextInOrder) {
    const auto doc = document();
    ASSERT_EQ(doc->blockCount(), 1 + 14 + 1 + 12 + 1 + 5 + 1);
    QStringList texts;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
        texts.append(block.text());
    EXPECT_EQ(texts[0], "SHORTCUTS");
    EXPECT_EQ(texts[1], " Alt  Click a Result\tCopy the Result");
    EXPECT_EQ(texts[2], "Click a Result\tInsert It on Your Line as a Reference (line2)");
    EXPECT_EQ(texts[4], " Ctrl+Shift+C \tCopy All Results, Each Line With Its Answer");
    EXPECT_EQ(texts[10], "Right-Click a Sheet\tPin It to the Top of the Drawer");
    EXPECT_EQ(texts[11], u(u" Ctrl+Alt+\u2191   Ctrl+Alt+\u2193 \tMove the Current Line Up or Down"));
    EXPECT_EQ(texts[13], u(u" Ctrl++   Ctrl+\u2212   Ctrl+0 \tBigger, Smaller, Actual Text Size"));
    EXPECT_EQ(texts[15], "TRY TYPING");
    EXPECT_EQ(texts[16], u(u"Maths\t48 \u00F7 6 + 2^3     17 mod 4     \u221A81"));
    EXPECT_EQ(texts[18], "Totals\tFlights: 420 + 385, then Total or Average on the next line");
    EXPECT_EQ(texts[27], "Notes\t# heading     // comment");
    EXPECT_EQ(texts[28], "GOOD TO KNOW");
    EXPECT_EQ(texts[29],
              u(u"\u2022\tTotal, Average, Median and Count use the rows since the last blank line."));
    EXPECT_EQ(texts[34], "numbers   operators   units and currencies   line references");
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

    const QTextBlock maths = blockAt(*doc, 16);
    check(formatAt(maths, 0), 12, QFont::Normal, false, Theme::muted());
    check(formatAt(maths, 5), 12, QFont::Normal, false, Theme::muted()); // the tab
    check(formatAt(maths, 6), 12, QFont::Light, true, Theme::text());

    const QTextBlock note = blockAt(*doc, 29);
    check(formatAt(note, 0), 12, QFont::Normal, false, Theme::muted());
    check(formatAt(note, 2), 12, QFont::Normal, false, Theme::text());

    const QTextBlock legend = blockAt(*doc, 34);
    const QString text = legend.text();
    check(formatAt(legend, text.indexOf("numbers")), 12, QFont::Normal, true, Theme::number());
    check(formatAt(legend, text.indexOf("operators")), 12, QFont::Normal, true, Theme::op());
    check(formatAt(legend, text.indexOf("units")), 12, QFont::Normal, true, Theme::unit());
    check(formatAt(legend, text.indexOf("line")), 12, QFont::Normal, true, Theme::ref());
    check(formatAt(legend, text.indexOf("operators") - 1), 12, QFont::Normal, true, Theme::muted());
}

TEST(HelpContent, ParagraphTabsAndSpacing) {
    const auto doc = document();
    struct Case {
        int block;
        qreal tab;
        qreal after;
    };
    for (const Case& c : {Case{0, 0, 8}, Case{1, 160, 4}, Case{14, 160, 4}, Case{15, 0, 8}, Case{16, 90, 4},
                          Case{27, 90, 4}, Case{28, 0, 8}, Case{29, 14, 4}, Case{34, 0, 0}}) {
        const QTextBlockFormat format = blockAt(*doc, c.block).blockFormat();
        ASSERT_EQ(format.tabPositions().size(), 1) << c.block;
        EXPECT_EQ(format.tabPositions()[0].position, c.tab) << c.block;
        EXPECT_EQ(format.leftMargin(), c.tab) << c.block; // wrapped lines start under the text after the tab
        EXPECT_EQ(format.textIndent(), -c.tab) << c.block;
        EXPECT_EQ(format.bottomMargin(), c.after) << c.block;
        EXPECT_EQ(format.lineHeight(), 2) << c.block;
        EXPECT_EQ(format.lineHeightType(), int(QTextBlockFormat::LineDistanceHeight)) << c.block;
    }

    // The space between paragraphs is the spacing after the one plus the spacing before the next.
    auto top = [&](int index) {
        const QTextBlock block = blockAt(*doc, index);
        return doc->documentLayout()->blockBoundingRect(block).top() + block.layout()->lineAt(0).y();
    };
    auto bottom = [&](int index) {
        const QTextBlock block = blockAt(*doc, index);
        const QTextLine last = block.layout()->lineAt(block.layout()->lineCount() - 1);
        return doc->documentLayout()->blockBoundingRect(block).top() + last.y() + last.height() +
               HelpContent::lineSpacing;
    };
    EXPECT_EQ(top(0), 0);
    EXPECT_DOUBLE_EQ(top(1) - bottom(0), 8);
    EXPECT_DOUBLE_EQ(top(2) - bottom(1), 4);
    EXPECT_DOUBLE_EQ(top(15) - bottom(14), 4 + 14);
    EXPECT_DOUBLE_EQ(top(16) - bottom(15), 8);
    EXPECT_DOUBLE_EQ(top(28) - bottom(27), 4 + 14);
    EXPECT_DOUBLE_EQ(top(34) - bottom(33), 4 + 8);
    EXPECT_DOUBLE_EQ(doc->size().height(), bottom(34));

    // Descriptions, examples and notes start at their tab stops.
    for (int block : {1, 2, 4, 8, 14}) {
        const QTextBlock b = blockAt(*doc, block);
        EXPECT_DOUBLE_EQ(xAfter(b, b.text().indexOf(u'\t') + 1), 160) << block;
    }
    for (int block : {16, 21, 27}) {
        const QTextBlock b = blockAt(*doc, block);
        EXPECT_DOUBLE_EQ(xAfter(b, b.text().indexOf(u'\t') + 1), 90) << block;
    }
    // Caps wider than the tab stop push their description to a later stop, on the same line.
    for (int block = 1; block <= 14; ++block) {
        const QTextBlock b = blockAt(*doc, block);
        EXPECT_GE(xAfter(b, b.text().indexOf(u'\t') + 1), 160) << block;
        EXPECT_EQ(b.layout()->lineCount(), 1) << block;
    }
    const QTextBlock note = blockAt(*doc, 33);
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
