#pragma once

#include "core/values/Value.h"

#include <QDateTime>
#include <QTimeZone>

#include <charconv>
#include <cmath>

// A value as short exact text, for tables of (line, expected) in the engine's tests: what the value
// is, not how the results column would show it.
namespace TestSupport {

// The shortest text that reads back as the same double: "0.1", "1.7e+09", "nan".
inline QString num(double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return QString::fromLatin1(buf, r.ptr - buf);
}

// An instant as ISO 8601 in zone ("2024-03-05T19:30:00Z", "2023-11-15T09:00:00+09:00"), with
// milliseconds when it has them; the plain number beyond the years ISO 8601 can write.
inline QString isoText(double secs, const QTimeZone& zone) {
    if (!std::isfinite(secs) || std::abs(secs) > 1e14) return num(secs);
    const qint64 ms = qint64(std::llround(secs * 1000));
    const QDateTime dt = zone == QTimeZone::utc() ? QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC)
                                                  : QDateTime::fromMSecsSinceEpoch(ms, zone);
    const QString text = dt.toString(ms % 1000 ? Qt::ISODateWithMs : Qt::ISODate);
    return text.isEmpty() ? num(secs) : text;
}

// "+1", "+0", "-1".
inline QString withSign(qint64 n) {
    return (n < 0 ? QString() : QStringLiteral("+")) + QString::number(n);
}

// " [percent]", " [mixed ft,in]", or nothing for a plain quantity.
inline QString styleTag(const VexilCore::DisplayStyle& s) {
    using VexilCore::DisplayStyle;
    switch (s.kind) {
    case DisplayStyle::Plain:
        return {};
    case DisplayStyle::Mixed:
        return QStringLiteral(" [mixed ") + s.mixedIds.join(u',') + u']';
    case DisplayStyle::Percent:
        return QStringLiteral(" [percent]");
    case DisplayStyle::Factor:
        return QStringLiteral(" [factor]");
    case DisplayStyle::Hex:
        return QStringLiteral(" [hex]");
    case DisplayStyle::Binary:
        return QStringLiteral(" [binary]");
    case DisplayStyle::Octal:
        return QStringLiteral(" [octal]");
    case DisplayStyle::Breakdown:
        return QStringLiteral(" [breakdown]");
    case DisplayStyle::Hms:
        return QStringLiteral(" [hms]");
    case DisplayStyle::Ungrouped:
        return QStringLiteral(" [ungrouped]");
    }
    return {};
}

// "5 km", "5.25 ft {5 ft, 3 in}", "0.25 [percent]", "date 2024-03-05", "clock 54000",
// "clock 7200 +1d", "instant 2024-03-05T19:30:00Z", "zoned 2023-11-15T09:00:00+09:00 Tokyo +1",
// "true", "text 'Monday'".
inline QString describe(const VexilCore::Value& v) {
    using namespace VexilCore;
    if (const Quantity* q = asQuantity(v)) {
        QString s = num(q->value);
        if (!q->unit.isNone()) s += u' ' + q->unit.display(true);
        if (q->terms) {
            QStringList terms;
            for (const Quantity::Term& term : *q->terms)
                terms << num(term.value) + u' ' + term.unit->id;
            s += QStringLiteral(" {") + terms.join(QStringLiteral(", ")) + u'}';
        }
        return s + styleTag(q->style);
    }
    if (const auto* d = std::get_if<CalendarDate>(&v))
        return QStringLiteral("date %1-%2-%3")
            .arg(d->year)
            .arg(d->month, 2, 10, QChar(u'0'))
            .arg(d->day, 2, 10, QChar(u'0'));
    if (const auto* c = std::get_if<ClockTime>(&v))
        return QStringLiteral("clock ") + num(c->seconds) +
               (c->dayOffset ? u' ' + withSign(c->dayOffset) + u'd' : QString());
    if (const auto* i = std::get_if<Instant>(&v))
        return QStringLiteral("instant ") + isoText(i->secs, QTimeZone::utc());
    if (const auto* z = std::get_if<ZonedTime>(&v))
        return QStringLiteral("zoned %1 %2 %3")
            .arg(isoText(z->date, z->zone), z->label, withSign(z->dayShift));
    if (const bool* b = std::get_if<bool>(&v)) return *b ? QStringLiteral("true") : QStringLiteral("false");
    return QStringLiteral("text '") + std::get<QString>(v) + u'\'';
}

} // namespace TestSupport
