#pragma once

#include "core/parser/Highlight.h"

#include <QColor>
#include <QFont>

namespace VexilUI {

// The interface's fixed dark palette and its two font makers. Each colour is built once, on first use.
namespace Theme {

// 0xRRGGBB with the given alpha.
QColor rgb(quint32 hex, qreal alpha = 1.0);

const QColor& number();
const QColor& op();
const QColor& unit();
const QColor& ref();
const QColor& plain();
const QColor& text();
const QColor& result();
const QColor& muted();
const QColor& error();
const QColor& lime();
const QColor& copied();
const QColor& ink();
const QColor& pin();
const QColor& tintBase();
const QColor& divider();
const QColor& selection();

// The tint's alpha over the backdrop when it is not solid.
inline constexpr qreal tintAlpha = 0.85;
// The alpha of a title-bar button's glyph while it is pressed.
inline constexpr qreal pressedAlpha = 0.45;

const QColor& color(VexilCore::Role role);

// Sizes are device-independent pixels.
QFont editorFont(qreal size);
QFont smallFont(qreal size);
// The interface's proportional font at a pixel size.
QFont systemFont(int pixelSize, QFont::Weight weight = QFont::Normal);
// max(nearest(size * 0.78), 9)
int smallFontPixelSize(qreal size);

} // namespace Theme
} // namespace VexilUI
