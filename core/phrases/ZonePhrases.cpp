#include "core/parser/Parser.h"

#include "core/values/Calendar.h"
#include "core/values/ValueArith.h"
#include "core/values/Zones.h"

#include <charconv>
#include <cmath>

// Time zones named inside a line: "3pm GMT+2", "time in Tokyo", "time difference between
// London and NYC".

namespace VexilCore {

namespace {

// The shortest decimal text of a number (5, 5.5); independent of the C library's locale.
QString shortest(double x) {
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, x);
    return QString::fromLatin1(buf, res.ptr - buf);
}

// Seconds east of UTC in force at an instant; 0 when the instant has no calendar form.
int offsetAt(const QTimeZone& zone, double instant) {
    const std::optional<QDateTime> dt = Calendar::toDateTime(instant, QTimeZone::utc());
    return dt ? zone.offsetFromUtc(*dt) : 0;
}

} // namespace

std::optional<LineParser::ZoneMatch> LineParser::zoneAt(int i) const {
    if (i < 0) return std::nullopt;
    QStringList words;
    for (int k = i; k < i + 3 && k < t.size() && t[k].kind == TokenKind::Word; ++k)
        words.append(t[k].text);
    if (words.isEmpty() || m_env.variables.contains(words.first())) return std::nullopt;

    std::optional<Zones::Match> m = Zones::match(words);
    if (!m) return std::nullopt;
    ZoneMatch result{m->zone, m->label, i + m->length};

    // "GMT+5.5": a sign right after the word, then at most 14 hours.
    const QString& first = words.first();
    const int end = result.end;
    if ((first == u"GMT" || first == u"UTC") && end + 1 < t.size()) {
        const Token& sign = t[end];
        const Token& hours = t[end + 1];
        const bool plus = sign.isSym(u"+");
        if ((plus || sign.isSym(u"-")) && !sign.spaceBefore && hours.kind == TokenKind::Number &&
            hours.number <= 14) {
            const double n = hours.number;
            const int seconds = int((plus ? 1 : -1) * n * 3600);
            result.zone = QTimeZone(seconds);
            result.label = first + (plus ? QStringLiteral("+") : QStringLiteral("\u2212")) + shortest(n);
            result.end = end + 2;
        }
    }
    return result;
}

std::optional<ZonedTime> LineParser::zoned(const Value& v) const {
    const QTimeZone& zone = m_env.ctx.calendar.zone;
    switch (kindOf(v)) {
    case ValueKind::Clock: {
        const ClockTime& c = std::get<ClockTime>(v);
        const std::optional<QDate> today = m_env.ctx.dateIn(zone);
        if (!today) return std::nullopt;
        const qint64 s = qint64(std::floor(c.seconds));
        const QTime time(int(s / 3600), int(s % 3600 / 60), int(s % 60));
        const double instant = Calendar::wallToInstant(zone, *today, time) + double(c.dayOffset) * 86400;
        return ZonedTime{instant, zone, QString(), c.dayOffset};
    }
    case ValueKind::DateTime:
        return ZonedTime{std::get<Instant>(v).secs, zone, QString(), 0};
    case ValueKind::Zoned:
        return std::get<ZonedTime>(v);
    default:
        return std::nullopt;
    }
}

ZonedTime LineParser::convertZone(const ZonedTime& z, const QTimeZone& zone, const QString& label) const {
    ZonedTime result{z.date, zone, label, z.dayShift};
    const std::optional<QDateTime> from = Calendar::toDateTime(z.date, z.zone);
    const std::optional<QDateTime> to = Calendar::toDateTime(z.date, zone);
    if (from && to) {
        qint64 shifted = 0;
        // A day shift already at the edge of its range keeps its value.
        if (!__builtin_add_overflow(z.dayShift, from->date().daysTo(to->date()), &shifted))
            result.dayShift = shifted;
    }
    return result;
}

std::optional<Value> LineParser::zoneDifference(const QString&, TrialCommit& commit) {
    eat({u"time"}, Role::Keyword);
    expect({u"difference", u"between"});
    commit();
    const std::optional<ZoneMatch> a = zoneAt(p);
    if (!a) return std::nullopt;
    markRange(p, a->end, Role::Unit);
    advance(a->end - p);
    if (!eat({u"and"}, Role::Keyword) && !eat({u"&"}, Role::Op)) return std::nullopt;
    const std::optional<ZoneMatch> b = zoneAt(p);
    if (!b || !isBoundary(b->end)) return std::nullopt;
    markRange(p, b->end, Role::Unit);
    advance(b->end - p);
    const double now = m_env.ctx.now;
    const double d = std::abs(double(offsetAt(a->zone, now)) - double(offsetAt(b->zone, now)));
    return ValueArith::hours(d);
}

std::optional<Value> LineParser::timeIn(const QString&, TrialCommit&) {
    eat({u"time", u"in"}, Role::Keyword);
    const std::optional<ZoneMatch> z = zoneAt(p);
    if (!z || !isBoundary(z->end)) return std::nullopt;
    markRange(p, z->end, Role::Unit);
    advance(z->end - p);
    const ZonedTime here{m_env.ctx.now, m_env.ctx.calendar.zone, QString(), 0};
    return convertZone(here, z->zone, z->label);
}

} // namespace VexilCore
