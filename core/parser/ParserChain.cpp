#include "core/parser/Parser.h"

#include "core/values/Arith.h"
#include "core/values/ValueArith.h"

#include <cmath>
#include <iterator>

namespace VexilCore {

namespace {

Value boolValue(bool b) {
    return Value(std::in_place_type<bool>, b);
}

Value plainNumber(qint64 n) {
    return Quantity(double(n), CompoundUnit::none());
}

// The bitwise levels, loosest first; a word operator also ends at a stop word, a symbol does not.
struct BitwiseOperator {
    QStringView name;
    bool word;
    qint64 (*apply)(qint64, qint64);
};

constexpr BitwiseOperator bitwiseOperators[] = {
    {u"|", false, [](qint64 a, qint64 b) { return a | b; }},
    {u"xor", true, [](qint64 a, qint64 b) { return a ^ b; }},
    {u"&", false, [](qint64 a, qint64 b) { return a & b; }},
};

} // namespace

Value LineParser::parseLogical() {
    Value left = parseComparison();
    for (;;) {
        const Token& tok = t[p];
        if (!tok.isWord(u"and") && !tok.isWord(u"or")) return left;
        const QString w = tok.lower;
        if (stopWords.contains(w)) return left;
        const bool* l = std::get_if<bool>(&left);
        if (!l) return left;
        const bool lv = *l;
        mark(p, Role::Op);
        advance();
        const Value right = parseComparison();
        const bool* r = std::get_if<bool>(&right);
        if (!r) throw CalcError(QStringLiteral("'") + w + QStringLiteral("' needs true/false on both sides"));
        left = boolValue(w == u"and" ? (lv && *r) : (lv || *r));
    }
}

Value LineParser::parseComparison() {
    Value left = parseBitwise();
    const Token& tok = t[p];
    if (tok.kind != TokenKind::Sym || tok.text.isEmpty()) return left;
    // Every comparison starts with one of "=!<>": other symbols are not looked up.
    const QChar c = tok.text.front();
    if ((c != u'=' && c != u'!' && c != u'<' && c != u'>') || !comparisons().contains(tok.text)) return left;
    const QString op = tok.text;
    mark(p, Role::Op);
    advance();
    const Value right = parseBitwise();
    return boolValue(compare(left, right, op));
}

bool LineParser::compare(const Value& a, const Value& b, QStringView op) const {
    const CalcError cannot(QStringLiteral("Can't compare those values"));
    if (a.index() != b.index()) throw cannot;
    double x = 0, y = 0;
    switch (kindOf(a)) {
    case ValueKind::Quantity: {
        const Quantity& qa = std::get<Quantity>(a);
        const Quantity& qb = std::get<Quantity>(b);
        x = qa.value;
        if (qa.unit.isNone() || qb.unit.isNone() || qa.unit == qb.unit)
            y = qb.value;
        else
            y = Arith::convert(qb, qa.unit, m_env.ctx).value;
        break;
    }
    case ValueKind::Date:
        // The signed day count from a to b: a later b means a < b.
        y = double(ValueArith::daysBetween(std::get<CalendarDate>(a), std::get<CalendarDate>(b), m_env.ctx));
        break;
    case ValueKind::Clock: {
        const ClockTime& ca = std::get<ClockTime>(a);
        const ClockTime& cb = std::get<ClockTime>(b);
        x = ca.seconds + 86400.0 * double(ca.dayOffset);
        y = cb.seconds + 86400.0 * double(cb.dayOffset);
        break;
    }
    case ValueKind::DateTime:
        x = std::get<Instant>(a).secs;
        y = std::get<Instant>(b).secs;
        break;
    case ValueKind::Zoned:
        throw cannot;
    case ValueKind::Bool: {
        const bool eq = std::get<bool>(a) == std::get<bool>(b);
        if (op == u"==") return eq;
        if (op == u"!=") return !eq;
        throw cannot;
    }
    case ValueKind::Text: {
        const bool eq = std::get<QString>(a).normalized(QString::NormalizationForm_C) ==
                        std::get<QString>(b).normalized(QString::NormalizationForm_C);
        if (op == u"==") return eq;
        if (op == u"!=") return !eq;
        throw cannot;
    }
    }
    const double d = std::abs(x - y);
    const double tolerance = 1e-9 * std::max({1.0, std::abs(x), std::abs(y)});
    const bool near = d <= tolerance;
    if (op == u"==") return near;
    if (op == u"!=") return !near;
    if (op == u"<") return x < y && !near;
    if (op == u">") return x > y && !near;
    if (op == u"<=") return near || x < y;
    if (op == u">=") return near || x > y;
    throw cannot;
}

qint64 LineParser::integer(const Value& v, QStringView name) {
    const Quantity* q = asQuantity(v);
    // Checked before the cast: NaN, infinities and huge values have no integer form.
    if (q && q->unit.isNone() && std::abs(q->value) < 9e15 && q->value == std::trunc(q->value))
        return static_cast<qint64>(q->value);
    throw CalcError(name.toString() + QStringLiteral(" needs whole numbers"));
}

// One level per row of the table, each made at compile time as if written out by hand.
template <size_t Level> Value LineParser::parseBitwise() {
    static constexpr BitwiseOperator op = bitwiseOperators[Level];
    const auto operand = [this] {
        if constexpr (Level + 1 < std::size(bitwiseOperators))
            return parseBitwise<Level + 1>();
        else
            return parseShift();
    };
    const auto atOperator = [this] {
        if constexpr (op.word)
            return t[p].isWord(op.name) && !stopWords.contains(t[p].lower);
        else
            return t[p].isSym(op.name);
    };
    Value left = operand();
    while (atOperator()) {
        mark(p, Role::Op);
        advance();
        const Value right = operand();
        const qint64 a = integer(left, op.name);
        const qint64 b = integer(right, op.name);
        left = plainNumber(op.apply(a, b));
    }
    return left;
}

Value LineParser::parseShift() {
    Value left = parseAdditive();
    for (;;) {
        const bool isLeft = t[p].isSym(u"<<");
        if (!isLeft && !t[p].isSym(u">>")) return left;
        mark(p, Role::Op);
        advance();
        const Value right = parseAdditive();
        const QString name = QStringLiteral("Shift");
        const qint64 a = integer(left, name);
        const qint64 n = integer(right, name);
        if (n < 0 || n > 62) throw CalcError(QStringLiteral("Shift amount out of range"));
        left = plainNumber(isLeft ? qint64(quint64(a) << n) : a >> n);
    }
}

Value LineParser::parseAdditive() {
    Value left = parseMultiplicative();
    for (;;) {
        if (atStop()) return left;
        const Token& tok = t[p];
        bool subtract;
        if (tok.isSym(u"+") || tok.isWord(u"plus"))
            subtract = false;
        else if (tok.isSym(u"-") || tok.isWord(u"minus"))
            subtract = true;
        else
            return left;
        mark(p, Role::Op);
        advance();
        const Value right = parseMultiplicative();
        left = ValueArith::add(left, right, m_env.ctx, subtract);
    }
}

} // namespace VexilCore
