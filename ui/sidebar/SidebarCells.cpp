#include "ui/sidebar/SidebarCells.h"

#include "ui/common/Theme.h"

#include <QDrag>
#include <QDropEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

namespace VexilUI {

namespace {

QColor accentColor() {
    return QPalette().color(QPalette::Highlight);
}

void drawElided(QPainter& painter, const QRectF& rect, const QString& text, const QFont& font,
                const QColor& color, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
    if (rect.width() <= 0) return;
    painter.setFont(font);
    painter.setPen(color);
    const QString shown = QFontMetricsF(font).elidedText(text, Qt::ElideRight, rect.width());
    painter.drawText(rect, int(align), shown);
}

} // namespace

// --- PagesTable -----------------------------------------------------------------------------------

PagesTable::PagesTable(QWidget* parent) : QListView(parent) {}

bool PagesTable::isDeleteKey(int key, Qt::KeyboardModifiers modifiers) {
    const Qt::KeyboardModifiers held =
        modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    return held == Qt::NoModifier && (key == Qt::Key_Backspace || key == Qt::Key_Delete);
}

void PagesTable::keyPressEvent(QKeyEvent* event) {
    if (onDelete && isDeleteKey(event->key(), event->modifiers())) {
        onDelete();
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

void PagesTable::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QListView::mousePressEvent(event);
}

void PagesTable::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QListView::mouseReleaseEvent(event);
}

QItemSelectionModel::SelectionFlags PagesTable::selectionCommand(const QModelIndex& index,
                                                                 const QEvent* event) const {
    if (index.isValid() && !(index.flags() & Qt::ItemIsSelectable)) return QItemSelectionModel::NoUpdate;
    return QListView::selectionCommand(index, event);
}

void PagesTable::setDropRow(int row, DropOperation operation) {
    lastDropTarget = DropTarget{row, operation};
    m_showIndicator = true;
    viewport()->update();
}

void PagesTable::clearDropIndicator() {
    m_showIndicator = false;
    viewport()->update();
}

void PagesTable::startDrag(Qt::DropActions supportedActions) {
    const QModelIndexList indexes =
        selectedIndexes().isEmpty() ? QModelIndexList{currentIndex()} : selectedIndexes();
    // The list's own drag would remove the dragged rows from the model after a move; the controller
    // changes the library instead and rebuilds the rows.
    QMimeData* data = model() ? model()->mimeData(indexes) : nullptr;
    if (!data) return;
    if (onDragStart) onDragStart(indexes);
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(supportedActions & Qt::MoveAction ? Qt::MoveAction : supportedActions, Qt::MoveAction);
    if (onDragEnd) onDragEnd();
    clearDropIndicator();
}

void PagesTable::dragEnterEvent(QDragEnterEvent* event) {
    if (onDragMove && onDragMove(event)) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void PagesTable::dragMoveEvent(QDragMoveEvent* event) {
    if (onDragMove && onDragMove(event)) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        clearDropIndicator();
        event->ignore();
    }
}

void PagesTable::dragLeaveEvent(QDragLeaveEvent* event) {
    clearDropIndicator();
    event->accept();
}

void PagesTable::dropEvent(QDropEvent* event) {
    clearDropIndicator();
    if (onDrop && onDrop(event)) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void PagesTable::paintEvent(QPaintEvent* event) {
    QListView::paintEvent(event);
    if (!m_showIndicator || !lastDropTarget || !model()) return;
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor accent = accentColor();
    const int count = model()->rowCount();
    const int row = lastDropTarget->row;
    if (lastDropTarget->operation == DropOperation::On && row >= 0 && row < count) {
        painter.setPen(QPen(accent, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(visualRect(model()->index(row, 0))).adjusted(1, 1, -1, -1), 6, 6);
        return;
    }
    qreal y = 0;
    if (row < count && row >= 0) {
        y = visualRect(model()->index(row, 0)).top();
    } else if (count > 0) {
        y = visualRect(model()->index(count - 1, 0)).bottom() + 1;
    }
    painter.setPen(QPen(accent, 2));
    painter.drawLine(QPointF(4, y), QPointF(viewport()->width() - 4, y));
}

// --- SidebarBackground ----------------------------------------------------------------------------

SidebarBackground::SidebarBackground(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Drawer"));
}

void SidebarBackground::paintBackdrop(QPainter& painter, const QRectF& bounds) {
    painter.fillRect(bounds, QColor(0, 0, 0, qRound(0.18 * 255)));
    painter.fillRect(QRectF(bounds.right() - 1, bounds.top(), 1, bounds.height()), Theme::divider());
}

void SidebarBackground::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintBackdrop(painter, QRectF(rect()));
}

// --- Symbols --------------------------------------------------------------------------------------

bool SidebarSymbols::draw(QPainter& painter, const QString& name, const QRectF& bounds, const QColor& color,
                          qreal pointSize) {
    const qreal s = pointSize;
    QPainterPath fill;
    QPainterPath stroke;
    if (name == u"pin.fill") {
        // Head, collar and needle of a push pin, tilted.
        fill.addRoundedRect(QRectF(-s * 0.3, -s * 0.5, s * 0.6, s * 0.45), 1, 1);
        fill.addRect(QRectF(-s * 0.45, -s * 0.1, s * 0.9, s * 0.15));
        stroke.moveTo(0, 0.05 * s);
        stroke.lineTo(0, s * 0.5);
    } else if (name == u"folder.fill" || name == u"folder.badge.plus") {
        const qreal w = s * 1.2, h = s * 0.9;
        QPainterPath folder;
        folder.moveTo(-w / 2, -h / 2 + 1);
        folder.lineTo(-w / 2 + w * 0.38, -h / 2 + 1);
        folder.lineTo(-w / 2 + w * 0.48, -h / 2 + h * 0.18);
        folder.lineTo(w / 2, -h / 2 + h * 0.18);
        folder.lineTo(w / 2, h / 2);
        folder.lineTo(-w / 2, h / 2);
        folder.closeSubpath();
        if (name == u"folder.fill") {
            fill = folder;
        } else {
            stroke = folder;
            stroke.moveTo(0, -h * 0.05);
            stroke.lineTo(0, h * 0.35);
            stroke.moveTo(-h * 0.2, h * 0.15);
            stroke.lineTo(h * 0.2, h * 0.15);
        }
    } else if (name == u"chevron.right") {
        stroke.moveTo(-s * 0.2, -s * 0.4);
        stroke.lineTo(s * 0.2, 0);
        stroke.lineTo(-s * 0.2, s * 0.4);
    } else if (name == u"chevron.down") {
        stroke.moveTo(-s * 0.4, -s * 0.2);
        stroke.lineTo(0, s * 0.2);
        stroke.lineTo(s * 0.4, -s * 0.2);
    } else {
        return false;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(bounds.center());
    if (!fill.isEmpty()) painter.fillPath(fill, color);
    if (!stroke.isEmpty()) {
        painter.setPen(
            QPen(color, name.startsWith(u"chevron") ? 1.6 : 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(stroke);
    }
    painter.restore();
    return true;
}

// --- PageCell -------------------------------------------------------------------------------------

PageCell::PageCell() = default;

std::optional<QColor> PageCell::dotColor(const std::optional<QString>& hex) {
    if (!hex || hex->isEmpty()) return std::nullopt;
    bool ok = false;
    const qulonglong value = hex->toULongLong(&ok, 16);
    // toULongLong accepts a "0x" prefix and surrounding blanks; the library stores bare digits only.
    for (QChar c : *hex) {
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'))) ok = false;
    }
    if (!ok || value > 0xFFFFFFFFull) return std::nullopt;
    const auto v = quint32(value);
    return QColor::fromRgbF(((v >> 16) & 0xFF) / 255.0f, ((v >> 8) & 0xFF) / 255.0f, (v & 0xFF) / 255.0f,
                            1.0f);
}

QImage PageCell::dot(const std::optional<QString>& hex, qreal size) {
    const int px = int(std::ceil(size));
    QImage image(px, px, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF oval(1, 1, size - 2, size - 2);
    if (const auto color = dotColor(hex)) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(*color);
        painter.drawEllipse(oval);
    } else {
        painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.25f), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(oval.adjusted(0.5, 0.5, -0.5, -0.5));
    }
    return image;
}

void PageCell::configure(const Page& page, bool indented) {
    name = page.name;
    dotView = dot(page.color, 10);
    lead = indented ? 29 : 8;
    guideHidden = !indented;
    pinHidden = !page.pinned;
    nameToPin = page.pinned;
    accessibilityLabel = page.name;
    if (page.color) accessibilityLabel += QStringLiteral(", colour labelled");
    if (page.pinned) accessibilityLabel += QStringLiteral(", pinned");
}

QRect PageCell::nameRect(const QSize& size) const {
    const qreal left = lead + 10 + 8;
    // The pin is 10 wide, 8 from the edge; the name stops 4 before it, or 6 before the edge.
    const qreal right = nameToPin ? size.width() - 8 - 10 - 4 : size.width() - 6;
    return QRectF(left, 0, std::max<qreal>(0, right - left), size.height()).toRect();
}

void PageCell::paint(QPainter& painter, const QRect& rect) const {
    painter.save();
    painter.translate(rect.topLeft());
    const qreal h = rect.height();
    if (!guideHidden) painter.fillRect(QRectF(13 - 0.5, -1, 1, h + 2), QColor::fromRgbF(1, 1, 1, 0.16f));
    painter.drawImage(QPointF(lead, h / 2 - 5), dotView);
    drawElided(painter, nameRect(rect.size()), name, Theme::systemFont(13), Theme::text());
    if (!pinHidden)
        SidebarSymbols::draw(painter, QStringLiteral("pin.fill"),
                             QRectF(rect.width() - 18, h / 2 - 5, 10, 10), Theme::pin(), 9);
    painter.restore();
}

// --- GroupCell ------------------------------------------------------------------------------------

GroupCell::GroupCell() = default;

void GroupCell::configure(const Group& group, int count_, const std::optional<Page>& open) {
    name = group.name;
    count = QString::number(count_);
    chevron = group.collapsed ? QStringLiteral("chevron.right") : QStringLiteral("chevron.down");
    chevronDescription = group.collapsed ? QStringLiteral("Collapsed") : QStringLiteral("Expanded");
    showsOpenPage = open.has_value();
    openHidden = !open;
    openName = open ? open->name : QString();
    openDot = open ? PageCell::dot(open->color, 10) : QImage();
    highlight = open ? std::optional<QColor>(QColor(accentColor().red(), accentColor().green(),
                                                    accentColor().blue(), qRound(0.4 * 255)))
                     : std::nullopt;
    QString description = chevronDescription;
    description[0] = description[0].toLower();
    accessibilityLabel = name + QStringLiteral(" folder, ") + count + QStringLiteral(" sheet") +
                         (count_ == 1 ? QString() : QStringLiteral("s")) + QStringLiteral(", ") + description;
    if (open) accessibilityLabel += QStringLiteral(", contains the open sheet ") + open->name;
}

QRect GroupCell::nameRect(const QSize& size) const {
    const QFontMetricsF countMetrics(Theme::systemFont(12));
    const qreal countWidth = countMetrics.horizontalAdvance(count);
    const qreal right = size.width() - 8 - countWidth - 6;
    return QRectF(47, 0, std::max<qreal>(0, right - 47), 26).toRect();
}

void GroupCell::paint(QPainter& painter, const QRect& rect) const {
    painter.save();
    painter.translate(rect.topLeft());
    if (highlight) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(*highlight);
        painter.drawRoundedRect(QRectF(0, 0, rect.width(), rect.height()), 6, 6);
    }
    SidebarSymbols::draw(painter, chevron, QRectF(13 - 6, 13 - 6, 12, 12), Theme::muted(), 9);
    SidebarSymbols::draw(painter, QStringLiteral("folder.fill"), QRectF(34 - 9, 13 - 9, 18, 18),
                         Theme::muted(), 12);
    drawElided(painter, nameRect(rect.size()), name, Theme::systemFont(13, QFont::DemiBold), Theme::text());
    drawElided(painter, QRectF(0, 0, rect.width() - 8, 26), count, Theme::systemFont(12), Theme::muted(),
               Qt::AlignRight | Qt::AlignVCenter);
    if (!openHidden) {
        painter.drawImage(QPointF(34 - 5, 36 - 5), openDot);
        drawElided(painter, QRectF(39 + 8, 36 - 13, rect.width() - 8 - 47, 26), openName,
                   Theme::systemFont(13), Theme::text());
    }
    painter.restore();
}

// --- SectionCell ----------------------------------------------------------------------------------

SectionCell::SectionCell() = default;

void SectionCell::configure(const QString& title, bool rule) {
    label = title;
    ruleHidden = !rule;
    accessibilityLabel = title;
}

void SectionCell::paint(QPainter& painter, const QRect& rect) const {
    painter.save();
    painter.translate(rect.topLeft());
    if (!ruleHidden) painter.fillRect(QRectF(8, 8, rect.width() - 16, 1), QColor::fromRgbF(1, 1, 1, 0.12f));
    const QFont font = Theme::systemFont(13, QFont::DemiBold);
    const QFontMetricsF metrics(font);
    painter.setFont(font);
    painter.setPen(Theme::muted());
    painter.drawText(QPointF(8, rect.height() - 4 - metrics.descent()), label);
    painter.restore();
}

} // namespace VexilUI
