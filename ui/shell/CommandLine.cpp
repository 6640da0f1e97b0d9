#include "ui/shell/CommandLine.h"

#include <algorithm>
#include <limits>

namespace VexilUI::CommandLine {

std::optional<qint64> parseInt(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    // Accumulated as a negative number, which reaches one further than the positive side.
    constexpr qint64 lowest = std::numeric_limits<qint64>::min();
    qint64 value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const int digit = c - '0';
        if (value < (lowest + digit) / 10) return std::nullopt;
        value = value * 10 - digit;
    }
    if (negative) return value;
    if (value == lowest) return std::nullopt;
    return -value;
}

std::optional<quint32> parseHex(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    quint64 value = 0;
    for (const char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * 16 + quint64(digit);
        if (value > 0xFFFFFFFFu) return std::nullopt;
    }
    if (negative && value != 0) return std::nullopt;
    return quint32(value);
}

namespace {

std::optional<size_t> indexOf(const Args& args, std::string_view name) {
    const auto it = std::find(args.begin(), args.end(), name);
    if (it == args.end()) return std::nullopt;
    return size_t(it - args.begin());
}

// The argument after the first occurrence of name, when there is one.
std::optional<std::string_view> valueOf(const Args& args, std::string_view name) {
    const auto i = indexOf(args, name);
    if (!i || *i + 1 >= args.size()) return std::nullopt;
    return std::string_view(args[*i + 1]);
}

} // namespace

bool has(const Args& args, std::string_view name) {
    return indexOf(args, name).has_value();
}

std::optional<qint64> intArg(const Args& args, std::string_view name) {
    const auto value = valueOf(args, name);
    if (!value || value->empty()) return std::nullopt;
    return parseInt(*value);
}

RoadChoice chooseRoad(const Args& args) {
    if (const auto path = valueOf(args, "--snapshot")) return {Road::Snapshot, std::string(*path)};
    if (const auto dir = valueOf(args, "--previews")) return {Road::Previews, std::string(*dir)};
    return {Road::Normal, {}};
}

SnapshotSwitches snapshotSwitches(const Args& args) {
    SnapshotSwitches s;
    s.fontSize = intArg(args, "--font");
    s.decimals = intArg(args, "--decimals");
    const auto width = intArg(args, "--width");
    const auto height = intArg(args, "--height");
    if (width && height) s.size = std::make_pair(*width, *height);
    s.pages = has(args, "--pages");
    s.reduceTransparency = has(args, "--reduce-transparency");
    if (const auto value = valueOf(args, "--wordmark-color"); value && !value->empty()) {
        if (const auto v = parseHex(*value))
            s.wordmarkColor =
                QColor::fromRgbF(float((*v >> 16) & 0xFF) / 255.0f, float((*v >> 8) & 0xFF) / 255.0f,
                                 float(*v & 0xFF) / 255.0f, 1.0f);
    }
    return s;
}

NormalSwitches normalSwitches(const Args& args) {
    NormalSwitches s;
    if (has(args, "--launch-check")) s.quitAfterLaunch = 2.0;
    if (has(args, "--shortcut-check")) s.runShortcutCheck = true;
    if (has(args, "--about-check")) {
        s.runShortcutCheck = true;
        s.aboutCheckOnly = true;
    }
    return s;
}

} // namespace VexilUI::CommandLine
