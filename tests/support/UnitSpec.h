#pragma once

#include "core/values/Units.h"
#include "core/values/Value.h"

// Units and quantities written as short specs of registry ids, for the engine's tests.
namespace TestSupport {

// "km" -> km; "m^2" -> m²; "mo^2.yr^-1" -> mo² yr⁻¹ (parts separated by '.', an optional power after
// the id's '^'); "" -> a plain number.
inline VexilCore::CompoundUnit unitOf(const char* spec) {
    using namespace VexilCore;
    QList<UnitPower> parts;
    for (const QString& item : QString::fromUtf8(spec).split(u'.', Qt::SkipEmptyParts)) {
        const qsizetype caret = item.indexOf(u'^');
        const QString id = caret < 0 ? item : item.left(caret);
        const qint64 power = caret < 0 ? 1 : item.mid(caret + 1).toLongLong();
        parts.append(UnitPower(Units::unit(id), power));
    }
    return CompoundUnit(parts);
}

// q(16, "m^2"), q(5, "kg"), q(3) for a plain number.
inline VexilCore::Quantity q(double v, const char* spec = "", VexilCore::DisplayStyle style = {}) {
    return VexilCore::Quantity(v, unitOf(spec), std::move(style));
}

} // namespace TestSupport
