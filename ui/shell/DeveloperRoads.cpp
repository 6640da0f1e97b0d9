#include "ui/shell/DeveloperRoads.h"

#include "ui/selfcheck/Snapshot.h"

namespace VexilUI {

DeveloperRoads& DeveloperRoads::shared() {
    static DeveloperRoads roads{
        [](const CommandLine::SnapshotSwitches& switches, const QString& output,
           const QString& scratch) -> std::optional<QString> {
            try {
                VexilUI::Snapshot::render(VexilUI::Snapshot::optionsFrom(switches), output, scratch);
            } catch (const VexilUI::Snapshot::Error& error) {
                return error.description();
            }
            return std::nullopt;
        },
        [](const QString& directory, const QString& scratch) -> std::optional<QString> {
            try {
                VexilUI::Snapshot::renderPreviewSet(directory, scratch);
            } catch (const VexilUI::Snapshot::Error& error) {
                return error.description();
            }
            return std::nullopt;
        },
    };
    return roads;
}

} // namespace VexilUI
