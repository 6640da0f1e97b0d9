// Line metrics, result layout and the queries built on them.
#include "ui/notebook/NotebookTextView.h"

#include "ui/notebook/TextViewGeometry.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QLocale>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextLine>

#include <cmath>

namespace VexilUI {

using namespace TextGeometry;

qreal NotebookTextView::baselineOffset() const {
    // Every row is measured from the first character's baseline, as the editor font sets it.
    const QTextBlock first = document()->firstBlock();
    if (!isEmptyText() && first.isValid()) {
        document()->documentLayout()->blockBoundingRect(first); // lays the block out when it is not yet
        if (const QTextLayout* layout = first.layout(); layout && layout->lineCount() > 0)
            return layout->lineAt(0).ascent();
    }
    return QFontMetricsF(m_editorFont).ascent();
}

std::optional<NotebookTextView::LineMetric> NotebookTextView::metricFor(const QTextBlock& block, qreal offset,
                                                                        const LineMetric* previous) const {
    if (!block.isValid()) return std::nullopt;
    const qreal spacing = lineSpacing(m_fontSize);
    const QRectF bounds = document()->documentLayout()->blockBoundingRect(block);
    LineMetric metric;
    metric.index = block.blockNumber();
    const QTextLayout* layout = block.layout();
    if (layout && layout->lineCount() > 0) {
        const QTextLine row = layout->lineAt(0);
        // The bounding rectangle starts at the first row and already holds the top inset.
        metric.rect = QRectF(m_gutterWidth, bounds.top(), row.width(), row.height() + spacing);
        metric.textMaxX = m_gutterWidth + row.naturalTextWidth();
    } else {
        // No row laid out: rows of the editor font's height under the last laid-out line.
        const qreal height = QFontMetricsF(m_editorFont).height() + spacing;
        qreal top = insetTop(m_fontSize);
        if (previous) {
            top = previous->rect.bottom();
        } else {
            int skipped = 0;
            for (QTextBlock b = block.previous(); b.isValid(); b = b.previous(), ++skipped) {
                if (b.layout() && b.layout()->lineCount() > 0) {
                    const QRectF r = document()->documentLayout()->blockBoundingRect(b);
                    top = r.top() + b.layout()->lineAt(0).height() + spacing;
                    break;
                }
            }
            top += skipped * height;
        }
        metric.rect = QRectF(m_gutterWidth, top, containerWidth(), height);
        metric.textMaxX = m_gutterWidth;
    }
    metric.baseline = metric.rect.top() + offset;
    return metric;
}

std::vector<NotebookTextView::LineMetric> NotebookTextView::lineMetrics() const {
    std::vector<LineMetric> metrics;
    metrics.reserve(size_t(document()->blockCount()));
    const qreal offset = baselineOffset();
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        if (auto metric = metricFor(block, offset, metrics.empty() ? nullptr : &metrics.back()))
            metrics.push_back(*metric);
    return metrics;
}

std::optional<NotebookTextView::LineMetric> NotebookTextView::lineMetric(int line) const {
    if (line < 0) return std::nullopt;
    return metricFor(document()->findBlockByNumber(line), baselineOffset());
}

QSizeF NotebookTextView::measure(const QString& text, const QFont& font) const {
    QString size = QString::number(font.pixelSize() > 0 ? qreal(font.pixelSize()) : font.pointSizeF(), 'g',
                                   QLocale::FloatingPointShortest);
    if (!size.contains(u'.') && !size.contains(u'e')) size += QStringLiteral(".0");
    const QString key = size + u'|' + font.key() + u'|' + text;
    if (auto found = m_sizeCache.constFind(key); found != m_sizeCache.constEnd()) return *found;
    const QFontMetricsF metrics(font);
    const QSizeF measured(metrics.horizontalAdvance(text), metrics.height());
    if (m_sizeCache.size() >= 4001) m_sizeCache.clear();
    m_sizeCache.insert(key, measured);
    return measured;
}

QString NotebookTextView::truncate(const QString& text, const QFont& font, qreal width) const {
    return TextGeometry::truncate(text, width, [&](const QString& s) { return measure(s, font).width(); });
}

NotebookTextView::ResultLayout NotebookTextView::resultLayout(const ResultItem& item,
                                                              const LineMetric& metric) const {
    const QFont& font = item.isError ? m_smallFont : m_editorFont;
    const qreal w = viewWidth();
    const qreal left = resultsLeft();
    const qreal available = std::max(w - resultRightInset(m_fontSize) - left, qreal(1));
    ResultLayout layout{truncate(item.text, font, available), {}, font};
    const QFontMetricsF metrics(font);
    layout.rect = resultTextRect(w, left, m_fontSize, measure(layout.text, font).width(), metric.baseline,
                                 metrics.ascent(), metrics.descent());
    return layout;
}

QRectF NotebookTextView::pillRect(const QRectF& textRect) const {
    return TextGeometry::pillRect(textRect, dividerX(), viewWidth(), m_fontSize);
}

std::optional<QRectF> NotebookTextView::resultRect(int line) const {
    const auto item = m_items.find(line);
    if (item == m_items.end() || item->second.isError) return std::nullopt;
    const auto metric = lineMetric(line);
    if (!metric) return std::nullopt;
    return resultLayout(item->second, *metric).rect;
}

bool NotebookTextView::isTruncated(int line) const {
    const auto item = m_items.find(line);
    if (item == m_items.end()) return false;
    const auto metric = lineMetric(line);
    if (!metric) return false;
    return resultLayout(item->second, *metric).text != item->second.text;
}

std::optional<int> NotebookTextView::resultLine(const QPointF& point) const {
    const qreal offset = baselineOffset();
    // Items are ordered by line, so this walks the lines in order.
    for (const auto& [line, item] : m_items) {
        if (item.isError) continue;
        const auto metric = metricFor(document()->findBlockByNumber(line), offset);
        if (!metric) continue;
        const QRectF hit = resultHitRect(resultLayout(item, *metric).rect, metric->rect, m_fontSize);
        if (containsPoint(hit, point)) return metric->index;
    }
    return std::nullopt;
}

bool NotebookTextView::isOnDivider(const QPointF& point) const {
    return point.x() >= 0 && point.x() < viewWidth() && point.y() >= 0 &&
           std::abs(point.x() - dividerX()) <= 4;
}

} // namespace VexilUI
