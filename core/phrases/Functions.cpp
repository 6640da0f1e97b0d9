#include "core/parser/Parser.h"

#include "core/values/Arith.h"
#include "core/values/Units.h"

#include <cmath>

// The named functions: sqrt(16 m²), round(3.14159, 2), asin(0.5), fact(5), hex(255).

namespace VexilCore {

namespace {

constexpr double kPi = 3.141592653589793;

enum class Fn {
    Sqrt,
    Cbrt,
    Abs,
    Round,
    Floor,
    Ceil,
    Int,
    Ln,
    Log10,
    Log2,
    Exp,
    Sin,
    Cos,
    Tan,
    SinD,
    CosD,
    TanD,
    Sinh,
    Cosh,
    Tanh,
    Asinh,
    Acosh,
    Atanh,
    Asin,
    Acos,
    Atan,
    Fact,
    Hex,
    Bin,
    Oct,
};

const QHash<QString, Fn>& functionTable() {
    static const QHash<QString, Fn> table{
        {QStringLiteral("sqrt"), Fn::Sqrt},   {QStringLiteral("cbrt"), Fn::Cbrt},
        {QStringLiteral("abs"), Fn::Abs},     {QStringLiteral("round"), Fn::Round},
        {QStringLiteral("floor"), Fn::Floor}, {QStringLiteral("ceil"), Fn::Ceil},
        {QStringLiteral("int"), Fn::Int},     {QStringLiteral("ln"), Fn::Ln},
        {QStringLiteral("log"), Fn::Log10},   {QStringLiteral("log10"), Fn::Log10},
        {QStringLiteral("log2"), Fn::Log2},   {QStringLiteral("exp"), Fn::Exp},
        {QStringLiteral("sin"), Fn::Sin},     {QStringLiteral("cos"), Fn::Cos},
        {QStringLiteral("tan"), Fn::Tan},     {QStringLiteral("sind"), Fn::SinD},
        {QStringLiteral("cosd"), Fn::CosD},   {QStringLiteral("tand"), Fn::TanD},
        {QStringLiteral("sinh"), Fn::Sinh},   {QStringLiteral("cosh"), Fn::Cosh},
        {QStringLiteral("tanh"), Fn::Tanh},   {QStringLiteral("asinh"), Fn::Asinh},
        {QStringLiteral("acosh"), Fn::Acosh}, {QStringLiteral("atanh"), Fn::Atanh},
        {QStringLiteral("asin"), Fn::Asin},   {QStringLiteral("asind"), Fn::Asin},
        {QStringLiteral("acos"), Fn::Acos},   {QStringLiteral("acosd"), Fn::Acos},
        {QStringLiteral("atan"), Fn::Atan},   {QStringLiteral("atand"), Fn::Atan},
        {QStringLiteral("fact"), Fn::Fact},   {QStringLiteral("hex"), Fn::Hex},
        {QStringLiteral("bin"), Fn::Bin},     {QStringLiteral("oct"), Fn::Oct},
    };
    return table;
}

const QSet<QString>& listNames() {
    static const QSet<QString> names{
        QStringLiteral("max"), QStringLiteral("min"),     QStringLiteral("gcd"),   QStringLiteral("lcm"),
        QStringLiteral("avg"), QStringLiteral("average"), QStringLiteral("mean"),  QStringLiteral("median"),
        QStringLiteral("sum"), QStringLiteral("stdev"),   QStringLiteral("count"),
    };
    return names;
}

Quantity plain(double x, CompoundUnit unit = {}, DisplayStyle style = {}) {
    return Quantity(x, std::move(unit), std::move(style));
}

// Every power divided by n; the caller has checked that each divides exactly.
CompoundUnit rootOf(const CompoundUnit& u, qint64 n) {
    QList<UnitPower> parts;
    parts.reserve(u.parts.size());
    for (const UnitPower& part : u.parts)
        parts.append(UnitPower(part.unit, part.power / n));
    return CompoundUnit(parts);
}

bool powersDivide(const CompoundUnit& u, qint64 n) {
    for (const UnitPower& part : u.parts)
        if (part.power % n != 0) return false;
    return true;
}

CompoundUnit degrees() {
    return CompoundUnit(Units::unit(QStringLiteral("deg")));
}

} // namespace

Value LineParser::applyFunction(const QString& name, const QList<Value>& args) {
    if (listNames().contains(name)) return stat(name == u"avg" ? QStringLiteral("average") : name, args);

    if (name == u"round" && args.size() == 2) {
        Quantity x = quantity(args[0], QStringLiteral("That"));
        const double m = std::pow(10.0, scalar(args[1], QStringLiteral("round")));
        x.value = std::round(x.value * m) / m;
        return x;
    }

    if (args.size() != 1) throw CalcError(name + QStringLiteral(" takes one value"));
    const Quantity* q = asQuantity(args[0]);
    if (!q) throw CalcError(name + QStringLiteral(" needs a number"));
    const double x = q->value;

    const auto plainArg = [&] {
        if (!q->unit.isNone()) throw CalcError(name + QStringLiteral(" needs a plain number"));
        return x;
    };
    const auto radians = [&] {
        if (q->unit.isNone()) return x;
        if (q->unit.dim() == Dimension::angle)
            return Arith::convert(*q, CompoundUnit(Units::unit(QStringLiteral("rad"))), m_env.ctx).value;
        throw CalcError(name + QStringLiteral(" needs an angle"));
    };
    const auto inverse = [&](auto f, bool ranged, const char16_t* message) {
        const double v = plainArg();
        if (ranged && !(std::fabs(v) <= 1)) throw CalcError(QString::fromUtf16(message));
        return plain(f(v) * 180 / kPi, degrees());
    };

    const auto found = functionTable().constFind(name);
    if (found == functionTable().cend()) throw CalcError(QStringLiteral("Unknown function ") + name);

    switch (*found) {
    case Fn::Sqrt:
        if (!(x >= 0)) throw CalcError(QStringLiteral("Square root of a negative number"));
        if (!powersDivide(q->unit, 2))
            throw CalcError(QStringLiteral("Can't take the square root of ") + q->unit.display(true));
        return plain(std::sqrt(x), rootOf(q->unit, 2));
    case Fn::Cbrt:
        if (!powersDivide(q->unit, 3))
            throw CalcError(QStringLiteral("Can't take the cube root of ") + q->unit.display(true));
        return plain(std::cbrt(x), rootOf(q->unit, 3));
    case Fn::Abs:
        return plain(std::fabs(x), q->unit);
    case Fn::Round:
        return plain(std::round(x), q->unit);
    case Fn::Floor:
        return plain(std::floor(x), q->unit);
    case Fn::Ceil:
        return plain(std::ceil(x), q->unit);
    case Fn::Int:
        return plain(std::trunc(plainArg()));
    case Fn::Ln: {
        const double v = plainArg();
        if (!(v > 0)) throw CalcError(QStringLiteral("ln needs a positive number"));
        return plain(std::log(v));
    }
    case Fn::Log10: {
        const double v = plainArg();
        if (!(v > 0)) throw CalcError(QStringLiteral("log needs a positive number"));
        return plain(std::log10(v));
    }
    case Fn::Log2: {
        const double v = plainArg();
        if (!(v > 0)) throw CalcError(QStringLiteral("log2 needs a positive number"));
        return plain(std::log2(v));
    }
    case Fn::Exp:
        return plain(std::exp(plainArg()));
    case Fn::Sin:
        return plain(std::sin(radians()));
    case Fn::Cos:
        return plain(std::cos(radians()));
    case Fn::Tan:
        return plain(std::tan(radians()));
    case Fn::SinD:
        return plain(std::sin(plainArg() * kPi / 180));
    case Fn::CosD:
        return plain(std::cos(plainArg() * kPi / 180));
    case Fn::TanD:
        return plain(std::tan(plainArg() * kPi / 180));
    case Fn::Sinh:
        return plain(std::sinh(plainArg()));
    case Fn::Cosh:
        return plain(std::cosh(plainArg()));
    case Fn::Tanh:
        return plain(std::tanh(plainArg()));
    case Fn::Asinh:
        return plain(std::asinh(plainArg()));
    case Fn::Acosh:
        return plain(std::acosh(plainArg()));
    case Fn::Atanh:
        return plain(std::atanh(plainArg()));
    case Fn::Asin:
        return inverse([](double v) { return std::asin(v); }, true, u"asin needs a value from -1 to 1");
    case Fn::Acos:
        return inverse([](double v) { return std::acos(v); }, true, u"acos needs a value from -1 to 1");
    case Fn::Atan:
        return inverse([](double v) { return std::atan(v); }, false, u"");
    case Fn::Fact: {
        const qint64 n = integer(args[0], QStringLiteral("Factorial"));
        if (n < 0 || n > 170) throw CalcError(QStringLiteral("Factorial needs a whole number from 0 to 170"));
        double product = 1;
        for (qint64 k = 2; k <= n; ++k)
            product *= double(k);
        return plain(product);
    }
    case Fn::Hex:
    case Fn::Bin:
    case Fn::Oct: {
        const qint64 n = integer(args[0], name);
        const DisplayStyle::Kind style = *found == Fn::Hex   ? DisplayStyle::Hex
                                         : *found == Fn::Bin ? DisplayStyle::Binary
                                                             : DisplayStyle::Octal;
        return plain(double(n), {}, style);
    }
    }
    throw CalcError(QStringLiteral("Unknown function ") + name);
}

} // namespace VexilCore
