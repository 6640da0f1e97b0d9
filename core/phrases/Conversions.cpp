#include "core/parser/Parser.h"

#include "core/values/Arith.h"

// What follows a conversion word: special targets, a pair of units for a mixed display, a unit
// expression, a time zone, and after "to" the second end of a range or change.

namespace VexilCore {

Value LineParser::conversion(const Value& v, const QString& keyword) {
    const int k = p;
    mark(k, Role::Op);
    advance();

    if (auto r = specialTarget(v)) return std::move(*r);
    if (auto r = mixedTarget(v)) return std::move(*r);

    if (auto target = unitExprAt(p); target && isBoundary(target->second)) {
        markUnitTokens(p, target->second);
        p = target->second;
        if (keyword == u"relabel") {
            const Quantity q = quantity(v, QStringLiteral("That"));
            return Quantity(q.value, target->first, DisplayStyle::Plain);
        }
        return convert(v, target->first, keyword);
    }

    if (auto r = zoneTarget(v)) return std::move(*r);

    if (keyword == u"to") {
        // An unfinished line says so before the range reading gets a chance to complain.
        if (t[k + 1].atEnd()) throw CalcError(QStringLiteral("Expected a unit after 'to'"), true);
        if (auto r = rangeOrChange(v)) return std::move(*r);
    }

    p = k + 1;
    const Token& tok = t[p];
    if (tok.atEnd())
        throw CalcError(QStringLiteral("Expected a unit after '") + keyword + QStringLiteral("'"), true);
    if (tok.kind == TokenKind::Word)
        throw CalcError(QStringLiteral("Unknown unit '") + tok.text + QStringLiteral("'"));
    throw CalcError(QStringLiteral("Unknown unit after '") + keyword + QStringLiteral("'"));
}

std::optional<Value> LineParser::mixedTarget(const Value& v) {
    const Quantity* q = asQuantity(v);
    if (!q) return std::nullopt;
    auto first = unitTermAt(p);
    if (!first) return std::nullopt;
    const UnitRef u1 = first->first.single();
    const int e1 = first->second;
    if (!u1 || !t[e1].isWord(u"and")) return std::nullopt;
    auto second = unitTermAt(e1 + 1);
    if (!second) return std::nullopt;
    const UnitRef u2 = second->first.single();
    const int e2 = second->second;
    if (!u2 || !isBoundary(e2) || !(u1->dim == u2->dim)) return std::nullopt;

    markUnitTokens(p, e1);
    mark(e1, Role::Op);
    markUnitTokens(e1 + 1, e2);
    p = e2;
    Quantity r = Arith::convert(*q, CompoundUnit(u1), m_env.ctx);
    r.style = DisplayStyle::mixed({u1->id, u2->id});
    return r;
}

std::optional<Value> LineParser::zoneTarget(const Value& v) {
    const auto zone = zoneAt(p);
    if (!zone || !isBoundary(zone->end)) return std::nullopt;
    const auto z = zoned(v);
    if (!z) return std::nullopt;
    markRange(p, zone->end, Role::Unit);
    p = zone->end;
    return convertZone(*z, zone->zone, zone->label);
}

} // namespace VexilCore
