#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct CheckRun {
    int status = -1;
    QStringList lines;
};

// Runs the program's self-test off-screen on a throwaway data directory and without the network.
CheckRun runCheck(const QString& option) {
    CheckRun run;
    // The program is built beside the tests or one folder up.
    QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/vexil");
    if (!QFileInfo(program).isExecutable())
        program = QCoreApplication::applicationDirPath() + QStringLiteral("/../vexil");
    if (!QFileInfo(program).isExecutable()) return run;
    QTemporaryDir data;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VEXIL_DATA_DIR"), data.path());
    env.insert(QStringLiteral("VEXIL_OFFLINE"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(env);
    process.start(program, {option});
    if (!process.waitForFinished(120'000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.status = process.exitCode();
    run.lines = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    return run;
}

} // namespace

// Checks a finished run: only PASS and SKIP step lines, then the summary and the quit lines.
void expectCleanRun(const CheckRun& run, int steps) {
    const QString output = run.lines.join(u'\n');
    EXPECT_EQ(run.status, 0) << output.toStdString();
    int stepLines = 0;
    for (const QString& line : run.lines) {
        if (line.startsWith(QStringLiteral("SKIP ")) ||
            (line.startsWith(QStringLiteral("PASS ")) && line != QStringLiteral("PASS \u2318Q Quit"))) {
            ++stepLines;
        } else {
            EXPECT_TRUE(line == QStringLiteral("SHORTCUTS_OK") || line.startsWith(QStringLiteral("\u2318Q Quit")) ||
                        line == QStringLiteral("PASS \u2318Q Quit"))
                << line.toStdString();
        }
    }
    EXPECT_EQ(stepLines, steps) << output.toStdString();
    ASSERT_GE(run.lines.size(), 3);
    EXPECT_EQ(run.lines[run.lines.size() - 3], QStringLiteral("SHORTCUTS_OK"));
    EXPECT_EQ(run.lines[run.lines.size() - 2], QStringLiteral("\u2318Q Quit \u2026"));
    EXPECT_EQ(run.lines.last(), QStringLiteral("PASS \u2318Q Quit"));
}

TEST(ShortcutCheckRun, OffscreenRunPassesItsStepsAndQuitsThroughItsShortcut) {
    const CheckRun run = runCheck(QStringLiteral("--shortcut-check"));
    if (run.status == -1 && run.lines.isEmpty()) GTEST_SKIP() << "program not built next to the tests";
    expectCleanRun(run, 65);
}

TEST(ShortcutCheckRun, AboutCheckRunsOnlyTheAboutSteps) {
    const CheckRun run = runCheck(QStringLiteral("--about-check"));
    if (run.status == -1 && run.lines.isEmpty()) GTEST_SKIP() << "program not built next to the tests";
    expectCleanRun(run, 15);
    ASSERT_FALSE(run.lines.isEmpty());
    EXPECT_EQ(run.lines.first(), QStringLiteral("PASS About VEXIL opens and the animation starts"));
}
