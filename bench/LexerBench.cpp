#include "core/parser/Lexer.h"

#include <benchmark/benchmark.h>

#include <QString>

namespace {

const QString typicalLine =
    QStringLiteral(u"Rent: $1,250.50 + 3 \u00D7 12.5% of \u20AC400 in GBP at 9:30pm on 5/3/2024 // monthly");

void BM_LexTypicalLine(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(VexilCore::Lexer::lex(typicalLine, false));
    state.SetBytesProcessed(state.iterations() * typicalLine.size() * qsizetype(sizeof(QChar)));
}
BENCHMARK(BM_LexTypicalLine);

void BM_LexLongLine(benchmark::State& state) {
    QString line;
    for (int k = 0; k < 100; ++k)
        line += QStringLiteral(u"(0x1F + 2024-03-05T14:30:15Z) \u2212 \u221A9 km\u00B2 \"note\" \U0001F600 ");
    for (auto _ : state)
        benchmark::DoNotOptimize(VexilCore::Lexer::lex(line, true));
    state.SetBytesProcessed(state.iterations() * line.size() * qsizetype(sizeof(QChar)));
}
BENCHMARK(BM_LexLongLine);

} // namespace
