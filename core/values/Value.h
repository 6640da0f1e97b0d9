#pragma once

#include "core/values/Calendar.h"
#include "core/values/Unit.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <optional>
#include <variant>

namespace VexilCore {

// How the result formatter shows a quantity.
struct DisplayStyle {
    enum Kind { Mixed, Plain, Percent, Factor, Hex, Binary, Octal, Breakdown, Hms, Ungrouped };

    Kind kind = Plain;
    QStringList mixedIds; // for Mixed: the unit ids (registry keys) the amount is split over

    DisplayStyle() = default;
    DisplayStyle(Kind k) : kind(k) {} // implicit, so a Kind can stand wherever a style is taken
    static DisplayStyle mixed(QStringList ids) {
        DisplayStyle s(Mixed);
        s.mixedIds = std::move(ids);
        return s;
    }

    bool operator==(const DisplayStyle& o) const {
        return kind == o.kind && (kind != Mixed || mixedIds == o.mixedIds);
    }
};

struct Quantity {
    // One part of a mixed-unit amount (5 ft 3 in, 1 yr 2 mo).
    struct Term {
        double value = 0;
        UnitRef unit;
        bool operator==(const Term& o) const { return value == o.value && sameUnit(unit, o.unit); }
    };

    double value = 0;
    CompoundUnit unit;
    DisplayStyle style;
    std::optional<QList<Term>> terms;

    Quantity() = default;
    Quantity(double value, CompoundUnit unit, DisplayStyle style = {})
        : value(value), unit(std::move(unit)), style(std::move(style)) {}

    bool isScalar() const { return unit.isNone(); }
    bool operator==(const Quantity&) const = default;
};

// A day without a time of day. Fields are unchecked; make() validates.
struct CalendarDate {
    qint64 year = 1970;
    qint64 month = 1;
    qint64 day = 1;

    // Throws CalcError "Invalid date" for a day the calendar does not have.
    static CalendarDate make(qint64 year, qint64 month, qint64 day, const CalendarCtx& cal);
    // The instant at 12:00 of that day in the calendar's zone, seconds since 1970.
    double date(const CalendarCtx& cal) const;
    // The day of an instant in the calendar's zone; "Date out of range" for an instant the
    // calendar cannot represent.
    static CalendarDate from(double instant, const CalendarCtx& cal);

    // The QDate of a date within the supported years, else nothing.
    std::optional<QDate> toQDate() const;

    bool operator==(const CalendarDate&) const = default;
};

// A time of day; seconds kept in [0, 86400) with whole days carried in dayOffset.
struct ClockTime {
    double seconds = 0;
    qint64 dayOffset = 0;

    // The normalising initialiser: 25 hours on day 0 is 01:00 on day 1. Throws CalcError
    // "Date out of range" when the total is not finite or the day count does not fit.
    static ClockTime make(double seconds, qint64 dayOffset = 0);

    bool operator==(const ClockTime&) const = default;
};

// An absolute instant, seconds since 1970-01-01 UTC.
struct Instant {
    double secs = 0;
    bool operator==(const Instant&) const = default;
};

// A time shown in a named zone.
struct ZonedTime {
    double date = 0; // the instant, seconds since 1970
    QTimeZone zone;
    QString label;       // the zone as the user named it
    qint64 dayShift = 0; // calendar days after (or before, negative) the day it came from

    bool operator==(const ZonedTime&) const = default;
};

// What an expression yields. The alternative index is the tag; construct with
// std::in_place_type (a string literal would otherwise become a bool).
using Value = std::variant<Quantity, CalendarDate, ClockTime, Instant, ZonedTime, bool, QString>;

enum class ValueKind { Quantity = 0, Date, Clock, DateTime, Zoned, Bool, Text };

inline ValueKind kindOf(const Value& v) {
    return static_cast<ValueKind>(v.index());
}
inline bool isNumeric(const Value& v) {
    return std::holds_alternative<Quantity>(v);
}
inline const Quantity* asQuantity(const Value& v) {
    return std::get_if<Quantity>(&v);
}

} // namespace VexilCore
