// The real program, started as a user would start it (off screen, offline, on a scratch data folder):
// one instance per data folder, and unsaved text that survives a termination signal.
#include "support/FileFaults.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using FileFaults::isRoot;
using FileFaults::kNobody;

class Launch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(scratch.isValid());
        FileFaults::openToEveryone(scratch.path());
        home = scratch.filePath(QStringLiteral("home"));
        QDir().mkpath(home);
        FileFaults::openToEveryone(home);
        data = scratch.filePath(QStringLiteral("data"));
        QDir().mkpath(data);
    }

    // Starts the program on a data folder; an unprivileged run drops to the ordinary account when root.
    std::unique_ptr<QProcess> start(const QString& dataDir, const QStringList& args = {},
                                    const QHash<QString, QString>& env = {}, bool unprivileged = false) {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        e.insert(QStringLiteral("VEXIL_DATA_DIR"), dataDir);
        e.insert(QStringLiteral("VEXIL_OFFLINE"), QStringLiteral("1"));
        e.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
        e.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        e.insert(QStringLiteral("HOME"), home);
        e.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        e.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        e.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/cache"));
        for (auto it = env.cbegin(); it != env.cend(); ++it)
            e.insert(it.key(), it.value());
        p->setProcessEnvironment(e);
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const QString binary = QStringLiteral(VEXIL_BINARY);
        if (unprivileged && isRoot()) {
            p->start(QStringLiteral("/usr/bin/setpriv"),
                     QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                 QStringLiteral("--clear-groups"), QStringLiteral("--"), binary} +
                         args);
        } else {
            p->start(binary, args);
        }
        p->waitForStarted(10000);
        return p;
    }

    // Waits for the process to end by itself within ms.
    static bool ends(QProcess& p, int ms) {
        return p.state() == QProcess::NotRunning || p.waitForFinished(ms);
    }

    static void stop(QProcess& p) {
        if (p.state() == QProcess::NotRunning) return;
        ::kill(pid_t(p.processId()), SIGTERM);
        if (!p.waitForFinished(10000)) {
            p.kill();
            p.waitForFinished(5000);
        }
    }

    // Runs two launches at once and checks that exactly one of them keeps running.
    void expectOneInstance(const QString& dirA, const QString& dirB,
                           const QHash<QString, QString>& envB = {}) {
        auto a = start(dirA);
        auto b = start(dirB, {}, envB);
        QElapsedTimer t;
        t.start();
        while (a->state() != QProcess::NotRunning && b->state() != QProcess::NotRunning &&
               t.elapsed() < 15000) {
            a->waitForFinished(20);
            b->waitForFinished(20);
        }
        QProcess* gone = a->state() == QProcess::NotRunning ? a.get() : b.get();
        QProcess* kept = gone == a.get() ? b.get() : a.get();
        const bool oneEnded = gone->state() == QProcess::NotRunning;
        EXPECT_TRUE(oneEnded) << "both launches are still running: two instances";
        if (oneEnded) {
            EXPECT_EQ(gone->exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(gone->exitCode(), 0);
            // The one left keeps running: it is the instance.
            EXPECT_FALSE(ends(*kept, 300)) << "no instance is left running";
        }
        stop(*a);
        stop(*b);
    }

    QTemporaryDir scratch;
    QString home;
    QString data;
};

QJsonArray pagesOf(const QString& dataDir) {
    QFile f(QDir(dataDir).filePath(QStringLiteral("pages.json")));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QJsonDocument::fromJson(f.readAll()).object().value(QStringLiteral("pages")).toArray();
}

QStringList recoveryFiles(const QString& dataDir) {
    return QDir(dataDir).entryList({QStringLiteral("recovery-*")}, QDir::Files);
}

} // namespace

TEST_F(Launch, TwoSimultaneousLaunchesRunOneInstance) {
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        expectOneInstance(data, data);
    }
}

TEST_F(Launch, OneInstanceThroughALinkAndWithAnotherTemporaryFolder) {
    const QString link = scratch.filePath(QStringLiteral("link"));
    ASSERT_TRUE(QFile::link(data, link));
    const QString otherTmp = scratch.filePath(QStringLiteral("tmp2"));
    QDir().mkpath(otherTmp);
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        expectOneInstance(data, link);
        expectOneInstance(data, data, {{QStringLiteral("TMPDIR"), otherTmp}});
    }
}

TEST_F(Launch, LockOfAKilledRunIsTakenOver) {
    auto first = start(data);
    // Once the index exists the first run is past its lock.
    QElapsedTimer t;
    t.start();
    while (!QFile::exists(QDir(data).filePath(QStringLiteral("pages.json"))) && t.elapsed() < 15000)
        QThread::msleep(20);
    first->kill();
    first->waitForFinished(5000);

    auto second = start(data, {QStringLiteral("--launch-check")});
    ASSERT_TRUE(ends(*second, 20000));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_EQ(second->readAllStandardOutput().trimmed(), QByteArray("LAUNCH_OK"));
}

TEST_F(Launch, UnsavedTextSurvivesATerminationSignalAsARecoveredSheet) {
    for (const int signal : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        const QString dir = scratch.filePath(QStringLiteral("signal%1").arg(signal));
        const QString pages = dir + QStringLiteral("/pages");
        QDir().mkpath(pages);
        {
            QFile note(dir + QStringLiteral("/note.txt"));
            ASSERT_TRUE(note.open(QIODevice::WriteOnly));
            note.write("text of the old single sheet\n");
        }
        // The sheets folder may not be written; the data folder may.
        if (isRoot()) {
            ASSERT_EQ(::chown(QFile::encodeName(dir).constData(), kNobody, kNobody), 0);
            ASSERT_EQ(::chown(QFile::encodeName(pages).constData(), kNobody, kNobody), 0);
        }
        ASSERT_EQ(::chmod(QFile::encodeName(pages).constData(), 0555), 0);

        auto run = start(dir, {}, {}, true);
        QElapsedTimer t;
        t.start();
        while (pagesOf(dir).isEmpty() && t.elapsed() < 15000)
            QThread::msleep(20);
        ASSERT_EQ(pagesOf(dir).size(), 1);
        ::kill(pid_t(run->processId()), signal);
        ASSERT_TRUE(ends(*run, 15000));
        EXPECT_EQ(run->exitCode(), 0);
        EXPECT_EQ(recoveryFiles(dir).size(), 1) << "the unsaved text went nowhere";

        ASSERT_EQ(::chmod(QFile::encodeName(pages).constData(), 0755), 0);
        auto next = start(dir, {QStringLiteral("--launch-check")}, {}, true);
        ASSERT_TRUE(ends(*next, 20000));
        EXPECT_EQ(next->readAllStandardOutput().trimmed(), QByteArray("LAUNCH_OK"));
        const QJsonArray sheets = pagesOf(dir);
        ASSERT_EQ(sheets.size(), 2);
        QString recoveredId;
        for (const QJsonValue& v : sheets) {
            if (v.toObject().value(QStringLiteral("name")).toString() ==
                QStringLiteral("Sheet 1 (recovered)"))
                recoveredId = v.toObject().value(QStringLiteral("id")).toString();
        }
        ASSERT_FALSE(recoveredId.isEmpty()) << QJsonDocument(sheets).toJson().constData();
        QFile sheet(pages + QStringLiteral("/") + recoveredId + QStringLiteral(".txt"));
        ASSERT_TRUE(sheet.open(QIODevice::ReadOnly));
        EXPECT_EQ(sheet.readAll(), QByteArray("text of the old single sheet\n"));
        EXPECT_TRUE(recoveryFiles(dir).isEmpty()) << "an adopted recovery file is removed";
    }
}
