#include "core/parser/Parser.h"

#include "core/values/Arith.h"

#include <cmath>

// Questions after "is": percentages (12 is what % of 48), analogies (3 is to 6 as 5 is to
// what), and the trial forms power, part of what and rule of three.

namespace VexilCore {

std::optional<QString> LineParser::comparisonWord() {
    if (eat({u"of"}, Role::Keyword)) return QStringLiteral("of");
    if (eat({u"more", u"than"}, Role::Keyword)) return QStringLiteral("more");
    if (eat({u"less", u"than"}, Role::Keyword)) return QStringLiteral("less");
    return std::nullopt;
}

std::optional<Value> LineParser::isStatement(const Value& av) {
    const Quantity* ap = asQuantity(av);
    if (!ap) return std::nullopt;
    const Quantity a = *ap;
    const bool endedInPercent = lastWasPercent;
    const int isAt = p;
    mark(p, Role::Keyword);
    advance();
    const QString that = QStringLiteral("That");

    // Percentage questions.
    if (word(p) == u"what") {
        const Token& next = peek(1);
        const bool percentWord = next.isSym(u"%") || next.isWord(u"percent") || next.isWord(u"percentage");
        if (percentWord) {
            eat({u"what"}, Role::Keyword);
            mark(p, Role::Keyword);
            advance();
            const std::optional<QString> how = comparisonWord();
            if (!how) return Quantity(a.value, CompoundUnit::none(), DisplayStyle::Percent);
            Quantity b = quantity(parseAdditive(), that);
            if (!a.unit.isNone() && !b.unit.isNone()) b = Arith::convert(b, a.unit, m_env.ctx);
            if (b.value == 0) throw CalcError(QStringLiteral("Division by zero"));
            const double r = a.value / b.value;
            const double x = *how == u"of" ? r : *how == u"more" ? r - 1 : 1 - r;
            return Quantity(x, CompoundUnit::none(), DisplayStyle::Percent);
        }
    }

    // Analogy: A is to B as D is to what / as what is to D.
    if (word(p) == u"to") {
        eat({u"to"}, Role::Keyword);
        const Value bv = [&] {
            StopWords s(*this, {u"as"});
            return parseAdditive();
        }();
        const Quantity b = quantity(bv, that);
        expect({u"as"});
        const double k = ratio(b, a);
        if (eat({u"what"}, Role::Keyword)) {
            expect({u"is", u"to"});
            const Quantity d = quantity(parseAdditive(), that);
            return Quantity(d.value / k, d.unit, DisplayStyle::Plain);
        }
        const Value dv = [&] {
            StopWords s(*this, {u"is"});
            return parseAdditive();
        }();
        const Quantity d = quantity(dv, that);
        expect({u"is", u"to", u"what"});
        return Quantity(k * d.value, d.unit, DisplayStyle::Plain);
    }

    // A is B to the what power.
    if (auto v = trial([&]() -> std::optional<Value> {
            const Value bv = [&] {
                StopWords s(*this, {u"to"});
                return parseAdditive();
            }();
            const double b = scalar(bv, QStringLiteral("Power"));
            expect({u"to"});
            eat({u"the"}, Role::Keyword);
            expect({u"what", u"power"});
            if (!(b > 0) || b == 1 || !a.unit.isNone() || !(a.value > 0)) return std::nullopt;
            return Quantity(std::log(a.value) / std::log(b), CompoundUnit::none(), DisplayStyle::Plain);
        }))
        return v;

    // A is P of / more than / less than what.
    if (auto v = trial([&]() -> std::optional<Value> {
            const Value pv = [&] {
                StopWords s(*this, {u"of", u"more", u"less"});
                return parseAdditive();
            }();
            const double pct = scalar(pv, QStringLiteral("Percentage"));
            const std::optional<QString> how = comparisonWord();
            if (!how) return std::nullopt;
            expect({u"what"});
            const double factor = *how == u"of" ? pct : *how == u"more" ? 1 + pct : 1 - pct;
            if (factor == 0) return std::nullopt;
            return Quantity(a.value / factor, a.unit, DisplayStyle::Plain);
        }))
        return v;

    // Rule of three: A is B, what is D.
    if (auto v = trial([&]() -> std::optional<Value> {
            const Value bv = [&] {
                StopWords s(*this, {u","});
                return parseAdditive();
            }();
            Quantity b = quantity(bv, that);
            expect({u","});
            expect({u"what", u"is"});
            const Quantity d = quantity(parseAdditive(), that);
            if (!b.unit.isNone() && !d.unit.isNone()) b = Arith::convert(b, d.unit, m_env.ctx);
            if (b.value == 0) return std::nullopt;
            return Quantity(d.value / b.value * a.value, a.unit,
                            endedInPercent ? DisplayStyle::Percent : DisplayStyle::Plain);
        }))
        return v;

    // No form: "is" keeps its role, the cursor goes back onto it.
    p = isAt;
    return std::nullopt;
}

} // namespace VexilCore
