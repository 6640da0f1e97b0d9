#include "core/values/Zones.h"

#include <benchmark/benchmark.h>

#include <QTimeZone>

using namespace VexilCore;

namespace {

// Words as the parser hands them over after a clock time: a zone, or prose that is none.
const QStringList& phrase(int i) {
    static const QStringList phrases[] = {
        {"PST"},
        {"london", "to", "tokyo"},
        {"new", "york", "at"},
        {"rio", "de", "janeiro"},
        {"and", "then", "some"},
    };
    return phrases[i];
}

void BM_ZonesMatch(benchmark::State& state) {
    const QStringList& words = phrase(int(state.range(0)));
    Zones::match(words); // tables and zone built outside the timing
    for (auto _ : state)
        benchmark::DoNotOptimize(Zones::match(words));
}
BENCHMARK(BM_ZonesMatch)->DenseRange(0, 4);

// What the first zone name of a session costs for the place-name map.
void BM_ZonesBuildCities(benchmark::State& state) {
    const QByteArrayList ids = QTimeZone::availableTimeZoneIds();
    for (auto _ : state)
        benchmark::DoNotOptimize(Zones::citiesFrom(ids));
}
BENCHMARK(BM_ZonesBuildCities);

} // namespace
