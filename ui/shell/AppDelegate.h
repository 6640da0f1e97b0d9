#pragma once

#include "ui/shell/AppEnvironment.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

namespace VexilCore {
class RatesService;
}

namespace VexilUI {

class NotebookController;
class NotebookWindow;
class PageLibrary;
class PagesController;
class Preferences;

// Owns everything the running program is made of and wires it together at launch: preferences, the
// sheet library, the rates service, the notebook and its window, the drawer, the timers; flushes every
// sheet when the program ends.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    explicit AppDelegate(AppEnvironment env, QObject* parent = nullptr);
    ~AppDelegate() override;

    const AppEnvironment& env() const { return m_env; }
    NotebookWindow* window() const { return m_window.get(); }
    NotebookController* notebook() const { return m_notebook.get(); }
    PageLibrary* library() const { return m_library.get(); }
    QWidget* sidebar() const { return m_sidebar; }
    const std::shared_ptr<Preferences>& prefs() const { return m_prefs; }
    QTimer* ratesTimer() const { return m_ratesTimer; }
    QTimer* ratesLabelTimer() const { return m_labelTimer; }
    QObject* shortcutCheck() const { return m_shortcutCheck; }

    // Set by the command line before launch.
    std::optional<double> quitAfterLaunch; // seconds
    bool runShortcutCheck = false;
    bool aboutCheckOnly = false;

    void applicationDidFinishLaunching();
    // Flushes the sheets and remembers the window; text that still cannot be saved goes to recovery
    // files, unless the user chose to quit without it. Safe to call more than once.
    void applicationWillTerminate();

    // Quitting. An ordinary quit (the menu, the keyboard) first flushes every sheet; when one cannot be
    // saved the quit is held and the user chooses: save the text elsewhere, quit anyway, or cancel.
    enum class UnsavedChoice { SaveElsewhere, QuitAnyway, Cancel };
    // Whether an ordinary quit may go on now; false holds it, and the question follows from the event loop.
    bool confirmQuit();
    // Asks about the sheets that cannot be saved, then quits or stays as the user chooses.
    void resolveUnsaved();
    // Ends the program without asking (a termination signal, the session ending, the launch check).
    void terminate();
    // How the question is put and where the text goes; tests replace them.
    std::function<UnsavedChoice(const QString& text, const QString& details)> askUnsaved;
    std::function<QString(const QString& suggestedPath)> askSavePath;
    std::function<void()> quitApplication;
    // Whether the window is up with the editor in it.
    bool isLaunched() const;

    // Commands of the main menu.
    void showAbout();
    void showSettings();
    void showHelp();
    void searchDrawer();
    void showNotebook();
    void accessibilityChanged();

    // The desktop's request to reduce transparency; Linux desktops offer none.
    static bool reduceTransparencyFlag() { return false; }

    static constexpr int ratesRefreshInterval = 3'600'000; // milliseconds
    static constexpr int ratesLabelInterval = 60'000;
    static constexpr int shortcutCheckDelay = 800;
    static constexpr qreal sidebarWidth = 200;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Where the drawer, the menu and the windows plug in.
    QWidget* makeSidebar();
    PagesController* pagesController() const;
    void installMenu();
    QObject* makeShortcutCheck(bool aboutOnly);
    void openSettings();
    void openAbout();

    const AppEnvironment m_env;
    std::shared_ptr<Preferences> m_prefs;
    std::unique_ptr<PageLibrary> m_library;
    std::shared_ptr<VexilCore::RatesService> m_rates;
    std::unique_ptr<NotebookController> m_notebook;
    std::unique_ptr<NotebookWindow> m_window;
    QPointer<QWidget> m_sidebar;
    QTimer* m_ratesTimer = nullptr;
    QTimer* m_labelTimer = nullptr;
    QPointer<QObject> m_shortcutCheck;
    bool m_launched = false;
    bool m_quitApproved = false;
    bool m_askingAboutUnsaved = false;
};

} // namespace VexilUI
