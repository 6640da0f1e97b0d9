#include "ui/shell/AboutAnimation.h"

#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace VexilUI;

namespace {

constexpr int side = 400;

QImage draw(double t, bool background = false, double tileFraction = AboutAnimation::iconTileFraction) {
    auto image = AboutAnimation::frame(t, side, background, tileFraction);
    EXPECT_TRUE(image.has_value());
    return image.value_or(QImage());
}

// The pixel under the point (x, y) of the drawing's y-up coordinates, un-premultiplied.
QColor at(const QImage& image, double x, double y) {
    return image.pixelColor(int(std::floor(x)), image.height() - 1 - int(std::floor(y)));
}

bool isLime(const QColor& c) {
    return c.alpha() == 255 && c.red() == 223 && c.green() == 255 && c.blue() == 87;
}

bool isInk(const QColor& c) {
    return c.alpha() == 255 && c.red() == 23 && c.green() == 34 && c.blue() == 26;
}

// Opaque-ish pixels outside the tile's square at rest: only the dots reach there.
int pixelsOutsideTile(const QImage& image) {
    const double half = AboutAnimation::iconTileFraction * side / 2 + 2;
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((std::abs(x + 0.5 - side / 2.0) > half || std::abs(y + 0.5 - side / 2.0) > half) &&
                image.pixelColor(x, y).alpha() > 0)
                ++count;
    return count;
}

} // namespace

TEST(AboutAnimation, ConstantsAndFormat) {
    EXPECT_EQ(AboutAnimation::lime(), QColor(0xDF, 0xFF, 0x57));
    EXPECT_EQ(AboutAnimation::ink(), QColor(0x17, 0x22, 0x1A));
    EXPECT_EQ(AboutAnimation::frameCount, 48);
    EXPECT_DOUBLE_EQ(AboutAnimation::frameDelay, 0.04);

    const QImage image = draw(1);
    EXPECT_EQ(image.size(), QSize(side, side));
    EXPECT_EQ(image.format(), QImage::Format_RGBA8888_Premultiplied);
    EXPECT_EQ(image.colorSpace(), QColorSpace(QColorSpace::SRgb));
    EXPECT_FALSE(AboutAnimation::frame(1, 0, false, 0.5).has_value());
    EXPECT_FALSE(AboutAnimation::frame(1, -3, true, 0.5).has_value());
}

TEST(AboutAnimation, StartIsEmptyApartFromTheBackground) {
    const QImage bare = draw(0);
    const QImage filled = draw(0, true);
    for (int y = 0; y < side; y += 7)
        for (int x = 0; x < side; x += 7) {
            ASSERT_EQ(bare.pixelColor(x, y).alpha(), 0) << x << "," << y;
            ASSERT_TRUE(isInk(filled.pixelColor(x, y))) << x << "," << y;
        }
}

TEST(AboutAnimation, RestFrameShowsTileAndUprightPlusWithoutDots) {
    const QImage image = draw(1);
    const double c = side / 2.0;
    const double tile = AboutAnimation::iconTileFraction * side; // 321.875
    EXPECT_TRUE(isInk(at(image, c, c)));
    EXPECT_TRUE(isInk(at(image, c + 0.25 * tile, c))); // horizontal bar
    EXPECT_TRUE(isInk(at(image, c, c - 0.25 * tile))); // vertical bar
    EXPECT_TRUE(isLime(at(image, c + 0.2 * tile, c + 0.2 * tile)));
    EXPECT_TRUE(isLime(at(image, c + 0.45 * tile, c))); // beyond the bar's end, on the tile
    EXPECT_TRUE(isLime(at(image, c + 0.48 * tile, c + 0.3 * tile)));
    EXPECT_EQ(at(image, c + 0.52 * tile, c).alpha(), 0); // outside the tile
    EXPECT_EQ(at(image, 3, 3).alpha(), 0);               // the rounded corner's outside
    EXPECT_EQ(at(image, c - 0.49 * tile, c - 0.49 * tile).alpha(), 0);
    EXPECT_EQ(pixelsOutsideTile(image), 0);
}

TEST(AboutAnimation, DotsBurstOnlyBetweenHalfAndFourFifths) {
    EXPECT_EQ(pixelsOutsideTile(draw(0.5)), 0);
    EXPECT_GT(pixelsOutsideTile(draw(0.6)), 0);
    EXPECT_GT(pixelsOutsideTile(draw(0.75)), 0);
    EXPECT_EQ(pixelsOutsideTile(draw(0.8)), 0);

    // At t = 0.65 (p = 0.5) the dots are half transparent with radius 0.024 × side.
    const QImage image = draw(0.65);
    const double r0 = 0.45 * AboutAnimation::iconTileFraction * side;
    const double distance = r0 + (0.97 * side / 2 - r0) * 0.5;
    const double radius = 0.024 * side;
    for (int i : {0, 2, 5, 7}) { // dots clear of the tile, which covers the others in part
        const double a = 2 * std::numbers::pi * i / 10 + 0.3;
        auto point = [&](double along) {
            return at(image, side / 2.0 + (distance + along) * std::cos(a),
                      side / 2.0 + (distance + along) * std::sin(a));
        };
        const QColor inside = point(radius - 1.5);
        EXPECT_NEAR(inside.alpha(), 128, 3) << i;
        EXPECT_NEAR(inside.red(), 223, 3) << i;
        EXPECT_NEAR(inside.green(), 255, 3) << i;
        EXPECT_NEAR(inside.blue(), 87, 3) << i;
        EXPECT_EQ(point(radius + 1.5).alpha(), 0) << i;
    }
}

TEST(AboutAnimation, PlusSpinsHalfATurn) {
    const double c = side / 2.0;
    const double tile = AboutAnimation::iconTileFraction * side;
    const double diagonal = 0.15 * tile;
    // Spin 0.25 near t = 0.339: the bars lie on the diagonals.
    const QImage tilted = draw(0.339);
    EXPECT_TRUE(isInk(at(tilted, c + diagonal, c + diagonal)));
    EXPECT_TRUE(isInk(at(tilted, c - diagonal, c + diagonal)));
    EXPECT_TRUE(isLime(at(tilted, c + 0.25 * tile, c)));
    // Spin 0.5 at t = 0.375: turned 90°, upright again.
    const QImage quarter = draw(0.375);
    EXPECT_TRUE(isInk(at(quarter, c + 0.25 * tile, c)));
    EXPECT_TRUE(isInk(at(quarter, c, c + 0.25 * tile)));
    EXPECT_TRUE(isLime(at(quarter, c + diagonal, c + diagonal)));
    // Spin 0.1 before the quarter turn: counter-clockwise, so the right bar's end rises.
    const QImage early = draw(0.2 + 0.35 * std::cbrt(0.1 / 4));
    const double a = 0.1 * std::numbers::pi;
    EXPECT_TRUE(isInk(at(early, c + 0.25 * tile * std::cos(a), c + 0.25 * tile * std::sin(a))));
    EXPECT_TRUE(isLime(at(early, c + 0.25 * tile * std::cos(a), c - 0.25 * tile * std::sin(a))));
}

TEST(AboutAnimation, TileOvershootsThenRests) {
    const double c = side / 2.0;
    const double tile = AboutAnimation::iconTileFraction * side;
    // About 1.1 × T at t = 0.145: a point at 0.53 T from the centre is on the tile, then off it at rest.
    EXPECT_TRUE(isLime(at(draw(0.145), c + 0.53 * tile, c + 0.1 * tile)));
    EXPECT_EQ(at(draw(0.25), c + 0.53 * tile, c + 0.1 * tile).alpha(), 0);
    // Small early: at t = 0.02 the tile is about a third of its rest size.
    EXPECT_EQ(at(draw(0.02), c + 0.25 * tile, c + 0.25 * tile).alpha(), 0);
    EXPECT_TRUE(isLime(at(draw(0.02), c + 0.1 * tile, c + 0.1 * tile)));
}

TEST(AboutAnimation, SequenceAndIcon) {
    const QList<QImage> frames = AboutAnimation::frames(64);
    ASSERT_EQ(frames.size(), 48);
    for (const QImage& image : frames)
        ASSERT_EQ(image.size(), QSize(64, 64));
    EXPECT_EQ(frames.first(), *AboutAnimation::frame(0, 64, false, AboutAnimation::iconTileFraction));
    EXPECT_EQ(frames[20], *AboutAnimation::frame(20.0 / 47, 64, false, AboutAnimation::iconTileFraction));
    EXPECT_EQ(frames.last(), *AboutAnimation::frame(1, 64, false, AboutAnimation::iconTileFraction));
    EXPECT_TRUE(AboutAnimation::frames(0).isEmpty());

    const QImage icon = AboutAnimation::iconImage(256);
    EXPECT_EQ(icon.size(), QSize(256, 256));
    EXPECT_EQ(icon.devicePixelRatio(), 1.0);
    EXPECT_EQ(icon, *AboutAnimation::frame(1, 256, false, AboutAnimation::iconTileFraction));
}
