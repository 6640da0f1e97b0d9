#pragma once

#include <QString>

namespace VexilCore {

// The error of evaluation, thrown by value and caught by const reference.
struct CalcError {
    QString message;          // shown to the user verbatim
    bool incomplete = false;  // the line looks unfinished rather than wrong
    bool isDimension = false; // a mismatch of units or dimensions

    CalcError() = default;
    explicit CalcError(QString message, bool incomplete = false, bool isDimension = false)
        : message(std::move(message)), incomplete(incomplete), isDimension(isDimension) {}

    const QString& description() const { return message; }
    bool operator==(const CalcError&) const = default;
};

} // namespace VexilCore
