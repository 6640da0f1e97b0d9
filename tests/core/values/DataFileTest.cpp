#include "core/values/DataFile.h"

#include "support/FileFaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

using namespace VexilCore;

namespace {

class DataFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    void TearDown() override { DataFile::setFaultHook(nullptr); }

    QString path(const QString& rel) const { return dir.filePath(rel); }
    static QByteArray bytesOf(const QString& p) {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }
    // Everything in the folder, hidden files included: a failed write leaves no temporary behind.
    QStringList entries(const QString& rel = QString()) const {
        return QDir(path(rel)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                         QDir::NoDotAndDotDot);
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(DataFileTest, WritesTheWholeFileMakingItsFoldersAndKeepingItsMode) {
    const QString file = path(QStringLiteral("a/b/file.txt"));
    EXPECT_EQ(DataFile::write(file, "first"), std::nullopt);
    EXPECT_EQ(bytesOf(file), QByteArray("first"));
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0640), 0);
    EXPECT_EQ(DataFile::write(file, "second, longer"), std::nullopt);
    EXPECT_EQ(bytesOf(file), QByteArray("second, longer"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(entries(QStringLiteral("a/b")), QStringList{QStringLiteral("file.txt")});
}

TEST_F(DataFileTest, EveryFailingStepKeepsTheOldFileAndGivesItsReason) {
    struct Case {
        const char* call;
        int error;
        const char* reason;
    };
    const Case cases[] = {
        {"open", EACCES, "Permission denied"},        {"write", ENOSPC, "No space left on device"},
        {"write", EIO, "Input/output error"},         {"fsync", EIO, "Input/output error"},
        {"fsync", ENOSPC, "No space left on device"}, {"close", EIO, "Input/output error"},
        {"rename", EACCES, "Permission denied"},
    };
    const QString file = path(QStringLiteral("sheet.txt"));
    ASSERT_EQ(DataFile::write(file, "old text"), std::nullopt);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.call) + " " + std::strerror(c.error));
        DataFile::setFaultHook(
            [&](const char* call) { return std::strcmp(call, c.call) == 0 ? c.error : 0; });
        EXPECT_EQ(DataFile::write(file, "new text"), QString::fromLatin1(c.reason));
        DataFile::setFaultHook(nullptr);
        EXPECT_EQ(bytesOf(file), QByteArray("old text"));
        EXPECT_EQ(entries(), QStringList{QStringLiteral("sheet.txt")});
    }
}

TEST_F(DataFileTest, OnlyRegularFilesAreReadOrReplaced) {
    const QString target = path(QStringLiteral("elsewhere.txt"));
    ASSERT_EQ(DataFile::write(target, "kept"), std::nullopt);
    const QString link = path(QStringLiteral("link.txt"));
    ASSERT_TRUE(QFile::link(target, link));
    const QString folder = path(QStringLiteral("folder.txt"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString fifo = path(QStringLiteral("fifo.txt"));
    FileFaults::makeFifo(fifo);
    struct Case {
        QString file;
        QString reason;
    };
    const Case cases[] = {
        {link, QStringLiteral("Not a regular file (a symbolic link)")},
        {folder, QStringLiteral("Not a regular file (a folder)")},
        {fifo, QStringLiteral("Not a regular file (a pipe)")},
        {QStringLiteral("/dev/null"), QStringLiteral("Not a regular file (a device)")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        const DataFile::ReadResult read = DataFile::read(c.file, 1024);
        EXPECT_EQ(read.kind, DataFile::ReadResult::Failed);
        EXPECT_EQ(read.error, c.reason);
        if (c.file.startsWith(dir.path())) {
            EXPECT_EQ(DataFile::write(c.file, "x"), c.reason);
        }
    }
    EXPECT_EQ(bytesOf(target), QByteArray("kept"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
}

TEST_F(DataFileTest, OnlyNoSuchFileIsMissing) {
    EXPECT_EQ(DataFile::read(path(QStringLiteral("none")), 10).kind, DataFile::ReadResult::Missing);
    ASSERT_EQ(DataFile::write(path(QStringLiteral("plain")), "x"), std::nullopt);
    const DataFile::ReadResult under = DataFile::read(path(QStringLiteral("plain/none")), 10);
    EXPECT_EQ(under.kind, DataFile::ReadResult::Failed);
    EXPECT_EQ(under.error, QStringLiteral("Not a directory"));
}

TEST_F(DataFileTest, FilesOverTheLimitAreRefusedUnread) {
    const QString small = path(QStringLiteral("small"));
    ASSERT_EQ(DataFile::write(small, "12345"), std::nullopt);
    EXPECT_EQ(DataFile::read(small, 5).bytes, QByteArray("12345"));
    EXPECT_EQ(DataFile::read(small, 4).error, QStringLiteral("File too large (over 1 MiB)"));
    // A sparse file the size of a whole index over the limit takes no disk and is never read.
    const QString huge = path(QStringLiteral("huge"));
    QFile f(huge);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(f.resize(DataFile::kMaxIndexBytes + 1));
    f.close();
    const DataFile::ReadResult read = DataFile::read(huge, DataFile::kMaxIndexBytes);
    EXPECT_EQ(read.kind, DataFile::ReadResult::Failed);
    EXPECT_EQ(read.error, QStringLiteral("File too large (over 64 MiB)"));
}

TEST_F(DataFileTest, MovingAsideNeverReplacesAnEarlierCopy) {
    const QString file = path(QStringLiteral("pages.json"));
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(DataFile::write(file, QByteArray::number(i)), std::nullopt);
        EXPECT_TRUE(DataFile::moveAside(file, 1700000000));
    }
    EXPECT_EQ(entries(), (QStringList{QStringLiteral("pages.json.unreadable-20231114-221320"),
                                      QStringLiteral("pages.json.unreadable-20231114-221320-2"),
                                      QStringLiteral("pages.json.unreadable-20231114-221320-3")}));
    EXPECT_EQ(bytesOf(path(QStringLiteral("pages.json.unreadable-20231114-221320"))), QByteArray("0"));
    EXPECT_FALSE(DataFile::moveAside(file, 1700000000)) << "nothing left to move";
}
