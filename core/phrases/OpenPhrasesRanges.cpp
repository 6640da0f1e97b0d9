#include "core/parser/Parser.h"

#include "core/phrases/OpenPhrasesSupport.h"
#include "core/values/ValueArith.h"

#include <QDate>

#include <array>
#include <cmath>

// Ranges and changes after "to", the time between two moments, and "hours in a day".
//
// For users:
//   10pm to 2am                    4 hours (a range past midnight on the same day wraps)
//   9:15 AM to 5:40 PM in hours    the time between two times, then converted
//   Jan 1 to Dec 25                the days between two dates
//   Jan 1 to Dec 25 in workdays    the working days after Jan 1 up to and including Dec 25
//   $800 to $1,000                 the change, $200, in the first amount's unit
//   days until Nov 27              days since 2024-01-01        weeks between Jan 1 and Mar 1
//   hours from 9am to 5pm          workdays until Dec 24        business days since Jan 2
//   time between 9am and 5pm       hours in a day               seconds in an hour

namespace VexilCore {

using namespace OpenPhrases;

namespace {

CalcError needsTwo() {
    return CalcError(QStringLiteral("'to' needs two times, two dates, or a unit"));
}

// The seconds from one time of day to another; on the same day a range that goes back past
// midnight means the next day ("10pm to 2am").
double clockSpan(const ClockTime& a, const ClockTime& b) {
    const double diff = (double(b.dayOffset) - double(a.dayOffset)) * 86400 + (b.seconds - a.seconds);
    if (a.dayOffset == 0 && b.dayOffset == 0 && diff < 0) return diff + 86400;
    return diff;
}

// Working days after from up to and including to, negative when to comes first. The weekend is
// the locale's; a locale without working days counts every day.
qint64 workdaysBetween(const QDate& from, const QDate& to, const QLocale& locale) {
    if (to < from) return -workdaysBetween(to, from, locale);
    std::array<bool, 8> working{};
    for (const Qt::DayOfWeek day : locale.weekdays())
        if (day >= Qt::Monday && day <= Qt::Sunday) working[day] = true;
    qint64 perWeek = 0;
    for (int day = Qt::Monday; day <= Qt::Sunday; ++day)
        perWeek += working[day] ? 1 : 0;
    if (perWeek == 0) {
        working.fill(true);
        perWeek = 7;
    }
    const qint64 days = from.daysTo(to);
    // Any seven days in a row hold each weekday once.
    qint64 count = days / 7 * perWeek;
    QDate d = from.addDays(days / 7 * 7);
    for (qint64 k = 0; k < days % 7; ++k) {
        d = d.addDays(1);
        if (working[d.dayOfWeek()]) ++count;
    }
    return count;
}

} // namespace

// After "to", with the cursor after it. The second value is read by parseAdditive, so a
// following "in hours" is left to the conversion loop; a unit name there is no second value.
//   two clock times -> the time between them (ValueArith::hours, as clock - clock gives), plus a
//                      day when both lie on day 0 and the second is earlier
//   two instants    -> the time between them
//   two dates       -> the days between them; "in workdays" or "in business days" right after
//                      is eaten here and gives the working days instead (see workdaysBetween)
//   two amounts     -> the change, second - first, in the first's unit (a plain first takes the
//                      second's); two plain numbers: "Put a unit after 'to', or ask 'is what %'"
//   anything else   -> "'to' needs two times, two dates, or a unit"
std::optional<Value> LineParser::rangeOrChange(const Value& first) {
    // A unit name right after "to" was meant as a target that did not fit ("1 kg to m and kg"):
    // it is no second value, whatever the unit-after-operator reading would make of it.
    if (t[p].kind == TokenKind::Word) {
        const bool usedPtBefore = tookPt;
        const bool unitFirst = unitExprAt(p).has_value();
        tookPt = usedPtBefore;
        if (unitFirst) return std::nullopt;
    }
    std::optional<Value> read = trial([&]() -> std::optional<Value> { return parseAdditive(); });
    if (!read) return std::nullopt;
    const Value& second = *read;
    const ValueKind a = kindOf(first);
    const ValueKind b = kindOf(second);

    if (a == ValueKind::Clock && b == ValueKind::Clock)
        return ValueArith::hours(clockSpan(std::get<ClockTime>(first), std::get<ClockTime>(second)));

    const auto instant = [](const Value& v) -> std::optional<double> {
        if (const Instant* i = std::get_if<Instant>(&v)) return i->secs;
        if (const ZonedTime* z = std::get_if<ZonedTime>(&v)) return z->date;
        return std::nullopt;
    };
    if (const auto x = instant(first), y = instant(second); x && y) return ValueArith::hours(*y - *x);

    if (a == ValueKind::Date && b == ValueKind::Date) {
        const CalendarDate& from = std::get<CalendarDate>(first);
        const CalendarDate& to = std::get<CalendarDate>(second);
        if (eat({u"in", u"workdays"}, Role::Keyword) || eat({u"in", u"business", u"days"}, Role::Keyword)) {
            const auto x = from.toQDate();
            const auto y = to.toQDate();
            if (!x || !y) throw CalcError(QStringLiteral("Date out of range"));
            return Quantity(double(workdaysBetween(*x, *y, m_env.ctx.calendar.locale)),
                            unitOf(QStringLiteral("workday")));
        }
        return Quantity(double(ValueArith::daysBetween(from, to, m_env.ctx)), unitOf(QStringLiteral("d")));
    }

    if (a == ValueKind::Quantity && b == ValueKind::Quantity) {
        const Quantity& x = std::get<Quantity>(first);
        const Quantity& y = std::get<Quantity>(second);
        if (x.unit.isNone() && y.unit.isNone())
            throw CalcError(QStringLiteral("Put a unit after 'to', or ask 'is what %'"));
        const Pair both = inOneUnit(x, y, m_env.ctx);
        return Quantity(finite(both.b - both.a), both.unit);
    }
    throw needsTwo();
}

// "<unit> until|till D", "<unit> since D", "<unit> between A and B", "<unit> from A to B"
// where <unit> is days, weeks, months, years, hours, minutes, seconds, workdays or "business
// days" (the table's guard checks the word after it). "until"/"since" count from or to now.
//   - Two dates (now counts as today, except for hours, minutes and seconds): whole days; weeks, months and
//   years as fractions by their
//     average length; workdays as the working days after the first up to and including the
//     second.
//   - A clock time is today at that time; with a date-time or a zoned time the span runs
//     between instants, a date then standing for its start. Two clock times joined by
//     between/from follow the range rule of "to" (10pm to 2am is 4 hours).
//   - A moment that has passed gives a negative count: "days until" a past date is negative.
//     A month and day without a year is its next one after "until" (Dec 25 on Dec 26 is a year
//     away) and its last one after "since".
//   - "time between|from ..." gives days for two dates, else hours (or minutes under an hour).
// Committed after the range word.
std::optional<Value> LineParser::timeBetweenPhrase(const QString& head, TrialCommit& commit) {
    QString unitId;
    if (head == u"business") {
        expect({u"business", u"days"});
        unitId = QStringLiteral("workday");
    } else if (head != u"time") {
        unitId = timeUnitWords().value(head);
        if (unitId.isEmpty()) return std::nullopt;
        expect({head});
    } else {
        expect({head});
    }
    const std::optional<QString> w = word(p);
    if (!w || !(*w == u"until" || *w == u"till" || *w == u"since" || *w == u"between" || *w == u"from"))
        return std::nullopt;
    if (head == u"time" && !(*w == u"between" || *w == u"from")) return std::nullopt;
    mark(p, Role::Keyword);
    advance();
    commit();

    const QString name = head == u"business" ? QStringLiteral("business days") : head;
    std::optional<Value> from, to;
    // A yearless date that has passed (until) or is still to come (since) means the other year.
    const auto nearestYear = [this](std::optional<Value>& end, int direction) {
        auto* date = end ? std::get_if<CalendarDate>(&*end) : nullptr;
        if (!m_impliedYear || !date) return;
        const std::optional<QDate> day = date->toQDate();
        const QDate now = dateToday();
        if (!day || (direction > 0 ? *day >= now : *day <= now)) return;
        const QDate shifted = day->addYears(direction); // Feb 29 falls on Feb 28
        *date = CalendarDate{shifted.year(), shifted.month(), shifted.day()};
    };
    if (*w == u"until" || *w == u"till") {
        m_impliedYear = false;
        to = parseAdditive();
        nearestYear(to, 1);
    } else if (*w == u"since") {
        m_impliedYear = false;
        from = parseAdditive();
        nearestYear(from, -1);
    } else {
        const bool between = *w == u"between";
        from = operand({between ? u"and" : u"to"});
        expect({between ? u"and" : u"to"});
        to = parseAdditive();
    }

    const auto isMoment = [](const Value& v) {
        const ValueKind k = kindOf(v);
        return k == ValueKind::Date || k == ValueKind::Clock || k == ValueKind::DateTime ||
               k == ValueKind::Zoned;
    };
    for (const std::optional<Value>* end : {&from, &to})
        if (*end && !isMoment(**end)) throw CalcError(QStringLiteral("Expected a date"));

    const EvalContext& ctx = m_env.ctx;
    const CalendarCtx& cal = ctx.calendar;
    // A day count when both ends are days; seconds between instants otherwise.
    std::optional<qint64> days;
    double seconds = 0;
    QDate dayA, dayB; // the calendar days of the two ends, for working days

    // Hours, minutes and seconds until or since a date count from now, not from today.
    const bool subDay = unitId == u"h" || unitId == u"min" || unitId == u"s";
    const bool bothDates = (!from || kindOf(*from) == ValueKind::Date) &&
                           (!to || kindOf(*to) == ValueKind::Date) && !(subDay && (!from || !to));
    const bool bothClocks =
        from && to && kindOf(*from) == ValueKind::Clock && kindOf(*to) == ValueKind::Clock;
    if (bothDates) {
        const CalendarDate a = from ? std::get<CalendarDate>(*from) : today();
        const CalendarDate b = to ? std::get<CalendarDate>(*to) : today();
        const auto qa = a.toQDate();
        const auto qb = b.toQDate();
        if (!qa || !qb) throw CalcError(QStringLiteral("Date out of range"));
        days = ValueArith::daysBetween(a, b, ctx);
        dayA = *qa;
        dayB = *qb;
    } else if (bothClocks) {
        seconds = clockSpan(std::get<ClockTime>(*from), std::get<ClockTime>(*to));
    } else {
        const QDate todayDate = dateToday();
        const auto instantOf = [&](const std::optional<Value>& v) -> double {
            if (!v) return ctx.now;
            if (const Instant* i = std::get_if<Instant>(&*v)) return i->secs;
            if (const ZonedTime* z = std::get_if<ZonedTime>(&*v)) return z->date;
            if (const ClockTime* c = std::get_if<ClockTime>(&*v)) {
                const int s = int(std::floor(c->seconds));
                return Calendar::wallToInstant(cal.zone, todayDate, QTime(s / 3600, s % 3600 / 60, s % 60)) +
                       (c->seconds - s) + double(c->dayOffset) * 86400;
            }
            const auto d = std::get<CalendarDate>(*v).toQDate();
            if (!d) throw CalcError(QStringLiteral("Date out of range"));
            return Calendar::wallToInstant(cal.zone, *d, QTime(0, 0));
        };
        const double a = instantOf(from);
        const double b = instantOf(to);
        seconds = b - a;
        const auto da = Calendar::toDateTime(a, cal.zone);
        const auto db = Calendar::toDateTime(b, cal.zone);
        if (!da || !db) throw CalcError(QStringLiteral("Date out of range"));
        dayA = da->date();
        dayB = db->date();
    }

    if (unitId.isEmpty()) {
        if (days) return Quantity(double(*days), unitOf(QStringLiteral("d")));
        return ValueArith::hours(finite(seconds));
    }
    const CompoundUnit unit = unitOf(unitId);
    if (unitId == u"workday") {
        if (bothClocks) throw CalcError(name + QStringLiteral(" needs dates"));
        return Quantity(double(workdaysBetween(dayA, dayB, cal.locale)), unit);
    }
    const Quantity span = days ? Quantity(double(*days), unitOf(QStringLiteral("d")))
                               : Quantity(seconds, unitOf(QStringLiteral("s")));
    if (unitId == u"d" && days) return span;
    Quantity r = Arith::convert(span, unit, ctx);
    return Quantity(finite(r.value), unit);
}

bool LineParser::unitInFollows(int i) const {
    const std::optional<QString> w = word(i);
    return w && (*w == u"a" || *w == u"an" || *w == u"one");
}

// "<unit> in a|an|one <unit>" -> one of the second unit in the first, as an amount of the first:
// "hours in a day" is 24 hours. Committed once both units are read; a dimension mismatch is
// the conversion's error.
std::optional<Value> LineParser::unitInPhrase(const QString&, TrialCommit& commit) {
    const auto head = unitTermAt(p);
    if (!head || !matches({u"in"}, head->second) || !unitInFollows(head->second + 1)) return std::nullopt;
    const auto whole = unitTermAt(head->second + 2);
    if (!whole) return std::nullopt;
    markUnitTokens(p, head->second);
    mark(head->second, Role::Keyword);
    mark(head->second + 1, Role::Keyword);
    markUnitTokens(head->second + 2, whole->second);
    p = whole->second;
    commit();
    Quantity r = Arith::convert(Quantity(1, whole->first), head->first, m_env.ctx);
    return Quantity(finite(r.value), head->first);
}

} // namespace VexilCore
