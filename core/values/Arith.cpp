#include "core/values/Arith.h"

#include "core/values/CheckedInt.h"

#include "core/currency/Currencies.h"

#include <cmath>

namespace VexilCore::Arith {

namespace {

CalcError plainError(const QString& message) {
    return CalcError(message, false, false);
}

bool isLoneCurrency(const CompoundUnit& u) {
    const UnitRef single = u.single();
    return single && single->isCurrency();
}

bool isVolumeAndMass(const Dimension& a, const Dimension& b) {
    return (a == Dimension::volume && b == Dimension::mass) ||
           (a == Dimension::mass && b == Dimension::volume);
}

bool hasPartWithId(const CompoundUnit& u, QStringView id) {
    for (const UnitPower& p : u.parts)
        if (p.unit->id == id) return true;
    return false;
}

// Replaces units named as products (mph, kWh) by their parts when the other operand carries a
// unit of the dimension of one of those parts, so that 60 mph × 2 h can cancel the hours.
QList<UnitPower> expand(const QList<UnitPower>& parts, const QList<UnitPower>& against) {
    QList<UnitPower> out;
    out.reserve(parts.size());
    for (const UnitPower& part : parts) {
        const auto& dec = part.unit->decomposition;
        bool matches = false;
        if (dec && !dec->isEmpty()) {
            for (const UnitPower& d : *dec) {
                for (const UnitPower& a : against)
                    if (d.unit->dim == a.unit->dim) {
                        matches = true;
                        break;
                    }
                if (matches) break;
            }
        }
        if (!matches) {
            out.append(part);
            continue;
        }
        for (const UnitPower& d : *dec) {
            out.append(UnitPower(d.unit, checkedExponentMul(d.power, part.power)));
        }
    }
    return out;
}

} // namespace

CalcError mismatch(const Dimension& d1, const Dimension& d2, const QString& verb) {
    return CalcError(QStringLiteral("Can't ") + verb + u' ' + d1.name() + QStringLiteral(" and ") + d2.name(),
                     false, true);
}

Quantity add(const Quantity& l, const Quantity& r, const EvalContext& ctx, bool subtract) {
    const double sign = subtract ? -1.0 : 1.0;
    if (l.unit.isNone()) return Quantity(l.value + sign * r.value, r.unit);
    if (r.unit.isNone() || l.unit == r.unit) return Quantity(l.value + sign * r.value, l.unit);

    const Dimension ld = l.unit.dim();
    const Dimension rd = r.unit.dim();
    if (ld != rd) throw mismatch(ld, rd, subtract ? QStringLiteral("subtract") : QStringLiteral("add"));

    // A coin plus a fiat amount is worth knowing in the fiat currency.
    if (isLoneCurrency(l.unit) && isLoneCurrency(r.unit) && Currencies::isCrypto(l.unit.single()->id) &&
        !Currencies::isCrypto(r.unit.single()->id)) {
        const double lf = l.unit.single()->factor(ctx);
        const double rf = r.unit.single()->factor(ctx);
        return Quantity(l.value * lf / rf + sign * r.value, r.unit);
    }

    // r's factor first, so that when both sides lack a rate the error names r's currency.
    const double rf = r.unit.factor(ctx);
    const double lf = l.unit.factor(ctx);
    return Quantity(l.value + sign * r.value * (rf / lf), l.unit);
}

Quantity convert(const Quantity& q, const CompoundUnit& target, const EvalContext& ctx) {
    if (q.unit == target) return q;

    const Dimension from = q.unit.dim();
    const Dimension to = target.dim();
    if (from != to) {
        QString message = QStringLiteral("Can't convert ") + from.name() + QStringLiteral(" to ") + to.name();
        if (isVolumeAndMass(from, to)) {
            const bool ounces = hasPartWithId(q.unit, u"oz") || hasPartWithId(target, u"oz");
            message += ounces ? QStringLiteral(". Use fl oz") : QStringLiteral(" (no density assumed)");
        }
        throw CalcError(message, false, true);
    }

    const UnitRef fromUnit = q.unit.single();
    const UnitRef toUnit = target.single();
    if (fromUnit && toUnit) {
        const auto* a = std::get_if<UnitDef::Affine>(&fromUnit->kind);
        const auto* b = std::get_if<UnitDef::Affine>(&toUnit->kind);
        if (a && b) return Quantity((q.value * a->scale + a->offset - b->offset) / b->scale, target);
    }

    if (q.unit.containsOffsetTemperature() || target.containsOffsetTemperature())
        throw plainError(QStringLiteral("\u00B0C and \u00B0F can only be converted on their own"));

    const double qf = q.unit.factor(ctx);
    const double tf = target.factor(ctx);
    return Quantity(q.value * qf / tf, target);
}

Quantity multiply(const Quantity& l, const Quantity& r, const EvalContext& ctx) {
    if (l.unit.isNone()) return Quantity(l.value * r.value, r.unit);
    if (r.unit.isNone()) return Quantity(l.value * r.value, l.unit);
    if (l.unit.containsOffsetTemperature() || r.unit.containsOffsetTemperature())
        throw plainError(QStringLiteral("Can't multiply absolute temperatures (\u00B0C, \u00B0F). Use K"));

    double value = l.value * r.value;
    QList<UnitPower> left = expand(l.unit.parts, r.unit.parts);
    const QList<UnitPower> right = expand(r.unit.parts, left);

    for (const UnitPower& part : right) {
        UnitPower* target = nullptr;
        for (UnitPower& candidate : left)
            if (candidate.unit->id == part.unit->id) {
                target = &candidate;
                break;
            }
        if (!target && !part.unit->dim.isNone()) {
            for (UnitPower& candidate : left)
                if (candidate.unit->dim == part.unit->dim) {
                    // Same kind of unit: express the right one in the left one (2 m × 30 cm = 0.6 m²).
                    const double partFactor = part.unit->factor(ctx);
                    const double targetFactor = candidate.unit->factor(ctx);
                    value *= std::pow(partFactor / targetFactor, double(part.power));
                    target = &candidate;
                    break;
                }
        }
        if (target) {
            target->power = checkedExponentAdd(target->power, part.power);
        } else {
            left.append(part);
        }
    }

    const CompoundUnit unit(left);
    int currencyParts = 0;
    for (const UnitPower& p : unit.parts)
        if (p.unit->isCurrency()) ++currencyParts;
    const qint64 moneyExponent = unit.dim().exps[6];
    if (moneyExponent >= 2 || moneyExponent <= -2 || currencyParts >= 2)
        throw plainError(QStringLiteral("Can't multiply currencies together"));
    return Quantity(value, unit);
}

Quantity of(const Quantity& a, const Quantity& b, const EvalContext& ctx) {
    if (a.unit.isNone()) return Quantity(a.value * b.value, b.unit);
    if (b.unit.isNone() || a.unit.dim() != b.unit.dim())
        throw CalcError(QStringLiteral("'of' needs a percentage or two matching quantities"), false, true);
    const Quantity whole = convert(b, a.unit, ctx);
    if (whole.value == 0) throw plainError(QStringLiteral("Division by zero"));
    return Quantity(a.value / whole.value, CompoundUnit::none());
}

Quantity power(const Quantity& base, const Quantity& exponent) {
    if (!exponent.unit.isNone()) throw plainError(QStringLiteral("Exponent must be a plain number"));
    const double e = exponent.value;
    if (base.unit.isNone()) {
        const double v = std::pow(base.value, e);
        if (!std::isfinite(v) && std::isfinite(base.value))
            throw plainError(QStringLiteral("Result is too large"));
        return Quantity(v, CompoundUnit::none());
    }
    // Written so that NaN fails too; only then is the exponent safe to turn into an integer.
    if (!(e == std::round(e) && std::fabs(e) <= 12))
        throw plainError(QStringLiteral("Units can only be raised to whole-number powers"));
    if (base.unit.containsOffsetTemperature())
        throw plainError(QStringLiteral("Can't raise \u00B0C or \u00B0F to a power"));
    const qint64 n = std::llround(e);
    if (base.unit.containsCurrency() && n != 1)
        throw plainError(QStringLiteral("Can't raise a currency to a power"));
    return Quantity(std::pow(base.value, e), base.unit.power(n));
}

} // namespace VexilCore::Arith
