#include "core/parser/Parser.h"

namespace VexilCore {

Value LineParser::parseMultiplicative() {
    return parseUnary();
}
std::optional<std::pair<LineParser::MulOp, int>> LineParser::mulOperator(const Value*) const {
    return std::nullopt;
}
Quantity LineParser::multiplicative(const Quantity& left, MulOp, const Quantity&) const {
    return left;
}
bool LineParser::strictOperandStart(int) const {
    return false;
}
bool LineParser::canStartOperand(int) const {
    return false;
}
std::optional<LineParser::VariableMatch> LineParser::variableAt(int) const {
    return std::nullopt;
}

} // namespace VexilCore
