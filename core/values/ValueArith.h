#pragma once

#include "core/values/CalcError.h"
#include "core/values/EvalContext.h"
#include "core/values/Value.h"

#include <QList>

// + and - over every kind of value, with the date and time shifts behind them. Quantities are
// added by Arith; dates, times of day, instants and zoned times move by durations; differences of
// dates, times of day and instants become durations. Every error is a CalcError with incomplete
// and isDimension false, except those passed through from Arith and UnitDef::factor.
namespace VexilCore::ValueArith {

// l + r, or l - r when subtract is set.
Value add(const Value& l, const Value& r, const EvalContext& ctx, bool subtract = false);

// An instant moved by a duration. Months and years follow the calendar in ctx's zone (a wall
// time that falls into a daylight-saving gap moves forward, one that occurs twice takes the
// later instant); every other unit moves by its fixed length in seconds, so a day is 86400 s.
Instant shift(Instant t, const Quantity& by, int sign, const EvalContext& ctx);

// A calendar date moved by whole years, months, weeks, days and working days (weekends follow
// ctx's locale). Years and months apply first, then days, then working days.
CalendarDate shift(const CalendarDate& d, const Quantity& by, int sign, const EvalContext& ctx);

// A time of day moved by a duration, whole days carried into dayOffset.
ClockTime shift(const ClockTime& c, const Quantity& by, int sign, const EvalContext& ctx);

// Calendar days from a to b, positive when b is later; 0 for a date the calendar cannot form.
qint64 daysBetween(const CalendarDate& a, const CalendarDate& b, const EvalContext& ctx);

// A number of seconds as minutes when it is a whole number of minutes under an hour, else hours.
Quantity hours(double seconds);

// The parts a date shift walks through: the mixed terms, else the lone unit, else the value as
// seconds.
QList<Quantity::Term> calendarTerms(const Quantity& q);

} // namespace VexilCore::ValueArith
