#include "core/parser/Parser.h"

#include "core/phrases/Rounding.h"
#include "core/values/Arith.h"
#include "core/values/Calendar.h"
#include "core/values/Units.h"

#include <QLocale>

#include <cmath>

// Conversion targets that are not units: percentages, factors, number bases, plain numbers,
// durations, ISO 8601 text, timestamps, dates, weekdays and roundings.

namespace VexilCore {

namespace {

const QHash<QString, double>& stepWords() {
    static const QHash<QString, double> m{
        {QStringLiteral("ten"), 10},           {QStringLiteral("tens"), 10},
        {QStringLiteral("hundred"), 100},      {QStringLiteral("hundreds"), 100},
        {QStringLiteral("thousand"), 1000},    {QStringLiteral("thousands"), 1000},
        {QStringLiteral("million"), 1e6},      {QStringLiteral("billion"), 1e9},
        {QStringLiteral("whole"), 1},          {QStringLiteral("integer"), 1},
        {QStringLiteral("tenth"), 0.1},        {QStringLiteral("hundredth"), 0.01},
        {QStringLiteral("thousandth"), 0.001},
    };
    return m;
}

// The words after a number that ask for decimal places ("places" as well as the unit-reader's
// list, so "to 2 places" is a target).
bool isPlacesWord(const QString& w) {
    return LineParser::decimalPlaceWords().contains(w) || w == u"places";
}

Quantity plain(double x, DisplayStyle style) {
    return Quantity(x, CompoundUnit::none(), std::move(style));
}

QDateTime inZone(double secs, const QTimeZone& zone) {
    const auto dt = Calendar::toDateTime(secs, zone);
    if (!dt) throw CalcError(QStringLiteral("Date out of range"));
    return *dt;
}

QString isoText(double secs, const QTimeZone& zone) {
    QString s = inZone(secs, zone).toString(Qt::ISODate);
    if (s.endsWith(u"+00:00")) s.replace(s.size() - 6, 6, u'Z');
    return s;
}

QDate qdateOf(const CalendarDate& d) {
    const auto q = d.toQDate();
    if (!q) throw CalcError(QStringLiteral("Date out of range"));
    return *q;
}

} // namespace

std::optional<Value> LineParser::specialTarget(const Value& v) {
    const Token& tok = t[p];
    const std::optional<QString> w = word(p);
    const Token& next = peek(1);
    const CalendarCtx& cal = m_env.ctx.calendar;

    auto done = [&](int n, Value r) -> std::optional<Value> {
        for (int k = 0; k < n; ++k)
            mark(p + k, Role::Keyword);
        advance(n);
        return r;
    };

    // Percent: "%", "percent", "percentage", "a %", "a percent", optionally "of B".
    if (tok.isSym(u"%") || tok.isWord(u"percent") || tok.isWord(u"percentage") ||
        (tok.isWord(u"a") && (next.isSym(u"%") || next.isWord(u"percent")))) {
        if (tok.isWord(u"a")) {
            mark(p, Role::Keyword);
            advance();
        }
        mark(p, Role::Keyword);
        advance();
        const Quantity a = quantity(v, QStringLiteral("That"));
        double x = a.value;
        if (eat({u"of"}, Role::Keyword)) {
            const Quantity b = quantity(parseAdditive(), QStringLiteral("That"));
            x = ratio(a, b);
        }
        return plain(x, DisplayStyle::Percent);
    }

    // Decimal places: "2 dp", "3 decimal places", "1 digit".
    if (!w && tok.kind == TokenKind::Number) {
        const std::optional<QString> unitWord = word(p + 1);
        if (!unitWord || !isPlacesWord(*unitWord)) return std::nullopt;
        const double n = tok.number;
        mark(p, Role::Number);
        mark(p + 1, Role::Keyword);
        advance(2);
        if (*unitWord == u"decimal") {
            eat({u"places"}, Role::Keyword);
            eat({u"place"}, Role::Keyword);
        }
        const Quantity x = quantity(v, QStringLiteral("That"));
        // An absurd n makes f 0 or infinite and the result "not a number"; nothing breaks.
        const double f = std::pow(10.0, n);
        return Quantity(roundHalfAway(x.value * f) / f, x.unit, x.style);
    }
    if (!w) return std::nullopt;

    if (tok.isWord(u"factor"))
        return done(1, plain(quantity(v, QStringLiteral("That")).value, DisplayStyle::Factor));

    static const QHash<QString, DisplayStyle::Kind> bases{
        {QStringLiteral("hex"), DisplayStyle::Hex},       {QStringLiteral("hexadecimal"), DisplayStyle::Hex},
        {QStringLiteral("binary"), DisplayStyle::Binary}, {QStringLiteral("bin"), DisplayStyle::Binary},
        {QStringLiteral("octal"), DisplayStyle::Octal},   {QStringLiteral("oct"), DisplayStyle::Octal},
    };
    if (auto it = bases.constFind(*w); it != bases.constEnd()) {
        const qint64 n = integer(v, QStringLiteral("Base conversion"));
        return done(1, plain(double(n), *it));
    }

    if (*w == u"base") {
        if (next.kind != TokenKind::Number) return std::nullopt;
        DisplayStyle::Kind style;
        if (next.number == 2)
            style = DisplayStyle::Binary;
        else if (next.number == 8)
            style = DisplayStyle::Octal;
        else if (next.number == 16)
            style = DisplayStyle::Hex;
        else if (next.number == 10)
            style = DisplayStyle::Plain;
        else
            throw CalcError(QStringLiteral("Bases 2, 8, 10 and 16 are supported"));
        const qint64 n = integer(v, QStringLiteral("Base conversion"));
        mark(p, Role::Keyword);
        mark(p + 1, Role::Number);
        advance(2);
        return plain(double(n), style);
    }

    if (*w == u"decimal" || *w == u"dec" || *w == u"number" || *w == u"plain" || *w == u"scalar") {
        // "Dec 25" is a month.
        if (*w == u"dec" && next.kind == TokenKind::Number) return std::nullopt;
        return done(1, plain(quantity(v, QStringLiteral("That")).value, DisplayStyle::Plain));
    }

    if (*w == u"duration" || *w == u"hms") {
        const Quantity q = quantity(v, QStringLiteral("That"));
        if (q.unit.isNone())
            throw CalcError(QStringLiteral("Use a length of time, e.g. 5.5 minutes as ") + *w);
        Quantity r = Arith::convert(q, CompoundUnit(Units::unit(QStringLiteral("s"))), m_env.ctx);
        r.style = *w == u"duration" ? DisplayStyle::Breakdown : DisplayStyle::Hms;
        return done(1, std::move(r));
    }

    if (*w == u"iso8601" || *w == u"iso") {
        QString s;
        if (const auto* d = std::get_if<CalendarDate>(&v))
            s = QStringLiteral("%1-%2-%3")
                    .arg(d->year, 4, 10, QChar(u'0'))
                    .arg(d->month, 2, 10, QChar(u'0'))
                    .arg(d->day, 2, 10, QChar(u'0'));
        else if (const auto* z = std::get_if<ZonedTime>(&v))
            s = isoText(z->date, z->zone);
        else if (const auto* i = std::get_if<Instant>(&v))
            s = isoText(i->secs, cal.zone);
        else
            throw CalcError(QStringLiteral("Only dates can be shown as ISO 8601"));
        return done(1, Value(std::in_place_type<QString>, s));
    }

    if (*w == u"timestamp" || *w == u"unix") {
        double secs;
        if (const auto* z = std::get_if<ZonedTime>(&v))
            secs = z->date;
        else if (const auto* i = std::get_if<Instant>(&v))
            secs = i->secs;
        else if (const auto* d = std::get_if<CalendarDate>(&v))
            secs = double(qdateOf(*d).startOfDay(cal.zone).toMSecsSinceEpoch()) / 1000.0;
        else
            throw CalcError(QStringLiteral("Only dates can be converted to a timestamp"));
        return done(1, plain(secs, DisplayStyle::Ungrouped));
    }

    if (*w == u"date") {
        if (const auto* i = std::get_if<Instant>(&v)) return done(1, CalendarDate::from(i->secs, cal));
        if (std::holds_alternative<CalendarDate>(v)) return done(1, v);
        if (const Quantity* q = asQuantity(v); q && q->unit.isNone()) {
            // Beyond 1e11 the number is taken as milliseconds.
            const double n = q->value;
            const double secs = std::fabs(n) > 1e11 ? n / 1000.0 : n;
            inZone(secs, cal.zone); // an instant beyond the calendar has no date to show
            return done(1, Instant{secs});
        }
        throw CalcError(QStringLiteral("Can't convert that to a date"));
    }

    if (*w == u"weekday") {
        CalendarDate d;
        if (const auto* i = std::get_if<Instant>(&v))
            d = CalendarDate::from(i->secs, cal);
        else if (const auto* cd = std::get_if<CalendarDate>(&v))
            d = *cd;
        else
            throw CalcError(QStringLiteral("Expected a date"));
        static const QLocale english(QLocale::English, QLocale::UnitedStates);
        const QString name = english.dayName(qdateOf(d).dayOfWeek(), QLocale::LongFormat);
        return done(1, Value(std::in_place_type<QString>, name));
    }

    if (*w == u"nearest" || (*w == u"the" && next.isWord(u"nearest"))) {
        eat({u"the"}, Role::Keyword);
        eat({u"nearest"}, Role::Keyword);
        const Quantity x = quantity(v, QStringLiteral("That"));
        const double s = nearestStep();
        if (!(s > 0)) throw CalcError(QStringLiteral("Can't round to zero"));
        const StepScale scale(s);
        return Quantity(scale.value(roundHalfAway(scale.steps(x.value))), x.unit, x.style);
    }

    return std::nullopt;
}

double LineParser::nearestStep() {
    if (const std::optional<QString> w = word(p)) {
        if (auto it = stepWords().constFind(*w); it != stepWords().constEnd()) {
            mark(p, Role::Keyword);
            advance();
            return *it;
        }
    }
    return quantity(parsePostfix(), QStringLiteral("That")).value;
}

} // namespace VexilCore
