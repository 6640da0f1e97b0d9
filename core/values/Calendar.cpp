#include "core/values/Calendar.h"

#include <cmath>

namespace VexilCore::Calendar {

namespace {

constexpr qint64 kMsPerDay = 86'400'000;
// Comfortably inside qint64 milliseconds and QDateTime's range.
constexpr double kMaxAbsMs = 9.0e18;

int offsetAt(const QTimeZone& zone, qint64 ms) {
    return zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc()));
}

} // namespace

std::optional<QDateTime> toDateTime(double seconds, const QTimeZone& zone) {
    const double ms = std::floor(seconds * 1000.0);
    if (!std::isfinite(ms) || std::fabs(ms) > kMaxAbsMs) return std::nullopt;
    QDateTime dt = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(ms), zone);
    if (!dt.isValid()) return std::nullopt;
    return dt;
}

double wallToInstant(const QTimeZone& zone, QDate date, QTime time) {
    // The wall time read as if it were UTC.
    const qint64 wall = QDateTime(date, time, QTimeZone::utc()).toMSecsSinceEpoch();
    const int before = offsetAt(zone, wall - kMsPerDay);
    const int after = offsetAt(zone, wall + kMsPerDay);
    const qint64 candBefore = wall - qint64(before) * 1000;
    const qint64 candAfter = wall - qint64(after) * 1000;
    const bool okBefore = offsetAt(zone, candBefore) == before;
    const bool okAfter = offsetAt(zone, candAfter) == after;
    qint64 ms;
    if (okBefore && okAfter)
        ms = std::max(candBefore, candAfter);
    else if (okBefore)
        ms = candBefore;
    else if (okAfter)
        ms = candAfter;
    else
        ms = candBefore; // in a gap: forward by the gap
    return double(ms) / 1000.0;
}

} // namespace VexilCore::Calendar
