#pragma once

#include "core/currency/RatesTable.h"
#include "core/values/Calendar.h"

#include <optional>

namespace VexilCore {

// What one evaluation of a sheet needs from the outside world. Built once per re-evaluation.
struct EvalContext {
    CalendarCtx calendar;
    double now = 0; // seconds since 1970
    std::optional<RatesTable> rates;
    std::optional<CryptoTable> crypto;
    double emBasePixels = 16;
    bool monthFirstDates = true;
    // Seeds the random-number phrases, so that one evaluation is repeatable; whoever builds the
    // context for an edit may give each evaluation a fresh seed.
    quint64 randomSeed = 0;

    // When monthFirstDates is absent it follows the calendar's locale.
    static EvalContext make(CalendarCtx calendar, double now, std::optional<RatesTable> rates,
                            std::optional<CryptoTable> crypto, double emBasePixels,
                            std::optional<bool> monthFirstDates = std::nullopt);

    // Whether the locale writes numeric dates month first. The C/POSIX locale counts as US English.
    static bool localeIsMonthFirst(const QLocale& locale);
    // The rule on a date pattern: the first 'M' before the first 'd' (quoted text skipped); a
    // pattern lacking either letter counts as month first.
    static bool patternIsMonthFirst(const QString& pattern);
};

} // namespace VexilCore
