#include "ui/common/Theme.h"
#include "ui/common/KeyNames.h"

#include <gtest/gtest.h>

using namespace VexilUI;
using VexilCore::Role;

TEST(Theme, RgbReadsRedGreenBlueAndAlpha) {
    // The colours themselves are checked where they are drawn.
    const QColor colour = Theme::rgb(0x123456, 0.25);
    EXPECT_EQ(colour.red(), 0x12);
    EXPECT_EQ(colour.green(), 0x34);
    EXPECT_EQ(colour.blue(), 0x56);
    EXPECT_NEAR(colour.alphaF(), 0.25, 1e-3);
    EXPECT_EQ(Theme::rgb(0x123456).alphaF(), 1.0);
    EXPECT_NEAR(Theme::divider().alphaF(), 0.075, 1e-3);
    EXPECT_NEAR(Theme::selection().alphaF(), 0.16, 1e-3);
    // Shared objects, built once.
    EXPECT_EQ(&Theme::number(), &Theme::number());
}

TEST(Theme, ColourForEveryRole) {
    const struct {
        Role role;
        QColor expected;
    } cases[] = {
        {Role::Number, Theme::number()}, {Role::Op, Theme::op()},         {Role::Unit, Theme::unit()},
        {Role::Ref, Theme::ref()},       {Role::Keyword, Theme::op()},    {Role::Variable, Theme::plain()},
        {Role::Text, Theme::plain()},    {Role::Comment, Theme::muted()}, {Role::Label, Theme::plain()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Theme::color(c.role), c.expected) << int(c.role);
}

TEST(Theme, FontsArePixelSizedMonospacedFaces) {
    const struct {
        qreal size;
        int small;
    } cases[] = {{11, 9}, {12, 9}, {13, 10}, {15, 12}, {18, 14}, {30, 23}};
    for (const auto& c : cases) {
        EXPECT_EQ(Theme::smallFont(c.size).pixelSize(), c.small) << c.size;
        EXPECT_EQ(Theme::editorFont(c.size).pixelSize(), int(c.size));
    }
    EXPECT_EQ(Theme::editorFont(15).weight(), QFont::Light);
    EXPECT_EQ(Theme::smallFont(15).weight(), QFont::Normal);
    EXPECT_EQ(Theme::editorFont(15).family(), Theme::smallFont(15).family());
}

TEST(KeyNames, VisibleTextsUseThePlatformsKeyNames) {
    EXPECT_EQ(modifierName(Qt::AltModifier), "Alt");
    EXPECT_EQ(shortcutText(QKeySequence(Qt::CTRL | Qt::Key_Question)), "Ctrl+?");
    EXPECT_EQ(shortcutText(QKeySequence(Qt::META | Qt::CTRL | Qt::Key_S)), "Meta+Ctrl+S");
}
