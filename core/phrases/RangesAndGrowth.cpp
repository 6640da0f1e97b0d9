#include "core/parser/Parser.h"

// The range and change reading after "to" and the growth question after "after"/"for" are read
// by the open phrase handlers.

namespace VexilCore {

std::optional<Value> LineParser::rangeOrChange(const Value& v) {
    return rangeOrChangeReading(v);
}

std::optional<Value> LineParser::growth(const Quantity& a) {
    return growthClause(a);
}

} // namespace VexilCore
