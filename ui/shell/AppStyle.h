#pragma once

namespace VexilUI {

// The interface is always dark: the Fusion style with a dark palette, whatever the desktop's theme.
void applyAppStyle();

} // namespace VexilUI
