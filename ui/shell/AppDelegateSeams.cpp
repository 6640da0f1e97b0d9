// Where the application's pieces plug in: the main menu and the Settings and About windows are connected
// here; the sheets drawer and the self-test are narrow stand-ins until their own code replaces them.
#include "ui/shell/AppDelegate.h"

#include "ui/notebook/Theme.h"
#include "ui/shell/AboutWindow.h"
#include "ui/shell/MainMenu.h"
#include "ui/shell/MainWindow.h"
#include "ui/shell/SettingsWindow.h"

#include <QWidget>

namespace VexilUI {

QWidget* AppDelegate::makeSidebar() {
    // An empty drawer; the sheets list takes its place.
    auto* drawer = new QWidget;
    drawer->setObjectName(QStringLiteral("Drawer"));
    drawer->setAutoFillBackground(true);
    QPalette pal = drawer->palette();
    pal.setColor(QPalette::Window, Theme::rgb(0x17181B));
    drawer->setPalette(pal);
    drawer->setFocusPolicy(Qt::ClickFocus);
    return drawer;
}

void AppDelegate::installMenu() {
    AppMenuHooks hooks;
    const QPointer<AppDelegate> weak(this);
    hooks.perform = [weak](AppCommand command) {
        if (!weak) return;
        switch (command) {
        case AppCommand::ShowAbout:
            return weak->showAbout();
        case AppCommand::ShowSettings:
            return weak->showSettings();
        case AppCommand::SearchDrawer:
            return weak->searchDrawer();
        case AppCommand::ShowHelp:
            return weak->showHelp();
        }
    };
    // The drawer's File items stay disabled until the drawer fills MainMenu::setSidebarHooks.
    new MainMenu(m_window.get(), *m_notebook, std::move(hooks), this);
}

QObject* AppDelegate::makeShortcutCheck(bool) {
    return nullptr;
}

void AppDelegate::openSettings() {
    // Made on first use and kept for the rest of the run.
    auto* settings = findChild<SettingsWindowController*>(QString(), Qt::FindDirectChildrenOnly);
    if (!settings) settings = new SettingsWindowController(m_prefs, this);
    settings->show();
}

void AppDelegate::openAbout() {
    auto* about = findChild<AboutWindowController*>(QString(), Qt::FindDirectChildrenOnly);
    if (!about)
        about =
            new AboutWindowController(m_env.dataDirectory, AboutWindowController::defaultClickGIF(), this);
    about->show();
}

} // namespace VexilUI
