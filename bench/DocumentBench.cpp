#include "core/document/Document.h"
#include "core/document/Formatting.h"
#include "core/values/Units.h"

#include <benchmark/benchmark.h>

#include <QStringList>

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
    QStringList out;
    out.reserve(lines);
    while (out.size() < lines)
        out << block[out.size() % block.size()];
    return out.join(u'\n');
}

void BM_EvaluateAndFormat(benchmark::State& state) {
    const QString text = sheet(int(state.range(0)));
    const EvalContext ctx = context();
    const ResultFormatter f = formatter();
    for (auto _ : state) {
        const QList<LineOutcome> outcomes = DocumentEvaluator(ctx).evaluate(text);
        qsizetype chars = 0;
        for (const LineOutcome& o : outcomes)
            if (o.value) chars += f.format(*o.value).size();
        const QList<Quantity> totals = DocumentEvaluator(ctx).grandTotals(outcomes);
        for (const Quantity& q : totals)
            chars += f.format(q).size();
        benchmark::DoNotOptimize(chars);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_EvaluateAndFormat)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();

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
