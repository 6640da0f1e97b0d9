#include "core/parser/Parser.h"

// The keyword half of the line parser: statements, conversions, trailing clauses, zones, phrases
// and functions. Minimal versions that let whole lines run until the phrases are built.

namespace VexilCore {

std::optional<Value> LineParser::parseLeadingStatement() {
    return std::nullopt;
}

Value LineParser::conversion(const Value& v, const QString& keyword) {
    const int k = p;
    mark(k, Role::Op);
    advance();
    if (auto target = unitExprAt(p); target && isBoundary(target->second)) {
        markUnitTokens(p, target->second);
        p = target->second;
        return convert(v, target->first, keyword);
    }
    p = k + 1;
    const Token& tok = t[p];
    if (tok.atEnd())
        throw CalcError(QStringLiteral("Expected a unit after '") + keyword + QStringLiteral("'"), true);
    if (tok.kind == TokenKind::Word)
        throw CalcError(QStringLiteral("Unknown unit '") + tok.text + QStringLiteral("'"));
    throw CalcError(QStringLiteral("Unknown unit after '") + keyword + QStringLiteral("'"));
}

std::optional<Value> LineParser::tail(const Value&, const QString&) {
    return std::nullopt;
}

std::optional<LineParser::ZoneMatch> LineParser::zoneAt(int) const {
    return std::nullopt;
}

std::optional<Value> LineParser::phrase(const QString&) {
    return std::nullopt;
}

Value LineParser::applyFunction(const QString& name, const QList<Value>&) {
    throw CalcError(QStringLiteral("Unknown function ") + name);
}

} // namespace VexilCore
