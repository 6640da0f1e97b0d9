#pragma once

#include <QColor>
#include <QtGlobal>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The program's command line: the three roads and their switches. Switches are whole arguments that
// match exactly; a switch's value is always the next argument, whatever it looks like.
namespace VexilUI::CommandLine {

using Args = std::vector<std::string>;

// A signed 64-bit decimal: an optional "+" or "-", then digits only; nothing on overflow.
std::optional<qint64> parseInt(std::string_view text);
// Hexadecimal digits, optionally after "+", at most FFFFFFFF; "-" only for a value of zero.
std::optional<quint32> parseHex(std::string_view text);

bool has(const Args& args, std::string_view name);
// The integer after the first occurrence of name; none when it is last, empty or not an integer.
std::optional<qint64> intArg(const Args& args, std::string_view name);

enum class Road { Snapshot, Previews, Normal };
struct RoadChoice {
    Road road = Road::Normal;
    std::string path; // the snapshot file or the previews directory, as typed
};
// "--snapshot" with a value wins over "--previews" with a value; either as the last argument is absent.
RoadChoice chooseRoad(const Args& args);

struct SnapshotSwitches {
    std::optional<qint64> fontSize;
    std::optional<qint64> decimals;
    std::optional<std::pair<qint64, qint64>> size; // only with both "--width" and "--height"
    bool pages = false;
    bool reduceTransparency = false;
    std::optional<QColor> wordmarkColor;
};
SnapshotSwitches snapshotSwitches(const Args& args);

struct NormalSwitches {
    std::optional<double> quitAfterLaunch; // seconds
    bool runShortcutCheck = false;
    bool aboutCheckOnly = false;
};
NormalSwitches normalSwitches(const Args& args);

} // namespace VexilUI::CommandLine
