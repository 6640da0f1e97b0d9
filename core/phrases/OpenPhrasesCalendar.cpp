#include "core/parser/Parser.h"

#include <QDate>

// The calendar phrases.
//
// For users:
//   date in Tokyo                 today's date there
//   week number                   this week's ISO week number (weeks start on Monday; week 1
//   week number of March 3          holds the year's first Thursday), whatever the locale
//   week of the year
//   day of the week               today's weekday name
//   day of the week of Jan 1
//   weekday of Jan 1, weekday Jan 1
//   next Friday                   the first Friday after today (a week on from a Friday)
//   last Friday                   the latest Friday before today (a week back on a Friday)
//   this Friday                   today on a Friday, else the coming Friday
// Times of now are read in the context's calendar and zone only.

namespace VexilCore {

namespace {

// The weekday table counts from Sunday = 1; Qt from Monday = 1.
int qtDayOfWeek(int weekday) {
    return (weekday + 5) % 7 + 1;
}

Value weekdayName(const QDate& d) {
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    return Value(std::in_place_type<QString>, english.dayName(d.dayOfWeek(), QLocale::LongFormat));
}

QDate qdate(const CalendarDate& d) {
    const auto q = d.toQDate();
    if (!q) throw CalcError(QStringLiteral("Date out of range"));
    return *q;
}

} // namespace

// After the phrase's words: "of" or "for" and a date (a date-time counts by its day in the
// context's calendar), else today. The caller has committed, so a bad date is the line's error.
CalendarDate LineParser::dateOperand() {
    if (!(eat({u"of"}, Role::Keyword) || eat({u"for"}, Role::Keyword))) return today();
    const Value v = parseAdditive();
    if (const CalendarDate* d = std::get_if<CalendarDate>(&v)) return *d;
    if (const Instant* i = std::get_if<Instant>(&v)) return CalendarDate::from(i->secs, m_env.ctx.calendar);
    throw CalcError(QStringLiteral("Expected a date"));
}

// "date in <zone>" -> the date now in that zone. Without a zone after "in" it rolls back.
std::optional<Value> LineParser::dateInPhrase(const QString&, TrialCommit& commit) {
    if (!matches({u"date", u"in"})) return std::nullopt;
    const std::optional<ZoneMatch> zone = zoneAt(p + 2);
    if (!zone || !isBoundary(zone->end)) return std::nullopt;
    expect({u"date", u"in"});
    markRange(p, zone->end, Role::Unit);
    p = zone->end;
    commit();
    return todayIn(zone->zone);
}

// "week number [of|for D]", "week of the year [of|for D]" -> the ISO week number of D or today.
std::optional<Value> LineParser::weekNumberPhrase(const QString&, TrialCommit& commit) {
    if (!(eat({u"week", u"number"}, Role::Keyword) || eat({u"week", u"of", u"the", u"year"}, Role::Keyword)))
        return std::nullopt;
    commit();
    return Quantity(double(qdate(dateOperand()).weekNumber()), CompoundUnit::none());
}

// "day of the week [of|for D]" -> the English name of D's weekday, or today's.
std::optional<Value> LineParser::dayOfWeekPhrase(const QString&, TrialCommit& commit) {
    if (!eat({u"day", u"of", u"the", u"week"}, Role::Keyword)) return std::nullopt;
    commit();
    return weekdayName(qdate(dateOperand()));
}

// "weekday [of] D" -> the English name of D's weekday. Committed after "of"; without it a value
// that is no date rolls back.
std::optional<Value> LineParser::weekdayPhrase(const QString&, TrialCommit& commit) {
    expect({u"weekday"});
    if (eat({u"of"}, Role::Keyword)) commit();
    const Value v = parseAdditive();
    CalendarDate d;
    if (const CalendarDate* date = std::get_if<CalendarDate>(&v))
        d = *date;
    else if (const Instant* i = std::get_if<Instant>(&v))
        d = CalendarDate::from(i->secs, m_env.ctx.calendar);
    else
        throw CalcError(QStringLiteral("Expected a date"));
    return weekdayName(qdate(d));
}

// "next|last|this <weekday>" -> that date; see the list above for a day that is today's.
std::optional<Value> LineParser::relativeWeekdayPhrase(const QString& head, TrialCommit& commit) {
    const std::optional<QString> day = word(p + 1);
    const auto found = day ? weekdays().constFind(*day) : weekdays().cend();
    if (found == weekdays().cend()) return std::nullopt;
    mark(p, Role::Keyword);
    mark(p + 1, Role::Keyword);
    advance(2);
    commit();
    const QDate now = dateToday();
    const int target = qtDayOfWeek(*found);
    const int ahead = (target - now.dayOfWeek() + 7) % 7; // 0 to 6 days on
    qint64 shift = ahead;
    if (head == u"next")
        shift = ahead == 0 ? 7 : ahead;
    else if (head == u"last")
        shift = ahead == 0 ? -7 : ahead - 7;
    const QDate d = now.addDays(shift);
    if (!d.isValid()) throw CalcError(QStringLiteral("Date out of range"));
    return CalendarDate{d.year(), d.month(), d.day()};
}

} // namespace VexilCore
