#include "ui/notebook/RootView.h"

#include <QResizeEvent>

#include <algorithm>
#include <cmath>

namespace VexilUI {

namespace {

QRect rounded(qreal x, qreal y, qreal w, qreal h) {
    const int left = int(std::round(x));
    const int top = int(std::round(y));
    return QRect(left, top, std::max(0, int(std::round(x + w)) - left),
                 std::max(0, int(std::round(y + h)) - top));
}

} // namespace

RootFrames layoutRoot(const RootLayout& layout, const RootSizes& sizes) {
    RootFrames f;
    const qreal w = sizes.root.width();
    const qreal h = sizes.root.height();
    const qreal x0 = layout.hasDrawer ? layout.drawerWidth : 0;
    const qreal mid = layout.titlebarTop;

    f.effect = rounded(0, 0, w, h);
    f.tint = f.effect;
    if (layout.hasDrawer) {
        f.drawer = rounded(0, 0, x0, h);
        f.drawerButton = rounded(78, mid - 9, 22, 18);
        f.edge = rounded(x0 - 4, 40, 8, h - 40);
    }
    f.wordmark = rounded(w / 2 - sizes.wordmark.width() / 2.0, mid - sizes.wordmark.height() / 2.0,
                         sizes.wordmark.width(), sizes.wordmark.height());
    f.help = rounded(w - 14 - 18, mid - 9, 18, 18);
    f.about = rounded(f.help.x() - 8 - 18, mid - 9, 18, 18);

    // The status row: save label on the left, rates centred under the editor, total on the right.
    const qreal rowHeight = sizes.save.height();
    const qreal saveBottom = h - 9;
    const qreal rowMid = saveBottom - rowHeight / 2;
    const qreal saveLeft = x0 + 16;
    const qreal centre = x0 + (w - x0) / 2;
    const qreal totalRight = w - 16;

    qreal totalW = sizes.total.width();
    // Half widths the rates button may take: right of centre up to the total, left of it down to an empty
    // save label.
    const qreal rightRoom = totalRight - totalW - 12 - centre;
    const qreal leftRoom = centre - (saveLeft + 12);
    qreal ratesW =
        std::min<qreal>(sizes.rates.width(), 2 * std::max<qreal>(0, std::min(rightRoom, leftRoom)));
    if (rightRoom < 0) totalW = std::max<qreal>(0, totalRight - 12 - centre);
    const qreal ratesLeft = centre - ratesW / 2;
    const qreal saveW = std::min<qreal>(sizes.save.width(), std::max<qreal>(0, ratesLeft - 12 - saveLeft));

    f.save = rounded(saveLeft, saveBottom - rowHeight, saveW, rowHeight);
    f.rates = rounded(ratesLeft, rowMid - sizes.rates.height() / 2.0, ratesW, sizes.rates.height());
    f.total = rounded(totalRight - totalW, rowMid - sizes.total.height() / 2.0, totalW, sizes.total.height());
    f.scroll = rounded(x0, layout.scrollTop, w - x0,
                       std::max<qreal>(0, saveBottom - rowHeight - 6 - layout.scrollTop));
    return f;
}

RootView::RootView(QWidget* parent) : QWidget(parent) {}

RootSizes RootView::currentSizes() const {
    const auto hint = [](const QPointer<QWidget>& view) { return view ? view->sizeHint() : QSize(); };
    return {size(), hint(wordmark), hint(save), hint(rates), hint(total)};
}

void RootView::layoutNow() {
    const RootFrames f = layoutRoot(rootLayout, currentSizes());
    const auto place = [](const QPointer<QWidget>& view, const QRect& frame) {
        if (view && view->geometry() != frame) view->setGeometry(frame);
    };
    place(effect, f.effect);
    place(tint, f.tint);
    place(wordmark, f.wordmark);
    place(help, f.help);
    place(about, f.about);
    place(save, f.save);
    place(rates, f.rates);
    place(total, f.total);
    place(scroll, f.scroll);
    if (rootLayout.hasDrawer) {
        place(drawer, f.drawer);
        place(drawerButton, f.drawerButton);
        place(edge, f.edge);
    }
}

void RootView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutNow();
}

} // namespace VexilUI
