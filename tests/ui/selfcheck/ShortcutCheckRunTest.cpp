#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
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

TEST(ShortcutCheckRun, OffscreenRunPassesEveryBuiltStepAndQuitsThroughItsShortcut) {
    const CheckRun run = runCheck(QStringLiteral("--shortcut-check"));
    if (run.status == -1 && run.lines.isEmpty()) GTEST_SKIP() << "program not built next to the tests";
    const QString output = run.lines.join(u'\n');
    EXPECT_EQ(run.status, 0) << output.toStdString();
    for (const QString& line : run.lines) {
        EXPECT_FALSE(line.startsWith(QStringLiteral("FAIL "))) << line.toStdString();
        EXPECT_FALSE(line.startsWith(QStringLiteral("FOCUS_UNAVAILABLE"))) << line.toStdString();
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^(PASS|SKIP|SHORTCUTS_OK|\u2318Q Quit)"))
                        .match(line)
                        .hasMatch())
            << line.toStdString();
    }
    ASSERT_GE(run.lines.size(), 3);
    EXPECT_EQ(run.lines[run.lines.size() - 3], QStringLiteral("SHORTCUTS_OK"));
    EXPECT_EQ(run.lines[run.lines.size() - 2], QStringLiteral("\u2318Q Quit \u2026"));
    EXPECT_EQ(run.lines.last(), QStringLiteral("PASS \u2318Q Quit"));
}
