#pragma once

#include <QObject>

#include <functional>

namespace VexilUI {

// SIGTERM, SIGINT and SIGHUP end the program the orderly way: the handler only wakes the event loop,
// which then runs quit on the main thread, so every sheet is flushed as on a normal quit.
void installQuitSignalHandlers(QObject* context, std::function<void()> quit);

} // namespace VexilUI
