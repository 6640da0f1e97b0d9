#pragma once

// Real file-system faults for the storage tests: a small full disk, an ordinary user's permissions, and a
// FIFO that a blocking reader would wait on forever.

#include "core/values/DataFile.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace FileFaults {

// The unprivileged account the tests act as when they run as root (as CI does).
constexpr uid_t kNobody = 65534;

inline bool isRoot() {
    return ::geteuid() == 0;
}

// A disk that really fills up: a 64 KiB tmpfs mounted on a folder for the life of the object, and
// unmounted on every way out of the test. Only root can mount (CI runs as root); for an ordinary user the
// folder stays on the usual disk and a full disk is made by failing every write with "No space left on
// device" through the writer's test seam.
class SmallDisk {
public:
    explicit SmallDisk(const QString& folder) : m_folder(folder) {
        QDir().mkpath(folder);
        if (!isRoot()) return;
        m_mounted =
            ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=64k,mode=0777") == 0;
        EXPECT_TRUE(m_mounted) << "mounting a tmpfs as root failed: " << std::strerror(errno);
    }
    ~SmallDisk() {
        free();
        if (m_mounted) ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    const QString& folder() const { return m_folder; }

    // Fills the disk until it refuses another byte.
    void fill() {
        if (!m_mounted) {
            VexilCore::DataFile::setFaultHook(
                [](const char* call) { return std::strcmp(call, "write") == 0 ? ENOSPC : 0; });
            return;
        }
        QFile filler(fillerPath());
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered));
        const QByteArray block(512, 'x');
        while (filler.write(block) == block.size()) {
        }
        const QByteArray one(1, 'x');
        while (filler.write(one) == 1) {
        }
    }
    void free() {
        VexilCore::DataFile::setFaultHook(nullptr);
        if (m_mounted) QFile::remove(fillerPath());
    }

private:
    QString fillerPath() const { return QDir(m_folder).filePath(QStringLiteral("filler")); }

    QString m_folder;
    bool m_mounted = false;
};

// As root (as in CI), runs the current test again in a child process as the unprivileged account, where
// permission bits apply, and reports the child's result: the caller then returns at once. False for an
// ordinary user, who runs the test itself.
inline bool rerunAsOrdinaryUser() {
    if (!isRoot()) return false;
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString filter =
        QStringLiteral("--gtest_filter=%1.%2")
            .arg(QString::fromUtf8(test->test_suite_name()), QString::fromUtf8(test->name()));
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("/usr/bin/setpriv"),
                {QStringLiteral("--reuid=%1").arg(kNobody), QStringLiteral("--regid=%1").arg(kNobody),
                 QStringLiteral("--clear-groups"), QStringLiteral("--"),
                 QCoreApplication::applicationFilePath(), filter});
    const bool ended = child.waitForFinished(120000);
    const QByteArray output = child.readAll();
    EXPECT_TRUE(ended && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 &&
                output.contains("[  PASSED  ] 1 test"))
        << "as the unprivileged account:\n"
        << output.constData();
    return true;
}

// Lets the unprivileged account into a scratch folder made by root.
inline void openToEveryone(const QString& path) {
    ::chmod(QFile::encodeName(path).constData(), 0777);
}

// Makes a FIFO at path.
inline void makeFifo(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0) << std::strerror(errno);
}

// Watches a FIFO while the test reads: a reader still blocked after a few seconds is released by opening
// the other end, and blocked() then reports it.
class FifoWatchdog {
public:
    explicit FifoWatchdog(const QString& fifo) : m_path(QFile::encodeName(fifo)) {
        m_thread = std::thread([this] {
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
            while (!m_done && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            // Keep releasing: a reader may open the FIFO more than once.
            while (!m_done) {
                const int fd = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    m_released = true;
                    ::close(fd);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
    }
    ~FifoWatchdog() { finish(); }
    FifoWatchdog(const FifoWatchdog&) = delete;
    FifoWatchdog& operator=(const FifoWatchdog&) = delete;

    // Stops watching; true when the reader had to be released.
    bool finish() {
        m_done = true;
        if (m_thread.joinable()) m_thread.join();
        return m_released;
    }

private:
    QByteArray m_path;
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_released{false};
    std::thread m_thread;
};

} // namespace FileFaults
