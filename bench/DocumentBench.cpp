#include "core/document/Document.h"
#include "core/document/Formatting.h"
#include "core/document/Incremental.h"
#include "core/values/Units.h"

#include "AllocationCount.h"

#include <benchmark/benchmark.h>

#include <QStringList>

#include <algorithm>
#include <cstring>

namespace {

using namespace VexilCore;

const QLocale enUS(QLocale::English, QLocale::UnitedStates);

EvalContext context() {
    RatesTable rates;
    rates.base = QStringLiteral("USD");
    rates.rates = {{QStringLiteral("USD"), 1.0},
                   {QStringLiteral("EUR"), 0.92},
                   {QStringLiteral("GBP"), 0.79},
                   {QStringLiteral("JPY"), 156.4}};
    CryptoTable crypto;
    crypto.pricesUSD = {{QStringLiteral("BTC"), 67000.0}, {QStringLiteral("ETH"), 3500.0}};
    return EvalContext::make(CalendarCtx{QTimeZone::utc(), enUS}, 1717502400, rates, crypto, 16);
}

ResultFormatter formatter() {
    return ResultFormatter(8, 2, 8, enUS, CalendarCtx{QTimeZone::utc(), enUS});
}

// The block's lines repeated in order until the sheet has the wanted number of lines.
QString repeated(const QStringList& block, int lines) {
    QStringList out;
    out.reserve(lines);
    while (out.size() < lines)
        out << block[out.size() % block.size()];
    return out.join(u'\n');
}

// A block of 20 lines mixing what people type: labels, prose, arithmetic, units, conversions,
// money, dates, percentages, variables, references and a total. Repeated to the wanted size.
QString sheet(int lines) {
    static const QStringList block = {
        QStringLiteral("# Budget"),
        QStringLiteral("Rent: 1250 + 35.5"),
        QStringLiteral("groceries = $82.40 * 4"),
        QStringLiteral("groceries / 7"),
        QStringLiteral("Flights: \u20AC420 + \u20AC385 in USD"),
        QStringLiteral("0.2 BTC in EUR"),
        QStringLiteral("line2 * 12 // yearly"),
        QStringLiteral("15% of 80"),
        QStringLiteral("Total"),
        QStringLiteral("Average"),
        QString(),
        QStringLiteral("5 km to mi"),
        QStringLiteral("3 ft 2 in to cm"),
        QStringLiteral("March 3 + 45 days"),
        QStringLiteral("9:15 AM + 2 hours"),
        QStringLiteral("just a note about the trip"),
        QStringLiteral("(2 + 3) * 4 ^ 2 - 1"),
        QStringLiteral("4095 as hex"),
        QStringLiteral("// end of block"),
        QString(),
    };
    return repeated(block, lines);
}

// Evaluates the sheet, formats every value and the grand totals: what the editor does with a
// sheet's text on an edit.
qsizetype evaluateAndFormat(const QString& text, const EvalContext& ctx, const ResultFormatter& f) {
    const QList<LineOutcome> outcomes = DocumentEvaluator(ctx).evaluate(text);
    qsizetype chars = 0;
    for (const LineOutcome& o : outcomes)
        if (o.value) chars += f.format(*o.value).size();
    const QList<Quantity> totals = DocumentEvaluator(ctx).grandTotals(outcomes);
    for (const Quantity& q : totals)
        chars += f.format(q).size();
    return chars;
}

// Times evaluateAndFormat on the sheet. Counters: time per line, and from one more evaluation
// outside the timing, the heap blocks taken per line and the most heap in use at once.
void evaluateAndFormat(benchmark::State& state, const QString& text) {
    const EvalContext ctx = context();
    const ResultFormatter f = formatter();
    const double lines = double(text.count(u'\n') + 1);
    for (auto _ : state)
        benchmark::DoNotOptimize(evaluateAndFormat(text, ctx, f));
    const double evaluated = double(state.iterations()) * lines;
    state.SetItemsProcessed(qint64(evaluated));
    state.counters["per_line"] =
        benchmark::Counter(evaluated, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    const BenchAlloc::Counting counting;
    benchmark::DoNotOptimize(evaluateAndFormat(text, ctx, f));
    state.counters["allocs_per_line"] = double(counting.allocations()) / lines;
    state.counters["peak_MB"] = double(counting.peakBytes()) / (1024.0 * 1024.0);
}

// The engine's part of one keystroke: a digit typed at the end of a line in the middle of the
// sheet, then deleted, each evaluated against the outcomes kept from the edit before.
void BM_IncrementalKeystroke(benchmark::State& state) {
    const QString text = sheet(int(state.range(0)));
    const qsizetype at = text.indexOf(u'\n', text.size() / 2);
    QString typed = text;
    typed.insert(at, u'5');
    const EvalContext ctx = context();
    IncrementalEvaluator incremental;
    incremental.evaluate(ctx, text);
    bool add = true;
    for (auto _ : state) {
        benchmark::DoNotOptimize(incremental.evaluate(ctx, add ? typed : text).size());
        add = !add;
    }
    state.counters["evaluated"] = incremental.evaluatedCount();
}
BENCHMARK(BM_IncrementalKeystroke)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_EvaluateAndFormat(benchmark::State& state) {
    evaluateAndFormat(state, sheet(int(state.range(0))));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_EvaluateAndFormat)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();

// Notes with a few figures among them: headings, sentences, labelled remarks and comments.
void BM_ProseSheet(benchmark::State& state) {
    static const QStringList block = {
        QStringLiteral("# Moving to Lyon"),
        QStringLiteral("Rent for the flat in March"),
        QStringLiteral("Ask the landlord about the deposit and the keys"),
        QStringLiteral("Movers: call them on Monday morning"),
        QStringLiteral("Boxes from the shop on the corner"),
        QStringLiteral("van hire = 95 EUR"),
        QStringLiteral("Things to pack before the weekend"),
        QStringLiteral("just a note about the trip"),
        QStringLiteral("// remember the plants"),
        QStringLiteral("Deposit: two months of rent, paid back after the inspection"),
        QStringLiteral("van hire * 2"),
        QStringLiteral("Pick up the bike from the old garage"),
        QStringLiteral("Internet and power need new contracts"),
        QString(),
    };
    evaluateAndFormat(state, repeated(block, int(state.range(0))));
}
BENCHMARK(BM_ProseSheet)->Arg(1000)->Unit(benchmark::kMillisecond);

// One line of prose, the commonest line that has no value, repeated.
void BM_ProseLine(benchmark::State& state) {
    evaluateAndFormat(state, repeated({QStringLiteral("Rent for the flat in March")}, 1000));
}
BENCHMARK(BM_ProseLine)->Unit(benchmark::kMillisecond);

// A name made of letters only, distinct for every n (no digits, which would end the word).
QString letters(int n, const char* alphabet) {
    const int base = int(std::strlen(alphabet));
    QString out;
    do {
        out += QLatin1Char(alphabet[n % base]);
        n /= base;
    } while (n > 0);
    return out;
}

// A sheet that defines one variable per line, each from the one before, and uses some of them.
void BM_ManyVariables(benchmark::State& state) {
    const int n = int(state.range(0));
    QStringList lines;
    lines.reserve(n + n / 10);
    QString previous;
    for (int i = 0; i < n; ++i) {
        const QString name = QStringLiteral("var") + letters(i, "abcdefghijklmnopqrtuvwyz");
        lines << (previous.isEmpty() ? name + QStringLiteral(" = 1")
                                     : name + QStringLiteral(" = ") + previous + QStringLiteral(" + 1"));
        if (i % 10 == 9) lines << name + QStringLiteral(" * 2");
        previous = name;
    }
    evaluateAndFormat(state, lines.join(u'\n'));
}
BENCHMARK(BM_ManyVariables)->Arg(1000)->Arg(8000)->Arg(50000)->Unit(benchmark::kMillisecond);

// A sheet that defines one unit per line and converts with some of them.
void BM_ManyCustomUnits(benchmark::State& state) {
    const int n = int(state.range(0));
    QStringList lines;
    lines.reserve(n + n / 10);
    for (int i = 0; i < n; ++i) {
        const QString word = QStringLiteral("gizmo") + letters(i, "abcdefgijklmnopqrtuvwyz");
        lines << QStringLiteral("1 ") + word + QStringLiteral(" = 3 cm");
        if (i % 10 == 9) lines << QStringLiteral("5 ") + word + QStringLiteral(" in m");
    }
    evaluateAndFormat(state, lines.join(u'\n'));
}
BENCHMARK(BM_ManyCustomUnits)->Arg(1000)->Arg(8000)->Arg(50000)->Unit(benchmark::kMillisecond);

// One line without a blank: the start, then the repeated piece up to length characters.
QString longLine(const QString& start, const QString& piece, qsizetype length) {
    QString out = start;
    out.reserve(length);
    while (out.size() + piece.size() <= length)
        out += piece;
    return out;
}

void BM_LongSum(benchmark::State& state) {
    evaluateAndFormat(state, longLine(QStringLiteral("1"), QStringLiteral("+1"), 100000));
}
BENCHMARK(BM_LongSum)->Unit(benchmark::kMillisecond);

void BM_LongFactorials(benchmark::State& state) {
    evaluateAndFormat(state, longLine(QStringLiteral("3"), QStringLiteral("!"), state.range(0)));
}
BENCHMARK(BM_LongFactorials)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_FormatNumbers(benchmark::State& state) {
    const ResultFormatter f = formatter();
    const double values[] = {0, 1234567.891, -0.001, 3.14159265358979, 1e15, 4e-5, 163.6, 1.005};
    for (auto _ : state)
        for (double v : values)
            benchmark::DoNotOptimize(f.number(v));
    state.SetItemsProcessed(state.iterations() * qint64(std::size(values)));
}
BENCHMARK(BM_FormatNumbers);

void BM_FormatValues(benchmark::State& state) {
    const ResultFormatter f = formatter();
    const QList<Value> values = {
        Value(std::in_place_type<Quantity>,
              Quantity(1250.5, CompoundUnit(Units::unit(QStringLiteral("km"))))),
        Value(std::in_place_type<Quantity>, Quantity(204, CompoundUnit(Units::unit(QStringLiteral("USD"))))),
        Value(std::in_place_type<Quantity>, Quantity(0.25, CompoundUnit::none(), DisplayStyle::Percent)),
        Value(std::in_place_type<CalendarDate>, CalendarDate{2024, 6, 4}),
        Value(std::in_place_type<ClockTime>, ClockTime{34200, 0}),
        Value(std::in_place_type<ZonedTime>, ZonedTime{1717531200, QTimeZone("Europe/Berlin"), "Berlin", 1}),
    };
    for (auto _ : state)
        for (const Value& v : values)
            benchmark::DoNotOptimize(f.format(v));
    state.SetItemsProcessed(state.iterations() * values.size());
}
BENCHMARK(BM_FormatValues);

} // namespace
