#pragma once

#include "ui/snake/SnakeGame.h"

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <optional>

class QPainter;

namespace VexilUI {

enum class SnakeStyle { Rounded = 0, Pixel = 1 };

// The style stored under a raw value; any other value makes none.
std::optional<SnakeStyle> snakeStyle(int rawValue);

// Draws one frame of the snake game: the card, the board, the score strip and the message. Everything is
// laid out in a 360 by 400 design space, y growing downward, scaled into the target rectangle.
namespace SnakeArt {

struct Frame {
    SnakeGame game;
    SnakeStyle style = SnakeStyle::Pixel;
    // The stored best; the strip shows the greater of it and the score.
    int best = 0;
    bool isNewBest = false;
    bool isFlashingNewBest = false;
};

inline constexpr qreal designWidth = 360;
inline constexpr qreal designHeight = 400;
// The board, in design space.
inline constexpr QRectF board{16, 56, 328, 328};
// The score strip's centre line and its left and right edges.
inline constexpr qreal stripCenterY = 33;
inline constexpr qreal stripLeft = 18;
inline constexpr qreal stripRight = 342;

// Built once on first use.
const QColor& ink();
const QColor& lime();
const QColor& headLime();
const QColor& bodyLime();

// Each component, alpha included, moved `fraction` of the way from `from` towards `to`.
QColor blended(const QColor& from, qreal fraction, const QColor& to);

// A board cell's rectangle in design space.
QRectF cellRect(const SnakeGame& game, SnakeCell cell);

// Draws nothing into a rectangle not wider or not higher than 1.
void draw(QPainter& painter, const Frame& frame, const QRectF& rect);

// The pieces of draw(), each in design space.
void drawPixelBoard(QPainter& painter, const Frame& frame);
void drawRoundedBoard(QPainter& painter, const Frame& frame);
void drawStrip(QPainter& painter, const Frame& frame);
void drawMessage(QPainter& painter, const Frame& frame);
void pill(QPainter& painter, const QString& text, QPointF center, bool pixel);

} // namespace SnakeArt
} // namespace VexilUI
