#include "core/document/ReferenceInsertion.h"

#include <gtest/gtest.h>

using namespace VexilCore;

namespace {

QString applied(const QString& text, const ReferenceInsertion::Edit& e) {
    return QString(text).replace(e.range.location, e.range.length, e.replacement);
}

struct Case {
    const char* text;
    TextRange selection;
    int clickedLine;
    const char* after;
    qsizetype caret;
};

} // namespace

TEST(ReferenceInsertion, Cases) {
    const Case cases[] = {
        // Caret at the end, below the clicked line: a blank after "x".
        {"Petrol: 30+45.6+88\n200\n\n500 x", {29, 0}, 1, "Petrol: 30+45.6+88\n200\n\n500 x line2", 35},
        // Caret on the clicked line: a new line directly below it.
        {"Petrol: 30+45.6+88\n200\n\n500 x line2",
         {0, 0},
         0,
         "Petrol: 30+45.6+88\nline1\n200\n\n500 x line2",
         24},
        {"7\n\n2 *", {6, 0}, 0, "7\n\n2 * line1", 12},
        // An empty caret line needs no blank.
        {"123456789.123 * 1000\n\n", {22, 0}, 0, "123456789.123 * 1000\n\nline1", 27},
        // Caret above the clicked line, on the last line without a line feed after it.
        {"1\n2\n3", {0, 0}, 2, "1\n2\n3\nline3", 11},
        // A selection within the caret line is replaced.
        {"10\n20\n5 * 99", {10, 2}, 1, "10\n20\n5 * line2", 15},
        // After "(" or a blank no blank is added; before a letter or digit one is.
        {"10\n(", {4, 0}, 0, "10\n(line1", 9},
        {"10\n2 * ", {7, 0}, 0, "10\n2 * line1", 12},
        {"10\n2 *3", {6, 0}, 0, "10\n2 * line1 3", 13},
        {"10\n2 *)", {6, 0}, 0, "10\n2 * line1)", 12},
        // A selection over several lines: at the end of its first line, nothing removed.
        {"10\n20\n3 +\n4", {8, 3}, 0, "10\n20\n3 + line1\n4", 15},
        // Out of range input is clamped.
        {"10\n2 +", {99, 5}, 0, "10\n2 + line1", 12},
        {"10\n20", {0, 0}, 7, "10\n20\nline8", 11},
        {"", {0, 0}, 0, "\nline1", 6},
    };
    for (const Case& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        const ReferenceInsertion::Edit e = ReferenceInsertion::edit(text, c.selection, c.clickedLine);
        EXPECT_EQ(applied(text, e), QString::fromUtf8(c.after)) << c.text;
        EXPECT_EQ(e.selectionAfter, (TextRange{c.caret, 0})) << c.text;
        EXPECT_EQ(e.range.location + e.replacement.size(), c.caret) << c.text;
    }
}

TEST(ReferenceInsertion, CountsUtf16Units) {
    // "€" is one unit, "😀" two: positions are QString indices.
    const QString text = QStringLiteral(u"\u20AC5\n\U0001F600 2 +");
    const auto e = ReferenceInsertion::edit(text, {qsizetype(text.size()), 0}, 0);
    EXPECT_EQ(e.range, (TextRange{text.size(), 0}));
    EXPECT_EQ(e.replacement, " line1");
    const auto below = ReferenceInsertion::edit(text, {0, 0}, 0);
    EXPECT_EQ(below.range, (TextRange{2, 0}));
}
