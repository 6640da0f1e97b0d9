#pragma once

#include <QtGlobal>

namespace VexilCore {

// A range of UTF-16 code units, as the text view counts them.
struct TextRange {
    qsizetype location = 0;
    qsizetype length = 0;

    qsizetype end() const { return location + length; }
    bool operator==(const TextRange&) const = default;
};

} // namespace VexilCore
