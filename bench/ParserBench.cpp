#include "core/parser/Lexer.h"
#include "core/parser/Parser.h"
#include "tests/support/OneLineEnv.h"

#include <benchmark/benchmark.h>

#include <QString>
#include <QStringList>

namespace {

using namespace VexilCore;

// Lexing is measured apart; here the tokens are made once and each iteration builds a parser,
// parses and asks for the highlights, as the evaluator does per line.
void parseTokens(benchmark::State& state, const QString& line) {
    const QList<Token> tokens = Lexer::lex(line, true);
    const LineEnv env = TestSupport::oneLineEnv();
    for (auto _ : state) {
        LineParser lp(tokens, env);
        benchmark::DoNotOptimize(lp.parseLine());
        benchmark::DoNotOptimize(lp.highlights(0));
    }
}

void BM_ParseArithmetic(benchmark::State& state) {
    parseTokens(state, QStringLiteral("(1250.5 + 3 * 12.5) / 4 - 7 mod 3 // monthly"));
}
BENCHMARK(BM_ParseArithmetic);

void BM_ParseLogic(benchmark::State& state) {
    parseTokens(state, QStringLiteral("2 < 3 and 4 >= 4 or 6 | 3 == 7"));
}
BENCHMARK(BM_ParseLogic);

void BM_ParseProducts(benchmark::State& state) {
    parseTokens(state, QStringLiteral("10 combinations 3 times 2 divided by 4 x 5"));
}
BENCHMARK(BM_ParseProducts);

// Lines led by phrase words, and a value followed by words that start none: each word on the way
// is tried as a phrase head.
void BM_ParsePhrases(benchmark::State& state) {
    const QStringList lines{
        QStringLiteral("square root of 16 + half of 30 + max of 3, 9"),
        QStringLiteral("days until Dec 25"),
        QStringLiteral("remainder of 17 / 5 rounded to the nearest ten"),
        QStringLiteral("12 apples and some pears for the picnic"),
    };
    QList<QList<Token>> tokens;
    for (const QString& line : lines)
        tokens.append(Lexer::lex(line, true));
    const LineEnv env = TestSupport::oneLineEnv();
    for (auto _ : state) {
        for (const QList<Token>& line : tokens) {
            LineParser lp(line, env);
            benchmark::DoNotOptimize(lp.parseLine());
        }
    }
}
BENCHMARK(BM_ParsePhrases);

void BM_LexAndParseConversion(benchmark::State& state) {
    const QString line = QStringLiteral("(2 + 3) * 1000 to km");
    const LineEnv env = TestSupport::oneLineEnv();
    for (auto _ : state) {
        LineParser lp(Lexer::lex(line, true), env);
        benchmark::DoNotOptimize(lp.parseLine());
    }
}
BENCHMARK(BM_LexAndParseConversion);

} // namespace
