#include "core/parser/Parser.h"

// Stand-in until the postfix forms are built.

namespace VexilCore {

Value LineParser::parsePostfix() {
    lastWasPercent = false;
    return parsePrimary();
}

} // namespace VexilCore
