#include "core/parser/Parser.h"

#include "core/phrases/OpenPhrasesSupport.h"

#include <algorithm>
#include <cmath>

// The arithmetic phrases: roots, logarithms to a base, half, midpoints, remainders, random
// numbers and clamping.
//
// For users:
//   square root of 16        cube root of 27         root 4 of 81        root of 2
//   log 8 base 2             log 1000                half of 30          half an hour
//   midpoint of 2 and 8      halfway between 9 km and 11 km
//   remainder of 17 / 5      remainder of 17 divided by 5              remainder 17 by 5
//   random number            random number between 1 and 6             random from 0.5 to 2
//   clamp 12 between 0 and 10                     clamp 5 kg from 1 kg to 2000 g

namespace VexilCore {

using namespace OpenPhrases;

namespace {

const QString kRoot = QStringLiteral("root");

// splitmix64: one well-spread 64-bit value from any input.
quint64 mix(quint64 x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

} // namespace

Value LineParser::operand(std::initializer_list<QStringView> stops) {
    StopWords guard(*this, stops);
    return parseAdditive();
}

// "square root [of] x", "cube root [of] x"  -> sqrt / cbrt with their unit rules
// "root n of x" (n a whole number from 1)   -> the n-th root; "root of x" is the square root
// x and n are single signed operands (powers included), so "square root of 16 + 9" is 4 + 9. Committed after
// "root" (and "of" in the general form): "square feet" stays a unit. Degrees 2 and 3 are sqrt
// and cbrt. Any other degree divides every unit power, which must be a multiple of it ("Can't
// take that root of <unit>"); a negative x is allowed for odd degrees only ("Even root of a
// negative number").
std::optional<Value> LineParser::rootPhrase(const QString& head, TrialCommit& commit) {
    if (head != kRoot) {
        if (!matches({head, kRoot})) return std::nullopt;
        expect({head, kRoot});
        commit();
        eat({u"of"}, Role::Keyword);
        const Value x = parseUnary();
        return applyFunction(head == u"square" ? QStringLiteral("sqrt") : QStringLiteral("cbrt"), {x});
    }

    expect({kRoot});
    double degree = 2;
    if (!eat({u"of"}, Role::Keyword)) {
        const Value n = parseUnary();
        expect({u"of"});
        commit();
        degree = scalar(n, kRoot);
    } else {
        commit();
    }
    if (!(degree >= 1) || degree != std::floor(degree) || degree > 1e9)
        throw CalcError(QStringLiteral("root needs a whole degree of 1 or more"));
    const Value x = parseUnary();
    if (degree == 2) return applyFunction(QStringLiteral("sqrt"), {x});
    if (degree == 3) return applyFunction(QStringLiteral("cbrt"), {x});

    const Quantity q = quantity(x, kRoot);
    const qint64 n = qint64(degree);
    const bool odd = n % 2 == 1;
    if (std::isnan(q.value) || (q.value < 0 && !odd))
        throw CalcError(QStringLiteral("Even root of a negative number"));
    QList<UnitPower> parts;
    for (const UnitPower& part : q.unit.parts) {
        if (part.power % n != 0)
            throw CalcError(QStringLiteral("Can't take that root of ") + q.unit.display(true));
        parts.append(UnitPower(part.unit, part.power / n));
    }
    const double magnitude = std::pow(std::fabs(q.value), 1.0 / degree);
    return Quantity(q.value < 0 ? -magnitude : magnitude, CompoundUnit(parts));
}

// "log x [base b]" -> ln x / ln b, base 10 without "base". The table leaves "log(" to the
// function call. Committed once x is read. x: "log needs a positive number" as log() says;
// b: "log base must be positive and not 1".
std::optional<Value> LineParser::logPhrase(const QString&, TrialCommit& commit) {
    const QString name = QStringLiteral("log");
    expect({name});
    const Value xv = parseUnary();
    commit();
    const double x = scalar(xv, name);
    double base = 10;
    if (eat({u"base"}, Role::Keyword)) {
        base = scalar(parseUnary(), name);
        if (!(base > 0) || base == 1 || std::isinf(base))
            throw CalcError(QStringLiteral("log base must be positive and not 1"));
    }
    if (!(x > 0)) throw CalcError(QStringLiteral("log needs a positive number"));
    return Quantity(finite(std::log(x) / std::log(base)), CompoundUnit::none());
}

// "half [of] x" -> x / 2 in x's unit. Committed after "of"; without it any failure rolls back,
// so "half" alone is read as a word.
std::optional<Value> LineParser::halfPhrase(const QString&, TrialCommit& commit) {
    const QString name = QStringLiteral("half");
    expect({name});
    if (eat({u"of"}, Role::Keyword)) commit();
    const Quantity x = quantity(parseAdditive(), name);
    return Quantity(finite(x.value / 2), x.unit);
}

// "midpoint of|between a and b", "halfway between a and b" -> (a + b) / 2, b brought to a's
// unit (a plain a takes b's). Only numbers and amounts: dates and times have no midpoint here.
// Committed after "of"/"between".
std::optional<Value> LineParser::midpointPhrase(const QString& head, TrialCommit& commit) {
    expect({head});
    if (!(eat({u"between"}, Role::Keyword) || (head == u"midpoint" && eat({u"of"}, Role::Keyword))))
        return std::nullopt;
    commit();
    const Quantity a = quantity(operand({u"and"}), head);
    expect({u"and"});
    const Quantity b = quantity(parseAdditive(), head);
    const Pair both = inOneUnit(a, b, m_env.ctx);
    return Quantity(finite((both.a + both.b) / 2), both.unit);
}

// "remainder [of] a (/ | by | divided by | mod) b" -> a mod b as the mod operator computes it
// (floored, taking the divisor's sign). a and b are single operands, so "remainder of 17 / 5"
// is not read as 17 / 5 first. Committed after the divider.
std::optional<Value> LineParser::remainderPhrase(const QString&, TrialCommit& commit) {
    const QString name = QStringLiteral("remainder");
    expect({name});
    eat({u"of"}, Role::Keyword);
    const Value a = [&] {
        StopWords stops(*this, {u"by", u"divided", u"mod"});
        return parseUnary();
    }();
    if (!(eat({u"/"}, Role::Op) || eat({u"by"}, Role::Keyword) || eat({u"divided", u"by"}, Role::Keyword) ||
          eat({u"mod"}, Role::Op)))
        return std::nullopt;
    commit();
    const Value b = parseUnary();
    Quantity r = multiplicative(quantity(a, name), MulOp::Mod, quantity(b, name));
    r.value = finite(r.value);
    return r;
}

// "random number"                                -> a number from 0 up to (not including) 1
// "random [number] between a and b", "... from a to b"
//                                                -> whole bounds give a whole number from a to b
//                                                   inclusive, others a number from a up to b
// The bounds may come in either order; b is brought to a's unit. The draw comes from the
// context's seed, the line and the phrase's place in it, so one evaluation is repeatable.
// Committed after "number" or "between"/"from".
std::optional<Value> LineParser::randomPhrase(const QString&, TrialCommit& commit) {
    const QString name = QStringLiteral("random");
    const int at = p;
    expect({name});
    const bool number = eat({u"number"}, Role::Keyword);
    const bool between = eat({u"between"}, Role::Keyword);
    const bool from = !between && eat({u"from"}, Role::Keyword);
    if (!number && !between && !from) return std::nullopt;
    commit();

    const double u =
        double(mix(m_env.ctx.randomSeed ^ mix(quint64(m_env.currentLine) ^ mix(quint64(at)))) >> 11) *
        0x1.0p-53;
    if (!between && !from) return Quantity(u, CompoundUnit::none());

    const Quantity a = quantity(operand({between ? u"and" : u"to"}), name);
    expect({between ? u"and" : u"to"});
    const Quantity b = quantity(parseAdditive(), name);
    const Pair both = inOneUnit(a, b, m_env.ctx);
    const double lo = std::min(both.a, both.b);
    const double hi = std::max(both.a, both.b);
    if (!std::isfinite(lo) || !std::isfinite(hi))
        throw CalcError(QStringLiteral("random needs finite bounds"));
    // A blend of the bounds never overflows, however far apart they are.
    double x = std::clamp(lo * (1 - u) + hi * u, lo, hi);
    if (lo == std::floor(lo) && hi == std::floor(hi)) {
        const double span = hi - lo;
        x = span < 0x1.0p53 ? std::min(hi, lo + std::floor(u * (span + 1))) : std::floor(x);
    }
    return Quantity(x, both.unit);
}

// "clamp x between a and b", "clamp x from a to b" -> x held within [a, b] in x's unit; plain
// bounds count in x's unit, others are converted to it. Bounds in the wrong order: "clamp needs
// the lower bound first". Committed after "between"/"from".
std::optional<Value> LineParser::clampPhrase(const QString&, TrialCommit& commit) {
    const QString name = QStringLiteral("clamp");
    expect({name});
    const Value xv = operand({u"between", u"from"});
    const bool between = eat({u"between"}, Role::Keyword);
    if (!between && !eat({u"from"}, Role::Keyword)) return std::nullopt;
    commit();
    const Quantity x = quantity(xv, name);
    const Quantity a = quantity(operand({between ? u"and" : u"to"}), name);
    expect({between ? u"and" : u"to"});
    const Quantity b = quantity(parseAdditive(), name);
    const double lo = inUnitOf(a, x, m_env.ctx);
    const double hi = inUnitOf(b, x, m_env.ctx);
    if (lo > hi) throw CalcError(QStringLiteral("clamp needs the lower bound first"));
    return Quantity(std::clamp(x.value, lo, hi), x.unit);
}

} // namespace VexilCore
