#include "ui/notebook/RootView.h"

#include <gtest/gtest.h>

using namespace VexilUI;

namespace {

RootSizes sizes(int width, int height, int save = 40, int rates = 80, int total = 90) {
    return {QSize(width, height), QSize(60, 16), QSize(save, 14), QSize(rates, 16), QSize(total, 16)};
}

} // namespace

TEST(RootLayoutTest, TitleRowAndEditorWithoutADrawer) {
    const RootLayout layout{14, 32, 0, false};
    const RootFrames f = layoutRoot(layout, sizes(749, 516));
    EXPECT_EQ(f.effect, QRect(0, 0, 749, 516));
    EXPECT_EQ(f.tint, f.effect);
    EXPECT_EQ(f.wordmark, QRect(345, 6, 60, 16)); // centred on (374.5, 14)
    EXPECT_EQ(f.help, QRect(749 - 14 - 18, 5, 18, 18));
    EXPECT_EQ(f.about, QRect(f.help.left() - 8 - 18, 5, 18, 18));
    EXPECT_TRUE(f.drawer.isNull());
    EXPECT_TRUE(f.edge.isNull());
    // Save label: left 16, bottom 9 above the root's; the editor ends 6 above it.
    EXPECT_EQ(f.save, QRect(16, 516 - 9 - 14, 40, 14));
    EXPECT_EQ(f.scroll, QRect(0, 32, 749, 516 - 9 - 14 - 6 - 32));
    EXPECT_EQ(f.rates.center().x() + 1, 749 / 2 + 1); // centred under the editor
    EXPECT_EQ(f.rates.top() + f.rates.height() / 2, f.save.top() + f.save.height() / 2);
    EXPECT_EQ(f.total.right() + 1, 749 - 16);
}

TEST(RootLayoutTest, DrawerShiftsTheEditorAndStatusRow) {
    const RootLayout layout{14, 32, 200, true};
    const RootFrames f = layoutRoot(layout, sizes(800, 500));
    EXPECT_EQ(f.drawer, QRect(0, 0, 200, 500));
    EXPECT_EQ(f.drawerButton, QRect(78, 5, 22, 18));
    EXPECT_EQ(f.edge, QRect(196, 40, 8, 460));
    EXPECT_EQ(f.scroll.left(), 200);
    EXPECT_EQ(f.scroll.width(), 600);
    EXPECT_EQ(f.save.left(), 216);
    EXPECT_EQ(f.rates, QRect(460, 500 - 9 - 7 - 8, 80, 16)); // centre x 500, centre y of the save label
}

TEST(RootLayoutTest, ShortageShrinksSaveThenRatesThenTotal) {
    const RootLayout layout{14, 32, 0, false};
    // Room for everything.
    RootFrames f = layoutRoot(layout, sizes(600, 400, 100, 100, 100));
    EXPECT_EQ(f.save.width(), 100);
    EXPECT_EQ(f.rates.width(), 100);
    EXPECT_EQ(f.total.width(), 100);
    // The save label gives way first: it ends 12 before the rates button.
    f = layoutRoot(layout, sizes(400, 400, 200, 100, 100));
    EXPECT_EQ(f.rates.width(), 100);
    EXPECT_EQ(f.total.width(), 100);
    EXPECT_EQ(f.save.right() + 1, f.rates.left() - 12);
    // Then the rates button, keeping 12 to the total.
    f = layoutRoot(layout, sizes(300, 400, 200, 100, 100));
    EXPECT_EQ(f.total.width(), 100);
    EXPECT_EQ(f.rates.width(), 44); // centred at 150, 12 short of the total at 184
    EXPECT_EQ(f.total.left() - (f.rates.right() + 1), 12);
    EXPECT_EQ(f.save.right() + 1, f.rates.left() - 12);
    // Last the total.
    f = layoutRoot(layout, sizes(200, 400, 200, 100, 150));
    EXPECT_EQ(f.rates.width(), 0);
    EXPECT_LT(f.total.width(), 150);
    EXPECT_EQ(f.total.right() + 1, 200 - 16);
}
