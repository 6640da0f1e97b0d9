#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

namespace VexilUI {

// Draws the few named symbols the window's buttons use, in one colour at a 13-pixel size. Icon themes
// are not relied on: they are missing on many desktops and under the offscreen platform.
namespace SymbolPainter {

inline constexpr qreal pointSize = 13;

bool has(const QString& name);
// Draws the symbol centred in bounds; false, drawing nothing, for an unknown name.
bool draw(QPainter& painter, const QString& name, const QRectF& bounds, const QColor& color);

} // namespace SymbolPainter
} // namespace VexilUI
