#include "ui/shell/AppDelegate.h"

#include "ui/sidebar/PagesController.h"

#include "core/rates/RatesService.h"
#include "ui/notebook/NotebookController.h"
#include "ui/notebook/NotebookTextView.h"
#include "ui/shell/MainWindow.h"
#include "ui/storage/PageLibrary.h"
#include "ui/storage/Preferences.h"

#include <QApplication>
#include <QDir>

#include <cmath>
#include <cstdio>

namespace VexilUI {

namespace {

void printLine(const char* text) {
    std::fputs(text, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

AppDelegate::AppDelegate(AppEnvironment env, QObject* parent) : QObject(parent), m_env(std::move(env)) {}

AppDelegate::~AppDelegate() {
    // The window goes before the controller whose views it shows.
    m_window.reset();
    m_notebook.reset();
}

void AppDelegate::applicationDidFinishLaunching() {
    if (m_launched) return;
    m_launched = true;

    // Every quit passes here first, so a sheet that cannot be saved holds it.
    QCoreApplication::instance()->installEventFilter(this);

    m_prefs = std::make_shared<Preferences>(m_env.prefsStore);
    m_library = std::make_unique<PageLibrary>(m_env.dataDirectory);
    std::shared_ptr<NoteStore> store = m_library->store(m_library->selectedID().value_or(QString()));
    if (!store && !m_library->pages().isEmpty()) store = m_library->store(m_library->pages().first().id);

    std::shared_ptr<VexilCore::RatesFetching> fetcher = m_env.fetcher;
    if (!fetcher) fetcher = std::make_shared<OfflineFetcher>();
    m_rates = std::make_shared<VexilCore::RatesService>(
        QDir(m_env.dataDirectory).filePath(QStringLiteral("rates.json")), fetcher, m_env.cryptoFetcher);

    m_notebook = std::make_unique<NotebookController>(m_prefs, store, m_rates);
    const QPointer<AppDelegate> weak(this);
    m_notebook->onAbout = [weak] {
        if (weak) weak->showAbout();
    };
    m_window = MainWindow::make(*m_notebook, !m_env.isolated);

    m_sidebar = makeSidebar();
    m_notebook->installSidebar(m_sidebar, sidebarWidth);
    m_window->setMinimumSize(MainWindow::minSizeWithSidebar);
    m_notebook->setDrawerWidth(m_notebook->sidebarFullWidth());

    installMenu();
    accessibilityChanged();

    m_notebook->loadNotes();

    m_rates->loadCache();
    if (m_env.fetcher) m_rates->refresh();

    m_ratesTimer = new QTimer(this);
    m_ratesTimer->setInterval(ratesRefreshInterval);
    connect(m_ratesTimer, &QTimer::timeout, this, [this] {
        if (m_env.fetcher && m_notebook) m_notebook->rates().refresh();
    });
    m_ratesTimer->start();
    m_labelTimer = new QTimer(this);
    m_labelTimer->setInterval(ratesLabelInterval);
    connect(m_labelTimer, &QTimer::timeout, this, [this] {
        if (m_notebook) m_notebook->updateRatesLabel();
    });
    m_labelTimer->start();

    showNotebook();

    // The self-test drives the interface, so it only ever runs on a throwaway data directory.
    if (m_env.isolated && runShortcutCheck) {
        QTimer::singleShot(shortcutCheckDelay, this,
                           [this] { m_shortcutCheck = makeShortcutCheck(aboutCheckOnly); });
    }
    if (quitAfterLaunch) {
        QTimer::singleShot(int(std::llround(*quitAfterLaunch * 1000)), this, [this] {
            printLine(isLaunched() ? "LAUNCH_OK" : "LAUNCH_FAILED");
            terminate();
        });
    }
}

bool AppDelegate::isLaunched() const {
    if (!m_window || !m_notebook) return false;
    // A widget outside any window is a window of its own.
    return m_window->isVisible() && m_notebook->textView()->window() == m_window.get();
}

void AppDelegate::applicationWillTerminate() {
    if (m_notebook) m_notebook->notes()->flush();
    if (m_library) {
        m_library->flushAll();
        // Nobody is left to ask: what still cannot be saved is kept for the next start.
        m_library->writeRecoveryFiles();
    }
    if (!m_env.isolated) {
        if (m_window) m_window->saveGeometryNow();
        if (m_env.prefsStore) m_env.prefsStore->sync();
    }
    if (m_shortcutCheck) {
        printLine("PASS \u2318Q Quit");
        m_shortcutCheck = nullptr; // said once
    }
}

void AppDelegate::showAbout() {
    openAbout();
}

void AppDelegate::showSettings() {
    openSettings();
}

void AppDelegate::showHelp() {
    if (m_notebook) m_notebook->showHelp();
}

void AppDelegate::searchDrawer() {
    if (!m_notebook) return;
    if (!m_notebook->isDrawerOpen()) m_notebook->setDrawerOpen(true, true);
    if (PagesController* pages = pagesController())
        pages->focusSearch();
    else if (m_sidebar)
        m_sidebar->setFocus(Qt::ShortcutFocusReason);
}

void AppDelegate::showNotebook() {
    if (!m_window) return;
    if (m_window->isMinimized()) m_window->showNormal();
    m_window->show();
    // The off-screen platform has no stacking order and warns when asked.
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) m_window->raise();
    m_window->activateWindow(); // window managers may refuse or only flash the window
    if (m_notebook) m_notebook->textView()->setFocus(Qt::ActiveWindowFocusReason);
}

void AppDelegate::accessibilityChanged() {
    if (m_notebook) m_notebook->setReduceTransparency(reduceTransparencyFlag());
}

} // namespace VexilUI
