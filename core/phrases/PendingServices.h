#pragma once

#include "core/parser/Parser.h"
#include "core/values/Arith.h"
#include "core/values/Calendar.h"

#include <cmath>

// Local stand-ins for the operand coercions and zone services that the phrase dispatch builds;
// they go once those are merged.
namespace VexilCore::pending {

inline Quantity quantity(const Value& v, const QString& name) {
    if (const Quantity* q = asQuantity(v)) return *q;
    throw CalcError(name + QStringLiteral(" needs a number"));
}

inline double scalar(const Value& v, const QString& name) {
    const Quantity* q = asQuantity(v);
    if (!q) throw CalcError(name + QStringLiteral(" needs a number"));
    if (!q->unit.isNone()) throw CalcError(name + QStringLiteral(" needs a plain number"));
    return q->value;
}

inline double ratio(const Quantity& a, const Quantity& b, const EvalContext& ctx) {
    Quantity d = b;
    if (a.unit.parts != b.unit.parts) d = Arith::convert(b, a.unit, ctx);
    if (d.value == 0) throw CalcError(QStringLiteral("Division by zero"));
    return a.value / d.value;
}

inline std::optional<ZonedTime> zoned(const Value& v, const EvalContext& ctx) {
    if (const auto* z = std::get_if<ZonedTime>(&v)) return *z;
    if (const auto* i = std::get_if<Instant>(&v)) return ZonedTime{i->secs, ctx.calendar.zone, {}, 0};
    if (const auto* c = std::get_if<ClockTime>(&v)) {
        const auto today = Calendar::toDateTime(ctx.now, ctx.calendar.zone);
        if (!today) return std::nullopt;
        const qint64 s = qint64(std::floor(c->seconds));
        const double at = Calendar::wallToInstant(ctx.calendar.zone, today->date(),
                                                  QTime(int(s / 3600), int(s % 3600 / 60), int(s % 60)));
        return ZonedTime{at + double(c->dayOffset) * 86400.0, ctx.calendar.zone, {}, c->dayOffset};
    }
    return std::nullopt;
}

inline ZonedTime convertZone(const ZonedTime& z, const QTimeZone& zone, const QString& label) {
    qint64 days = 0;
    const auto from = Calendar::toDateTime(z.date, z.zone);
    const auto to = Calendar::toDateTime(z.date, zone);
    if (from && to) days = from->date().daysTo(to->date());
    return ZonedTime{z.date, zone, label, z.dayShift + days};
}

} // namespace VexilCore::pending
