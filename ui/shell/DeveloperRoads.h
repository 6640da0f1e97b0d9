#pragma once

#include "ui/shell/CommandLine.h"

#include <QString>

#include <functional>
#include <optional>

namespace VexilUI {

// The command line's rendering roads. Each answers nothing on success or the error's description.
// Both render off-screen (ui/selfcheck).
struct DeveloperRoads {
    using Snapshot = std::function<std::optional<QString>(const CommandLine::SnapshotSwitches& switches,
                                                          const QString& output, const QString& scratch)>;
    using Previews = std::function<std::optional<QString>(const QString& directory, const QString& scratch)>;

    Snapshot renderSnapshot;
    Previews renderPreviewSet;

    static DeveloperRoads& shared();
};

} // namespace VexilUI
