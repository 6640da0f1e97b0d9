#include "core/parser/Parser.h"

#include "core/values/Arith.h"
#include "core/values/Units.h"

#include <charconv>
#include <cmath>

namespace VexilCore {

namespace {

// "line" followed by ASCII digits that fit a 64-bit integer (line3, line12).
bool isLineReference(const QString& lw) {
    if (lw.size() <= 4 || !lw.startsWith(u"line")) return false;
    char digits[32];
    const qsizetype n = lw.size() - 4;
    if (n > qsizetype(sizeof digits)) return false;
    for (qsizetype k = 0; k < n; ++k) {
        const char16_t c = lw[4 + k].unicode();
        if (c < u'0' || c > u'9') return false;
        digits[k] = char(c);
    }
    qint64 value = 0;
    const auto r = std::from_chars(digits, digits + n, value);
    return r.ec == std::errc() && r.ptr == digits + n;
}

bool isValueToken(TokenKind kind) {
    switch (kind) {
    case TokenKind::Number:
    case TokenKind::Currency:
    case TokenKind::Date:
    case TokenKind::IsoDateTime:
    case TokenKind::Clock:
    case TokenKind::Hms:
        return true;
    default:
        return false;
    }
}

// a / b as a × (1 / b), with the rule for absolute temperatures; b is not 0.
Quantity quotient(const Quantity& a, const Quantity& b, const EvalContext& ctx) {
    if ((b.unit.containsOffsetTemperature() && !a.unit.isNone()) ||
        (a.unit.containsOffsetTemperature() && !b.unit.isNone())) {
        if (a.unit == b.unit) return Quantity(a.value / b.value, CompoundUnit::none());
        throw CalcError(QStringLiteral("Can't divide absolute temperatures (\u00B0C, \u00B0F). Use K"));
    }
    return Arith::multiply(a, Quantity(1 / b.value, b.unit.power(-1)), ctx);
}

double flooredRemainder(double a, double b) {
    return a - std::floor(a / b) * b;
}

} // namespace

Value LineParser::parseMultiplicative() {
    Value left = parseUnary();
    for (;;) {
        const auto found = mulOperator(&left);
        if (!found) return left;
        const auto [op, count] = *found;
        for (int k = 0; k < count; ++k)
            mark(p + k, Role::Op);
        advance(count);
        Value right;
        if (op == MulOp::At) {
            // "at" takes the whole product on its right.
            Nesting nest(*this);
            right = parseMultiplicative();
        } else {
            right = parseUnary();
        }
        const Quantity* a = asQuantity(left);
        const Quantity* b = asQuantity(right);
        if (!a || !b) throw CalcError(QStringLiteral("Dates and times can't be multiplied or divided"));
        left = multiplicative(*a, op, *b);
    }
}

std::optional<std::pair<LineParser::MulOp, int>> LineParser::mulOperator(const Value* left) const {
    if (atStop()) return std::nullopt;
    const Quantity* lq = left ? asQuantity(*left) : nullptr;
    const bool leftIsPlain = lq && lq->unit.isNone();
    const Token& tok = t[p];
    using R = std::pair<MulOp, int>;
    if (tok.kind == TokenKind::Sym) {
        if (tok.isSym(u"*")) return R{MulOp::Multiply, 1};
        if (tok.isSym(u"/")) return R{MulOp::Divide, 1};
        if (tok.isSym(u"@") && strictOperandStart(p + 1)) return R{MulOp::At, 1};
        return std::nullopt;
    }
    if (tok.kind != TokenKind::Word) return std::nullopt;
    if (tok.isWord(u"times")) return R{MulOp::Multiply, 1};
    if (tok.isWord(u"per")) return R{MulOp::Divide, 1};
    if (tok.isWord(u"of")) return R{MulOp::Of, 1};
    if (tok.isWord(u"mod")) return R{MulOp::Mod, 1};
    if (tok.isWord(u"added")) {
        if (leftIsPlain && word(p + 1) == u"to" && strictOperandStart(p + 2)) return R{MulOp::AddedTo, 2};
        return std::nullopt;
    }
    if (tok.isWord(u"off")) {
        if (leftIsPlain && strictOperandStart(p + 1)) return R{MulOp::Off, 1};
        return std::nullopt;
    }
    if (tok.isWord(u"at")) {
        if (strictOperandStart(p + 1)) return R{MulOp::At, 1};
        return std::nullopt;
    }
    if (tok.isWord(u"x")) {
        if (canStartOperand(p + 1)) return R{MulOp::Multiply, 1};
        return std::nullopt;
    }
    if (tok.isWord(u"permutation")) return R{MulOp::Permutations, 1};
    if (tok.isWord(u"combination")) return R{MulOp::Combinations, 1};
    if (tok.isWord(u"permutations"))
        return word(p + 1) == u"of" ? R{MulOp::PermutationsOf, 2} : R{MulOp::Permutations, 1};
    if (tok.isWord(u"combinations"))
        return word(p + 1) == u"of" ? R{MulOp::CombinationsOf, 2} : R{MulOp::Combinations, 1};
    if (tok.isWord(u"multiply") || tok.isWord(u"multiplied")) {
        if (peek(1).isWord(u"by")) return R{MulOp::Multiply, 2};
        return std::nullopt;
    }
    if (tok.isWord(u"divide") || tok.isWord(u"divided")) {
        if (peek(1).isWord(u"by")) return R{MulOp::Divide, 2};
        return std::nullopt;
    }
    return std::nullopt;
}

bool LineParser::strictOperandStart(int i) const {
    if (i < 0 || i >= t.size()) return false;
    const Token& tok = t[i];
    if (isValueToken(tok.kind)) return true;
    if (tok.kind == TokenKind::Sym) return tok.text == u"(" || tok.text == u"-";
    if (tok.kind != TokenKind::Word) return false;
    if (m_env.variables.contains(tok.text) || variableAt(i)) return true;
    const QString& lw = tok.lower;
    if (constants().contains(lw) || functions().contains(lw) || isLineReference(lw)) return true;
    if (const auto up = Units::lookupWord(tok.text, false); up && up->unit && up->unit->isCurrency())
        return true;
    return months().contains(lw);
}

bool LineParser::canStartOperand(int i) const {
    if (i < 0 || i >= t.size()) return false;
    const Token& tok = t[i];
    if (isValueToken(tok.kind)) return true;
    if (tok.kind == TokenKind::Sym) return tok.text == u"(" || tok.text == u"-" || tok.text == u"+";
    if (tok.kind != TokenKind::Word) return false;
    if (m_env.variables.contains(tok.text)) return true;
    if (isConversionWord(tok.lower) || operatorWords().contains(tok.lower)) return false;
    return !stopWords.contains(tok.lower);
}

std::optional<LineParser::VariableMatch> LineParser::variableAt(int i) const {
    if (m_env.variables.isEmpty() || i < 0) return std::nullopt;
    int n = 0;
    while (n < 4 && i + n < t.size() && t[i + n].kind == TokenKind::Word)
        ++n;
    if (n == 1) {
        const auto it = m_env.variables.constFind(t[i].text);
        if (it == m_env.variables.constEnd()) return std::nullopt;
        return VariableMatch{t[i].text, it.value(), i + 1};
    }
    std::optional<VariableMatch> match;
    longestName(i, n, 1, false, [&](const QString& name, int words) {
        const auto it = m_env.variables.constFind(name);
        if (it == m_env.variables.constEnd()) return false;
        match = VariableMatch{QString(name.constData(), name.size()), it.value(), i + words};
        return true;
    });
    return match;
}

Quantity LineParser::multiplicative(const Quantity& left, MulOp op, const Quantity& right) const {
    const double a = left.value, b = right.value;
    switch (op) {
    case MulOp::Multiply:
        return Arith::multiply(left, right, m_env.ctx);
    case MulOp::Divide:
        if (b == 0) throw CalcError(QStringLiteral("Division by zero"));
        return quotient(left, right, m_env.ctx);
    case MulOp::Of:
        return Arith::of(left, right, m_env.ctx);
    case MulOp::Mod: {
        if (b == 0) throw CalcError(QStringLiteral("Division by zero"));
        if (left.unit.isNone()) return Quantity(flooredRemainder(a, b), right.unit);
        if (right.unit.isNone() || left.unit == right.unit)
            return Quantity(flooredRemainder(a, b), left.unit);
        const double converted = Arith::convert(right, left.unit, m_env.ctx).value;
        // A divisor that underflows to 0 in the left unit would give NaN.
        if (converted == 0) throw CalcError(QStringLiteral("Division by zero"));
        return Quantity(flooredRemainder(a, converted), left.unit);
    }
    case MulOp::AddedTo:
    case MulOp::Off:
        if (!left.unit.isNone()) throw CalcError(QStringLiteral("Use a percentage here, e.g. 15% off $80"));
        return Quantity((op == MulOp::AddedTo ? 1 + a : 1 - a) * b, right.unit);
    case MulOp::At: {
        std::optional<Quantity> product, quot;
        try {
            product = Arith::multiply(left, right, m_env.ctx);
        } catch (const CalcError&) {
        }
        if (b != 0) {
            try {
                quot = quotient(left, right, m_env.ctx);
            } catch (const CalcError&) {
            }
        }
        if (!product && !quot) throw CalcError(QStringLiteral("Can't combine those with 'at'"));
        if (!product) return *quot;
        if (!quot) return *product;
        return quot->unit.parts.size() < product->unit.parts.size() ? *quot : *product;
    }
    case MulOp::Permutations:
    case MulOp::PermutationsOf:
    case MulOp::Combinations:
    case MulOp::CombinationsOf: {
        const bool swapped = op == MulOp::PermutationsOf || op == MulOp::CombinationsOf;
        const double n = swapped ? b : a;
        const double k = swapped ? a : b;
        if (!left.unit.isNone() || !right.unit.isNone() || !Arith::isWhole(n) || !Arith::isWhole(k) ||
            n < 0 || k < 0 || k > n || n > 170)
            throw CalcError(
                QStringLiteral("Permutations and combinations need whole numbers with k \u2264 n"));
        double perms = 1;
        for (double f = n; f > n - k; --f)
            perms *= f;
        double result = perms;
        if (op == MulOp::Combinations || op == MulOp::CombinationsOf) {
            double kFactorial = 1;
            for (double f = 2; f <= k; ++f)
                kFactorial *= f;
            result = perms / kFactorial;
        }
        return Quantity(std::round(result), CompoundUnit::none());
    }
    }
    Q_UNREACHABLE();
}

} // namespace VexilCore
