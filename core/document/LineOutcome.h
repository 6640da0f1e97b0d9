#pragma once

#include "core/parser/Highlight.h"
#include "core/values/TextRange.h"
#include "core/values/Value.h"

#include <QList>
#include <QString>

#include <optional>

namespace VexilCore {

// What one line of a sheet evaluated to; the editor colours the line, draws its result and totals
// the sheet from it. Every range is UTF-16 in the whole sheet.
struct LineOutcome {
    enum class Kind : quint8 { Blank, Heading, Comment, Text, Value, Error };

    Kind kind = Kind::Blank;
    std::optional<VexilCore::Value> value; // only for Value
    std::optional<QString> message;        // only for Error
    bool incomplete = false;               // the error means the line looks unfinished
    bool isSummary = false;
    bool isAssignment = false; // assigns a variable or defines a custom unit
    TextRange range;           // the line without its line break
    QList<Highlight> highlights;
    std::optional<TextRange> labelRange;

    bool isValue() const { return kind == Kind::Value; }
    bool operator==(const LineOutcome&) const = default;
};

} // namespace VexilCore
