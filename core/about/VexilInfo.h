#pragma once

#include <QStringView>

// Who made the program, shown by every front end in the same words.
namespace VexilCore::VexilInfo {

inline constexpr QStringView maker = u"Zembrel Labs";
// Written out on its own, not assembled from maker.
inline constexpr QStringView credit = u"The notebook calculator made by Zembrel Labs.";

} // namespace VexilCore::VexilInfo
