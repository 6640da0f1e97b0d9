#include "core/values/Units.h"

#include <benchmark/benchmark.h>

#include <QStringList>

using namespace VexilCore;

namespace {

// A mix of the paths a sheet's words take: exact names, power suffixes, folded names, codes
// in any case and words that are not units at all.
void BM_LookupWord(benchmark::State& state) {
    const QStringList words{QStringLiteral("km"),      QStringLiteral("m2"),  QStringLiteral("Meters"),
                            QStringLiteral("usd"),     QStringLiteral("EUR"), QStringLiteral("hello"),
                            QStringLiteral("satoshi"), QStringLiteral("pt"),  QStringLiteral("total")};
    Units::lookupWord(words.front()); // build the registry outside the timing
    for (auto _ : state)
        for (const QString& w : words)
            benchmark::DoNotOptimize(Units::lookupWord(w));
    state.SetItemsProcessed(state.iterations() * words.size());
}
BENCHMARK(BM_LookupWord);

} // namespace
