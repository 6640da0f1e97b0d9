#pragma once

#include "core/values/CalcError.h"

#include <QString>
#include <QtGlobal>

namespace VexilCore {

// Unit and dimension exponents only grow through repeated powers such as ((m^12)^12)^12...;
// past 64 bits the line gets an error instead of a wrapped exponent or an abort.
inline qint64 checkedExponentAdd(qint64 a, qint64 b) {
    qint64 r = 0;
    if (__builtin_add_overflow(a, b, &r)) throw CalcError(QStringLiteral("Unit power is too large"));
    return r;
}

inline qint64 checkedExponentMul(qint64 a, qint64 b) {
    qint64 r = 0;
    if (__builtin_mul_overflow(a, b, &r)) throw CalcError(QStringLiteral("Unit power is too large"));
    return r;
}

} // namespace VexilCore
