#include "core/parser/Parser.h"

// Stand-ins until numbers take units, suffixes and months.

namespace VexilCore {

Value LineParser::attachUnit(double x) {
    return Quantity(x, CompoundUnit::none());
}

std::optional<double> LineParser::magnitudeSuffix(bool) {
    return std::nullopt;
}

std::optional<std::pair<CompoundUnit, int>> LineParser::unitAt(int i) {
    return unitTermAt(i);
}

bool LineParser::isUnitWord(int) const {
    return false;
}

void LineParser::markRange(int from, int to, Role role) {
    for (int i = from; i < to; ++i)
        mark(i, role);
}

} // namespace VexilCore
