// Hover, clicks on results, the divider drag, cursors and tooltips of the results column.
#include "ui/notebook/NotebookTextView.h"

#include "ui/common/KeyNames.h"
#include "ui/notebook/TextViewGeometry.h"

#include <QCursor>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextDocument>
#include <QToolTip>

namespace VexilUI {

using namespace TextGeometry;

QPointF NotebookTextView::viewPoint(const QPointF& viewportPos) const {
    return viewportPos + QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

bool NotebookTextView::updateHover(const QPointF& point) {
    if (m_isDraggingDivider || isOnDivider(point)) {
        setHoveredLine(std::nullopt);
        viewport()->setCursor(Qt::SplitHCursor);
        return true;
    }
    const std::optional<int> line = resultLine(point);
    setHoveredLine(line);
    if (!line) return false;
    viewport()->setCursor(Qt::PointingHandCursor);
    return true;
}

void NotebookTextView::invalidateCursorRects() {
    // The cursor follows the new results or column width without waiting for the pointer to move.
    const QPoint local = viewport()->mapFromGlobal(QCursor::pos());
    if (!viewport()->rect().contains(local)) return;
    const QPointF point = viewPoint(local);
    if (m_isDraggingDivider || isOnDivider(point))
        viewport()->setCursor(Qt::SplitHCursor);
    else if (resultLine(point))
        viewport()->setCursor(Qt::PointingHandCursor);
    else
        viewport()->setCursor(Qt::IBeamCursor);
}

void NotebookTextView::setResultsWidth(qreal width) {
    const qreal w = viewWidth();
    if (w <= 0) return;
    const qreal fraction = clampResultsWidth(w, m_gutterWidth, width) / w;
    if (!m_resultsFraction || *m_resultsFraction != fraction) setResultsFraction(fraction);
}

void NotebookTextView::activateResult(int line, PillFeedback kind) {
    showPillFeedback(kind, line);
    if (kind == PillFeedback::Copied) {
        if (onResultCopy) onResultCopy(line);
    } else if (onResultClick) {
        onResultClick(line);
    }
}

bool NotebookTextView::handleResultPress(QMouseEvent* event) {
    const std::optional<int> line = resultLine(viewPoint(event->position()));
    if (!line) return false;
    // The editor's own handling does not run: the caret and selection stay where they are.
    activateResult(*line,
                   (event->modifiers() & Qt::AltModifier) ? PillFeedback::Copied : PillFeedback::Inserted);
    m_swallowRelease = true;
    event->accept();
    return true;
}

void NotebookTextView::mousePressEvent(QMouseEvent* event) {
    m_swallowRelease = false;
    if (event->button() == Qt::LeftButton) {
        const QPointF point = viewPoint(event->position());
        if (isOnDivider(point)) {
            setDraggingDivider(true);
            m_dragOffset = point.x() - dividerX();
            m_swallowRelease = true;
            event->accept();
            return;
        }
        if (handleResultPress(event)) return;
    }
    QTextEdit::mousePressEvent(event);
}

void NotebookTextView::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double-click arrives here instead of mousePressEvent.
    m_swallowRelease = false;
    if (event->button() == Qt::LeftButton) {
        if (isOnDivider(viewPoint(event->position()))) {
            setDraggingDivider(false);
            setResultsFraction(std::nullopt);
            if (onDividerMoved) onDividerMoved(std::nullopt);
            event->accept();
            return;
        }
        if (handleResultPress(event)) return;
    }
    QTextEdit::mouseDoubleClickEvent(event);
}

void NotebookTextView::mouseMoveEvent(QMouseEvent* event) {
    const QPointF point = viewPoint(event->position());
    if (m_isDraggingDivider) {
        setResultsWidth(viewWidth() - (point.x() - m_dragOffset));
        viewport()->setCursor(Qt::SplitHCursor);
        event->accept();
        return;
    }
    QTextEdit::mouseMoveEvent(event);
    // The base handler puts the I-beam back; hover only follows the pointer in the active window.
    if (event->buttons() == Qt::NoButton && isActiveWindow() && !updateHover(point))
        viewport()->setCursor(Qt::IBeamCursor);
}

void NotebookTextView::mouseReleaseEvent(QMouseEvent* event) {
    if (m_isDraggingDivider) {
        setDraggingDivider(false);
        m_swallowRelease = false;
        invalidateCursorRects();
        if (onDividerMoved) onDividerMoved(m_resultsFraction);
        event->accept();
        return;
    }
    if (m_swallowRelease) {
        m_swallowRelease = false;
        event->accept();
        return;
    }
    QTextEdit::mouseReleaseEvent(event);
}

QString NotebookTextView::tooltip(const ResultItem& item, int line, bool shortened) {
    if (item.isError) return item.text;
    const QString sentence = modifierName(Qt::AltModifier) +
                             QStringLiteral(" + click to copy \u00B7 Click to insert line") +
                             QString::number(line + 1);
    return shortened ? item.text + u'\n' + sentence : sentence;
}

QString NotebookTextView::toolTipText(const QPointF& point) const {
    const qreal offset = baselineOffset();
    for (const auto& [line, item] : m_items) {
        const auto metric = metricFor(document()->findBlockByNumber(line), offset);
        if (!metric) continue;
        if (point.y() >= metric->rect.top() && point.y() < metric->rect.bottom())
            return tooltip(item, line, isTruncated(line));
    }
    return {};
}

std::optional<QRectF> NotebookTextView::toolTipRect(const QPointF& point) const {
    const qreal offset = baselineOffset();
    for (const auto& [line, item] : m_items) {
        const auto metric = metricFor(document()->findBlockByNumber(line), offset);
        if (!metric) continue;
        const ResultLayout layout = resultLayout(item, *metric);
        QRectF rect;
        if (!item.isError)
            rect = resultHitRect(layout.rect, metric->rect, m_fontSize);
        else if (layout.text != item.text)
            rect = layout.rect; // an error only explains itself when it is cut short
        else
            continue;
        if (containsPoint(rect, point)) return rect;
    }
    return std::nullopt;
}

bool NotebookTextView::viewportEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::ToolTip: {
        auto* help = static_cast<QHelpEvent*>(event);
        const QPointF point = viewPoint(help->pos());
        const std::optional<QRectF> rect = toolTipRect(point);
        QString text = rect ? toolTipText(point) : QString();
        if (text.isEmpty()) {
            QToolTip::hideText();
        } else {
            // A result such as "< 5" must not be read as markup.
            if (Qt::mightBeRichText(text)) text = Qt::convertFromPlainText(text);
            const QPointF scroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
            QToolTip::showText(help->globalPos(), text, viewport(),
                               rect->translated(-scroll).toAlignedRect());
        }
        return true;
    }
    case QEvent::Leave:
        setHoveredLine(std::nullopt);
        break;
    default:
        break;
    }
    return QTextEdit::viewportEvent(event);
}

} // namespace VexilUI
