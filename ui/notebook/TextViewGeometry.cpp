#include "ui/notebook/TextViewGeometry.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>
#include <vector>

namespace VexilUI::TextGeometry {

qreal nearest(qreal x) {
    return std::round(x);
}

int digitCount(qsizetype n) {
    int digits = 1;
    while (n >= 10) {
        n /= 10;
        ++digits;
    }
    return digits;
}

qreal gutterWidth(qsizetype lineCount, qreal digitAdvance, qreal fontSize) {
    const int digits = std::max(2, digitCount(lineCount));
    return std::ceil(digits * digitAdvance + fontSize * 1.7);
}

qreal clampResultsWidth(qreal viewWidth, qreal gutter, qreal wanted) {
    const qreal room = viewWidth - gutter - minColumnWidth;
    if (room >= minColumnWidth) {
        if (wanted <= minColumnWidth) return minColumnWidth;
        return nearest(std::min(wanted, room));
    }
    return std::max(qreal(0), nearest((viewWidth - gutter) * 0.5));
}

qreal resultsWidth(qreal viewWidth, qreal gutter, std::optional<qreal> fraction) {
    return clampResultsWidth(viewWidth, gutter, viewWidth * fraction.value_or(defaultResultsFraction));
}

qreal dividerGap(qreal fontSize) {
    return nearest(fontSize * 1.1);
}

qreal resultsLeft(qreal dividerX, qreal fontSize) {
    return dividerX + nearest(dividerGap(fontSize) * 0.8);
}

qreal resultRightInset(qreal fontSize) {
    return nearest(fontSize * 1.2);
}

qreal containerWidth(qreal viewWidth, qreal gutter, qreal resultsWidth, qreal fontSize) {
    return std::max(viewWidth - gutter - resultsWidth - dividerGap(fontSize), minContainerWidth);
}

qreal insetTop(qreal fontSize) {
    return nearest(fontSize * 0.7);
}

qreal lineSpacing(qreal fontSize) {
    return nearest(fontSize * 0.42);
}

QRectF resultTextRect(qreal viewWidth, qreal left, qreal fontSize, qreal textWidth, qreal baseline,
                      qreal ascent, qreal descent) {
    const qreal x = std::max(left, viewWidth - resultRightInset(fontSize) - textWidth);
    return QRectF(x, baseline - ascent, textWidth, std::ceil(ascent + descent));
}

QRectF pillRect(const QRectF& textRect, qreal dividerX, qreal viewWidth, qreal fontSize) {
    const qreal dx = nearest(fontSize * 0.5);
    const qreal dy = nearest(fontSize * 0.15);
    QRectF r = textRect.adjusted(-dx, -dy, dx, dy);
    const qreal minX = dividerX + 3;
    if (r.left() < minX) r.setLeft(minX);
    r.setWidth(std::min(r.width(), viewWidth - 2 - r.left()));
    return r;
}

QRectF resultHitRect(const QRectF& layoutRect, const QRectF& metricRect, qreal fontSize) {
    const qreal height = std::max(layoutRect.height(), metricRect.height() - lineSpacing(fontSize) * 0.5);
    return QRectF(layoutRect.left() - 6, metricRect.top(), layoutRect.width() + 12, height);
}

bool containsPoint(const QRectF& rect, const QPointF& point) {
    return rect.width() > 0 && rect.height() > 0 && point.x() >= rect.left() && point.x() < rect.right() &&
           point.y() >= rect.top() && point.y() < rect.bottom();
}

QString truncate(const QString& text, qreal width, const std::function<qreal(const QString&)>& measureWidth) {
    if (measureWidth(text) <= width) return text;
    // Cut between grapheme clusters only, so no accent or surrogate half is left dangling.
    std::vector<qsizetype> ends;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype at = finder.toNextBoundary(); at > 0; at = finder.toNextBoundary())
        ends.push_back(at);
    const QString ellipsis(QChar(0x2026));
    for (qsizetype kept = qsizetype(ends.size()) - 1; kept >= 1; --kept) {
        QString candidate = text.left(ends[size_t(kept - 1)]) + ellipsis;
        if (measureWidth(candidate) <= width) return candidate;
    }
    return ellipsis;
}

} // namespace VexilUI::TextGeometry
