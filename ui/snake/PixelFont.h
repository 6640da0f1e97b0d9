#pragma once

#include <QColor>
#include <QHash>
#include <QPointF>
#include <QString>

#include <array>

class QPainter;

namespace VexilUI {

// The snake game's 3 by 5 bitmap font: digits, capitals, the space and the middle dot. Each glyph is
// 3 pixels wide and is followed by a one-pixel gap.
namespace PixelFont {

// Five rows, top first; in each row 4 is the left pixel, 2 the middle and 1 the right.
using Glyph = std::array<quint8, 5>;

// Built once on first use.
const QHash<char32_t, Glyph>& glyphs();

// The glyph of one user-perceived character; anything not in the table draws as a space.
const Glyph& glyph(QStringView character);

// User-perceived characters, each of which takes one glyph cell.
int characterCount(QStringView text);

// The inked width of a text: (4n - 1) * px, 0 for an empty text.
qreal textWidth(QStringView text, qreal px);

// Fills each set pixel as a px by px square below and right of `at` (the text's top left) and returns
// the x after the text, 4 * px per character.
qreal draw(QPainter& painter, QStringView text, QPointF at, qreal px, const QColor& color);

} // namespace PixelFont
} // namespace VexilUI
