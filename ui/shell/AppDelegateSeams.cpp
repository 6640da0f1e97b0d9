// Where the application's pieces plug in: the drawer, the main menu, the game and the Settings and About
// windows are connected here.
#include "ui/shell/AppDelegate.h"

#include "ui/shell/AboutWindow.h"
#include "ui/shell/MainMenu.h"
#include "ui/shell/MainWindow.h"
#include "ui/shell/SettingsWindow.h"
#include "ui/sidebar/PagesController.h"
#include "ui/snake/SnakeController.h"

#include <QWidget>

namespace VexilUI {

QWidget* AppDelegate::makeSidebar() {
    // The drawer's controller lives as long as the delegate; its view goes to the notebook.
    auto* pages = new PagesController(*m_library, *m_notebook, this);
    pages->setTitlebarHeight(0);
    return pages->view();
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
    auto* menu = new MainMenu(m_window.get(), *m_notebook, std::move(hooks), this);
    // The drawer's File items act on the drawer, looked up when they fire.
    const auto sidebarCommand = [](SidebarCommand command) {
        switch (command) {
        case SidebarCommand::NewPage:
            return PagesController::Command::NewPage;
        case SidebarCommand::NewGroup:
            return PagesController::Command::NewGroup;
        case SidebarCommand::RenameSelected:
            return PagesController::Command::RenameSelected;
        case SidebarCommand::DeleteSelected:
            break;
        }
        return PagesController::Command::DeleteSelected;
    };
    SidebarMenuHooks sidebar;
    sidebar.perform = [weak, sidebarCommand](SidebarCommand command) {
        if (PagesController* pages = weak ? weak->pagesController() : nullptr)
            pages->perform(sidebarCommand(command), nullptr);
    };
    sidebar.validate = [weak, sidebarCommand](SidebarCommand command) {
        PagesController* pages = weak ? weak->pagesController() : nullptr;
        return pages && pages->validateMenuItem(sidebarCommand(command), nullptr).enabled;
    };
    menu->setSidebarHooks(std::move(sidebar));
}

PagesController* AppDelegate::pagesController() const {
    return findChild<PagesController*>(QString(), Qt::FindDirectChildrenOnly);
}

bool AppDelegate::playSnake(QWidget* window) {
    if (!m_snake) m_snake = std::make_unique<SnakeController>(m_prefs);
    return m_snake->play(window);
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
