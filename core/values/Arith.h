#pragma once

#include "core/values/CalcError.h"
#include "core/values/EvalContext.h"
#include "core/values/Value.h"

#include <cmath>

// Unit-aware arithmetic on quantities. Every operation takes the evaluation context because
// currency sizes are read from its rate tables at each call; a missing rate is thrown as the
// CalcError of UnitDef::factor and passes through unchanged. Results are plain with no terms
// unless stated otherwise.
namespace VexilCore::Arith {

// "Can't <verb> <name of d1> and <name of d2>", a dimension error (not thrown here).
CalcError mismatch(const Dimension& d1, const Dimension& d2, const QString& verb);

// l + r (or l - r). A plain number takes the other side's unit; otherwise the result is in l's
// unit, except that a coin plus a fiat amount is given in the fiat currency.
Quantity add(const Quantity& l, const Quantity& r, const EvalContext& ctx, bool subtract = false);

// q in the target unit. Converting to the identical unit returns q unchanged (style and terms).
Quantity convert(const Quantity& q, const CompoundUnit& target, const EvalContext& ctx);

// l × r with unit merging: 2 m × 30 cm is 0.6 m², 60 mph × 2 h is 120 mi.
Quantity multiply(const Quantity& l, const Quantity& r, const EvalContext& ctx);

// "a of b": a plain a (a percentage as its fraction) scales b; two matching quantities give
// their ratio.
Quantity of(const Quantity& a, const Quantity& b, const EvalContext& ctx);

// base ^ exponent; units only to whole powers of magnitude up to 12.
Quantity power(const Quantity& base, const Quantity& exponent);

inline bool isWhole(double x) {
    return std::isfinite(x) && x == std::floor(x);
}

} // namespace VexilCore::Arith
