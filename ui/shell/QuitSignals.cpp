#include "ui/shell/QuitSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace VexilUI {

namespace {

int wakeFds[2] = {-1, -1};

extern "C" void onQuitSignal(int) {
    const char byte = 1;
    // Only async-signal-safe work here; a full pipe already holds a wake-up.
    [[maybe_unused]] const ssize_t written = ::write(wakeFds[0], &byte, 1);
}

} // namespace

void installQuitSignalHandlers(QObject* context, std::function<void()> quit) {
    if (wakeFds[0] >= 0) return;
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, wakeFds) != 0) return;
    auto* notifier = new QSocketNotifier(wakeFds[1], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [quit = std::move(quit)] {
        char byte;
        [[maybe_unused]] const ssize_t got = ::read(wakeFds[1], &byte, 1);
        if (quit) quit();
    });
    struct sigaction action = {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int sig : {SIGTERM, SIGINT, SIGHUP})
        sigaction(sig, &action, nullptr);
}

} // namespace VexilUI
