#pragma once

#include <QPointF>
#include <QString>
#include <Qt>

class QWidget;

namespace VexilUI::Synthetic {

// Modifier masks as the self-test's scripts write them (device-independent bits).
enum : quint32 {
    ShiftMask = 0x20000,
    ControlMask = 0x40000,
    OptionMask = 0x80000,
    CommandMask = 0x100000,
    NumericPadMask = 0x200000,
    FunctionKeyMask = 0x800000,
};

// Command is Ctrl, Option is Alt, Control is Meta.
Qt::KeyboardModifiers modifiers(quint32 flags);
// The Qt key of a key-down's character string (function-key characters for the arrows, U+001B Escape).
int qtKey(const QString& characters);

// Queues a key-down behind the events already queued; when it is handled it goes to the focus widget
// of window, as a shortcut first and then as a key press.
void postKey(QWidget* window, const QString& characters, quint32 flags, int keyCode);

enum class Mouse { Down, Up, Moved };
// Queues a left-button mouse event at a point in window coordinates; it reaches the widget under the
// point (a release goes to the widget that took the press).
void postMouse(QWidget* window, Mouse kind, QPointF windowPoint, quint32 flags);

} // namespace VexilUI::Synthetic
