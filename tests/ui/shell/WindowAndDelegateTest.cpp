#include "ScratchHome.h"

#include "core/rates/RatesService.h"
#include "ui/notebook/Controls.h"
#include "ui/notebook/NotebookController.h"
#include "ui/notebook/NotebookScrollView.h"
#include "ui/notebook/NotebookTextView.h"
#include "ui/notebook/RootView.h"
#include "ui/shell/AppDelegate.h"
#include "ui/shell/MainWindow.h"
#include "ui/shell/QuitSignals.h"
#include "ui/shell/SingleInstance.h"
#include "ui/storage/NoteStore.h"
#include "ui/storage/PageLibrary.h"
#include "ui/storage/Preferences.h"
#include "tests/support/OfflineNotebook.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>

using namespace VexilUI;

namespace {

QString readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

class WindowFixture : public OfflineNotebookFixture {
protected:
    void SetUp() override {
        scratchHome();
        ASSERT_NO_FATAL_FAILURE(OfflineNotebookFixture::SetUp());
    }
};

// An isolated, offline run on a scratch data directory.
AppEnvironment isolatedEnvironment(const QString& dataDir) {
    return AppEnvironment::live({{"VEXIL_DATA_DIR", dataDir}, {"VEXIL_OFFLINE", "1"}});
}

} // namespace

TEST_F(WindowFixture, MakeBuildsTheDefaultWindow) {
    auto window = MainWindow::make(*controller, false);
    EXPECT_EQ(window->size(), QSize(749, 516));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("VEXIL"));
    EXPECT_EQ(window->minimumSize(), QSize(520, 360));
    EXPECT_FALSE(window->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_EQ(controller->rootView()->parentWidget(), window.get());
    EXPECT_EQ(controller->rootView()->geometry(), window->rect());
    // The title-bar row is centred 14 down and the text starts at 32.
    EXPECT_EQ(controller->rootView()->rootLayout.titlebarTop, 14);
    EXPECT_EQ(controller->scrollView()->y(), 32);
    EXPECT_DOUBLE_EQ(QRectF(controller->wordmark()->geometry()).center().y(), 14);
}

TEST_F(WindowFixture, ClosingHidesTheSameWindowAndFlushesTheSheet) {
    auto window = MainWindow::make(*controller, false);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QTest::keyClicks(controller->textView(), "1 + 2");
    EXPECT_EQ(notes->status().kind, NoteStore::Status::Edited);
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(readFile(notes->path()), QStringLiteral("1 + 2"));
    window->show();
    EXPECT_EQ(controller->textView()->canonicalText(), QStringLiteral("1 + 2"));
}

TEST_F(WindowFixture, AutosaveRemembersTheGeometry) {
    {
        auto window = MainWindow::make(*controller, true);
        window->resize(900, 600);
        window->saveGeometryNow();
    }
    EXPECT_TRUE(QSettings(QSettings::NativeFormat, QSettings::UserScope, "Vexil", "Vexil")
                    .contains("VexilMainWindow"));
    auto restored = MainWindow::make(*controller, true);
    EXPECT_EQ(restored->size(), QSize(900, 600));
    auto plain = MainWindow::make(*controller, false);
    EXPECT_EQ(plain->size(), QSize(749, 516));
}

TEST(AppDelegateTest, LaunchShowsTheWindowWithTheDrawerAndTimers) {
    QTemporaryDir data;
    AppDelegate delegate(isolatedEnvironment(data.path()));
    delegate.applicationDidFinishLaunching();
    ASSERT_TRUE(delegate.window());
    EXPECT_TRUE(delegate.isLaunched());
    EXPECT_TRUE(delegate.window()->isVisible());
    NotebookController* notebook = delegate.notebook();
    EXPECT_EQ(notebook->sidebarView(), delegate.sidebar());
    EXPECT_EQ(notebook->drawerWidth(), 200);
    EXPECT_TRUE(notebook->isDrawerOpen());
    EXPECT_EQ(delegate.window()->minimumSize(), QSize(600, 360));
    EXPECT_EQ(delegate.ratesTimer()->interval(), 3'600'000);
    EXPECT_TRUE(delegate.ratesTimer()->isActive());
    EXPECT_EQ(delegate.ratesLabelTimer()->interval(), 60'000);
    EXPECT_TRUE(delegate.ratesLabelTimer()->isActive());
    // Offline: the fiat side failed at once, nothing is refreshing.
    EXPECT_FALSE(notebook->rates().isRefreshing());
    EXPECT_EQ(notebook->saveLabel()->text(), QStringLiteral("Saved"));
    EXPECT_FALSE(delegate.shortcutCheck());
    EXPECT_TRUE(QFile::exists(data.filePath(QStringLiteral("pages.json"))));
}

TEST(AppDelegateTest, LaunchLoadsTheSelectedSheetWithTheCaretAtTheEnd) {
    QTemporaryDir data;
    {
        PageLibrary library(data.path());
        const auto store = library.store(*library.selectedID());
        store->textDidChange(QStringLiteral("10\n20"));
        store->flush();
    }
    AppDelegate delegate(isolatedEnvironment(data.path()));
    delegate.applicationDidFinishLaunching();
    NotebookTextView* view = delegate.notebook()->textView();
    EXPECT_EQ(view->canonicalText(), QStringLiteral("10\n20"));
    EXPECT_EQ(view->selectedRange(), (VexilCore::TextRange{5, 0}));
    EXPECT_EQ(delegate.notebook()->notes()->status().kind, NoteStore::Status::Saved);
    EXPECT_EQ(delegate.notebook()->displayed().size(), 2u);
}

TEST(AppDelegateTest, TerminationWritesAPendingEditAtOnce) {
    QTemporaryDir data;
    QString sheetPath;
    {
        AppDelegate delegate(isolatedEnvironment(data.path()));
        delegate.applicationDidFinishLaunching();
        QTest::keyClicks(delegate.notebook()->textView(), "42");
        sheetPath = delegate.notebook()->notes()->path();
        EXPECT_EQ(readFile(sheetPath), QString());
        delegate.applicationWillTerminate();
        EXPECT_EQ(readFile(sheetPath), QStringLiteral("42"));
        delegate.applicationWillTerminate(); // twice is harmless
    }
    EXPECT_EQ(readFile(sheetPath), QStringLiteral("42"));
}

TEST(AppDelegateTest, ClosingTheWindowKeepsTheProgramAndShowNotebookBringsItBack) {
    QTemporaryDir data;
    AppDelegate delegate(isolatedEnvironment(data.path()));
    delegate.applicationDidFinishLaunching();
    NotebookWindow* window = delegate.window();
    window->close();
    EXPECT_FALSE(window->isVisible());
    delegate.showNotebook();
    EXPECT_EQ(delegate.window(), window);
    EXPECT_TRUE(delegate.isLaunched());
}

TEST(QuitSignalsTest, TerminationSignalQuitsThroughTheEventLoop) {
    QObject context;
    int quits = 0;
    installQuitSignalHandlers(&context, [&] { ++quits; });
    ::raise(SIGTERM);
    EXPECT_TRUE(QTest::qWaitFor([&] { return quits == 1; }, 2000));
    ::raise(SIGHUP);
    EXPECT_TRUE(QTest::qWaitFor([&] { return quits == 2; }, 2000));
}

TEST(SingleInstanceTest, ASecondStartFindsTheFolderTakenAndReachesTheFirst) {
    QTemporaryDir scratch;
    const QString data = scratch.filePath(QStringLiteral("data"));
    const QString link = scratch.filePath(QStringLiteral("link"));
    SingleInstance first(data);
    ASSERT_EQ(first.claim(), SingleInstance::Claim::Claimed) << "the folder is made and taken";
    ASSERT_TRUE(QFile::link(data, link));
    SingleInstance second(link);
    EXPECT_EQ(second.claim(), SingleInstance::Claim::HeldElsewhere);
    EXPECT_FALSE(second.askRunningInstanceToShow(100)) << "nobody listens yet";
    ASSERT_TRUE(first.listen());
    int shows = 0;
    QObject::connect(&first, &SingleInstance::showRequested, [&] { ++shows; });
    // Another temporary folder reaches the same instance.
    const QByteArray tmpdir = qgetenv("TMPDIR");
    qputenv("TMPDIR", scratch.path().toUtf8());
    EXPECT_TRUE(second.askRunningInstanceToShow());
    qputenv("TMPDIR", tmpdir);
    EXPECT_TRUE(QTest::qWaitFor([&] { return shows == 1; }, 2000));
    EXPECT_EQ(SingleInstance::serverName(data), SingleInstance::serverName(data + QStringLiteral("/.")));
    EXPECT_EQ(SingleInstance::serverName(data), SingleInstance::serverName(link));
    EXPECT_NE(SingleInstance::serverName(data), SingleInstance::serverName(data + QStringLiteral("x")));
}
