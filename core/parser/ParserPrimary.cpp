#include "core/parser/Parser.h"

#include "core/values/Units.h"
#include "core/values/ValueArith.h"

#include <QDateTime>

#include <cmath>
#include <functional>

namespace VexilCore {

namespace {

CalcError invalidDate() {
    return CalcError(QStringLiteral("Invalid date"));
}

QTime timeOfDay(double seconds) {
    const int s = int(std::floor(seconds));
    return QTime(s / 3600, (s % 3600) / 60, s % 60);
}

} // namespace

Value LineParser::parsePrimary() {
    if (m_firstPrimary) {
        Value v = std::move(m_firstPrimary->first);
        lastWasPercent = m_firstPrimary->second;
        m_firstPrimary.reset();
        return v;
    }
    if (std::optional<Value> v = primaryOrNothing()) return std::move(*v);
    throw NoValue{};
}

std::optional<Value> LineParser::primaryOrNothing() {
    // Stray text and prose words before the first value are skipped by going round again.
    for (;;) {
        const Token& tok = t[p];
        switch (tok.kind) {
        case TokenKind::Number: {
            if (!std::isfinite(tok.number)) throw CalcError(QStringLiteral("Number is too large"));
            mark(p, Role::Number);
            const double x = tok.number;
            advance();
            sawValue = true;
            return attachUnit(x);
        }
        case TokenKind::Word:
            if (std::optional<Value> v = wordReading(tok.text, p)) return std::move(*v);
            continue;
        case TokenKind::Sym:
            if (tok.text == u"(") return parseGroup();
            if (!sawValue && (tok.text == u":" || tok.text == u",")) return std::nullopt;
            throw CalcError(QStringLiteral("Unexpected '") + tok.text + QStringLiteral("'"));
        case TokenKind::Currency:
            return parseCurrencyAmount();
        case TokenKind::Date: {
            mark(p, Role::Number);
            const DateParts d = tok.date;
            advance();
            sawValue = true;
            return CalendarDate::make(d.year, d.month, d.day, m_env.ctx.calendar);
        }
        case TokenKind::IsoDateTime: {
            mark(p, Role::Number);
            const IsoParts iso = tok.iso;
            advance();
            sawValue = true;
            return parseIsoDateTime(iso);
        }
        case TokenKind::Clock: {
            mark(p, Role::Number);
            const ClockParts clock = tok.clock;
            advance();
            sawValue = true;
            return parseClock(clock);
        }
        case TokenKind::Hms: {
            mark(p, Role::Number);
            const double x = tok.number;
            advance();
            sawValue = true;
            return Quantity(x, CompoundUnit(Units::unit(QStringLiteral("s"))), DisplayStyle::Hms);
        }
        case TokenKind::Other:
            if (sawValue) throw CalcError(QStringLiteral("Unexpected '") + tok.text + QStringLiteral("'"));
            mark(p, Role::Text);
            advance();
            continue;
        case TokenKind::Injected:
            // Only the document pass places this token, together with the value it stands for.
            if (!m_env.continuation) return std::nullopt;
            advance();
            sawValue = true;
            return *m_env.continuation;
        case TokenKind::Comment:
        case TokenKind::Quoted:
        case TokenKind::Eof:
            break;
        }
        if (!sawValue) return std::nullopt;
        throw CalcError(QStringLiteral("Expected a value"), true);
    }
}

Value LineParser::parseGroup() {
    Nesting nest(*this);
    mark(p, Role::Op);
    advance();
    Value v = [&] {
        StopWords none(*this, {}, StopWords::Replace);
        return parseConversion();
    }();
    if (t[p].isSym(u")")) {
        mark(p, Role::Op);
        advance();
    } else if (t[p].atEnd()) {
        throw CalcError(QStringLiteral("Missing ')'"), true);
    } else {
        throw unexpected();
    }

    const Quantity* q = asQuantity(v);
    if (!q || !q->unit.isNone()) return v;
    // "(2 + 3) in m" and "(2 + 3) in hex" are left to the conversion level.
    if (t[p].isWord(u"in") && (conversionTarget(p) || isSpecialTarget(p + 1))) return v;
    if (auto unit = unitAt(p)) {
        markUnitTokens(p, unit->second);
        p = unit->second;
        return Quantity(q->value, unit->first);
    }
    return v;
}

Value LineParser::parseCurrencyAmount() {
    const QString code = t[p].text;
    mark(p, Role::Unit);
    advance();
    double sign = 1;
    if (t[p].isSym(u"-")) {
        mark(p, Role::Op);
        advance();
        sign = -1;
    }
    if (t[p].kind != TokenKind::Number)
        throw fail(QStringLiteral("Expected an amount after the currency symbol"));
    mark(p, Role::Number);
    double amount = sign * t[p].number;
    advance();
    sawValue = true;
    if (std::optional<double> m = magnitudeSuffix(true)) amount *= *m;
    if (!std::isfinite(amount)) throw CalcError(QStringLiteral("Number is too large"));
    return Quantity(amount, CompoundUnit(Units::currencyUnit(code)));
}

Value LineParser::parseIsoDateTime(const IsoParts& iso) const {
    if (iso.month < 1 || iso.month > 12 || iso.day < 1 || iso.day > 31 || iso.hour >= 24 || iso.minute >= 60)
        throw invalidDate();
    if (!QDate::isValid(iso.year, iso.month, iso.day) || !QTime::isValid(iso.hour, iso.minute, iso.second))
        throw invalidDate();
    const QDate date(iso.year, iso.month, iso.day);
    const QTime time(iso.hour, iso.minute, iso.second);
    if (!iso.offsetSeconds) return Instant{Calendar::wallToInstant(m_env.ctx.calendar.zone, date, time)};
    // Offsets beyond what a fixed-offset zone may have name no instant.
    const int offset = *iso.offsetSeconds;
    if (offset < QTimeZone::MinUtcOffsetSecs || offset > QTimeZone::MaxUtcOffsetSecs) throw invalidDate();
    const QDateTime utc(date, time, QTimeZone::utc());
    if (!utc.isValid()) throw invalidDate();
    return Instant{double(utc.toSecsSinceEpoch()) - offset};
}

Value LineParser::parseClock(const ClockParts& clock) {
    if (!clock.valid) throw CalcError(QStringLiteral("Invalid time"));
    const ClockTime c = ClockTime::make(double(clock.seconds), 0);
    const std::optional<ZoneMatch> zone = std::invoke(keywords().hooks.zoneAt, *this, p);
    // A unit word after a clock is the unit's, not a place.
    if (!zone || isUnitWord(p)) return c;
    markRange(p, zone->end, Role::Unit);
    p = zone->end;
    const double instant = Calendar::wallToInstant(zone->zone, dateToday(zone->zone), timeOfDay(c.seconds)) +
                           double(c.dayOffset) * 86400;
    return ZonedTime{instant, zone->zone, zone->label, c.dayOffset};
}

Value LineParser::relativeToNow(const Value& v, int sign) const {
    const Quantity* q = asQuantity(v);
    if (!q || q->unit.dim() != Dimension::time)
        throw CalcError(QStringLiteral("Use a duration, e.g. 3 days ago"));
    bool calendarOnly = true;
    for (const Quantity::Term& term : ValueArith::calendarTerms(*q)) {
        const QString& id = term.unit->id;
        if (id != u"d" && id != u"wk" && id != u"mo" && id != u"yr" && id != u"workday") {
            calendarOnly = false;
            break;
        }
    }
    if (calendarOnly) {
        return ValueArith::shift(today(), *q, sign, m_env.ctx);
    }
    return ValueArith::shift(Instant{m_env.ctx.now}, *q, sign, m_env.ctx);
}

std::optional<ClockTime> LineParser::clockFollowing() {
    int i = p;
    if (t[i].isWord(u"at") || t[i].isSym(u"@")) ++i;
    if (i >= t.size() || t[i].kind != TokenKind::Clock || !t[i].clock.valid) return std::nullopt;
    for (int k = p; k < i; ++k)
        mark(k, Role::Keyword);
    mark(i, Role::Number);
    const double seconds = t[i].clock.seconds;
    p = i + 1;
    return ClockTime::make(seconds, 0);
}

Instant LineParser::combine(const CalendarDate& date, const ClockTime& clock) const {
    const std::optional<QDate> d = date.toQDate();
    if (!d) throw invalidDate();
    return Instant{Calendar::wallToInstant(m_env.ctx.calendar.zone, *d, timeOfDay(clock.seconds))};
}

bool LineParser::isProseWord(int i) const {
    if (i < 0 || i >= t.size() || t[i].kind != TokenKind::Word) return false;
    const Token& tok = t[i];
    const QString& lw = tok.lower;
    if (reserved().contains(lw) || stopWords.contains(lw) || m_env.variables.contains(tok.text) ||
        Units::lookupWord(tok.text, false) || months().contains(lw) || m_env.customUnits.contains(lw))
        return false;
    // "line12" refers to a line; "linen" is prose.
    if (lw.startsWith(u"line") && lineNumber(QStringView(lw).mid(4))) return false;
    return true;
}

} // namespace VexilCore
