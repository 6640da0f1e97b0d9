#pragma once

#include <QKeySequence>
#include <QString>

namespace VexilUI {

// Every key or modifier named in a visible text goes through these, so the names are the platform's
// own ("Ctrl+?", "Meta+Ctrl+S", "Alt").
QString shortcutText(const QKeySequence& sequence);
QString modifierName(Qt::KeyboardModifier modifier);

} // namespace VexilUI
