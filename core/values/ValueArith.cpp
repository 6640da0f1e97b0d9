#include "core/values/ValueArith.h"

#include "core/values/Arith.h"
#include "core/values/Calendar.h"
#include "core/values/Units.h"

#include <QDate>

#include <algorithm>
#include <array>
#include <cmath>

namespace VexilCore::ValueArith {

using namespace Qt::Literals::StringLiterals;

namespace {

// The same bound on years as CalendarDate::make, well inside QDate's int.
constexpr qint64 kMaxYear = 100'000'000;
// More days than the whole supported range spans; larger day counts cannot land anywhere.
constexpr qint64 kMaxDays = 2 * kMaxYear * 366 + 1;
// 2^63: the first double that no longer fits a qint64.
constexpr double kInt64Limit = 9223372036854775808.0;
constexpr double kTolerance = 1e-9;
// Largest calendar amount a date takes in one term.
constexpr double kMaxCalendarAmount = 1e6;

CalcError error(const QString& message) {
    return CalcError(message);
}
CalcError outOfRange() {
    return error(u"Date out of range"_s);
}
CalcError boolOrText() {
    return error(u"Can't do arithmetic with true/false or text"_s);
}

// NaN-safe: a NaN or infinite amount is never whole.
bool isWhole(double x, double n) {
    return std::fabs(x - n) < kTolerance;
}

bool isDuration(const Quantity& q) {
    return q.unit.dim() == Dimension::time;
}

bool keepsDurationStyle(const DisplayStyle& s) {
    return s.kind == DisplayStyle::Breakdown || s.kind == DisplayStyle::Hms;
}

const UnitRef& unitNamed(const QString& id) {
    // Built-in units never change once the registry exists.
    static const UnitRef s = Units::unit(u"s"_s);
    static const UnitRef min = Units::unit(u"min"_s);
    static const UnitRef h = Units::unit(u"h"_s);
    static const UnitRef d = Units::unit(u"d"_s);
    if (id == u"s") return s;
    if (id == u"min") return min;
    if (id == u"h") return h;
    return d;
}

bool inRange(const QDate& d) {
    return d.isValid() && d.year() >= -kMaxYear && d.year() <= kMaxYear;
}

// Gregorian years as one continuous count, so that arithmetic can step over the missing year 0
// the way QDate does (1 BC is followed by AD 1).
qint64 continuousYear(int year) {
    return year > 0 ? year : qint64(year) + 1;
}
qint64 gregorianYear(qint64 continuous) {
    return continuous > 0 ? continuous : continuous - 1;
}

// The date with the given continuous year and month, its day clamped to the month's length.
std::optional<QDate> clamped(qint64 continuous, int month, int day) {
    const qint64 year = gregorianYear(continuous);
    if (year < -kMaxYear || year > kMaxYear) return std::nullopt;
    const QDate first(int(year), month, 1);
    if (!first.isValid()) return std::nullopt;
    return QDate(int(year), month, std::min(day, first.daysInMonth()));
}

// QDate::addYears and addMonths, in 64 bits and without Qt's month-by-month loop, so that any
// count gives either a date within the supported years or nothing.
std::optional<QDate> addYears(const QDate& d, qint64 years) {
    if (years == 0) return d;
    if (years < -3 * kMaxYear || years > 3 * kMaxYear) return std::nullopt;
    return clamped(continuousYear(d.year()) + years, d.month(), d.day());
}

std::optional<QDate> addMonths(const QDate& d, qint64 months) {
    if (months == 0) return d;
    if (months < -36 * kMaxYear || months > 36 * kMaxYear) return std::nullopt;
    const qint64 index = continuousYear(d.year()) * 12 + (d.month() - 1) + months;
    const qint64 year = index >= 0 ? index / 12 : -((-index + 11) / 12);
    return clamped(year, int(index - year * 12) + 1, d.day());
}

// An instant moved by whole months or years on the calendar of a zone, keeping its wall time.
// Left where it is when the calendar cannot form the result.
double moveByCalendar(double instant, qint64 n, bool years, const QTimeZone& zone) {
    const auto wall = Calendar::toDateTime(instant, zone);
    if (!wall) return instant;
    const double remainder = instant - double(wall->toMSecsSinceEpoch()) / 1000.0;
    const auto date = years ? addYears(wall->date(), n) : addMonths(wall->date(), n);
    if (!date) return instant;
    return Calendar::wallToInstant(zone, *date, wall->time()) + remainder;
}

void accumulate(qint64& total, qint64 amount) {
    if (__builtin_add_overflow(total, amount, &total)) throw outOfRange();
}

// The days of the week the locale works; a list without any is read as "no weekend", so that
// the workday loop always ends.
std::array<bool, 8> workingDays(const QLocale& locale) {
    std::array<bool, 8> working{};
    const QList<Qt::DayOfWeek> days = locale.weekdays();
    for (const Qt::DayOfWeek day : days)
        if (day >= Qt::Monday && day <= Qt::Sunday) working[day] = true;
    if (std::find(working.begin(), working.end(), true) == working.end()) working.fill(true);
    return working;
}

QDate addWorkdays(QDate date, qint64 workdays, const QLocale& locale) {
    if (workdays == 0) return date;
    const std::array<bool, 8> working = workingDays(locale);
    qint64 perWeek = 0;
    for (int day = Qt::Monday; day <= Qt::Sunday; ++day)
        perWeek += working[day] ? 1 : 0;
    const int step = workdays < 0 ? -1 : 1;
    qint64 count = workdays < 0 ? -workdays : workdays;
    // Any seven days in a row hold each weekday once, so a week passes perWeek working days.
    // Whole weeks are jumped only while more than a week's worth remains, so that the last
    // steps still land on a working day.
    const qint64 weeks = (count - 1) / perWeek;
    date = date.addDays(step * 7 * weeks);
    count -= weeks * perWeek;
    while (count > 0) {
        date = date.addDays(step);
        if (!date.isValid()) throw outOfRange();
        if (working[date.dayOfWeek()]) --count;
    }
    return date;
}

// An instant beyond what the calendar can form in the zone has no time to show there.
Instant showable(Instant t, const QTimeZone& zone) {
    if (!Calendar::toDateTime(t.secs, zone)) throw outOfRange();
    return t;
}

ZonedTime shiftZoned(const ZonedTime& z, const Quantity& by, int sign, const EvalContext& ctx) {
    const Instant moved = showable(shift(Instant{z.date}, by, sign, ctx), z.zone);
    ZonedTime result{moved.secs, z.zone, z.label, z.dayShift};
    const auto before = Calendar::toDateTime(z.date, z.zone);
    const auto after = Calendar::toDateTime(moved.secs, z.zone);
    if (before && after) accumulate(result.dayShift, before->date().daysTo(after->date()));
    return result;
}

Quantity sumOfQuantities(const Quantity& l, const Quantity& r, const EvalContext& ctx, bool subtract) {
    Quantity sum = Arith::add(l, r, ctx, subtract);
    sum.style = DisplayStyle::Plain;
    sum.terms.reset();
    // A sum of durations keeps the way a duration was shown; the right-hand side wins.
    if (isDuration(sum)) {
        if (keepsDurationStyle(l.style)) sum.style = l.style;
        if (keepsDurationStyle(r.style)) sum.style = r.style;
    }
    return sum;
}

CalcError fallback(const Value& l, const Value& r) {
    const ValueKind lk = kindOf(l);
    const ValueKind rk = kindOf(r);
    if (rk == ValueKind::Bool) return boolOrText();
    if (lk == ValueKind::Text) return boolOrText();
    if (lk == ValueKind::Date && rk == ValueKind::Date) return error(u"Can't add two dates"_s);
    if (lk == ValueKind::Clock && rk == ValueKind::Clock)
        return error(u"Can't add two times. Did you mean 'to'?"_s);
    if (rk == ValueKind::Text) return boolOrText();
    return error(u"Can't combine a date with a time of day"_s);
}

} // namespace

Value add(const Value& l, const Value& r, const EvalContext& ctx, bool subtract) {
    const int sign = subtract ? -1 : 1;
    const ValueKind rk = kindOf(r);
    switch (kindOf(l)) {
    case ValueKind::Quantity: {
        const Quantity& q = std::get<Quantity>(l);
        // A duration before a date, time or instant moves it forward; subtracting the date from
        // a duration has no meaning.
        if (rk == ValueKind::Quantity) return sumOfQuantities(q, std::get<Quantity>(r), ctx, subtract);
        if (subtract) break;
        if (rk == ValueKind::Date) return shift(std::get<CalendarDate>(r), q, +1, ctx);
        if (rk == ValueKind::Clock) return shift(std::get<ClockTime>(r), q, +1, ctx);
        if (rk == ValueKind::DateTime) return shift(std::get<Instant>(r), q, +1, ctx);
        break;
    }
    case ValueKind::Date: {
        const CalendarDate& d = std::get<CalendarDate>(l);
        if (rk == ValueKind::Quantity) return shift(d, std::get<Quantity>(r), sign, ctx);
        if (!subtract) break;
        if (rk == ValueKind::Date)
            return Quantity(double(daysBetween(std::get<CalendarDate>(r), d, ctx)),
                            CompoundUnit(unitNamed(u"d"_s)));
        if (rk == ValueKind::DateTime) return hours(d.date(ctx.calendar) - std::get<Instant>(r).secs);
        break;
    }
    case ValueKind::Clock: {
        const ClockTime& c = std::get<ClockTime>(l);
        if (rk == ValueKind::Quantity) return shift(c, std::get<Quantity>(r), sign, ctx);
        if (!subtract || rk != ValueKind::Clock) break;
        const ClockTime& o = std::get<ClockTime>(r);
        // Days apart in 64 bits first: the totals in seconds lose precision far from day 0.
        qint64 days = 0;
        if (__builtin_sub_overflow(c.dayOffset, o.dayOffset, &days))
            return hours((double(c.dayOffset) * 86400 + c.seconds) -
                         (double(o.dayOffset) * 86400 + o.seconds));
        return hours(double(days) * 86400 + (c.seconds - o.seconds));
    }
    case ValueKind::DateTime: {
        const Instant& t = std::get<Instant>(l);
        if (rk == ValueKind::Quantity) return shift(t, std::get<Quantity>(r), sign, ctx);
        if (subtract && rk == ValueKind::DateTime) return hours(t.secs - std::get<Instant>(r).secs);
        break;
    }
    case ValueKind::Zoned:
        if (rk == ValueKind::Quantity)
            return shiftZoned(std::get<ZonedTime>(l), std::get<Quantity>(r), sign, ctx);
        break;
    case ValueKind::Bool:
        throw boolOrText();
    case ValueKind::Text:
        break;
    }
    throw fallback(l, r);
}

Instant shift(Instant t, const Quantity& by, int sign, const EvalContext& ctx) {
    if (!isDuration(by)) {
        if (by.unit.isNone()) throw error(u"Add a duration, e.g. + 2 hours"_s);
        throw error(u"Can't add "_s + by.unit.dim().name() + u" to a date"_s);
    }
    const bool couldShow = Calendar::toDateTime(t.secs, ctx.calendar.zone).has_value();
    double current = t.secs;
    for (const Quantity::Term& term : calendarTerms(by)) {
        const UnitRef& unit = term.unit ? term.unit : unitNamed(u"s"_s);
        const bool years = unit->id == u"yr";
        if (years || unit->id == u"mo") {
            const double n = std::round(term.value);
            if (!isWhole(term.value, n)) throw error(u"Use whole months or years with dates"_s);
            // A count beyond 64 bits cannot name any date.
            if (!(std::fabs(n) < kInt64Limit)) throw outOfRange();
            current = moveByCalendar(current, qint64(n) * sign, years, ctx.calendar.zone);
        } else {
            current += term.value * sign * unit->factor(ctx);
        }
    }
    // Carried beyond what the calendar can form, the instant would have no date or time to show.
    if (couldShow && !Calendar::toDateTime(current, ctx.calendar.zone)) throw outOfRange();
    return Instant{current};
}

CalendarDate shift(const CalendarDate& d, const Quantity& by, int sign, const EvalContext& ctx) {
    if (!isDuration(by)) {
        if (by.unit.isNone()) throw error(u"Add a duration to a date, e.g. + 3 days"_s);
        throw error(u"Can't add "_s + by.unit.dim().name() + u" to a date"_s);
    }
    const CalcError notWhole = error(u"Use whole days, weeks, months or years with dates"_s);
    qint64 years = 0, months = 0, days = 0, workdays = 0;
    for (const Quantity::Term& term : calendarTerms(by)) {
        const UnitRef& unit = term.unit ? term.unit : unitNamed(u"s"_s);
        const QString& id = unit->id;
        qint64* target = &days;
        double x = term.value;
        if (id == u"workday")
            target = &workdays;
        else if (id == u"mo")
            target = &months;
        else if (id == u"yr")
            target = &years;
        else if (id == u"wk")
            x = term.value * 7;
        double n = std::round(x);
        if (id == u"workday" || id == u"d" || id == u"wk" || id == u"mo" || id == u"yr") {
            if (!isWhole(x, n) || !(std::fabs(x) < kMaxCalendarAmount)) throw notWhole;
        } else {
            x = term.value * unit->factor(ctx) / 86400;
            n = std::round(x);
            if (!isWhole(x, n))
                throw error(u"Dates have no time of day. Add hours to a clock time instead"_s);
            if (!(std::fabs(x) < kMaxCalendarAmount)) throw notWhole;
        }
        accumulate(*target, qint64(n) * sign);
    }

    const auto start = d.toQDate();
    if (!start) throw error(u"Invalid date"_s);
    // Years before months, as one step: 29 February + 1 year 1 month is 28 March.
    auto moved = addYears(*start, years);
    if (moved) moved = addMonths(*moved, months);
    if (!moved || days < -kMaxDays || days > kMaxDays) throw outOfRange();
    QDate result = moved->addDays(days);
    if (!inRange(result) || workdays < -kMaxDays || workdays > kMaxDays) throw outOfRange();
    result = addWorkdays(result, workdays, ctx.calendar.locale);
    if (!inRange(result)) throw outOfRange();
    return CalendarDate{result.year(), result.month(), result.day()};
}

ClockTime shift(const ClockTime& c, const Quantity& by, int sign, const EvalContext& ctx) {
    if (!isDuration(by)) {
        if (by.unit.isNone()) throw error(u"Add a duration to a time, e.g. + 2 hours"_s);
        throw error(u"Can't add "_s + by.unit.dim().name() + u" to a time"_s);
    }
    if (const UnitRef lone = by.unit.single(); lone && (lone->id == u"mo" || lone->id == u"yr"))
        throw error(u"Add months or years to a date, not a time"_s);
    const double seconds = by.value * by.unit.factor(ctx);
    return ClockTime::make(c.seconds + sign * seconds, c.dayOffset);
}

qint64 daysBetween(const CalendarDate& a, const CalendarDate& b, const EvalContext&) {
    // Whole Gregorian days; the same count as between the two noons in any zone.
    const auto from = a.toQDate();
    const auto to = b.toQDate();
    if (!from || !to) return 0;
    return from->daysTo(*to);
}

Quantity hours(double seconds) {
    // fmod gives -0 for whole negative minutes, which equals 0.
    if (std::fabs(seconds) < 3600 && std::fmod(seconds, 60.0) == 0)
        return Quantity(seconds / 60, CompoundUnit(unitNamed(u"min"_s)));
    return Quantity(seconds / 3600, CompoundUnit(unitNamed(u"h"_s)));
}

QList<Quantity::Term> calendarTerms(const Quantity& q) {
    if (q.terms && !q.terms->isEmpty()) return *q.terms;
    if (const UnitRef lone = q.unit.single()) return {Quantity::Term{q.value, lone}};
    return {Quantity::Term{q.value, unitNamed(u"s"_s)}};
}

} // namespace VexilCore::ValueArith
