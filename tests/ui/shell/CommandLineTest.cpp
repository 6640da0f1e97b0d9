#include "ui/shell/CommandLine.h"

#include <gtest/gtest.h>

#include <limits>

using namespace VexilUI::CommandLine;

namespace {

Args argsOf(std::initializer_list<const char*> list) {
    Args args{"vexil"};
    for (const char* a : list)
        args.emplace_back(a);
    return args;
}

} // namespace

TEST(CommandLineTest, IntegersAreStrictSigned64BitDecimals) {
    struct Case {
        const char* text;
        std::optional<qint64> expected;
    };
    const Case cases[] = {
        {"0", 0},
        {"+5", 5},
        {"-3", -3},
        {"007", 7},
        {"9223372036854775807", std::numeric_limits<qint64>::max()},
        {"-9223372036854775808", std::numeric_limits<qint64>::min()},
        {"9223372036854775808", std::nullopt},
        {"-9223372036854775809", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"", std::nullopt},
        {"+", std::nullopt},
        {"-", std::nullopt},
        {" 5", std::nullopt},
        {"5 ", std::nullopt},
        {"+-5", std::nullopt},
        {"0x10", std::nullopt},
        {"1e3", std::nullopt},
        {"abc", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseInt(c.text), c.expected) << c.text;
}

TEST(CommandLineTest, HexValuesTakeOnlyDigitsAndAPlus) {
    struct Case {
        const char* text;
        std::optional<quint32> expected;
    };
    const Case cases[] = {
        {"ff8800", 0xFF8800u},
        {"FF8800", 0xFF8800u},
        {"+ff8800", 0xFF8800u},
        {"1ff8800", 0x1FF8800u},
        {"FFFFFFFF", 0xFFFFFFFFu},
        {"00000000ff", 0xFFu},
        {"100000000", std::nullopt},
        {"-0", 0u},
        {"-000", 0u},
        {"-1", std::nullopt},
        {"#ff8800", std::nullopt},
        {"0xff8800", std::nullopt},
        {"ff 88", std::nullopt},
        {"", std::nullopt},
        {"+", std::nullopt},
        {"g", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseHex(c.text), c.expected) << c.text;
}

TEST(CommandLineTest, RoadChoice) {
    struct Case {
        Args args;
        Road road;
        std::string path;
    };
    const Case cases[] = {
        {argsOf({}), Road::Normal, ""},
        {argsOf({"--snapshot"}), Road::Normal, ""},
        {argsOf({"--previews"}), Road::Normal, ""},
        {argsOf({"--snapshot", "out.png"}), Road::Snapshot, "out.png"},
        {argsOf({"--previews", "dir", "--snapshot", "a.png"}), Road::Snapshot, "a.png"},
        {argsOf({"--previews", "dir"}), Road::Previews, "dir"},
        {argsOf({"--previews", "dir", "--snapshot"}), Road::Previews, "dir"},
        // The value is the next argument, whatever it looks like.
        {argsOf({"--snapshot", "--previews", "dir"}), Road::Snapshot, "--previews"},
        {argsOf({"--launch-check", "--snapshot", "x.png"}), Road::Snapshot, "x.png"},
        {argsOf({"--SNAPSHOT", "x.png"}), Road::Normal, ""},
        {argsOf({"--snapshot=x.png"}), Road::Normal, ""},
    };
    for (const Case& c : cases) {
        const RoadChoice choice = chooseRoad(c.args);
        EXPECT_EQ(choice.road, c.road) << c.path;
        EXPECT_EQ(choice.path, c.path);
    }
}

TEST(CommandLineTest, SnapshotSwitches) {
    EXPECT_FALSE(snapshotSwitches(argsOf({"--width", "800"})).size);
    EXPECT_EQ(snapshotSwitches(argsOf({"--width", "800", "--height", "500"})).size,
              std::make_pair(qint64(800), qint64(500)));
    EXPECT_FALSE(snapshotSwitches(argsOf({"--font", "abc"})).fontSize);
    EXPECT_EQ(snapshotSwitches(argsOf({"--font", "-3"})).fontSize, -3);
    EXPECT_EQ(snapshotSwitches(argsOf({"--font", "20", "--font", "30"})).fontSize, 20);
    EXPECT_FALSE(snapshotSwitches(argsOf({"--font", ""})).fontSize);

    const SnapshotSwitches chained = snapshotSwitches(argsOf({"--font", "--decimals", "4"}));
    EXPECT_FALSE(chained.fontSize);
    EXPECT_EQ(chained.decimals, 4);

    const SnapshotSwitches flags = snapshotSwitches(argsOf({"--pages", "out.png", "--reduce-transparency"}));
    EXPECT_TRUE(flags.pages);
    EXPECT_TRUE(flags.reduceTransparency);
    EXPECT_FALSE(snapshotSwitches(argsOf({})).pages);
}

TEST(CommandLineTest, WordmarkColourReadsTheLow24Bits) {
    const auto colour = snapshotSwitches(argsOf({"--wordmark-color", "ff8800"})).wordmarkColor;
    ASSERT_TRUE(colour);
    EXPECT_FLOAT_EQ(colour->redF(), 1.0f);
    EXPECT_FLOAT_EQ(colour->greenF(), 136.0f / 255.0f);
    EXPECT_FLOAT_EQ(colour->blueF(), 0.0f);
    EXPECT_FLOAT_EQ(colour->alphaF(), 1.0f);
    EXPECT_EQ(snapshotSwitches(argsOf({"--wordmark-color", "1ff8800"})).wordmarkColor, colour);
    for (const char* bad : {"#ff8800", "0xff8800", "", "red"})
        EXPECT_FALSE(snapshotSwitches(argsOf({"--wordmark-color", bad})).wordmarkColor) << bad;
    EXPECT_FALSE(snapshotSwitches(argsOf({"--wordmark-color"})).wordmarkColor);
}

TEST(CommandLineTest, NormalSwitches) {
    const NormalSwitches none = normalSwitches(argsOf({}));
    EXPECT_FALSE(none.quitAfterLaunch);
    EXPECT_FALSE(none.runShortcutCheck);
    EXPECT_FALSE(none.aboutCheckOnly);
    EXPECT_EQ(normalSwitches(argsOf({"--launch-check"})).quitAfterLaunch, 2.0);
    const NormalSwitches shortcut = normalSwitches(argsOf({"--shortcut-check"}));
    EXPECT_TRUE(shortcut.runShortcutCheck);
    EXPECT_FALSE(shortcut.aboutCheckOnly);
    const NormalSwitches about = normalSwitches(argsOf({"--about-check"}));
    EXPECT_TRUE(about.runShortcutCheck);
    EXPECT_TRUE(about.aboutCheckOnly);
}
