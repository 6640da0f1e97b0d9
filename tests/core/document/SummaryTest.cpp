#include "tests/support/Sheets.h"

#include "core/values/CalcError.h"
#include "core/values/Units.h"

using namespace VexilCore;

namespace {

LineOutcome valueLine(Value v) {
    LineOutcome o;
    o.kind = LineOutcome::Kind::Value;
    o.value = std::move(v);
    return o;
}

LineOutcome qty(double v, const char* unit = nullptr) {
    return valueLine(Value(std::in_place_type<Quantity>,
                           Quantity(v, unit ? CompoundUnit(Units::unit(unit)) : CompoundUnit::none())));
}

LineOutcome errorLine() {
    LineOutcome o;
    o.kind = LineOutcome::Kind::Error;
    o.message = QStringLiteral("Unknown name 'zz'");
    return o;
}

QList<int> all(const QList<LineOutcome>& outcomes) {
    QList<int> block;
    for (int i = 0; i < outcomes.size(); ++i)
        block << i;
    return block;
}

QString summary(const QList<LineOutcome>& outcomes, const char* kind) {
    const DocumentEvaluator ev(Sheets::context());
    try {
        return Sheets::formatter().format(ev.summarize(all(outcomes), outcomes, QString::fromUtf8(kind)));
    } catch (const CalcError& e) {
        return QStringLiteral("! ") + e.message;
    }
}

} // namespace

TEST(Summaries, Kinds) {
    struct Case {
        QList<LineOutcome> lines;
        const char* kind;
        const char* text;
    };
    LineOutcome blank;
    const Value truth(std::in_place_type<bool>, true);
    const Value day(std::in_place_type<CalendarDate>, CalendarDate{2024, 6, 4});
    const Value clock(std::in_place_type<ClockTime>, ClockTime{3600, 0});
    const Case cases[] = {
        // The first quantity's unit leads.
        {{qty(1, "m"), qty(50, "cm")}, "sum", "1.5 m"},
        {{qty(50, "cm"), qty(1, "m")}, "sum", "150 cm"},
        {{qty(10, "USD"), qty(8, "EUR")}, "sum", "20 USD"},
        {{qty(1, "m"), qty(2, "m"), qty(6, "m")}, "mean", "3 m"},
        {{qty(5), qty(1), qty(3)}, "median", "3"},
        {{qty(10), qty(1), qty(3), qty(2)}, "median", "2.5"},
        {{qty(1, "m"), qty(300, "cm"), qty(50, "cm")}, "median", "1 m"},
        {{qty(2), qty(1, "m")}, "median", "1.5 m"},
        // Count counts every value line, whatever it holds, and nothing else.
        {{qty(1), valueLine(truth), blank, valueLine(day)}, "count", "3"},
        {{}, "count", "0"},
        {{}, "sum", "! Nothing to calculate"},
        {{blank}, "mean", "! Nothing to calculate"},
        {{qty(1), valueLine(truth)}, "sum", "! Can't total true/false or text (line2)"},
        {{qty(1), valueLine(Value(std::in_place_type<QString>, QStringLiteral("Mon")))},
         "mean",
         "! Can't total true/false or text (line2)"},
        {{qty(1), qty(2), valueLine(day)}, "median", "! Can't total dates or times (line3)"},
        {{valueLine(clock)}, "sum", "! Can't total dates or times (line1)"},
        {{qty(1), errorLine()}, "sum", "! line2 has an error"},
        {{qty(1), errorLine()}, "count", "! line2 has an error"},
        {{qty(1, "m"), qty(2, "m"), qty(2, "kg")}, "sum", "! line3: can't add length and mass"},
        {{qty(1, "m"), qty(2, "kg")}, "median", "! line2: can't add length and mass"},
        {{qty(1, "USD"), qty(2, "JPY")},
         "sum",
         "! line2: no exchange rate for JPY yet. Click Rates to refresh"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(summary(c.lines, c.kind), QString::fromUtf8(c.text)) << c.text;
}

TEST(Summaries, SummaryRowWords) {
    for (const char* line :
         {"Total", "TOTAL", "  total \t", "sum", "Average", "avg", "mean", "Median", "count"})
        EXPECT_TRUE(DocumentEvaluator::isSummaryRow(QString::fromUtf8(line))) << line;
    for (const char* line : {"totals", "total:", "total in EUR", "", "grand total"})
        EXPECT_FALSE(DocumentEvaluator::isSummaryRow(QString::fromUtf8(line))) << line;
}

TEST(GrandTotals, OnePerDimensionInOrderOfFirstUse) {
    LineOutcome summary = qty(1000, "m");
    summary.isSummary = true;
    const QList<LineOutcome> outcomes = {
        qty(2, "m"),
        qty(5, "EUR"),
        summary,
        errorLine(),
        qty(50, "cm"),
        qty(4, "USD"),
        qty(3, "JPY"), // no rate: left out of its group
        valueLine(Value(std::in_place_type<bool>, true)),
        qty(7),
    };
    const QList<Quantity> totals = DocumentEvaluator(Sheets::context()).grandTotals(outcomes);
    QStringList texts;
    for (const Quantity& q : totals)
        texts << Sheets::formatter().format(q);
    EXPECT_EQ(texts, (QStringList{"2.5 m", "8.2 EUR", "7"}));
    EXPECT_TRUE(DocumentEvaluator(Sheets::context()).grandTotals({}).isEmpty());
}
