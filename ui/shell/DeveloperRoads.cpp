#include "ui/shell/DeveloperRoads.h"

namespace VexilUI {

DeveloperRoads& DeveloperRoads::shared() {
    static DeveloperRoads roads{
        [](const CommandLine::SnapshotSwitches&, const QString&, const QString&) -> std::optional<QString> {
            return QStringLiteral("off-screen rendering is not available in this build");
        },
        [](const QString&, const QString&) -> std::optional<QString> {
            return QStringLiteral("off-screen rendering is not available in this build");
        },
    };
    return roads;
}

} // namespace VexilUI
