#pragma once

namespace VexilCore {

// Gives every LineParser the keyword half of the language: phrases, statements, trailing
// clauses, conversion targets, time zones in a line and named functions. Needed once per process
// before the first line is parsed; calling it again changes nothing.
void installPhrases();

} // namespace VexilCore
