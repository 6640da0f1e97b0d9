#include "core/values/Value.h"

#include "core/values/CalcError.h"

#include <cmath>

namespace VexilCore {

namespace {

// Years well inside QDate's int, so that shifts by a million years cannot overflow.
constexpr qint64 kMaxYear = 100'000'000;

CalcError invalidDate() {
    return CalcError(QStringLiteral("Invalid date"));
}
CalcError outOfRange() {
    return CalcError(QStringLiteral("Date out of range"));
}

} // namespace

std::optional<QDate> CalendarDate::toQDate() const {
    if (year < -kMaxYear || year > kMaxYear || month < 1 || month > 12 || day < 1 || day > 31)
        return std::nullopt;
    const QDate d{int(year), int(month), int(day)};
    if (!d.isValid()) return std::nullopt;
    return d;
}

CalendarDate CalendarDate::make(qint64 year, qint64 month, qint64 day, const CalendarCtx&) {
    if (month < 1 || month > 12 || day < 1) throw invalidDate();
    if (year < -kMaxYear || year > kMaxYear) throw invalidDate();
    const QDate first(int(year), int(month), 1);
    if (!first.isValid()) throw invalidDate(); // Gregorian: there is no year 0
    if (day > first.daysInMonth()) throw invalidDate();
    return CalendarDate{year, month, day};
}

double CalendarDate::date(const CalendarCtx& cal) const {
    const auto d = toQDate();
    if (!d) throw invalidDate();
    return Calendar::wallToInstant(cal.zone, *d, QTime(12, 0));
}

CalendarDate CalendarDate::from(double instant, const CalendarCtx& cal) {
    const auto dt = Calendar::toDateTime(instant, cal.zone);
    if (!dt) throw outOfRange();
    const QDate d = dt->date();
    return CalendarDate{d.year(), d.month(), d.day()};
}

ClockTime ClockTime::make(double seconds, qint64 dayOffset) {
    const double total = double(dayOffset) * 86400.0 + seconds;
    if (!std::isfinite(total)) throw outOfRange();
    const double days = std::floor(total / 86400.0);
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    if (!(days > -9223372036854775808.0 && days < 9223372036854775808.0)) throw outOfRange();
    ClockTime t{total - days * 86400.0, qint64(days)};
    // Rounding can leave a total just below a day boundary at exactly 86400 (or a hair below 0).
    if (t.seconds >= 86400.0) {
        t.seconds -= 86400.0;
        t.dayOffset += 1;
    } else if (t.seconds < 0) {
        t.seconds += 86400.0;
        t.dayOffset -= 1;
    }
    return t;
}

} // namespace VexilCore
