#include "core/parser/Parser.h"

namespace VexilCore {

Value LineParser::parseLogical() {
    return parseComparison();
}
Value LineParser::parseComparison() {
    return parseBitOr();
}
Value LineParser::parseBitOr() {
    return parseBitXor();
}
Value LineParser::parseBitXor() {
    return parseBitAnd();
}
Value LineParser::parseBitAnd() {
    return parseShift();
}
Value LineParser::parseShift() {
    return parseAdditive();
}
Value LineParser::parseAdditive() {
    return parseMultiplicative();
}
bool LineParser::compare(const Value&, const Value&, QStringView) const {
    throw CalcError(QStringLiteral("Can't compare those values"));
}
qint64 LineParser::integer(const Value&, const QString& name) {
    throw CalcError(name + QStringLiteral(" needs whole numbers"));
}

} // namespace VexilCore
