#include "ui/snake/SnakeArt.h"
#include "ui/common/Theme.h"
#include "ui/snake/PixelFont.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <cmath>

using namespace VexilUI;
using State = SnakeGame::State;

namespace {

constexpr qreal cell = 16.4;

SnakeGame::Random first() {
    return [](int) { return 0; };
}

// The demonstration position: an eight-cell snake heading up, food at (15,4), 70 points.
SnakeGame demo(State state = State::Playing) {
    return SnakeGame(20, 20, {{12, 7}, {12, 8}, {12, 9}, {12, 10}, {11, 10}, {10, 10}, {9, 10}, {8, 10}},
                     SnakeDirection::Up, SnakeCell{15, 4}, 70, state, first());
}

SnakeArt::Frame frame(SnakeGame game, SnakeStyle style = SnakeStyle::Pixel, int best = 340) {
    return SnakeArt::Frame{std::move(game), style, best, false, false};
}

QImage render(const SnakeArt::Frame& f, QSize size, QRectF rect) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    SnakeArt::draw(painter, f, rect);
    painter.end();
    return image;
}

// At scale 1 or 2, a design-space point maps to pixel (x * scale, y * scale).
QImage render(const SnakeArt::Frame& f, int scale = 1) {
    return render(f, QSize(360, 400) * scale, QRectF(0, 0, 360.0 * scale, 400.0 * scale));
}

QColor at(const QImage& image, QPointF design, int scale = 1) {
    return image.pixelColor(int(std::floor(design.x() * scale)), int(std::floor(design.y() * scale)));
}

QPointF center(SnakeCell c) {
    return QPointF(16 + (c.x + 0.5) * cell, 56 + (c.y + 0.5) * cell);
}

// An opaque colour after painting `top` (with its alpha) over it.
QColor over(const QColor& bottom, const QColor& top) {
    const qreal a = top.alphaF();
    return QColor::fromRgbF(float(top.redF() * a + bottom.redF() * (1 - a)),
                            float(top.greenF() * a + bottom.greenF() * (1 - a)),
                            float(top.blueF() * a + bottom.blueF() * (1 - a)), 1.0f);
}

::testing::AssertionResult near(const QColor& actual, const QColor& expected, int tolerance = 2) {
    const int d =
        std::max({std::abs(actual.red() - expected.red()), std::abs(actual.green() - expected.green()),
                  std::abs(actual.blue() - expected.blue()), std::abs(actual.alpha() - expected.alpha())});
    if (d <= tolerance) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << actual.name(QColor::HexArgb).toStdString() << " is not "
                                         << expected.name(QColor::HexArgb).toStdString();
}

// Reads pixel-font text of n characters by sampling the middle of every glyph square.
QString readPixelText(const QImage& image, QPointF topLeft, qreal px, int n, const QColor& color) {
    QString text;
    for (int k = 0; k < n; ++k) {
        PixelFont::Glyph rows{};
        for (int r = 0; r < 5; ++r) {
            for (int c = 0; c < 3; ++c) {
                const QPointF p = topLeft + QPointF(k * 4 * px + (c + 0.5) * px, (r + 0.5) * px);
                if (near(at(image, p), color, 3)) rows[size_t(r)] |= quint8(4 >> c);
            }
        }
        const auto& table = PixelFont::glyphs();
        QChar found = u'?';
        for (auto it = table.begin(); it != table.end(); ++it)
            if (it.value() == rows) found = QChar(char16_t(it.key()));
        text += found;
    }
    return text;
}

// The bounding box of the pixels in `area` that differ clearly from `background`.
QRect inkedBounds(const QImage& image, const QRect& area, const QColor& background) {
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (!near(image.pixelColor(x, y), background, 24)) bounds |= QRect(x, y, 1, 1);
    return bounds;
}

const QColor& tileColor() {
    static const QColor c =
        over(over(Theme::ink(), QColor::fromRgbF(0, 0, 0, 0.3f)), QColor::fromRgbF(1, 1, 1, 0.035f));
    return c;
}

QColor inkAt(qreal alpha) {
    QColor c = Theme::ink();
    c.setAlphaF(float(alpha));
    return c;
}

qreal subtitleHeight() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(11);
    font.setWeight(QFont::Medium);
    const QFontMetricsF metrics(font);
    return metrics.ascent() + metrics.descent();
}

} // namespace

TEST(SnakeArt, ColoursAndStyles) {
    EXPECT_EQ(SnakeArt::ink(), Theme::ink());
    EXPECT_EQ(SnakeArt::lime(), Theme::lime());
    EXPECT_EQ(SnakeArt::headLime(), QColor(238, 255, 158));
    // 0.08 of the way from #DFFF57 to #17221A.
    EXPECT_TRUE(near(SnakeArt::bodyLime(), QColor(0xCF, 0xED, 0x52)));
    const QColor half = SnakeArt::blended(QColor(0, 100, 200, 255), 0.5, QColor(100, 200, 0, 55));
    EXPECT_TRUE(near(half, QColor(50, 150, 100, 155), 1));

    EXPECT_EQ(snakeStyle(0), SnakeStyle::Rounded);
    EXPECT_EQ(snakeStyle(1), SnakeStyle::Pixel);
    EXPECT_EQ(snakeStyle(2), std::nullopt);
    EXPECT_EQ(snakeStyle(-1), std::nullopt);
}

TEST(SnakeArt, CellGeometry) {
    const SnakeGame game(20, 20, first());
    EXPECT_EQ(SnakeArt::cellRect(game, {0, 0}), QRectF(16, 56, cell, cell));
    EXPECT_EQ(SnakeArt::cellRect(game, {19, 19}).bottomRight(), QPointF(344, 384));
    const SnakeGame narrow(8, 5, first());
    EXPECT_EQ(SnakeArt::cellRect(narrow, {1, 1}), QRectF(16 + 41, 56 + 65.6, 41, 65.6));
}

TEST(SnakeArt, ThinRectanglesDrawNothing) {
    for (const QRectF& rect : {QRectF(0, 0, 1, 400), QRectF(0, 0, 400, 1), QRectF(5, 5, 0.5, 0.5)}) {
        const QImage image = render(frame(demo()), QSize(40, 40), rect);
        QImage empty(40, 40, QImage::Format_ARGB32_Premultiplied);
        empty.fill(Qt::transparent);
        EXPECT_EQ(image, empty);
    }
}

TEST(SnakeArt, PixelBoard) {
    const QImage image = render(frame(demo()));
    // The card around the board, its edge and its corners.
    EXPECT_TRUE(near(at(image, {8, 200}), Theme::ink()));
    EXPECT_TRUE(near(at(image, {180, 0.5}), over(Theme::ink(), QColor::fromRgbF(1, 1, 1, 0.07f))));
    EXPECT_TRUE(near(at(image, {3.5, 3.5}), Theme::ink()));
    EXPECT_EQ(at(image, {0.2, 0.2}).alpha(), 0);
    EXPECT_EQ(at(image, {359.5, 399.5}).alpha(), 0);
    // An empty tile, the food, and the snake with its striped body and its head on top.
    EXPECT_TRUE(near(at(image, center({1, 18})), tileColor()));
    EXPECT_TRUE(near(at(image, center({15, 4})), Theme::plain()));
    EXPECT_TRUE(near(at(image, center({15, 4}) + QPointF(6.5, 0)), tileColor()));
    EXPECT_TRUE(near(at(image, center({12, 7})), SnakeArt::headLime()));
    const QColor stripe = SnakeArt::blended(Theme::lime(), 0.12, Theme::ink());
    const struct {
        SnakeCell cell;
        QColor color;
    } body[] = {{{12, 8}, stripe},
                {{12, 9}, Theme::lime()},
                {{12, 10}, stripe},
                {{11, 10}, Theme::lime()},
                {{8, 10}, stripe}};
    for (const auto& b : body)
        EXPECT_TRUE(near(at(image, center(b.cell)), b.color)) << b.cell.description().toStdString();
}

TEST(SnakeArt, PixelBoardGridAtDoubleScale) {
    const QImage image = render(frame(demo()), 2);
    // Between two tiles lies a one-point gap of the bare board.
    const QColor bare = over(Theme::ink(), QColor::fromRgbF(0, 0, 0, 0.3f));
    EXPECT_TRUE(near(at(image, {16 + 2 * cell, 56 + 18.5 * cell}, 2), bare));
    EXPECT_TRUE(near(at(image, {16 + 2.5 * cell, 56 + 18.5 * cell}, 2), tileColor()));
}

TEST(SnakeArt, DrawsScaledIntoTheRectangle) {
    const QImage image = render(frame(demo()), QSize(200, 240), QRectF(10, 20, 180, 200));
    EXPECT_EQ(image.pixelColor(5, 5).alpha(), 0);
    EXPECT_EQ(image.pixelColor(195, 230).alpha(), 0);
    EXPECT_TRUE(near(image.pixelColor(12, 120), Theme::ink()));
    const QPointF head = QPointF(10, 20) + center({12, 7}) / 2;
    EXPECT_TRUE(near(image.pixelColor(head.toPoint()), SnakeArt::headLime()));
}

TEST(SnakeArt, PixelStrip) {
    const QImage image = render(frame(demo()));
    EXPECT_EQ(readPixelText(image, {18, 27}, 2.4, 6, Theme::muted()), "SCORE ");
    EXPECT_EQ(readPixelText(image, {18 + 6 * 9.6, 27}, 2.4, 4, Theme::text()), "0070");
    EXPECT_EQ(readPixelText(image, {258, 27}, 2.4, 5, Theme::muted()), "BEST ");
    EXPECT_EQ(readPixelText(image, {258 + 5 * 9.6, 27}, 2.4, 4, Theme::text()), "0340");
    // Nothing just before the right-aligned group.
    EXPECT_TRUE(near(at(image, {257.5, 28}), Theme::ink()));

    // Long numbers are written in full, and the best never shows less than the score.
    const QImage big = render(frame(
        SnakeGame(20, 20, {{3, 3}}, SnakeDirection::Up, SnakeCell{1, 1}, 12345, State::Playing, first()),
        SnakeStyle::Pixel, 7));
    EXPECT_EQ(readPixelText(big, {18 + 6 * 9.6, 27}, 2.4, 5, Theme::text()), "12345");
    const qreal bestStart = 342 - 39 * 2.4;
    EXPECT_EQ(readPixelText(big, {bestStart, 27}, 2.4, 5, Theme::muted()), "BEST ");
    EXPECT_EQ(readPixelText(big, {bestStart + 5 * 9.6, 27}, 2.4, 5, Theme::text()), "12345");
}

TEST(SnakeArt, FlashingBadgeInTheStrip) {
    SnakeArt::Frame f = frame(demo());
    EXPECT_TRUE(near(at(render(f), {145, 25}), Theme::ink()));
    f.isFlashingNewBest = true;
    const QImage image = render(f);
    // Pill (143, 24, 74, 18) in lime with its text at (149, 28).
    EXPECT_TRUE(near(at(image, {143.5, 24.5}), Theme::lime()));
    EXPECT_TRUE(near(at(image, {216.5, 41.5}), Theme::lime()));
    EXPECT_TRUE(near(at(image, {142.5, 33}), Theme::ink()));
    EXPECT_TRUE(near(at(image, {217.5, 33}), Theme::ink()));
    EXPECT_EQ(readPixelText(image, {149, 28}, 2, 8, Theme::ink()), "NEW BEST");
}

TEST(SnakeArt, PixelMessages) {
    const qreal sh = subtitleHeight();
    const struct {
        State state;
        bool newBest;
        qreal px;
        QString title;
        qreal anchor;
        qreal scrimAlpha;
    } cases[] = {
        {State::Ready, false, 3, "PRESS SPACE TO START", 56 + 328 * 0.33, 0.6},
        {State::Paused, false, 4, "PAUSED", 220, 0.82},
        {State::Over, false, 4, "GAME OVER", 220, 0.82},
        {State::Over, true, 4, "GAME OVER", 220, 0.82},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title.toStdString() + (c.newBest ? " with badge" : ""));
        SnakeArt::Frame f =
            frame(SnakeGame(20, 20, {{3, 3}}, SnakeDirection::Up, SnakeCell{1, 1}, 90, c.state, first()),
                  SnakeStyle::Pixel, 50);
        f.isNewBest = c.newBest;
        const QImage image = render(f);
        const qreal th = 5 * c.px;
        const qreal tw = (4 * c.title.size() - 1) * c.px;
        const qreal height = th + 10 + sh + (c.newBest ? 40 : 0);
        const qreal top = c.anchor - height / 2;
        const qreal titleTop = top + (c.newBest ? 40 : 0);

        EXPECT_EQ(readPixelText(image, {180 - tw / 2, titleTop}, c.px, int(c.title.size()), Theme::text()),
                  c.title);
        EXPECT_TRUE(near(at(image, center({18, 18})), over(tileColor(), inkAt(c.scrimAlpha))));
        if (c.newBest) {
            EXPECT_EQ(readPixelText(image, {149, top + 4}, 2, 8, Theme::ink()), "NEW BEST");
        }

        // The subtitle, centred below the title.
        const QColor scrim = over(over(Theme::ink(), QColor::fromRgbF(0, 0, 0, 0.3f)), inkAt(c.scrimAlpha));
        const int subtitleTop = int(std::floor(titleTop + th + 10));
        const QRect inked = inkedBounds(image, QRect(17, subtitleTop, 326, int(std::ceil(sh))), scrim);
        ASSERT_FALSE(inked.isEmpty());
        EXPECT_NEAR(inked.center().x() + 0.5, 180, 3);
        EXPECT_TRUE(inkedBounds(image, QRect(17, int(titleTop + th + 1), 326, 8), scrim).isEmpty());
    }
}

TEST(SnakeArt, NoMessageWhilePlaying) {
    const QImage image = render(frame(demo()));
    EXPECT_TRUE(near(at(image, center({1, 5})), tileColor()));
    EXPECT_TRUE(near(at(image, center({18, 18})), tileColor()));
}

TEST(SnakeArt, RoundedStyle) {
    const QImage image = render(frame(demo(), SnakeStyle::Rounded), 2);
    // A wider corner radius than the pixel card's.
    EXPECT_EQ(at(image, {3.5, 3.5}, 2).alpha(), 0);
    EXPECT_TRUE(near(at(image, {8, 200}, 2), Theme::ink()));
    const QColor board = over(Theme::ink(), QColor::fromRgbF(0, 0, 0, 0.24f));
    EXPECT_TRUE(near(at(image, center({1, 18}), 2), board));
    // The food's disc and its halo.
    EXPECT_TRUE(near(at(image, center({15, 4}), 2), Theme::plain()));
    const QColor glow = [] {
        QColor c = Theme::plain();
        c.setAlphaF(0.2f);
        return c;
    }();
    EXPECT_TRUE(near(at(image, center({15, 4}) + QPointF(0.43 * cell, 0), 2), over(board, glow)));
    // One stroke through the body's centres, including the corner at (12,10).
    for (SnakeCell body : {SnakeCell{12, 9}, SnakeCell{12, 10}, SnakeCell{11, 10}, SnakeCell{8, 10}})
        EXPECT_TRUE(near(at(image, center(body), 2), SnakeArt::bodyLime()))
            << body.description().toStdString();
    EXPECT_TRUE(near(at(image, center({12, 10}) + QPointF(0, 0.3 * cell), 2), SnakeArt::bodyLime()));
    EXPECT_TRUE(near(at(image, center({8, 10}) + QPointF(-0.3 * cell, 0), 2), SnakeArt::bodyLime()));
    EXPECT_TRUE(near(at(image, center({12, 10}) + QPointF(0.42 * cell, 0.42 * cell), 2), board));
    // The strip's texts sit on the strip's edges.
    const QRect left = inkedBounds(image, QRect(0, 40, 360, 52), Theme::ink());
    const QRect right = inkedBounds(image, QRect(360, 40, 360, 52), Theme::ink());
    EXPECT_NEAR(left.left() / 2.0, 18, 2);
    EXPECT_NEAR((right.right() + 1) / 2.0, 342, 2);
}

TEST(SnakeArt, RoundedHeadLooksAhead) {
    const struct {
        SnakeDirection direction;
    } cases[] = {
        {SnakeDirection::Up}, {SnakeDirection::Down}, {SnakeDirection::Left}, {SnakeDirection::Right}};
    for (const auto& c : cases) {
        const QImage image = render(
            frame(SnakeGame(20, 20, {{10, 10}}, c.direction, SnakeCell{1, 1}, 0, State::Playing, first()),
                  SnakeStyle::Rounded),
            2);
        const QPointF head = center({10, 10});
        const QPointF ahead(dx(c.direction), dy(c.direction));
        const QPointF side(dy(c.direction), -dx(c.direction));
        SCOPED_TRACE(int(c.direction));
        EXPECT_TRUE(near(at(image, head, 2), Theme::lime()));
        for (int sign : {-1, 1}) {
            EXPECT_TRUE(
                near(at(image, head + ahead * 0.13 * cell + side * sign * 0.18 * cell, 2), Theme::ink()));
            EXPECT_TRUE(
                near(at(image, head - ahead * 0.13 * cell + side * sign * 0.18 * cell, 2), Theme::lime()));
        }
    }
}

TEST(SnakeArt, RoundedMessageAndBadge) {
    SnakeArt::Frame f = frame(demo(State::Over), SnakeStyle::Rounded, 50);
    f.isNewBest = true;
    f.isFlashingNewBest = true;
    const QImage image = render(f);
    // The capsule in the strip, centred on (180, 33).
    EXPECT_TRUE(near(at(image, {150, 33}), Theme::lime()));
    EXPECT_TRUE(near(at(image, {210, 33}), Theme::lime()));
    EXPECT_TRUE(near(at(image, {180, 22}), Theme::ink()));
    // The scrim over the board, rounded at its corners.
    const QColor board = over(Theme::ink(), QColor::fromRgbF(0, 0, 0, 0.24f));
    EXPECT_TRUE(near(at(image, center({18, 18})), over(board, inkAt(0.82))));
    // A capsule above the title as well, on the board's middle.
    const QRect badge = inkedBounds(image, QRect(100, 150, 160, 80), over(board, inkAt(0.82)));
    ASSERT_FALSE(badge.isEmpty());
    EXPECT_NEAR(badge.center().x() + 0.5, 180, 2);
}
