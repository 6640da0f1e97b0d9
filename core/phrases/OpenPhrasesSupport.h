#pragma once

#include "core/values/Arith.h"
#include "core/values/CalcError.h"
#include "core/values/Units.h"
#include "core/values/Value.h"

#include <cmath>

// Small helpers shared by the open phrase handlers.
namespace VexilCore::OpenPhrases {

// A computed amount, or a message instead of an infinity or NaN on the screen.
inline double finite(double x) {
    if (std::isnan(x)) throw CalcError(QStringLiteral("That has no answer for these values"));
    if (std::isinf(x)) throw CalcError(QStringLiteral("Result is too large"));
    return x;
}

// The registry's unit with that id, alone.
inline CompoundUnit unitOf(const QString& id) {
    return CompoundUnit(Units::unit(id));
}

// b's number in a's unit: a plain b is taken as already in it; otherwise converted (a plain a
// then throws the conversion's dimension error).
inline double inUnitOf(const Quantity& b, const Quantity& a, const EvalContext& ctx) {
    if (b.unit.isNone() || b.unit == a.unit) return b.value;
    return Arith::convert(b, a.unit, ctx).value;
}

// Two amounts in one unit: a's, or b's when a is plain.
struct Pair {
    double a, b;
    CompoundUnit unit;
};
inline Pair inOneUnit(const Quantity& a, const Quantity& b, const EvalContext& ctx) {
    if (a.unit.isNone() && !b.unit.isNone()) return Pair{a.value, b.value, b.unit};
    return Pair{a.value, inUnitOf(b, a, ctx), a.unit};
}

} // namespace VexilCore::OpenPhrases
