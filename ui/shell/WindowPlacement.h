#pragma once

#include <Qt>

class QWidget;

namespace VexilUI {

// Centres a secondary window on its screen and brings it forward.
void showCentred(QWidget* window);

// A fixed-size dialog of its own (Settings, About): a title and a close button, no maximise or minimise.
constexpr Qt::WindowFlags fixedDialogFlags() {
    return Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
           Qt::WindowCloseButtonHint;
}

} // namespace VexilUI
