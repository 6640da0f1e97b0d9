#pragma once

#include <QRectF>
#include <QString>

#include <functional>
#include <optional>

// The notebook text view's geometry as plain functions of its inputs: the view width W, the gutter
// width G, the editor font size s and the measured texts. All values are device-independent pixels.
namespace VexilUI::TextGeometry {

inline constexpr qreal defaultResultsFraction = 0.372;
inline constexpr qreal minColumnWidth = 140;
inline constexpr qreal minContainerWidth = 60;

// The nearest whole number, halves away from zero.
qreal nearest(qreal x);

// Decimal digits of a positive count.
int digitCount(qsizetype n);

// ceil(max(2, digits(lineCount)) * digitAdvance + 1.7 * s)
qreal gutterWidth(qsizetype lineCount, qreal digitAdvance, qreal fontSize);

// The results column width for a wanted width: at least 140 and at most W - G - 140 when there is room,
// half of W - G in a narrow view.
qreal clampResultsWidth(qreal viewWidth, qreal gutter, qreal wanted);
qreal resultsWidth(qreal viewWidth, qreal gutter, std::optional<qreal> fraction);

// The gap between the text and the divider.
qreal dividerGap(qreal fontSize);
// Left limit of result text.
qreal resultsLeft(qreal dividerX, qreal fontSize);
// Space kept right of a result.
qreal resultRightInset(qreal fontSize);
// Text width left of the results column, never below 60.
qreal containerWidth(qreal viewWidth, qreal gutter, qreal resultsWidth, qreal fontSize);
// The text's top and bottom inset.
qreal insetTop(qreal fontSize);
// Extra space after every row.
qreal lineSpacing(qreal fontSize);

// Where a result text of the given width goes: right-aligned against the right inset, never left of
// resultsLeft; its top is the baseline minus the font's ascent.
QRectF resultTextRect(qreal viewWidth, qreal resultsLeft, qreal fontSize, qreal textWidth, qreal baseline,
                      qreal ascent, qreal descent);

// The capsule behind a result text, kept 3 right of the divider and 2 inside the right edge.
QRectF pillRect(const QRectF& textRect, qreal dividerX, qreal viewWidth, qreal fontSize);

// The rectangle that takes clicks, hover and tooltips of a value result.
QRectF resultHitRect(const QRectF& layoutRect, const QRectF& metricRect, qreal fontSize);

// Containment with the right and bottom edges excluded.
bool containsPoint(const QRectF& rect, const QPointF& point);

// The text, or its longest prefix of whole characters followed by an ellipsis that fits the width,
// or the ellipsis alone.
QString truncate(const QString& text, qreal width, const std::function<qreal(const QString&)>& measureWidth);

} // namespace VexilUI::TextGeometry
