#pragma once

#include "tests/support/Lines.h"
#include "tests/support/ParserProbe.h"

namespace VexilCore {

// The parser of one lexed line for the statement readers, with the probe's reach into it.
struct StatementProbe : LineProbe {
    explicit StatementProbe(const QString& line, const LineEnv& env = TestSupport::oneLineEnv())
        : LineProbe(line, env) {}
};

} // namespace VexilCore
