#pragma once

#include "core/values/Dimension.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>
#include <variant>

namespace VexilCore {

struct EvalContext;
struct UnitDef;

// Units are shared: every quantity refers to the registry's object (or to a custom unit that
// lives as long as a quantity holds it).
using UnitRef = std::shared_ptr<const UnitDef>;

// Unit definitions compare by id; a null reference equals only another null.
bool sameUnit(const UnitRef& a, const UnitRef& b);

struct UnitPower {
    UnitRef unit;
    qint64 power = 1;

    UnitPower() = default;
    UnitPower(UnitRef unit, qint64 power) : unit(std::move(unit)), power(power) {}

    bool operator==(const UnitPower& o) const { return power == o.power && sameUnit(unit, o.unit); }
};

size_t qHash(const UnitPower& p, size_t seed = 0) noexcept;

// One named unit with its dimension and its size in the dimension's base unit.
struct UnitDef {
    struct Linear {
        double factor;
    };
    // base = value * scale + offset
    struct Affine {
        double scale;
        double offset;
    };
    // Size read from the context's rate tables.
    struct Currency {};
    // One CSS em at the context's emBasePixels, in metres.
    struct CssEm {};
    using Kind = std::variant<Linear, Affine, Currency, CssEm>;

    QString id;       // registry key, unique
    QString symbol;   // used inside compound units
    QString singular; // written after a number when the unit stands alone
    QString plural;
    Dimension dim;
    Kind kind;
    // For units named as a product or quotient of others (mph = mi/h); set once by the registry.
    std::optional<QList<UnitPower>> decomposition;

    bool isCurrency() const { return std::holds_alternative<Currency>(kind); }
    // °C and °F; kelvin is affine with offset 0 and is not one.
    bool isOffsetTemperature() const;

    // The size of one unit in the base unit of its dimension. Throws CalcError when a currency
    // has no rate or price in the context.
    double factor(const EvalContext& ctx) const;

    const QString& description() const { return symbol; }
    bool operator==(const UnitDef& o) const { return id == o.id; }
};

// A product of units raised to integer powers, in the order built; no part has power 0.
struct CompoundUnit {
    QList<UnitPower> parts;

    CompoundUnit() = default;
    // Keeps the parts whose power is not 0, in order (does not merge repeated units).
    explicit CompoundUnit(const QList<UnitPower>& parts);
    explicit CompoundUnit(UnitRef unit, qint64 power = 1);

    static CompoundUnit none() { return {}; }

    bool isNone() const { return parts.isEmpty(); }
    // The unit when there is exactly one part of power 1, else null.
    UnitRef single() const;
    bool containsCurrency() const;
    bool containsOffsetTemperature() const;

    // Product of the parts' factors raised to their powers; the first missing rate is thrown.
    double factor(const EvalContext& ctx) const;
    Dimension dim() const;
    // Every power multiplied by n; n = 0 gives the empty unit.
    CompoundUnit power(qint64 n) const;
    // Adds the powers of units already present, appends the others, drops cancelled parts.
    CompoundUnit multiplied(const CompoundUnit& other) const;

    // The text written after a number: the unit's name when it stands alone with power 1,
    // otherwise symbols with superscript powers ("m/s²", "kg·m²/s²", "1/s").
    QString display(bool plural) const;
    QString description() const { return display(true); }

    bool operator==(const CompoundUnit&) const = default;
};

size_t qHash(const CompoundUnit& u, size_t seed = 0) noexcept;

// The decimal digits of n, with its minus sign, as superscript characters.
QString superscript(qint64 n);

} // namespace VexilCore
