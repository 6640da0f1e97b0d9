// The application's pieces that are still to come: the sheets drawer, the main menu, the Settings and
// About windows and the self-test. Each is a narrow stand-in until its own code replaces it.
#include "ui/shell/AppDelegate.h"

#include "ui/notebook/Theme.h"

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

void AppDelegate::installMenu() {}

QObject* AppDelegate::makeShortcutCheck(bool) {
    return nullptr;
}

void AppDelegate::openSettings() {}

void AppDelegate::openAbout() {}

} // namespace VexilUI
