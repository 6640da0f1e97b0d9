#pragma once

#include "core/parser/Parser.h"
#include "core/phrases/Phrases.h"

#include <QLocale>
#include <QTimeZone>

#include <optional>
#include <utility>

// What a sheet of one line sees, for the parser's tests and benchmarks.
namespace TestSupport {

// The tests and benchmarks that make parsers themselves read lines in the whole language, as a
// sheet does: the keyword phrases are installed before main starts.
inline const bool phrasesInstalled = (VexilCore::installPhrases(), true);

// 2023-11-14 22:13:20 UTC.
inline constexpr double kFixedNow = 1'700'000'000;

// Line 1 of 1 evaluated in ctx.
inline VexilCore::LineEnv oneLineEnv(VexilCore::EvalContext ctx) {
    VexilCore::LineEnv env;
    env.ctx = std::move(ctx);
    env.currentLine = 1;
    env.lineCount = 1;
    return env;
}

// Line 1 of 1 at kFixedNow in zone, in US English, with no rates.
inline VexilCore::LineEnv oneLineEnv(const QTimeZone& zone = QTimeZone::utc()) {
    using namespace VexilCore;
    return oneLineEnv(EvalContext::make(CalendarCtx{zone, QLocale(QLocale::English, QLocale::UnitedStates)},
                                        kFixedNow, std::nullopt, std::nullopt, 16, true));
}

} // namespace TestSupport
