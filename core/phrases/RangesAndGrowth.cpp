#include "core/parser/Parser.h"

// The range and change reading after "to" and the growth question after "after"/"for" come
// with the remaining phrases; until then neither applies, so the callers fall back to their
// other readings.

namespace VexilCore {

std::optional<Value> LineParser::rangeOrChange(const Value&) {
    return std::nullopt;
}

std::optional<Value> LineParser::growth(const Quantity&) {
    return std::nullopt;
}

} // namespace VexilCore
