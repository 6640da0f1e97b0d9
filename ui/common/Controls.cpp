// Backdrop, labels, status buttons and the drawer's edge handle.
#include "ui/common/Controls.h"

#include "ui/common/Theme.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <cmath>

namespace VexilUI {

namespace {

void moveWindow(QWidget* widget) {
    if (QWindow* window = widget->window()->windowHandle()) window->startSystemMove();
}

} // namespace

void fillInBands(QPainter& painter, const QRectF& rect, const QColor& color) {
    constexpr qreal band = 64;
    for (qreal y = rect.top(); y < rect.bottom(); y += band)
        painter.fillRect(QRectF(rect.left(), y, rect.width(), std::min(band, rect.bottom() - y)), color);
}

// --- TintView -----------------------------------------------------------------------------------------

TintView::TintView(QWidget* parent) : QWidget(parent) {}

void TintView::setSolid(bool solid) {
    m_solid = solid;
    update();
}

void TintView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    QColor tint = Theme::tintBase();
    tint.setAlphaF(m_solid ? 1.0f : float(Theme::tintAlpha));
    fillInBands(painter, event->rect(), tint);
}

void TintView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && event->position().y() < titleStripHeight) {
        moveWindow(this);
        event->accept();
        return;
    }
    event->ignore();
}

// --- Labels -------------------------------------------------------------------------------------------

PassthroughLabel::PassthroughLabel(QWidget* parent) : QLabel(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {}

void ElidedLabel::setTextColor(const QColor& color) {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, color);
    setPalette(pal);
}

QSize ElidedLabel::minimumSizeHint() const {
    return QSize(0, QLabel::minimumSizeHint().height());
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(area, int(alignment()), shown);
}

// --- StatusButton -------------------------------------------------------------------------------------

StatusButton::StatusButton(QWidget* parent) : QAbstractButton(parent), m_titleColor(Theme::muted()) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void StatusButton::setTitleFont(const QFont& font) {
    setFont(font);
    updateGeometry();
    update();
}

void StatusButton::setTitleColor(const QColor& color) {
    m_titleColor = color;
    update();
}

void StatusButton::setTitleAlignment(Qt::Alignment alignment) {
    m_alignment = alignment;
    update();
}

QSize StatusButton::sizeHint() const {
    const QFontMetrics metrics(font());
    return QSize(metrics.horizontalAdvance(text()) + 4, metrics.height() + 2);
}

QSize StatusButton::minimumSizeHint() const {
    return QSize(0, sizeHint().height());
}

void StatusButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QColor color = m_titleColor;
    if (!isEnabled()) color.setAlphaF(color.alphaF() * 0.5f);
    painter.setFont(font());
    painter.setPen(color);
    // The padding is given up before any letter: rounding the frame to whole pixels may take one.
    const int flags = int((m_alignment & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter);
    if (QFontMetricsF(font()).horizontalAdvance(text()) <= width()) {
        painter.drawText(rect(), flags, text());
        return;
    }
    const QRect area = rect().adjusted(2, 0, -2, 0);
    painter.drawText(area, flags, fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
}

// --- DrawerEdgeView -----------------------------------------------------------------------------------

DrawerEdgeView::DrawerEdgeView(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::SplitHCursor);
}

void DrawerEdgeView::setOwner(QObject* context, DrawerEdgeOwner owner) {
    m_context = context;
    m_owner = std::move(owner);
}

void DrawerEdgeView::paintEvent(QPaintEvent*) {
    if (!m_isDragging) return; // idle, the handle shows only its cursor
    QPainter painter(this);
    painter.fillRect(QRectF(width() / 2.0 - 0.5, 0, 1, height()), Theme::muted());
}

void DrawerEdgeView::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton || !hasOwner()) return;
    // Window coordinates: the handle itself moves while the drawer grows.
    m_startX = event->scenePosition().x();
    m_startWidth = m_owner.sidebarFullWidth ? m_owner.sidebarFullWidth() : 0;
    m_isDragging = true;
    update();
}

void DrawerEdgeView::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton || !hasOwner() || !m_owner.defaultSidebarWidth) return;
    m_owner.setDrawerWidth(m_owner.defaultSidebarWidth());
}

void DrawerEdgeView::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (!m_isDragging || !hasOwner()) return;
    m_owner.setDrawerWidth(m_startWidth + event->scenePosition().x() - m_startX);
}

void DrawerEdgeView::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    m_isDragging = false;
    update();
}

} // namespace VexilUI
