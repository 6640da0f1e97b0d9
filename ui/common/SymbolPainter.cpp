#include "ui/common/SymbolPainter.h"

#include <QPainter>
#include <QPainterPath>

#include <functional>
#include <map>

namespace VexilUI::SymbolPainter {

namespace {

// Each symbol is stroked as a path centred on the origin.
using PathMaker = std::function<QPainterPath()>;

const std::map<QString, PathMaker>& symbols() {
    static const std::map<QString, PathMaker> table = {
        {QStringLiteral("sidebar.left"),
         [] {
             // A window outline with a narrow pane on its left holding three short rows.
             const qreal w = pointSize * 1.3, h = pointSize;
             QPainterPath path;
             path.addRoundedRect(QRectF(-w / 2, -h / 2, w, h), 2.5, 2.5);
             const qreal pane = -w / 2 + w * 0.34;
             path.moveTo(pane, -h / 2);
             path.lineTo(pane, h / 2);
             for (int row = 0; row < 3; ++row) {
                 const qreal y = -h / 2 + 3.5 + row * 2.5;
                 path.moveTo(-w / 2 + 2.5, y);
                 path.lineTo(pane - 2, y);
             }
             return path;
         }},
    };
    return table;
}

} // namespace

bool has(const QString& name) {
    return symbols().count(name) > 0;
}

bool draw(QPainter& painter, const QString& name, const QRectF& bounds, const QColor& color) {
    const auto found = symbols().find(name);
    if (found == symbols().end()) return false;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(bounds.center());
    painter.setPen(QPen(color, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(found->second());
    painter.restore();
    return true;
}

} // namespace VexilUI::SymbolPainter
