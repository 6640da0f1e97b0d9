#pragma once

#include "core/currency/RatesTable.h"
#include "core/values/Calendar.h"

#include <optional>

namespace VexilCore {

// A value of the outside world whose reads can be noted, so that a caller can tell which lines
// depend on the moment they were evaluated.
template <class T> class Watched {
public:
    Watched(T value = T()) : m_value(value) {}
    Watched& operator=(T v) {
        m_value = v;
        return *this;
    }
    operator T() const {
        if (seen) *seen = true;
        return m_value;
    }
    // The value without noting a read.
    T peek() const { return m_value; }

    bool* seen = nullptr;

private:
    T m_value;
};

// What one evaluation of a sheet needs from the outside world. Built once per re-evaluation.
struct EvalContext {
    CalendarCtx calendar;
    Watched<double> now = 0.0; // seconds since 1970
    std::optional<RatesTable> rates;
    std::optional<CryptoTable> crypto;
    double emBasePixels = 16;
    bool monthFirstDates = true;
    // Seeds the random-number phrases, so that one evaluation is repeatable; whoever builds the
    // context for an edit may give each evaluation a fresh seed.
    Watched<quint64> randomSeed = quint64(0);
    // Set while a line is evaluated: notes a read of the clock or the random seed.
    bool* outsideRead = nullptr;
    // Set while a line is evaluated: the zones whose current date it read (see dateIn).
    QList<QTimeZone>* datesRead = nullptr;

    void watchOutsideReads(bool* flag, QList<QTimeZone>* dates) {
        outsideRead = flag;
        now.seen = flag;
        randomSeed.seen = flag;
        datesRead = dates;
    }
    // The date it is now in zone; none when the clock is beyond the calendar. A line that reads
    // the clock only through this gives one outcome all day, so the read is noted apart.
    std::optional<QDate> dateIn(const QTimeZone& zone) const;
    // Everything but the clock and the random seed is the same, so a line that reads neither
    // evaluates alike under both.
    bool sameInputs(const EvalContext& o) const {
        return calendar == o.calendar && rates == o.rates && crypto == o.crypto &&
               emBasePixels == o.emBasePixels && monthFirstDates == o.monthFirstDates;
    }

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
