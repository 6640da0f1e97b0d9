#pragma once

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

namespace VexilUI {

// Where the notebook's fixed rows sit: the title row's vertical centre, the top of the editor and the
// drawer's current width (0 while closed or without a drawer).
struct RootLayout {
    qreal titlebarTop = 14;
    qreal scrollTop = 34;
    qreal drawerWidth = 0;
    bool hasDrawer = false;
};

// What the window's content needs to place its views: the layout, the root's size and the natural
// sizes of the views that size themselves.
struct RootSizes {
    QSize root;
    QSize wordmark;
    QSize save;
    QSize rates;
    QSize total;
};

struct RootFrames {
    QRect effect, tint, drawer, wordmark, help, about, drawerButton, edge, save, scroll, rates, total;
};

// Places every view of the notebook window. When the status row is short of room the save label gives
// way first, then the rates button, then the total.
RootFrames layoutRoot(const RootLayout& layout, const RootSizes& sizes);

// The window's content view: it holds the notebook's views and places them on every resize.
class RootView : public QWidget {
    Q_OBJECT
public:
    explicit RootView(QWidget* parent = nullptr);

    RootLayout rootLayout;
    QPointer<QWidget> effect, tint, drawer, wordmark, help, about, drawerButton, edge, save, scroll, rates,
        total;

    // Places the views now.
    void layoutNow();
    RootSizes currentSizes() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
};

} // namespace VexilUI
