#include "ui/shell/MainMenu.h"
#include "core/rates/RatesService.h"
#include "tests/support/OfflineNotebook.h"
#include "ui/common/Theme.h"
#include "ui/notebook/NotebookController.h"
#include "ui/notebook/NotebookTextView.h"
#include "ui/notebook/Pasteboard.h"
#include "ui/notebook/RootView.h"
#include "ui/shell/AppEnvironment.h"
#include "ui/shell/AppStyle.h"
#include "ui/snake/SnakeController.h"
#include "ui/storage/IntStore.h"
#include "ui/storage/NoteStore.h"
#include "ui/storage/Preferences.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace VexilUI;

namespace {

class MainMenuTest : public OfflineNotebookFixture {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(OfflineNotebookFixture::SetUp());
        controller->pasteboard = std::make_shared<MemoryPasteboard>();
        window = std::make_unique<QWidget>();
        window->resize(800, 500);
        controller->rootView()->setParent(window.get());
        controller->rootView()->setGeometry(window->rect());
        AppMenuHooks hooks;
        hooks.perform = [this](AppCommand command) { appCalls.push_back(command); };
        menu = std::make_unique<MainMenu>(window.get(), *controller, std::move(hooks));
    }

    void TearDown() override {
        menu.reset();
        controller.reset();
        window.reset();
    }

    QAction* item(const char* menuTitle, const QString& title) const {
        return menu->item(QString::fromUtf8(menuTitle), title);
    }

    std::unique_ptr<QWidget> window;
    std::unique_ptr<MainMenu> menu;
    std::vector<AppCommand> appCalls;
};

struct Row {
    const char* title;
    const char* keys; // portable text; several sequences joined by "; "
};

} // namespace

TEST_F(MainMenuTest, MenusHoldEveryItemWithItsKeysInOrder) {
    const std::vector<std::pair<const char*, std::vector<Row>>> expected = {
        {"VEXIL",
         {{"About VEXIL", ""},
          {"-", ""},
          {"Settings\u2026", "Ctrl+,"},
          {"-", ""},
          {"Hide VEXIL", "Ctrl+H"},
          {"Hide Others", "Ctrl+Alt+H"},
          {"Show All", ""},
          {"-", ""},
          {"Quit VEXIL", "Ctrl+Q"}}},
        {"File",
         {{"New Sheet", "Ctrl+N"},
          {"New Folder", "Ctrl+Shift+N"},
          {"Search the Drawer", "Ctrl+Alt+F"},
          {"Rename Sheet", ""},
          {"-", ""},
          {"Delete Sheet\u2026", ""}}},
        {"Edit",
         {{"Undo", "Ctrl+Z"},
          {"Redo", "Ctrl+Shift+Z"},
          {"-", ""},
          {"Cut", "Ctrl+X"},
          {"Copy", "Ctrl+C"},
          {"Paste", "Ctrl+V"},
          {"Select All", "Ctrl+A"},
          {"Copy All Results", "Ctrl+Shift+C"},
          {"-", ""},
          {"Move Line Up", "Ctrl+Alt+Up; Ctrl+Shift+Up"},
          {"Move Line Down", "Ctrl+Alt+Down; Ctrl+Shift+Down"},
          {"Insert Line Reference", "Ctrl+J"},
          {"-", ""},
          {"Find\u2026", "Ctrl+F"}}},
        {"View",
         {{"Bigger", "Ctrl++; Ctrl+="},
          {"Smaller", "Ctrl+-"},
          {"Actual Size", "Ctrl+0"},
          {"-", ""},
          {"Refresh Rates", "Ctrl+R"},
          {"-", ""},
          {"Close the Drawer", "Meta+Ctrl+S"}}},
        {"Window", {{"Minimize", "Ctrl+M"}, {"Zoom", ""}, {"Close", "Ctrl+W"}}},
        {"Help", {{"VEXIL Help", "Ctrl+?"}}},
    };
    const QList<QAction*> top = menu->menuBar()->actions();
    ASSERT_EQ(top.size(), qsizetype(expected.size()));
    for (size_t m = 0; m < expected.size(); ++m) {
        SCOPED_TRACE(expected[m].first);
        EXPECT_EQ(top[m]->text(), QString::fromUtf8(expected[m].first));
        ASSERT_NE(top[m]->menu(), nullptr);
        EXPECT_EQ(top[m]->menu()->title(), QString::fromUtf8(expected[m].first));
        const QList<QAction*> items = top[m]->menu()->actions();
        ASSERT_EQ(items.size(), qsizetype(expected[m].second.size()));
        for (qsizetype i = 0; i < items.size(); ++i) {
            const Row& row = expected[m].second[size_t(i)];
            SCOPED_TRACE(row.title);
            if (QByteArray(row.title) == "-") {
                EXPECT_TRUE(items[i]->isSeparator());
                continue;
            }
            EXPECT_EQ(items[i]->text(), QString::fromUtf8(row.title));
            QStringList keys;
            for (const QKeySequence& sequence : items[i]->shortcuts())
                keys << sequence.toString(QKeySequence::PortableText);
            EXPECT_EQ(keys.join(QStringLiteral("; ")), QString::fromUtf8(row.keys));
            EXPECT_TRUE(items[i]->isVisible());
        }
    }
    EXPECT_EQ(menu->windowMenu()->title(), QStringLiteral("Window"));
    EXPECT_EQ(menu->helpMenu()->title(), QStringLiteral("Help"));
}

TEST_F(MainMenuTest, OpeningAMenuAppliesItsTargetsStateAndClosingItEnablesTheItemsAgain) {
    controller->setText(QStringLiteral("just prose"));
    QMenu* edit = menu->menus().at(2);
    emit edit->aboutToShow();
    EXPECT_FALSE(item("Edit", QStringLiteral("Copy All Results"))->isEnabled());
    EXPECT_TRUE(item("Edit", QStringLiteral("Move Line Up"))->isEnabled());
    EXPECT_TRUE(item("Edit", QStringLiteral("Insert Line Reference"))->isEnabled());
    emit edit->aboutToHide();
    EXPECT_TRUE(item("Edit", QStringLiteral("Copy All Results"))->isEnabled()); // its shortcut works again

    controller->setText(QStringLiteral("2 + 3"));
    emit edit->aboutToShow();
    EXPECT_TRUE(item("Edit", QStringLiteral("Copy All Results"))->isEnabled());

    // The drawer's items wait for the drawer; the application's own are always there.
    QMenu* file = menu->menus().at(1);
    emit file->aboutToShow();
    EXPECT_FALSE(item("File", QStringLiteral("New Sheet"))->isEnabled());
    EXPECT_FALSE(item("File", QStringLiteral("Delete Sheet\u2026"))->isEnabled());
    EXPECT_TRUE(item("File", QStringLiteral("Search the Drawer"))->isEnabled());
    emit file->aboutToHide();

    // Without a drawer the drawer item is disabled; the title follows the notebook.
    QMenu* view = menu->menus().at(3);
    emit view->aboutToShow();
    QAction* drawer = view->actions().last();
    EXPECT_FALSE(drawer->isEnabled());
    emit view->aboutToHide();
}

TEST_F(MainMenuTest, DrawerItemTitleFollowsTheDrawer) {
    auto* sidebar = new QWidget;
    controller->installSidebar(sidebar, 200);
    QMenu* view = menu->menus().at(3);
    QAction* drawer = view->actions().last();
    controller->setDrawerOpen(false, false);
    emit view->aboutToShow();
    EXPECT_TRUE(drawer->isEnabled());
    EXPECT_EQ(drawer->text(), QStringLiteral("Open the Drawer"));
    emit view->aboutToHide();
    drawer->trigger();
    EXPECT_TRUE(controller->isDrawerOpen());
    emit view->aboutToShow();
    EXPECT_EQ(drawer->text(), QStringLiteral("Close the Drawer"));
}

TEST_F(MainMenuTest, ItemsReachTheirTargets) {
    // The notebook's font commands.
    item("View", QStringLiteral("Bigger"))->trigger();
    EXPECT_EQ(prefs->fontSize(), 16);
    item("View", QStringLiteral("Actual Size"))->trigger();
    EXPECT_EQ(prefs->fontSize(), 15);
    item("View", QStringLiteral("Smaller"))->trigger();
    EXPECT_EQ(prefs->fontSize(), 14);

    // The application's commands.
    item("VEXIL", QStringLiteral("About VEXIL"))->trigger();
    item("VEXIL", QStringLiteral("Settings\u2026"))->trigger();
    item("File", QStringLiteral("Search the Drawer"))->trigger();
    item("Help", QStringLiteral("VEXIL Help"))->trigger();
    EXPECT_EQ(appCalls, (std::vector<AppCommand>{AppCommand::ShowAbout, AppCommand::ShowSettings,
                                                 AppCommand::SearchDrawer, AppCommand::ShowHelp}));

    // The drawer's commands once it fills its hooks, each asking the drawer first.
    std::vector<SidebarCommand> sidebarCalls;
    menu->setSidebarHooks({[&](SidebarCommand c) { sidebarCalls.push_back(c); },
                           [](SidebarCommand c) { return c != SidebarCommand::DeleteSelected; }});
    item("File", QStringLiteral("New Sheet"))->trigger();
    item("File", QStringLiteral("New Folder"))->trigger();
    item("File", QStringLiteral("Rename Sheet"))->trigger();
    item("File", QStringLiteral("Delete Sheet\u2026"))->trigger(); // refused by the drawer
    EXPECT_EQ(sidebarCalls, (std::vector<SidebarCommand>{SidebarCommand::NewPage, SidebarCommand::NewGroup,
                                                         SidebarCommand::RenameSelected}));
    emit menu->menus().at(1)->aboutToShow();
    EXPECT_TRUE(item("File", QStringLiteral("New Sheet"))->isEnabled());
    EXPECT_FALSE(item("File", QStringLiteral("Delete Sheet\u2026"))->isEnabled());
}

TEST_F(MainMenuTest, KeysReachTheNotebookThroughTheWindow) {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    controller->textView()->setFocus();
    // Ctrl+= and Ctrl++ both enlarge the text.
    QTest::keyClick(controller->textView(), Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(prefs->fontSize(), 16);
    QTest::keyClick(controller->textView(), Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(prefs->fontSize(), 17);
    // A command whose state says no does nothing, even from its key.
    controller->setText(QStringLiteral("prose"));
    controller->pasteboard->setString(QStringLiteral("before"));
    QTest::keyClick(controller->textView(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(controller->pasteboard->string(), QStringLiteral("before"));
    // Ctrl+F opens the notebook's find bar.
    QTest::keyClick(controller->textView(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(controller->isFindBarVisible());
}

TEST_F(MainMenuTest, BarSitsAboveTheNotebook) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->resize(700, 400);
    const int barHeight = menu->menuBar()->height();
    EXPECT_GT(barHeight, 0);
    EXPECT_EQ(menu->menuBar()->geometry(), QRect(0, 0, 700, barHeight));
    EXPECT_EQ(window->contentsMargins().top(), barHeight);
}

TEST_F(MainMenuTest, EditingItemsFollowTheFocusAndAreOffWhileTheSnakeShows) {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    controller->setText(QStringLiteral("2 + 3"));
    NotebookTextView* text = controller->textView();
    text->setFocus();
    text->selectAll();
    QMenu* edit = menu->menus().at(2);
    const QStringList editing = {QStringLiteral("Cut"), QStringLiteral("Copy"), QStringLiteral("Paste"),
                                 QStringLiteral("Select All")};
    emit edit->aboutToShow();
    for (const QString& title : editing)
        EXPECT_TRUE(item("Edit", title)->isEnabled()) << title.toStdString();
    emit edit->aboutToHide();

    SnakeController snake(prefs);
    ASSERT_TRUE(snake.play(window.get()));
    emit edit->aboutToShow();
    for (const QString& title : editing + QStringList{QStringLiteral("Undo"), QStringLiteral("Redo")})
        EXPECT_FALSE(item("Edit", title)->isEnabled()) << title.toStdString();
    emit edit->aboutToHide();

    snake.close();
    emit edit->aboutToShow();
    EXPECT_TRUE(item("Edit", QStringLiteral("Copy"))->isEnabled()); // the selection is back with the focus
    emit edit->aboutToHide();
}

// Fusion etches disabled text with a light copy under it; in the dark menus it is drawn once, dimmed.
TEST(AppStyleTest, DisabledMenuItemsAreDrawnFlatInTheDimmedColour) {
    const QPalette before = QApplication::palette();
    applyAppStyle();
    QMenu menu;
    QAction* disabled = menu.addAction(QStringLiteral("Hide Others"));
    disabled->setEnabled(false);
    QAction* enabled = menu.addAction(QStringLiteral("Show All"));
    menu.adjustSize();
    const QImage image = menu.grab().toImage();
    const auto brightest = [&](QAction* action) {
        const QRect rect = menu.actionGeometry(action);
        int most = 0;
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                most = std::max(most, qGray(image.pixel(x, y)));
        return most;
    };
    EXPECT_LE(brightest(disabled), qGray(Theme::muted().rgb()) + 2);
    EXPECT_GT(brightest(enabled), qGray(Theme::muted().rgb()) + 40); // the same picture shows enabled text
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(before);
}
