// The overlay: gutter numbers, divider, results, pills and the empty sheet's hint.
#include "ui/notebook/NotebookTextView.h"

#include "ui/common/Controls.h"
#include "ui/common/Theme.h"
#include "ui/notebook/LineMap.h"
#include "ui/notebook/TextViewGeometry.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>

namespace VexilUI {

using namespace TextGeometry;

void NotebookTextView::setItems(Items items) {
    if (items == m_items) return;
    m_items = std::move(items);
    itemsDidChange();
}

void NotebookTextView::patchItems(int first, int removed, int inserted,
                                  const std::vector<std::pair<int, std::optional<ResultItem>>>& lines) {
    bool changed = spliceLines(m_items, first, removed, inserted);
    for (const auto& [line, item] : lines) {
        const auto found = m_items.find(line);
        if (!item) {
            if (found == m_items.end()) continue;
            m_items.erase(found);
        } else if (found == m_items.end()) {
            m_items.emplace(line, *item);
        } else if (found->second != *item) {
            found->second = *item;
        } else {
            continue;
        }
        changed = true;
    }
    if (changed) itemsDidChange();
}

void NotebookTextView::itemsDidChange() {
    if (m_hoveredLine) {
        const auto found = m_items.find(*m_hoveredLine);
        if (found == m_items.end() || found->second.isError) m_hoveredLine.reset();
    }
    m_overlay.setNeedsDisplay();
    invalidateCursorRects();
}

void NotebookTextView::setHint(const QStringList& lines) {
    m_hint = lines;
    m_overlay.setNeedsDisplay();
}

void NotebookTextView::setResultsFraction(std::optional<qreal> fraction) {
    if (fraction == m_resultsFraction) return;
    m_resultsFraction = fraction;
    layoutContainer();
    m_overlay.setNeedsDisplay();
    invalidateCursorRects();
}

void NotebookTextView::setHoveredLine(std::optional<int> line) {
    if (line == m_hoveredLine) return;
    m_hoveredLine = line;
    m_overlay.setNeedsDisplay();
}

void NotebookTextView::setDraggingDivider(bool dragging) {
    if (dragging == m_isDraggingDivider) return;
    m_isDraggingDivider = dragging;
    m_overlay.setNeedsDisplay();
}

void NotebookTextView::showPillFeedback(PillFeedback kind, int line) {
    m_pillFeedback = PillState{line, kind};
    m_overlay.setNeedsDisplay();
    const int token = ++m_feedbackToken;
    // A newer flash moves the token on, so this older clearing does nothing.
    QTimer::singleShot(feedbackDuration(kind), this, [this, token] {
        if (m_feedbackToken != token) return;
        m_pillFeedback.reset();
        m_overlay.setNeedsDisplay();
    });
}

std::optional<QColor> NotebookTextView::pillColor(int line) const {
    const auto item = m_items.find(line);
    if (item == m_items.end() || item->second.isError) return std::nullopt;
    if (m_pillFeedback && m_pillFeedback->line == line) {
        switch (m_pillFeedback->kind) {
        case PillFeedback::Inserted:
            return Theme::rgb(0xDFFF57, 0.45);
        case PillFeedback::Copied:
            return Theme::copied();
        }
    }
    if (m_hoveredLine == line) return Theme::lime();
    return std::nullopt;
}

// Line numbers and results are laid out once: shaping them again on every paint costs more than
// drawing them.
const QStaticText& NotebookTextView::staticText(const QString& text, bool small) const {
    QHash<QString, QStaticText>& cache = m_staticTexts[small ? 1 : 0];
    if (cache.size() > 4000) cache.clear();
    auto found = cache.find(text);
    if (found == cache.end()) {
        QStaticText laidOut(text);
        laidOut.setTextFormat(Qt::PlainText);
        laidOut.prepare(QTransform(), small ? m_smallFont : m_editorFont);
        found = cache.insert(text, laidOut);
    }
    return *found;
}

void NotebookTextView::paintEvent(QPaintEvent* event) {
    QTextEdit::paintEvent(event);
    QPainter painter(viewport());
    const QPoint scroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
    painter.translate(-scroll);
    drawOverlay(painter, QRectF(event->rect().translated(scroll)));
}

void NotebookTextView::drawOverlay(QPainter& painter, const QRectF& dirtyRect) const {
    fillInBands(painter, QRectF(nearest(dividerX()), dirtyRect.top(), 1, dirtyRect.height()),
                m_isDraggingDivider ? Theme::muted() : Theme::divider());

    const QFontMetricsF smallMetrics(m_smallFont);
    const QFontMetricsF editorMetrics(m_editorFont);
    const qreal numberRight = m_gutterWidth - nearest(m_fontSize * 0.9);
    // Metrics are taken line by line so that lines below the dirty rectangle need no layout at all.
    const qreal offset = baselineOffset();
    std::optional<LineMetric> first, previous;
    // Start at the line just above the dirty rectangle rather than walk every line over it.
    const int top = document()->documentLayout()->hitTest(
        QPointF(m_gutterWidth + 1, std::max<qreal>(0, dirtyRect.top() - 40)), Qt::FuzzyHit);
    QTextBlock start = top > 0 ? document()->findBlock(top) : document()->begin();
    if (start.isValid() && start.previous().isValid()) start = start.previous();
    if (!start.isValid()) start = document()->begin();
    for (QTextBlock block = start; block.isValid(); block = block.next()) {
        const auto current = metricFor(block, offset, previous ? &*previous : nullptr);
        if (!current) continue;
        previous = current;
        if (!first) first = current;
        const LineMetric& metric = *current;
        if (metric.rect.bottom() < dirtyRect.top() - 40) continue;
        if (metric.rect.top() > dirtyRect.bottom() + 40) break; // rows only go down from here

        // Right-aligned by counting digits, so numbers do not wobble with proportional digit widths.
        const QString number = QString::number(metric.index + 1);
        painter.setFont(m_smallFont);
        painter.setPen(Theme::muted());
        painter.drawStaticText(
            QPointF(numberRight - number.size() * m_digitAdvance, metric.baseline - smallMetrics.ascent()),
            staticText(number, true));

        const auto item = m_items.find(metric.index);
        if (item == m_items.end()) continue;
        const ResultLayout layout = resultLayout(item->second, metric);
        QColor textColor = item->second.isError ? Theme::error() : Theme::result();
        if (const auto pill = pillColor(metric.index)) {
            const QRectF r = pillRect(layout.rect);
            QPainterPath capsule;
            capsule.addRoundedRect(r, r.height() / 2, r.height() / 2);
            painter.save();
            painter.setRenderHint(QPainter::Antialiasing);
            painter.fillPath(capsule, *pill);
            painter.restore();
            textColor = Theme::ink();
        }
        painter.setFont(layout.font);
        painter.setPen(textColor);
        painter.drawStaticText(layout.rect.topLeft(), staticText(layout.text, item->second.isError));
    }

    if (isEmptyText() && first && !m_hint.isEmpty()) {
        painter.setFont(m_editorFont);
        painter.setPen(Theme::rgb(0x878B93, 0.55));
        for (qsizetype i = 0; i < m_hint.size(); ++i) {
            const qreal top = first->baseline - editorMetrics.ascent() + qreal(i) * first->rect.height();
            painter.drawText(QPointF(first->rect.left() + 2, top + editorMetrics.ascent()), m_hint.at(i));
        }
    }
}

} // namespace VexilUI
