#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace VexilUI {

// One step of the self-test: its input, then after `wait` seconds its check. The check returns nothing
// when the step passed, a text beginning with "SKIP" when it was skipped, else the failure message.
struct SelfTestStep {
    QString name;
    std::function<void()> act;
    std::function<std::optional<QString>()> verify;
    double wait = 0.35;
};

// Runs self-test steps one after the other on the main thread, each only once the application has the
// keyboard focus, and prints one PASS, FAIL or SKIP line per step. The outside world (output, focus,
// exiting, the final quit) comes through hooks, so the runner can be driven without a desktop.
class SelfTestRunner : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void(const QString&)> print; // one line, flushed at once
        std::function<bool()> isActive;
        std::function<void()> activate;         // bring the application and its key window to the front
        std::function<QString()> frontmostName; // empty when unknown
        std::function<void(int)> exit;          // ends the process with the status
        std::function<void()> end;              // after the summary: clean up and send the Quit shortcut
    };

    static constexpr int focusAttempts = 30;
    static constexpr int focusRetryMs = 100;
    static constexpr int quitTimeoutMs = 2000;

    explicit SelfTestRunner(Hooks hooks, QObject* parent = nullptr);

    std::vector<SelfTestStep> steps;
    int failures = 0;

    void runNext(int index);
    void report(const QString& name, const std::optional<QString>& message);
    void ensureFocus(int attempt, std::function<void()> then);
    // Prints the focus failure line and ends the process with status 3.
    void focusUnavailable(const QString& context);
    // Whether the run ended early for lack of focus (only seen when the exit hook returns).
    bool stopped() const { return m_stopped; }

    // Standard output, flushed per line.
    static void printLine(const QString& line);

protected:
    Hooks& hooks() { return m_hooks; }

private:
    Hooks m_hooks;
    bool m_stopped = false;
};

} // namespace VexilUI
