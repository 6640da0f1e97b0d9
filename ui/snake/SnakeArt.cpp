#include "ui/snake/SnakeArt.h"

#include "ui/common/Theme.h"
#include "ui/snake/PixelFont.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <initializer_list>

namespace VexilUI {

std::optional<SnakeStyle> snakeStyle(int rawValue) {
    switch (rawValue) {
    case int(SnakeStyle::Rounded):
        return SnakeStyle::Rounded;
    case int(SnakeStyle::Pixel):
        return SnakeStyle::Pixel;
    default:
        return std::nullopt;
    }
}

namespace SnakeArt {

namespace {

QColor withAlpha(QColor color, qreal alpha) {
    color.setAlphaF(float(alpha));
    return color;
}

// Shades used on every frame, built once.
struct Shades {
    QColor boardPixel = QColor::fromRgbF(0, 0, 0, 0.3f);
    QColor boardRounded = QColor::fromRgbF(0, 0, 0, 0.24f);
    QColor tile = QColor::fromRgbF(1, 1, 1, 0.035f);
    QColor dot = QColor::fromRgbF(1, 1, 1, 0.055f);
    QColor edge = QColor::fromRgbF(1, 1, 1, 0.07f);
    QColor stripe = blended(lime(), 0.12, ink());
    QColor foodGlow = withAlpha(Theme::plain(), 0.2);
    QColor scrimReady = withAlpha(ink(), 0.6);
    QColor scrimStopped = withAlpha(ink(), 0.82);
};

const Shades& shades() {
    static const Shades s;
    return s;
}

// Fonts sized in pixels. Made per drawing rather than kept in statics, which would outlive the
// application object.
struct Fonts {
    QFont label;         // strip labels, rounded style
    QFont value;         // strip numbers, rounded style
    QFont subtitlePixel; // message subtitle, pixel style
    QFont subtitleRound; // message subtitle, rounded style
    QFont titleReady;    // rounded title in ready
    QFont titleStopped;  // rounded title in paused and over
    QFont pillRound;     // rounded badge

    Fonts() {
        const QFont general = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        label = make(general, 11, QFont::Normal, 0.4);
        // Qt 6.4 offers no tabular-digit feature, so the general face stands in for a monospaced-digit one.
        value = make(general, 16, QFont::Medium, 0);
        subtitlePixel = make(fixed, 11, QFont::Medium, 0);
        subtitleRound = make(general, 12, QFont::Normal, 0);
        titleReady = make(general, 19, QFont::DemiBold, 0.2);
        titleStopped = make(general, 24, QFont::DemiBold, 0.2);
        pillRound = make(general, 11, QFont::DemiBold, 0);
    }

    static QFont make(QFont font, int pixelSize, QFont::Weight weight, qreal kerning) {
        font.setPixelSize(pixelSize);
        font.setWeight(weight);
        if (kerning != 0) font.setLetterSpacing(QFont::AbsoluteSpacing, kerning);
        return font;
    }
};

// One run of an attributed line of text.
struct Run {
    QString text;
    const QFont& font;
    const QColor& color;
};

struct LineSize {
    qreal width = 0;
    qreal ascent = 0;
    qreal descent = 0;
    qreal height() const { return ascent + descent; }
};

LineSize measure(std::initializer_list<Run> runs) {
    LineSize size;
    for (const Run& run : runs) {
        const QFontMetricsF metrics(run.font);
        size.width += metrics.horizontalAdvance(run.text);
        size.ascent = std::max(size.ascent, metrics.ascent());
        size.descent = std::max(size.descent, metrics.descent());
    }
    return size;
}

// Draws the runs on one shared baseline with the line's top left at `topLeft`.
void drawRuns(QPainter& painter, std::initializer_list<Run> runs, QPointF topLeft) {
    const LineSize size = measure(runs);
    qreal x = topLeft.x();
    for (const Run& run : runs) {
        painter.setFont(run.font);
        painter.setPen(run.color);
        painter.drawText(QPointF(x, topLeft.y() + size.ascent), run.text);
        x += QFontMetricsF(run.font).horizontalAdvance(run.text);
    }
}

QPainterPath roundedRect(const QRectF& rect, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

QPointF cellCenter(const SnakeGame& game, SnakeCell cell) {
    return cellRect(game, cell).center();
}

// At least four digits, zero-padded.
QString padded(int value) {
    return QStringLiteral("%1").arg(value, 4, 10, QLatin1Char('0'));
}

} // namespace

const QColor& ink() {
    return Theme::ink();
}

const QColor& lime() {
    return Theme::lime();
}

const QColor& headLime() {
    static const QColor c = Theme::rgb(0xEEFF9E);
    return c;
}

const QColor& bodyLime() {
    static const QColor c = blended(lime(), 0.08, ink());
    return c;
}

QColor blended(const QColor& from, qreal fraction, const QColor& to) {
    const auto mix = [fraction](float a, float b) { return float(a * (1 - fraction) + b * fraction); };
    return QColor::fromRgbF(mix(from.redF(), to.redF()), mix(from.greenF(), to.greenF()),
                            mix(from.blueF(), to.blueF()), mix(from.alphaF(), to.alphaF()));
}

QRectF cellRect(const SnakeGame& game, SnakeCell cell) {
    const qreal w = board.width() / game.width();
    const qreal h = board.height() / game.height();
    return QRectF(board.x() + cell.x * w, board.y() + cell.y * h, w, h);
}

void draw(QPainter& painter, const Frame& frame, const QRectF& rect) {
    if (rect.width() <= 1 || rect.height() <= 1) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(rect.topLeft());
    painter.scale(rect.width() / designWidth, rect.height() / designHeight);

    const qreal radius = frame.style == SnakeStyle::Pixel ? 6 : 18;
    const QPainterPath card = roundedRect(QRectF(0, 0, designWidth, designHeight), radius);
    painter.fillPath(card, ink());
    painter.setClipPath(card, Qt::IntersectClip);

    if (frame.style == SnakeStyle::Pixel)
        drawPixelBoard(painter, frame);
    else
        drawRoundedBoard(painter, frame);
    drawStrip(painter, frame);
    drawMessage(painter, frame);

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(shades().edge, 1));
    painter.drawPath(
        roundedRect(QRectF(0, 0, designWidth, designHeight).adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5));
    painter.restore();
}

void drawPixelBoard(QPainter& painter, const Frame& frame) {
    const SnakeGame& game = frame.game;
    painter.fillRect(board, shades().boardPixel);
    for (int y = 0; y < game.height(); ++y)
        for (int x = 0; x < game.width(); ++x)
            painter.fillRect(cellRect(game, {x, y}).adjusted(0.5, 0.5, -0.5, -0.5), shades().tile);
    if (game.food())
        painter.fillRect(cellRect(game, *game.food()).adjusted(2.5, 2.5, -2.5, -2.5), Theme::plain());
    // Tail first, so the head lies on top.
    const auto& snake = game.snake();
    for (size_t i = snake.size(); i-- > 0;) {
        const QColor& color = i == 0 ? headLime() : i % 2 == 0 ? lime() : shades().stripe;
        painter.fillRect(cellRect(game, snake[i]).adjusted(0.5, 0.5, -0.5, -0.5), color);
    }
}

void drawRoundedBoard(QPainter& painter, const Frame& frame) {
    const SnakeGame& game = frame.game;
    const qreal cw = board.width() / game.width();
    const qreal ch = board.height() / game.height();
    painter.fillPath(roundedRect(board, 10), shades().boardRounded);

    painter.setPen(Qt::NoPen);
    painter.setBrush(shades().dot);
    for (int x = 1; x < game.width(); ++x)
        for (int y = 1; y < game.height(); ++y)
            painter.drawEllipse(QPointF(board.x() + x * cw, board.y() + y * ch), 0.75, 0.75);

    if (game.food()) {
        const QPointF center = cellCenter(game, *game.food());
        painter.setBrush(shades().foodGlow);
        painter.drawEllipse(center, 0.56 * cw, 0.56 * cw);
        painter.setBrush(Theme::plain());
        painter.drawEllipse(center, 0.3 * cw, 0.3 * cw);
    }

    const auto& snake = game.snake();
    if (snake.empty()) return;
    const qreal bodyWidth = 0.66 * cw;
    if (snake.size() == 1) {
        // A lone cell's path is a zero-length line whose round caps make a dot; Qt may skip such a
        // stroke, so the dot is filled directly.
        painter.setBrush(bodyLime());
        painter.drawEllipse(cellCenter(game, snake.front()), bodyWidth / 2, bodyWidth / 2);
    } else {
        QPainterPath body;
        body.moveTo(cellCenter(game, snake.front()));
        for (size_t i = 1; i < snake.size(); ++i)
            body.lineTo(cellCenter(game, snake[i]));
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(bodyLime(), bodyWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(body);
        painter.setPen(Qt::NoPen);
    }

    const QPointF head = cellCenter(game, snake.front());
    painter.setBrush(lime());
    painter.drawEllipse(head, 0.46 * cw, 0.46 * cw);
    const qreal hx = dx(game.direction());
    const qreal hy = dy(game.direction());
    const QPointF ahead = head + QPointF(hx, hy) * (0.13 * cw);
    const QPointF side = QPointF(hy, -hx) * (0.18 * cw);
    painter.setBrush(ink());
    painter.drawEllipse(ahead + side, 0.075 * cw, 0.075 * cw);
    painter.drawEllipse(ahead - side, 0.075 * cw, 0.075 * cw);
    painter.setBrush(Qt::NoBrush);
}

void drawStrip(QPainter& painter, const Frame& frame) {
    const int score = frame.game.score();
    const int best = std::max(score, frame.best);
    const QString newBest = QStringLiteral("New Best");
    const QPointF badgeCenter(designWidth / 2, stripCenterY);

    if (frame.style == SnakeStyle::Pixel) {
        constexpr qreal px = 2.4;
        constexpr qreal top = stripCenterY - 5 * px / 2;
        const qreal afterLabel =
            PixelFont::draw(painter, u"SCORE ", QPointF(stripLeft, top), px, Theme::muted());
        PixelFont::draw(painter, padded(score), QPointF(afterLabel, top), px, Theme::text());

        const QString label = QStringLiteral("BEST ");
        const QString digits = padded(best);
        const qreal start = stripRight - PixelFont::textWidth(QString(label + digits), px);
        const qreal afterBest = PixelFont::draw(painter, label, QPointF(start, top), px, Theme::muted());
        PixelFont::draw(painter, digits, QPointF(afterBest, top), px, Theme::text());

        if (frame.isFlashingNewBest) pill(painter, newBest, badgeCenter, true);
        return;
    }

    const Fonts f;
    const QString scoreText = QString::number(score);
    const QString bestText = QString::number(best);
    const std::initializer_list<Run> left{{QStringLiteral("Score  "), f.label, Theme::muted()},
                                          {scoreText, f.value, Theme::text()}};
    const std::initializer_list<Run> right{{QStringLiteral("Best  "), f.label, Theme::muted()},
                                           {bestText, f.value, Theme::text()}};
    const LineSize leftSize = measure(left);
    const LineSize rightSize = measure(right);
    drawRuns(painter, left, QPointF(stripLeft, stripCenterY - leftSize.height() / 2));
    drawRuns(painter, right, QPointF(stripRight - rightSize.width, stripCenterY - rightSize.height() / 2));
    if (frame.isFlashingNewBest) pill(painter, newBest, badgeCenter, false);
}

void drawMessage(QPainter& painter, const Frame& frame) {
    const SnakeGame::State state = frame.game.state();
    if (state == SnakeGame::State::Playing) return;
    const bool pixel = frame.style == SnakeStyle::Pixel;
    const bool ready = state == SnakeGame::State::Ready;

    QString title;
    QString subtitle;
    switch (state) {
    case SnakeGame::State::Ready:
        title = QStringLiteral("Press Space to Start");
        subtitle = QStringLiteral("Arrow Keys or WASD to Steer");
        break;
    case SnakeGame::State::Paused:
        title = QStringLiteral("Paused");
        subtitle = QString::fromUtf16(u"Space to Resume \u00B7 Esc to Close");
        break;
    case SnakeGame::State::Over:
    case SnakeGame::State::Playing:
        title = QStringLiteral("Game Over");
        subtitle = QString::fromUtf16(u"Space to Play Again \u00B7 Esc to Close");
        break;
    }

    const QColor& scrim = ready ? shades().scrimReady : shades().scrimStopped;
    if (pixel)
        painter.fillRect(board, scrim);
    else
        painter.fillPath(roundedRect(board, 10), scrim);

    const bool badge = state == SnakeGame::State::Over && frame.isNewBest;
    const Fonts f;
    const std::initializer_list<Run> subtitleRuns{
        {subtitle, pixel ? f.subtitlePixel : f.subtitleRound, Theme::muted()}};
    const LineSize subtitleSize = measure(subtitleRuns);

    const QString pixelTitle = title.toUpper();
    const qreal px = ready ? 3 : 4;
    const std::initializer_list<Run> titleRuns{{title, ready ? f.titleReady : f.titleStopped, Theme::text()}};
    qreal titleWidth = 0;
    qreal titleHeight = 0;
    if (pixel) {
        titleWidth = PixelFont::textWidth(pixelTitle, px);
        titleHeight = 5 * px;
    } else {
        const LineSize size = measure(titleRuns);
        titleWidth = size.width;
        titleHeight = size.height();
    }

    const qreal blockHeight = titleHeight + 10 + subtitleSize.height() + (badge ? 40 : 0);
    const qreal anchor = ready ? board.y() + board.height() * 0.33 : board.center().y();
    const qreal blockTop = anchor - blockHeight / 2;
    qreal top = blockTop;
    if (badge) {
        pill(painter, QStringLiteral("New Best"), QPointF(designWidth / 2, blockTop + 9), pixel);
        top += 40;
    }
    const QPointF titleTopLeft(designWidth / 2 - titleWidth / 2, top);
    if (pixel)
        PixelFont::draw(painter, pixelTitle, titleTopLeft, px, Theme::text());
    else
        drawRuns(painter, titleRuns, titleTopLeft);
    drawRuns(painter, subtitleRuns,
             QPointF(designWidth / 2 - subtitleSize.width / 2, top + titleHeight + 10));
}

void pill(QPainter& painter, const QString& text, QPointF center, bool pixel) {
    if (pixel) {
        const QString upper = text.toUpper();
        const qreal w = PixelFont::textWidth(upper, 2);
        painter.fillRect(QRectF(center.x() - w / 2 - 6, center.y() - 9, w + 12, 18), lime());
        PixelFont::draw(painter, upper, QPointF(center.x() - w / 2, center.y() - 5), 2, ink());
        return;
    }
    const Fonts f;
    const std::initializer_list<Run> runs{{text, f.pillRound, ink()}};
    const LineSize size = measure(runs);
    const QRectF capsule(center.x() - size.width / 2 - 9, center.y() - size.height() / 2 - 3, size.width + 18,
                         size.height() + 6);
    painter.fillPath(roundedRect(capsule, capsule.height() / 2), lime());
    drawRuns(painter, runs, capsule.topLeft() + QPointF(9, 3));
}

} // namespace SnakeArt
} // namespace VexilUI
