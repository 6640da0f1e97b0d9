#include "ui/shell/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace VexilUI {

void showCentred(QWidget* window) {
    if (const QScreen* screen = window->screen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    window->show();
    // The offscreen platform warns on raise(); it has nothing to raise above anyway.
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) window->raise();
    window->activateWindow();
}

} // namespace VexilUI
