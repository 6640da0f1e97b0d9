#pragma once

#include "core/values/Calendar.h"
#include "core/values/Value.h"

#include <QLocale>
#include <QString>

namespace VexilCore {

// Turns results into display text. Numbers are written in one fixed style whatever the locale:
// "," between groups of three digits, "." before the fraction and U+2212 as the minus sign. Only
// dates and times follow `locale` and `calendar` (its zone); the C/POSIX locale counts as US English.
//
// Quantity texts by display style (decimals: cryptoDecimals for a lone crypto unit or "sat",
// currencyDecimals for another lone currency unit, maxDecimals for everything else, compound units
// with a currency included):
//   plain      "1,250.5 km", "1 hour", "2 hours": the number, a blank, the unit's text; the unit is
//              singular when the number is written "1" or "−1", else plural. A plain number has
//              no unit text. With mixed-unit terms, the terms are written this way, joined by
//              blanks ("5 ft 3 in").
//   percent    "25%": the value times 100 and "%" (a unit, if any, follows after a blank).
//   factor     "2.5×": the number and U+00D7 (a unit, if any, follows after a blank).
//   hex        "0xFF", binary "0b101", octal "0o17": upper-case hex digits; a negative value is
//              "−0xFF"; a fractional or non-finite value, or one beyond 64 bits, falls back to plain.
//   hms        "01:30:00": hours:minutes:seconds of the duration, whole seconds truncated toward
//              zero; hours go on past 24 ("26:00:00"); a negative duration is "−00:01:30".
//   breakdown  "1 day 2 hours 3 minutes 4.5 seconds": days, hours, minutes and seconds, zero parts
//              left out ("0 seconds" when all are zero), joined by blanks; a leading "−" when negative.
//   mixed      "6 ft 6.74015748 in": whole numbers of every unit but the last, the rest in the last
//              unit; zero parts left out except the last when all are zero; a leading "−" when
//              negative.
//   ungrouped  "1717502400": the plain text without "," groups (timestamps).
// hms and breakdown of a quantity that is not a time, and mixed over units that do not fit the
// quantity, fall back to plain.
struct ResultFormatter {
    int maxDecimals = 8;
    QLocale locale;
    CalendarCtx calendar;
    int currencyDecimals = 2;
    int cryptoDecimals = 8;

    ResultFormatter() = default;
    // Clamps the three decimals to 0...12; direct writes to the fields are not clamped.
    ResultFormatter(int maxDecimals, int currencyDecimals, int cryptoDecimals, QLocale locale,
                    CalendarCtx calendar);
    bool operator==(const ResultFormatter&) const = default;

    // At most maxDecimals fraction digits (none when negative), rounded half away from zero on the
    // shortest decimal form of x; scientific notation for very large and very small magnitudes.
    QString number(double x) const;
    // Like printf "%.pe" with p = maxDecimals limited to 1...6, trimmed: "1.5e15", "−2e20".
    QString scientific(double x) const;

    QString format(const Value& value) const;
    QString format(const Quantity& q) const;

    // " (+1 day)", " (−2 days)"; n is not 0.
    static QString dayShift(qint64 n);

    // The locale date and time texts use: the C/POSIX locale becomes US English.
    QLocale textLocale() const;
};

} // namespace VexilCore
