#include "ui/notebook/HelpPopover.h"

#include "ui/common/Theme.h"
#include "ui/notebook/HelpContent.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace VexilUI {

HelpPopover::HelpPopover(QWidget* window)
    : QWidget(window, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(QStringLiteral("Help"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(margin, margin, margin, margin);
    // On a screen shorter than the help text the panel scrolls rather than losing its last sections.
    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidgetResizable(true);
    m_scroll->setAutoFillBackground(false);
    m_scroll->viewport()->setAutoFillBackground(false);
    layout->addWidget(m_scroll);
    QWidget* content = HelpContent::makeView(m_scroll);
    m_scroll->setWidget(content);
    content->setAutoFillBackground(false); // setWidget turns it on; the panel paints its own
}

HelpPopover::~HelpPopover() {
    removeMonitor();
}

void HelpPopover::showBelow(QWidget* anchor) {
    m_anchor = anchor;
    QRect screenArea;
    if (anchor)
        if (QScreen* screen = anchor->screen()) screenArea = screen->availableGeometry();
    QSize size = m_scroll->widget() ? m_scroll->widget()->sizeHint() : QSize();
    size += QSize(2 * margin, 2 * margin);
    if (screenArea.isValid() && size.height() > screenArea.height()) {
        size.setHeight(screenArea.height());
        size.rwidth() += m_scroll->verticalScrollBar()->sizeHint().width();
    }
    resize(size);
    QPoint pos;
    if (anchor) {
        const QPoint bottomCentre = anchor->mapToGlobal(QPoint(anchor->width() / 2, anchor->height()));
        pos = QPoint(bottomCentre.x() - width() / 2, bottomCentre.y() + 6);
    }
    if (screenArea.isValid()) {
        pos.setX(std::clamp(pos.x(), screenArea.left(),
                            std::max(screenArea.left(), screenArea.right() + 1 - width())));
        pos.setY(std::clamp(pos.y(), screenArea.top(),
                            std::max(screenArea.top(), screenArea.bottom() + 1 - height())));
    }
    move(pos);
    show();
    raise();
    if (!m_monitoring) {
        qApp->installEventFilter(this);
        m_monitoring = true;
    }
}

void HelpPopover::removeMonitor() {
    if (m_monitoring) {
        qApp->removeEventFilter(this);
        m_monitoring = false;
    }
}

bool HelpPopover::eventFilter(QObject* watched, QEvent* event) {
    if (!isVisible()) return false;
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            hide();
            return true;
        }
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        // A press on the help button itself is left to its toggle.
        auto* widget = qobject_cast<QWidget*>(watched);
        const bool inside = widget && (widget == this || isAncestorOf(widget));
        const bool onAnchor = widget && m_anchor && (widget == m_anchor || m_anchor->isAncestorOf(widget));
        if (!inside && !onAnchor) hide();
        break;
    }
    default:
        break;
    }
    return false;
}

void HelpPopover::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    removeMonitor();
    emit closed();
}

void HelpPopover::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Theme::rgb(0xFFFFFF, 0.1), 1));
    painter.setBrush(Theme::rgb(0x1C1D21));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
}

} // namespace VexilUI
