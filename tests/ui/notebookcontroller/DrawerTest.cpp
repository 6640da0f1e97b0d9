#include "ControllerFixture.h"

#include "ui/common/Controls.h"

#include <QApplication>
#include <QLineEdit>

using namespace VexilUI;

TEST_F(ControllerFixture, StoredDrawerWidthAtInstallation) {
    struct Case {
        std::optional<qint64> stored;
        qreal width;
    };
    const Case cases[] = {{std::nullopt, 200}, {0, 200}, {100, 160}, {161, 161}, {300, 300}, {500, 420}};
    for (const Case& c : cases) {
        store->values.remove(QStringLiteral("drawerWidth"));
        if (c.stored) store->set(*c.stored, QStringLiteral("drawerWidth"));
        controller.reset();
        makeController();
        controller->installSidebar(new QWidget, 200);
        EXPECT_EQ(controller->drawerWidth(), c.width) << (c.stored ? *c.stored : -1);
        EXPECT_EQ(controller->rootView()->rootLayout.drawerWidth, c.width);
        EXPECT_EQ(controller->scrollView()->x(), int(c.width));
    }
}

TEST_F(ControllerFixture, DrawerWidthIsRoundedClampedAndStored) {
    window->resize(1000, 500);
    controller->installSidebar(new QWidget, 200);
    controller->setDrawerWidth(200.4);
    EXPECT_EQ(controller->drawerWidth(), 200);
    EXPECT_EQ(store->intForKey(QStringLiteral("drawerWidth")), 0);
    controller->setDrawerWidth(250.5);
    EXPECT_EQ(controller->drawerWidth(), 251);
    EXPECT_EQ(store->intForKey(QStringLiteral("drawerWidth")), 251);
    EXPECT_EQ(window->minimumWidth(), 651);
    controller->setDrawerWidth(5000);
    EXPECT_EQ(controller->drawerWidth(), 420);
    controller->setDrawerWidth(10);
    EXPECT_EQ(controller->drawerWidth(), 160);

    window->setMinimumSize(0, 360);
    window->resize(500, 400);
    controller->setDrawerWidth(300); // the bound 500 - 400 is raised to 160
    EXPECT_EQ(controller->drawerWidth(), 160);
    EXPECT_EQ(window->minimumWidth(), 560);
    EXPECT_EQ(window->minimumHeight(), 360);

    controller->resetDrawerWidth();
    EXPECT_EQ(controller->drawerWidth(), 160) << "the 560-wide window still bounds it";
}

TEST_F(ControllerFixture, DrawerWidthWithoutAWindowOrDrawer) {
    controller->setDrawerWidth(300); // no drawer: nothing
    EXPECT_EQ(controller->drawerWidth(), 0);
    controller->setDrawerOpen(false, false);
    EXPECT_TRUE(controller->isDrawerOpen());
}

TEST_F(ControllerFixture, OpeningAndClosingTheDrawer) {
    auto* drawer = new QWidget;
    controller->installSidebar(drawer, 200);
    EXPECT_TRUE(controller->isDrawerOpen());
    EXPECT_EQ(controller->drawerButton()->hoverText(), QStringLiteral("Close the Drawer (Meta+Ctrl+S)"));
    EXPECT_EQ(controller->drawerButton()->accessibleName(), QStringLiteral("Close the Drawer"));
    EXPECT_EQ(controller->drawerButton()->symbol(), QStringLiteral("sidebar.left"));

    controller->setDrawerOpen(false, false);
    EXPECT_EQ(store->intForKey(QStringLiteral("drawerClosed")), 1);
    EXPECT_TRUE(drawer->isHidden());
    EXPECT_TRUE(controller->drawerEdge()->isHidden());
    EXPECT_EQ(controller->scrollView()->x(), 0);
    EXPECT_EQ(controller->drawerButton()->hoverText(), QStringLiteral("Open the Drawer (Meta+Ctrl+S)"));

    controller->setDrawerOpen(true, false);
    EXPECT_EQ(store->intForKey(QStringLiteral("drawerClosed")), 0);
    EXPECT_FALSE(drawer->isHidden());
    EXPECT_EQ(controller->scrollView()->x(), 200);
}

TEST_F(ControllerFixture, ClosedDrawerStaysClosedAtTheNextStart) {
    store->set(1, QStringLiteral("drawerClosed"));
    auto* drawer = new QWidget;
    controller->installSidebar(drawer, 200);
    EXPECT_FALSE(controller->isDrawerOpen());
    EXPECT_TRUE(drawer->isHidden());
    EXPECT_EQ(controller->drawerWidth(), 200);
}

TEST_F(ControllerFixture, ClosingTheDrawerTakesTheFocusToTheEditor) {
    auto* drawer = new QWidget;
    auto* field = new QLineEdit(drawer);
    controller->installSidebar(drawer, 200);
    show();
    QApplication::setActiveWindow(window.get());
    field->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->hasFocus(); }, 1000));
    controller->toggleDrawer();
    EXPECT_TRUE(view()->hasFocus());
}

TEST_F(ControllerFixture, TogglingTwiceQuicklyEndsOpen) {
    auto* drawer = new QWidget;
    controller->installSidebar(drawer, 200);
    show();
    controller->toggleDrawer();
    controller->toggleDrawer();
    EXPECT_TRUE(controller->isDrawerOpen());
    QTest::qWait(300); // longer than the animation
    EXPECT_TRUE(drawer->isVisible());
    EXPECT_EQ(controller->rootView()->rootLayout.drawerWidth, 200);

    controller->toggleDrawer();
    EXPECT_TRUE(QTest::qWaitFor([&] { return drawer->isHidden(); }, 1000));
    EXPECT_EQ(controller->rootView()->rootLayout.drawerWidth, 0);
}

TEST_F(ControllerFixture, ReduceTransparencyMakesTheTintSolid) {
    controller->setReduceTransparency(true);
    EXPECT_TRUE(controller->reduceTransparency());
    EXPECT_TRUE(controller->tintView()->solid());
    EXPECT_TRUE(controller->effectView()->isHidden());
    controller->setReduceTransparency(false);
    EXPECT_FALSE(controller->tintView()->solid());
    EXPECT_FALSE(controller->effectView()->isHidden());
}

TEST_F(ControllerFixture, TitlebarHeightPlacesTheTitleRowAndEditor) {
    controller->setTitlebarHeight(40);
    EXPECT_EQ(controller->rootView()->rootLayout.titlebarTop, 20);
    EXPECT_EQ(controller->scrollView()->y(), 44);
    EXPECT_EQ(controller->helpButton()->geometry(), QRect(800 - 32, 11, 18, 18));
}
