#include "core/parser/Parser.h"

// The keyword half of the line parser: word-led phrases, zones and functions.
// Minimal versions that let whole lines run until the phrases are built.

namespace VexilCore {

std::optional<LineParser::ZoneMatch> LineParser::zoneAt(int) const {
    return std::nullopt;
}

std::optional<Value> LineParser::phrase(const QString&) {
    return std::nullopt;
}

Value LineParser::applyFunction(const QString& name, const QList<Value>&) {
    throw CalcError(QStringLiteral("Unknown function ") + name);
}

} // namespace VexilCore
