#include "ui/selfcheck/SelfTestRunner.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QStringList>

#include <gtest/gtest.h>

using namespace VexilUI;

namespace {

// A runner whose output, focus and exits are recorded instead of reaching the process.
struct Harness {
    QStringList lines;
    std::optional<int> status;
    int activations = 0;
    int ends = 0;
    bool active = true;
    SelfTestRunner runner;

    Harness() : runner(hooks()) {}

    SelfTestRunner::Hooks hooks() {
        SelfTestRunner::Hooks h;
        h.print = [this](const QString& line) { lines.append(line); };
        h.isActive = [this] { return active; };
        h.activate = [this] { ++activations; };
        h.frontmostName = [] { return QString(); };
        h.exit = [this](int code) { status = code; };
        h.end = [this] { ++ends; };
        return h;
    }

    void runUntilExit(int ms) {
        QDeadlineTimer deadline(ms);
        while (!status && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
};

std::function<std::optional<QString>()> returns(std::optional<QString> value) {
    return [value] { return value; };
}

} // namespace

TEST(SelfTestRunner, PrintsOneLinePerStepThenTheSummaryAndExitsOneWhenQuitFails) {
    Harness h;
    QStringList order;
    const auto act = [&order](QString name) { return [&order, name] { order.append(name); }; };
    h.runner.steps = {{"first", act("first"), returns(std::nullopt), 0.0},
                      {"second", act("second"), returns(QStringLiteral("SKIP no display")), 0.0},
                      {"third", act("third"), returns(QStringLiteral("text is \"\"")), 0.01},
                      {"fourth", {}, returns(QStringLiteral("not shown")), 0.0}};
    h.runner.runNext(0);
    h.runUntilExit(5000);

    EXPECT_EQ(order, (QStringList{"first", "second", "third"}));
    EXPECT_EQ(h.lines, (QStringList{"PASS first", "SKIP second: SKIP no display", "FAIL third: text is \"\"",
                                    "FAIL fourth: not shown", "SHORTCUTS_FAILED 2", u"\u2318Q Quit \u2026"_qs,
                                    u"FAIL \u2318Q did not quit"_qs}));
    EXPECT_EQ(h.runner.failures, 2);
    EXPECT_EQ(h.ends, 1);
    EXPECT_EQ(h.status, 1);
}

TEST(SelfTestRunner, RunWithoutFailuresSaysOk) {
    Harness h;
    h.runner.steps = {{"only", {}, returns(std::nullopt), 0.0}};
    h.runner.runNext(0);
    h.runUntilExit(5000);
    ASSERT_GE(h.lines.size(), 3);
    EXPECT_EQ(h.lines[1], "SHORTCUTS_OK");
}

TEST(SelfTestRunner, FocusThatNeverComesEndsWithStatusThree) {
    Harness h;
    h.active = false;
    bool acted = false;
    h.runner.steps = {{"never", [&acted] { acted = true; }, returns(std::nullopt), 0.0}};
    h.runner.runNext(0);
    h.runUntilExit(6000);

    EXPECT_FALSE(acted);
    EXPECT_EQ(h.activations, 3); // attempts 0, 10 and 20
    EXPECT_EQ(h.status, 3);
    EXPECT_EQ(h.lines,
              (QStringList{"FOCUS_UNAVAILABLE another app kept keyboard focus (couldn't bring VEXIL to "
                           "the front)"}));
    EXPECT_EQ(h.ends, 0);
}

TEST(SelfTestRunner, FocusLostDuringAFailingStepIsFatalButNotDuringAPassingOne) {
    Harness h;
    h.runner.steps = {{"passes anyway", [&h] { h.active = false; }, returns(std::nullopt), 0.0},
                      {"skips anyway", {}, returns(QStringLiteral("SKIP later")), 0.0},
                      {"fails", {}, returns(QStringLiteral("broken")), 0.0},
                      {"never runs", {}, returns(std::nullopt), 0.0}};
    // Focus returns before each step starts.
    h.runner.steps[1].act = [&h] { h.active = false; };
    h.runner.steps[2].act = [&h] { h.active = false; };
    h.activations = 0;
    SelfTestRunner::Hooks hooks = h.hooks();
    hooks.activate = [&h] { h.active = true; };
    SelfTestRunner runner(hooks);
    runner.steps = h.runner.steps;
    runner.runNext(0);
    h.runUntilExit(5000);

    EXPECT_EQ(h.status, 3);
    EXPECT_EQ(h.lines,
              (QStringList{"PASS passes anyway", "SKIP skips anyway: SKIP later",
                           "FOCUS_UNAVAILABLE another app kept keyboard focus (lost focus during 'fails')"}));
    EXPECT_EQ(runner.failures, 0);
}
