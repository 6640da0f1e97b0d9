#include "core/values/Unit.h"

#include "core/currency/Currencies.h"
#include "core/values/CalcError.h"
#include "core/values/CheckedInt.h"
#include "core/values/EvalContext.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace VexilCore {

namespace {

// A rate or price of 0 or below, or NaN, counts as missing.
std::optional<double> positive(const std::optional<double>& v) {
    if (v && *v > 0) return v;
    return std::nullopt;
}

double currencyFactor(const QString& id, const EvalContext& ctx) {
    if (id == "USD"_L1) return 1;
    if (id == "sat"_L1) {
        // Same rule as the coins: a BTC price that is not positive counts as missing.
        const auto btc = ctx.crypto ? positive(ctx.crypto->price(QStringLiteral("BTC"))) : std::nullopt;
        if (!btc) throw CalcError(QStringLiteral("No price for BTC yet. Click Rates to refresh"));
        return *btc * 1e-8;
    }
    if (Currencies::cryptoCodes().contains(id)) {
        const auto price = ctx.crypto ? positive(ctx.crypto->price(id)) : std::nullopt;
        if (!price)
            throw CalcError(QStringLiteral("No price for ") + id +
                            QStringLiteral(" yet. Click Rates to refresh"));
        return *price;
    }
    const auto rate = ctx.rates ? positive(ctx.rates->rate(id)) : std::nullopt;
    if (!rate)
        throw CalcError(QStringLiteral("No exchange rate for ") + id +
                        QStringLiteral(" yet. Click Rates to refresh"));
    return 1.0 / *rate;
}

// Metres per CSS em at 96 pixels per inch.
constexpr double kMetresPerPixel = 0.0254 / 96;

} // namespace

bool sameUnit(const UnitRef& a, const UnitRef& b) {
    if (a == b) return true;
    if (!a || !b) return false;
    return a->id == b->id;
}

size_t qHash(const UnitPower& p, size_t seed) noexcept {
    return qHashMulti(seed, p.unit ? p.unit->id : QString(), p.power);
}

bool UnitDef::isOffsetTemperature() const {
    const auto* affine = std::get_if<Affine>(&kind);
    return affine && affine->offset != 0;
}

double UnitDef::factor(const EvalContext& ctx) const {
    switch (kind.index()) {
    case 0:
        return std::get<Linear>(kind).factor;
    case 1:
        return std::get<Affine>(kind).scale;
    case 2:
        return currencyFactor(id, ctx);
    default:
        return ctx.emBasePixels * kMetresPerPixel;
    }
}

CompoundUnit::CompoundUnit(const QList<UnitPower>& all) {
    parts.reserve(all.size());
    for (const UnitPower& p : all)
        if (p.power != 0) parts.append(p);
}

CompoundUnit::CompoundUnit(UnitRef unit, qint64 power) {
    if (power != 0) parts.append(UnitPower(std::move(unit), power));
}

UnitRef CompoundUnit::single() const {
    if (parts.size() == 1 && parts.front().power == 1) return parts.front().unit;
    return nullptr;
}

bool CompoundUnit::containsCurrency() const {
    for (const UnitPower& p : parts)
        if (p.unit->isCurrency()) return true;
    return false;
}

bool CompoundUnit::containsOffsetTemperature() const {
    for (const UnitPower& p : parts)
        if (p.unit->isOffsetTemperature()) return true;
    return false;
}

double CompoundUnit::factor(const EvalContext& ctx) const {
    double f = 1.0;
    for (const UnitPower& p : parts)
        f *= std::pow(p.unit->factor(ctx), double(p.power));
    return f;
}

Dimension CompoundUnit::dim() const {
    Dimension d = Dimension::none;
    for (const UnitPower& p : parts)
        d = d * p.unit->dim.power(p.power);
    return d;
}

CompoundUnit CompoundUnit::power(qint64 n) const {
    QList<UnitPower> raised;
    raised.reserve(parts.size());
    for (const UnitPower& p : parts)
        raised.append(UnitPower(p.unit, checkedExponentMul(p.power, n)));
    return CompoundUnit(raised);
}

CompoundUnit CompoundUnit::multiplied(const CompoundUnit& other) const {
    QList<UnitPower> work = parts;
    for (const UnitPower& p : other.parts) {
        bool merged = false;
        for (UnitPower& w : work) {
            if (w.unit->id == p.unit->id) {
                w.power = checkedExponentAdd(w.power, p.power);
                merged = true;
                break;
            }
        }
        if (!merged) work.append(p);
    }
    return CompoundUnit(work);
}

QString CompoundUnit::display(bool plural) const {
    if (parts.isEmpty()) return {};
    if (parts.size() == 1 && parts.front().power == 1) {
        const UnitDef& u = *parts.front().unit;
        return plural ? u.plural : u.singular;
    }
    const QChar dot(0x00B7);
    QString numerator;
    QString denominator;
    for (const UnitPower& p : parts) {
        if (p.power > 0) {
            if (!numerator.isEmpty()) numerator += dot;
            numerator += p.unit->symbol;
            if (p.power != 1) numerator += superscript(p.power);
        } else {
            if (!denominator.isEmpty()) denominator += dot;
            denominator += p.unit->symbol;
            if (p.power != -1) denominator += superscript(-p.power);
        }
    }
    if (denominator.isEmpty()) return numerator;
    return (numerator.isEmpty() ? QStringLiteral("1") : numerator) + u'/' + denominator;
}

size_t qHash(const CompoundUnit& u, size_t seed) noexcept {
    seed = ::qHash(quint64(u.parts.size()), seed);
    for (const UnitPower& p : u.parts)
        seed = qHash(p, seed);
    return seed;
}

QString superscript(qint64 n) {
    static const char16_t digits[] = {0x2070, 0x00B9, 0x00B2, 0x00B3, 0x2074,
                                      0x2075, 0x2076, 0x2077, 0x2078, 0x2079};
    const QString plain = QString::number(n);
    QString out;
    out.reserve(plain.size());
    for (QChar c : plain) {
        if (c >= u'0' && c <= u'9')
            out += QChar(digits[c.unicode() - u'0']);
        else if (c == u'-')
            out += QChar(0x207B);
        else
            out += c;
    }
    return out;
}

} // namespace VexilCore
