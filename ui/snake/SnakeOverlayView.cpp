#include "ui/snake/SnakeOverlayView.h"

#include "ui/common/Theme.h"
#include "ui/snake/SnakeArt.h"
#include "ui/snake/SnakeController.h"
#include "ui/storage/Preferences.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace VexilUI {

SnakeOverlayView::SnakeOverlayView(SnakeController* controller, QWidget* parent)
    : QWidget(parent), m_controller(controller) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setCursor(Qt::ArrowCursor);
    setAccessibleName(SnakeController::accessibilityText());
}

void SnakeOverlayView::setAccessibilityValue(const QString& value) {
    m_accessibilityValue = value;
    setAccessibleDescription(value);
}

QRectF SnakeOverlayView::cardRect(QSizeF bounds) {
    const qreal spaceWidth = bounds.width() - 32;
    const qreal spaceHeight = bounds.height() - 50;
    const qreal s = std::clamp(
        std::min(spaceWidth / SnakeArt::designWidth, spaceHeight / SnakeArt::designHeight), 0.1, 1.0);
    const qreal midX = 16 + spaceWidth / 2;
    const qreal midY = 34 + spaceHeight / 2;
    return {std::round(midX - 180 * s), std::round(midY - 200 * s), 360 * s, 400 * s};
}

QRectF SnakeOverlayView::cardRect() const {
    return cardRect(QSizeF(size()));
}

void SnakeOverlayView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), QColor(0, 0, 0, qRound(0.42 * 255)));
    if (!m_controller) return;
    const QRectF card = cardRect();
    const qreal radius = card.width() * 6 / 360;

    // A soft shadow below the card: rings fading out over the blur radius, shifted 8 down.
    painter.save();
    painter.setPen(Qt::NoPen);
    constexpr int rings = 12;
    constexpr qreal blur = 24;
    for (int i = rings; i >= 1; --i) {
        const qreal spread = blur * i / rings;
        painter.setBrush(QColor(0, 0, 0, qRound(0.5 * 255 / rings)));
        painter.drawRoundedRect(
            card.translated(0, 8).adjusted(-spread / 2, -spread / 2, spread / 2, spread / 2),
            radius + spread / 2, radius + spread / 2);
    }
    painter.setBrush(Theme::ink());
    painter.drawRoundedRect(card, radius, radius);
    painter.restore();

    SnakeArt::Frame frame{m_controller->game(), SnakeStyle::Pixel, m_controller->storedBest(),
                          m_controller->isNewBest(), m_controller->isFlashingNewBest()};
    SnakeArt::draw(painter, frame, card);
}

void SnakeOverlayView::keyPressEvent(QKeyEvent* event) {
    if (m_controller && m_controller->handleKey(event)) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SnakeOverlayView::keyReleaseEvent(QKeyEvent* event) {
    event->accept();
}

bool SnakeOverlayView::event(QEvent* event) {
    // Window shortcuts stay quiet while the game has the keyboard, except quitting.
    if (event->type() == QEvent::ShortcutOverride && m_controller && m_controller->isShowing()) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (!SnakeController::isQuitKey(key)) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

QWidget* SnakeOverlayView::widgetBeneath(QPointF position) const {
    QWidget* parent = parentWidget();
    if (!parent) return nullptr;
    auto* self = const_cast<SnakeOverlayView*>(this);
    self->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    QWidget* target = parent->childAt(mapToParent(position).toPoint());
    self->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    return target == this ? nullptr : target;
}

bool SnakeOverlayView::forwardMouse(QMouseEvent* event, QWidget* target) {
    if (!target) return false;
    const QPointF local = target->mapFromGlobal(event->globalPosition());
    QMouseEvent copy(event->type(), local, event->scenePosition(), event->globalPosition(), event->button(),
                     event->buttons(), event->modifiers(), event->pointingDevice());
    QApplication::sendEvent(target, &copy);
    return true;
}

void SnakeOverlayView::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (!m_controller) return;
    const QPointF p = event->position();
    if (window() && p.y() < titlebarHeight) {
        m_forwardTarget = widgetBeneath(p);
        forwardMouse(event, m_forwardTarget);
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    if (!cardRect().contains(p)) m_controller->close();
}

void SnakeOverlayView::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (m_forwardTarget) forwardMouse(event, m_forwardTarget);
}

void SnakeOverlayView::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (m_forwardTarget) {
        const QPointer<QWidget> target = m_forwardTarget;
        m_forwardTarget = nullptr;
        forwardMouse(event, target);
    }
}

void SnakeOverlayView::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    if (event->position().y() < titlebarHeight) {
        m_forwardTarget = widgetBeneath(event->position());
        forwardMouse(event, m_forwardTarget);
    }
}

void SnakeOverlayView::wheelEvent(QWheelEvent* event) {
    event->accept();
}

void SnakeOverlayView::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
}

} // namespace VexilUI
