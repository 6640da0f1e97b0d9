#include "tests/support/Sheets.h"

using namespace VexilCore;
using Sheets::check;

namespace {

using Kind = LineOutcome::Kind;

QList<LineOutcome> evaluate(const QString& text) {
    return DocumentEvaluator(Sheets::context()).evaluate(text);
}

Highlight hl(qsizetype location, qsizetype length, Role role) {
    return Highlight{TextRange{location, length}, role};
}

} // namespace

TEST(DocumentPass, LineKinds) {
    check({
        {"# Trip 2 + 2", "#"},
        {"// only a note", "//"},
        {"\"quoted\" // and a note", "//"},
        {"Rent: 1200", "= 1,200"},
        {"Rent:", "text"},
        {"  \t ", ""},
        {"12 * (3 + 4) / 2", "= 42"},
        {"Label: // nothing", "//"},
    });
}

TEST(DocumentPass, SplitsAtLineFeedsOnly) {
    EXPECT_EQ(evaluate(QString()).size(), 1);
    const QList<LineOutcome> out = evaluate(QStringLiteral("1\n\n2\n"));
    ASSERT_EQ(out.size(), 4);
    EXPECT_EQ(out[0].range, (TextRange{0, 1}));
    EXPECT_EQ(out[1].range, (TextRange{2, 0}));
    EXPECT_EQ(out[2].range, (TextRange{3, 1}));
    EXPECT_EQ(out[3].range, (TextRange{5, 0}));
    EXPECT_EQ(out[3].kind, Kind::Blank);
    // A carriage return is no line break: it stays inside the line, and counts as white space.
    const QList<LineOutcome> crlf = evaluate(QStringLiteral("4\r\n\r\n5"));
    ASSERT_EQ(crlf.size(), 3);
    EXPECT_EQ(crlf[0].range, (TextRange{0, 2}));
    EXPECT_EQ(crlf[1].kind, Kind::Blank);
}

TEST(DocumentPass, LabelsAndHighlights) {
    const QString text = QStringLiteral("# Head\nRent:  1200 // monthly");
    const QList<LineOutcome> out = evaluate(text);
    ASSERT_EQ(out.size(), 2);
    EXPECT_EQ(out[0].highlights, (QList<Highlight>{hl(0, 6, Role::Comment)}));
    EXPECT_EQ(out[0].labelRange, std::nullopt);
    EXPECT_EQ(out[1].labelRange, (TextRange{7, 7}));
    EXPECT_EQ(out[1].highlights,
              (QList<Highlight>{hl(7, 7, Role::Label), hl(14, 4, Role::Number), hl(19, 10, Role::Comment)}));
}

TEST(DocumentPass, SummaryRows) {
    const QList<LineOutcome> out = check({
        {"Flights: 420 + 385", "= 805"},
        {"Hotel: 300", "= 300"},
        {"Total", "= 1,105"},
        // The total above is no part of the block: the average is of the two value lines.
        {"Average", "= 552.5"},
        {"median", "= 552.5"},
        {"COUNT", "= 2"},
        {"", ""},
        {"Total", "! Nothing to calculate"},
        {"count", "= 0"},
        {"7", "= 7"},
        {"sum // of one", "= 7"},
        {"", ""},
        {"4", "= 4"},
        {"(5", "?! Missing ')'"},
        {"Total", "! line14 has an error"},
    });
    EXPECT_TRUE(out[2].isSummary);
    EXPECT_FALSE(out[0].isSummary);
    EXPECT_EQ(out[2].highlights, (QList<Highlight>{hl(out[2].range.location, 5, Role::Keyword)}));
}

TEST(DocumentPass, Assignments) {
    const QList<LineOutcome> out = check({
        {"rate = 5", "= 5"},
        {"hourly rate = 65 * 2", "= 130"},
        {"may = 5", "! 'may' is a reserved word"},
        {"Total = 3", "! 'Total' is a reserved word"},
        {"the rate = 3", "= 3"},
        {"sum of line2 = 3", "! 'sum' is a reserved word"},
        {"cost line2 = 3", "! 'line2' is a reserved word"},
        {"x = 4", "= 4"},
        {"y =", "?! Expected a value for y"},
        {"y = // later", "?! Expected a value for y"},
        {"_tmp = (1 + 2", "?! Missing ')'"},
    });
    EXPECT_TRUE(out[0].isAssignment);
    EXPECT_TRUE(out[2].isAssignment);
    EXPECT_FALSE(evaluate(QStringLiteral("5")).front().isAssignment);
    // The name is a variable, "=" an operator.
    EXPECT_EQ(out[0].highlights.mid(0, 3),
              (QList<Highlight>{hl(0, 4, Role::Variable), hl(5, 1, Role::Op), hl(7, 1, Role::Number)}));
}

TEST(DocumentPass, CustomUnitLineShowsItsRightHandSide) {
    const QList<LineOutcome> out = check({
        {"1 dozen = 12", "= 12"},
        {"a score = 20", "= 20"},
        {"an hour = 5", "= 5"}, // "hour" is a unit already: an ordinary line
    });
    EXPECT_TRUE(out[0].isAssignment);
    EXPECT_TRUE(out[1].isAssignment);
}

TEST(DocumentPass, TrailingOperatorWordIsUnfinished) {
    const QList<LineOutcome> out = check({
        {"3 x", "?! Expected a value"},
        {"3 plus // soon", "?! Expected a value"},
        {"4 mod", "?! Expected a value"},
    });
    EXPECT_EQ(out[0].highlights.last(), hl(2, 1, Role::Op));
}

TEST(DocumentPass, LineValuesForReferences) {
    // lineValue answers only for lines above; its failures carry the error line's message.
    const QList<LineOutcome> out = check({
        {"5", "= 5"},
        {"(1", "?! Missing ')'"},
        {"# note", "#"},
    });
    EXPECT_EQ(out.size(), 3);
}

TEST(DocumentPass, DeeplyNestedLineFailsAlone) {
    const QString deep = QString(5000, u'(') + u'1' + QString(5000, u')');
    const QList<LineOutcome> out = evaluate(deep + QStringLiteral("\n2"));
    ASSERT_EQ(out.size(), 2);
    EXPECT_EQ(out[0].kind, Kind::Error);
    EXPECT_EQ(out[0].message, QStringLiteral("Too deeply nested"));
    EXPECT_EQ(out[1].kind, Kind::Value);
}

TEST(DocumentPass, OverlongLineFailsAlone) {
    const qsizetype most = DocumentEvaluator::kMaxLineLength;
    // The longest line is read; a longer one is refused without being read; a heading of any
    // length stays a heading.
    const QString sum = u'1' + QStringLiteral("+1").repeated((most - 1) / 2);
    const QString bangs = u'3' + QString(most, u'!');
    const QString heading = u'#' + QString(most, u'!');
    const QList<LineOutcome> out = evaluate(QStringList{sum, bangs, heading, QStringLiteral("2")}.join(u'\n'));
    ASSERT_EQ(out.size(), 4);
    ASSERT_EQ(out[0].kind, Kind::Value);
    EXPECT_EQ(asQuantity(*out[0].value)->value, double(most / 2));
    EXPECT_EQ(out[1].kind, Kind::Error);
    EXPECT_EQ(out[1].message, QStringLiteral("Line too long"));
    EXPECT_TRUE(out[1].highlights.isEmpty());
    EXPECT_EQ(out[2].kind, Kind::Heading);
    EXPECT_EQ(out[3].kind, Kind::Value);
}

TEST(DocumentPass, VariablesAndTriggerWords) {
    check({
        // "x" is both an operator word and a name: a line that parses keeps its value.
        {"x = 5", "= 5"},
        {"2 * x", "= 10"},
        {"x * 3", "= 15"},
        {"3 x 4", "= 12"},
        {"3 x", "?! Expected a value"},
        {"hourly rate = $65", "= 65 USD"},
        {"hourly rate * 38", "= 2,470 USD"},
        {"price \"note\" = 7", "= 7"},
        {"price + 1", "= 8"},
        {"Rent: rent = 1200", "= 1,200"},
        {"rent / 4", "= 300"},
    });
}

TEST(DocumentPass, CustomUnits) {
    const QList<LineOutcome> out = check({
        // A word ending in "ss" is singular: "glass" and "glasses" are its keys.
        {"1 glass = 250 ml", "= 250 mL"},
        {"2 glass", "= 2 glasses"},
        {"3 glasses to l", "= 0.75 L"},
        {"1 glass", "= 1 glass"},
        // A plural word is a key as typed, besides its singular.
        {"1 crates = 6 kg", "= 6 kg"},
        {"2 crate", "= 2 crates"},
        {"1 crates in kg", "= 6 kg"},
        {"1 dozen = 12", "= 12"},
        {"3 dozens", "= 3 dozens"},
        {"1 dozen", "= 1 dozen"},
        {"a box = 6 glass", "= 6 glasses"},
        {"2 boxes in ml", "= 3,000 mL"},
        {"1 coffee = 4 EUR", "= 4 EUR"},
        {"5 coffee in USD", "= 25 USD"},
        // Known units and words that may not be names are no custom units.
        {"1 km = 5", "! Unexpected '='"},
        {"1 glass =", "! Unexpected '='"},
        {"1 thing = true", "! That needs a number"},
    });
    EXPECT_TRUE(out[0].isAssignment);
    // The custom unit exists only below its definition.
    check({{"2 widget", "= 2"}, {"1 widget = 3 kg", "= 3 kg"}, {"2 widget", "= 2 widgets"}});
}

TEST(DocumentPass, ContinuationLines) {
    check({
        {"10", "= 10"},
        {"* 2", "= 20"},
        {"/ 4", "= 5"},
        {"^ 2", "= 25"},
        {"+ 1", "= 26"},
        // A minus sign starts a negative number, never a continuation.
        {"- 5", QStringLiteral(u"= \u22125")},
        {"", ""},
        {"+ 5", "= 5"},
        {"(1", "?! Missing ')'"},
        {"* 3", "! Unexpected '*'"},
        {"5 km", "= 5 km"},
        {"+ 300 m", "= 5.3 km"},
    });
}

TEST(DocumentPass, ReferencesAndAnswers) {
    check({
        {"5", "= 5"},
        {"(1", "?! Missing ')'"},
        {"# heading", "#"},
        {"line1 * 2", "= 10"},
        {"line2", "! line2 has an error"},
        {"line3", "! line3 has no value"},
        {"line8", "! line8 is below this line"},
        {"line8", "! A line can't refer to itself"},
        {"line99", "! There is no line 99"},
        {"ans + 1", "= 11"},
    });
}

TEST(DocumentPass, PointsRetriedAsPints) {
    check({
        {"1 cup + 1 pt", "= 3 cups"},
        {"12 pt + 1 in", "= 84 pt"},
        {"1 pt", "= 1 pt"},
    });
}

TEST(DocumentPass, SummariesOverRealLines) {
    // Blocks of lines between blank lines, each with the summaries of its values.
    check(Sheets::readSheet(QStringLiteral("sheets/summaries.sheet")));
}

TEST(DocumentPass, GrandTotalsOfASheet) {
    const QString text = QStringLiteral("2 m\n\u20AC5\nTotal\n50 cm\n$4\n3 // prose\nx = 1");
    const DocumentEvaluator ev(Sheets::context());
    const QList<Quantity> totals = ev.grandTotals(ev.evaluate(text));
    QStringList texts;
    for (const Quantity& q : totals)
        texts << Sheets::formatter().format(q);
    EXPECT_EQ(texts, (QStringList{"2.5 m", "8.2 EUR", "4"}));
}

TEST(DocumentPass, AssignmentsInsideConditionals) {
    const QList<LineOutcome> out = check({
        {"if 1 < 2 then a = 5", "= 5"},
        {"a * 2", "= 10"},
        {"if 1 > 2 then b = 5 else b = 7", "= 7"},
        {"b + 1", "= 8"},
        {"c = 2", "= 2"},
        {"if c > 1 then d = c * 10", "= 20"},
        {"d", "= 20"},
    });
    EXPECT_FALSE(out[0].isAssignment);
    // A line opening with "if" is never read as an assignment to "if flag then y".
    const QList<LineOutcome> flag = evaluate(QStringLiteral("if flag then y = 1"));
    ASSERT_EQ(flag.size(), 1);
    EXPECT_EQ(flag[0].kind, Kind::Error);
    EXPECT_FALSE(flag[0].message->contains(QStringLiteral("reserved word")));
}

TEST(DocumentPass, EachLineSeesOnlyTheDefinitionsAboveIt) {
    check({
        {"b = 1", "= 1"},
        // Both sides are read and the line fails: what its taken side assigned is not kept.
        {"if 1 < 2 then a = 5 else 1 / 0", "! Division by zero"},
        {"if 1 < 2 then b = 5 else 1 / 0", "! Division by zero"},
        {"a + 1", "! Unknown name 'a'"},
        {"b + 1", "= 2"},
        // A line read again with "pt" as pints leaves the next line's "pt" a point.
        {"1 cup + 1 pt", "= 3 cups"},
        {"12 pt + 1 in", "= 84 pt"},
        // A unit defined again holds from its new definition on.
        {"1 glass = 250 ml", "= 250 mL"},
        {"2 glasses in ml", "= 500 mL"},
        {"1 glass = 300 ml", "= 300 mL"},
        {"2 glass in ml", "= 600 mL"},
    });
}

TEST(DocumentPass, StyledResults) {
    check({
        {"4095 as hex", "= 0xFFF"},
        {"6.5 ft to ft and in", "= 6 ft 6 in"},
        {"90 s as hms", "= 00:01:30"},
        {"90 s as duration", "= 1 minute 30 seconds"},
        {"0.25 as %", "= 25%"},
        {"12 is what % of 48", "= 25%"},
        {"15% off $80", "= 68 USD"},
        {"today", "= Tue, June 4, 2024"},
        {"today as timestamp", "= 1717459200"},
        {"7pm Berlin in Singapore", "= 1:00 AM Singapore (+1 day)"},
    });
}
