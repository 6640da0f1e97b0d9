#include "core/parser/Parser.h"

#include "core/phrases/Rounding.h"
#include "core/values/Units.h"
#include "core/values/ValueArith.h"

#include <cmath>

// Clauses after a complete value: time shifts, growth, questions with "is", date spans with
// "through", "rounded", and trailing "if"/"unless".

namespace VexilCore {

namespace {

bool isTimeQuantity(const Value& v) {
    const Quantity* q = asQuantity(v);
    return q && !q->unit.isNone() && q->unit.dim() == Dimension::time;
}

} // namespace

std::optional<Value> LineParser::tail(const Value& a, const QString& w) {
    // Clauses nest through their else sides; thousands of them must not exhaust the stack.
    Nesting nest(*this);
    const bool shiftWord = w == u"after" || w == u"before" || w == u"for";

    if (shiftWord && w != u"for" && isTimeQuantity(a)) {
        mark(p, Role::Keyword);
        advance();
        const Value b = parseAdditive();
        return ValueArith::add(b, a, m_env.ctx, w == u"before");
    }

    if (shiftWord) {
        const Quantity* q = asQuantity(a);
        if (w == u"before" || !q) return std::nullopt;
        // Growth is a trial: whatever it throws only means the words are read another way.
        StopWords keep(*this, {});
        return trial([&]() -> std::optional<Value> {
            mark(p, Role::Keyword);
            advance();
            return growthClause(*q);
        });
    }

    if (w == u"is") return isStatement(a);

    if (w == u"through") {
        mark(p, Role::Keyword);
        advance();
        const Value b = parseAdditive();
        const auto* from = std::get_if<CalendarDate>(&a);
        const auto* to = std::get_if<CalendarDate>(&b);
        if (!from || !to) throw CalcError(QStringLiteral("Expected a date"));
        const double days = double(ValueArith::daysBetween(*from, *to, m_env.ctx)) + 1;
        return Quantity(days, CompoundUnit(Units::unit(QStringLiteral("d"))));
    }

    if (w == u"rounded") {
        mark(p, Role::Keyword);
        advance();
        return roundedClause(a);
    }

    if (w == u"if" || w == u"unless") {
        mark(p, Role::Keyword);
        advance();
        return conditionClause(a, w);
    }

    return std::nullopt;
}

Value LineParser::roundedClause(const Value& a) {
    enum { Nearest, Up, Down } direction = Nearest;
    if (eat({u"up"}, Role::Keyword))
        direction = Up;
    else if (eat({u"down"}, Role::Keyword))
        direction = Down;

    double step = 1;
    if (eat({u"to"}, Role::Keyword)) {
        eat({u"the"}, Role::Keyword);
        eat({u"nearest"}, Role::Keyword);
        step = nearestStep();
    }
    if (!(step > 0)) throw CalcError(QStringLiteral("Can't round to zero"));

    // A date has no number to round; terms are dropped, as the special targets drop them.
    const Quantity x = quantity(a, QStringLiteral("That"));
    const StepScale scale(step);
    double q = scale.steps(x.value);
    // A quotient within 1e-9 of a whole number is that number, so 0.7 rounded down stays 0.7.
    if (const double whole = std::round(q); std::fabs(q - whole) <= 1e-9) q = whole;
    switch (direction) {
    case Up:
        q = std::ceil(q);
        break;
    case Down:
        q = std::floor(q);
        break;
    case Nearest:
        q = roundHalfAway(q);
        break;
    }
    return Quantity(scale.value(q), x.unit, x.style);
}

std::optional<Value> LineParser::conditionClause(const Value& a, const QString& w) {
    const Value c = [&] {
        StopWords elseStops(*this, {u"else"});
        return parseLogical();
    }();
    const bool* cond = std::get_if<bool>(&c);
    if (!cond) throw CalcError(QStringLiteral("'") + w + QStringLiteral("' needs a true/false condition"));
    const bool holds = w == u"unless" ? !*cond : *cond;

    if (eat({u"else"}, Role::Keyword)) {
        Value b = parseConversion();
        return holds ? a : b;
    }
    if (holds) return a;
    if (const bool* ab = std::get_if<bool>(&a)) return Value(std::in_place_type<bool>, !*ab);
    throw NoValue{};
}

} // namespace VexilCore
