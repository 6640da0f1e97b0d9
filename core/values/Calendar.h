#pragma once

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>
#include <QTimeZone>

#include <optional>

namespace VexilCore {

// The calendar every date computation of the engine uses: Gregorian, in one zone, with the
// user's locale. A copy with another zone stands for "the same calendar in that zone".
struct CalendarCtx {
    QTimeZone zone = QTimeZone::utc();
    QLocale locale;

    CalendarCtx withZone(const QTimeZone& z) const { return CalendarCtx{z, locale}; }
    bool operator==(const CalendarCtx&) const = default;
};

namespace Calendar {

// Instants are seconds since 1970-01-01 UTC. Milliseconds fit QDateTime; anything else
// (NaN, infinities, far beyond the representable range) has no calendar form.
std::optional<QDateTime> toDateTime(double seconds, const QTimeZone& zone);

// A wall-clock date and time in a zone to an instant. A time skipped by a daylight-saving gap
// moves forward by the gap; a time that occurs twice takes the later instant. Never goes through
// an invalid QDateTime. The date must be valid.
double wallToInstant(const QTimeZone& zone, QDate date, QTime time);

} // namespace Calendar

} // namespace VexilCore
