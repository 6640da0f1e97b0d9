#include "ScratchHome.h"

#include "ui/notebook/NotebookController.h"
#include "ui/notebook/RootView.h"
#include "ui/shell/AboutWindow.h"
#include "ui/shell/AppDelegate.h"
#include "ui/shell/MainWindow.h"
#include "ui/shell/SettingsWindow.h"
#include "ui/storage/IntStore.h"
#include "ui/storage/NoteStore.h"
#include "ui/storage/Preferences.h"

#include <QMenuBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace VexilUI;

// The menu bar sits in the window above the notebook, which keeps the default 749 by 516.
TEST(WindowChromeTest, TheMenuBarAddsToTheWindowAndLeavesTheContentItsSize) {
    scratchHome();
    QTemporaryDir data;
    AppDelegate delegate(AppEnvironment::live({{"VEXIL_DATA_DIR", data.path()}, {"VEXIL_OFFLINE", "1"}}));
    delegate.applicationDidFinishLaunching();
    NotebookWindow* window = delegate.window();
    ASSERT_TRUE(window);
    auto* bar = window->findChild<QMenuBar*>();
    ASSERT_TRUE(bar);
    const int barHeight = bar->height();
    ASSERT_GT(barHeight, 0);
    EXPECT_EQ(delegate.notebook()->rootView()->geometry(), QRect(0, barHeight, 749, 516));
    EXPECT_EQ(window->size(), QSize(749, 516 + barHeight));

    // Once shown, the window keeps its size when the bar changes.
    window->setContentsMargins(0, barHeight + 10, 0, 0);
    EXPECT_EQ(window->size(), QSize(749, 516 + barHeight));
}

TEST(WindowChromeTest, ARestoredWindowAlreadyHoldsItsBar) {
    scratchHome();
    QTemporaryDir dir;
    auto prefs = std::make_shared<Preferences>(std::make_shared<MemoryIntStore>());
    auto notes = std::make_shared<NoteStore>(dir.filePath(QStringLiteral("sheet.txt")));
    auto rates = std::make_shared<VexilCore::RatesService>(dir.filePath(QStringLiteral("rates.json")),
                                                           std::make_shared<OfflineFetcher>());
    NotebookController controller(prefs, notes, rates);
    {
        auto window = MainWindow::make(controller, true);
        window->resize(900, 600);
        window->saveGeometryNow();
    }
    auto restored = MainWindow::make(controller, true);
    restored->setContentsMargins(0, 24, 0, 0);
    EXPECT_EQ(restored->size(), QSize(900, 600));
    auto fresh = MainWindow::make(controller, false);
    fresh->setContentsMargins(0, 24, 0, 0);
    EXPECT_EQ(fresh->size(), QSize(749, 540));
}

// Settings and About have a fixed size: dialogs with a title and a close button, nothing to maximise.
TEST(WindowChromeTest, SettingsAndAboutAreFixedDialogs) {
    SettingsWindowController settings(std::make_shared<Preferences>(std::make_shared<MemoryIntStore>()));
    AboutWindowController about(std::nullopt, std::nullopt);
    for (QWidget* window : {settings.window(), about.window()}) {
        SCOPED_TRACE(window->windowTitle().toStdString());
        const Qt::WindowFlags flags = window->windowFlags();
        EXPECT_EQ(window->windowType(), Qt::Dialog);
        EXPECT_TRUE(flags & Qt::MSWindowsFixedSizeDialogHint);
        EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
        EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
        EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
        EXPECT_EQ(window->minimumSize(), window->maximumSize());
    }
}
