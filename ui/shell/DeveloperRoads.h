#pragma once

#include "ui/shell/CommandLine.h"

#include <QString>

#include <functional>
#include <optional>

namespace VexilUI {

// The command line's rendering roads. Each answers nothing on success or the error's description.
// Connected once off-screen rendering exists; until then they fail with a message.
struct DeveloperRoads {
    using Snapshot = std::function<std::optional<QString>(const CommandLine::SnapshotSwitches& switches,
                                                          const QString& output, const QString& scratch)>;
    using Previews = std::function<std::optional<QString>(const QString& directory, const QString& scratch)>;

    Snapshot renderSnapshot;
    Previews renderPreviewSet;

    static DeveloperRoads& shared();
};

} // namespace VexilUI
