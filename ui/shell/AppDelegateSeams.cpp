// The application's pieces that are still to come: the sheets drawer, the main menu, the Settings and
// About windows and the self-test. Each is a narrow stand-in until its own code replaces it.
#include "ui/shell/AppDelegate.h"

#include "ui/sidebar/PagesController.h"

#include <QWidget>

namespace VexilUI {

QWidget* AppDelegate::makeSidebar() {
    // The drawer's controller lives as long as the delegate; its view goes to the notebook.
    auto* pages = new PagesController(*m_library, *m_notebook, this);
    pages->setTitlebarHeight(0);
    return pages->view();
}

void AppDelegate::installMenu() {}

QObject* AppDelegate::makeShortcutCheck(bool) {
    return nullptr;
}

void AppDelegate::openSettings() {}

void AppDelegate::openAbout() {}

} // namespace VexilUI
