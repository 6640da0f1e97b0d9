#pragma once

class QWidget;

namespace VexilUI {

// Centres a secondary window on its screen and brings it forward.
void showCentred(QWidget* window);

} // namespace VexilUI
