#pragma once

#include "core/currency/RatesTable.h"

#include <QByteArray>

#include <optional>

namespace VexilCore {

// What "rates.json" holds: the current fiat and crypto tables, either of which may be missing.
struct RatesCacheFile {
    std::optional<RatesTable> fiat;
    std::optional<CryptoTable> crypto;

    // Compact UTF-8 JSON with sorted keys and times as seconds since 1970; a missing table leaves out its
    // member. Nothing when a number cannot be written (not finite): a null in the file would make the whole
    // cache unreadable at the next launch.
    std::optional<QByteArray> encode() const;

    // Strict: the top level must be an object; an absent or null member is absent, and a present member
    // that is not a valid record fails the whole file. Unknown keys are ignored; key order does not matter.
    static std::optional<RatesCacheFile> decode(const QByteArray& bytes);

    bool operator==(const RatesCacheFile&) const = default;
};

} // namespace VexilCore
