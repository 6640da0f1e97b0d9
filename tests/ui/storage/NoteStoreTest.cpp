#include "ui/storage/NoteStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "support/FileFaults.h"
#include "ui/storage/FileBytes.h"
#include "ui/storage/QtPrinters.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace VexilUI;
using Status = NoteStore::Status;

namespace {

const QString kReadOnlyMessage = QStringLiteral("Couldn't read this sheet, so edits won't be saved");

class NoteStoreTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }
    QString path(const QString& rel = QStringLiteral("pages/sheet.txt")) const { return tmp.filePath(rel); }
    // Records every status the store reports.
    void watch(NoteStore& store) {
        store.onStatus = [this](const Status& s) { reported.append(s); };
    }

    QTemporaryDir tmp;
    QList<Status> reported;
};

} // namespace

TEST_F(NoteStoreTest, MissingFileLoadsEmptyAndIsCreatedWithItsFoldersOnFirstSave) {
    const QString file = path(QStringLiteral("a/b/c/sheet.txt"));
    NoteStore store(file);
    watch(store);
    EXPECT_EQ(store.load(), QString());
    EXPECT_EQ(store.status(), Status::saved());
    EXPECT_EQ(store.statusText(), QStringLiteral("Saved"));

    const QString text = QStringLiteral("1 + 1\n\u20AC5 to usd \U0001F600");
    store.textDidChange(text);
    EXPECT_EQ(store.status(), Status::edited());
    EXPECT_EQ(store.statusText(), QStringLiteral("Edited"));
    EXPECT_TRUE(store.isSaveScheduled());
    EXPECT_FALSE(QFile::exists(file));

    store.flush();
    EXPECT_FALSE(store.isSaveScheduled());
    EXPECT_EQ(store.pending(), std::nullopt);
    EXPECT_EQ(readBytes(file), text.toUtf8());
    EXPECT_EQ(reported, (QList<Status>{Status::edited(), Status::saved()}));
    EXPECT_EQ(NoteStore(file).load(), text);
}

TEST_F(NoteStoreTest, StatusIsReportedOnlyWhenItChanges) {
    NoteStore store(path());
    watch(store);
    store.flush(); // nothing pending: no write, no status
    EXPECT_FALSE(QFile::exists(path()));
    store.textDidChange(QStringLiteral("a"));
    store.textDidChange(QStringLiteral("ab"));
    store.textDidChange(QStringLiteral("abc"));
    EXPECT_EQ(reported.size(), 1);
    store.flush();
    store.flush();
    EXPECT_EQ(reported, (QList<Status>{Status::edited(), Status::saved()}));
    EXPECT_EQ(readBytes(path()), QByteArray("abc"));

    EXPECT_EQ(Status::failed(QStringLiteral("x")), Status::failed(QStringLiteral("x")));
    EXPECT_NE(Status::failed(QStringLiteral("x")), Status::failed(QStringLiteral("y")));
    EXPECT_NE(Status::failed(QStringLiteral("x")), Status::readOnly(QStringLiteral("x")));
}

TEST_F(NoteStoreTest, UnreadableFileMakesTheStoreReadOnlyForGood) {
    struct Fixture {
        const char* name;
        std::function<void(const QString&)> make;
        QString reason;
    };
    const QList<Fixture> fixtures = {
        {"invalid UTF-8", [](const QString& p) { writeBytes(p, QByteArray("total 5\n\xff\xfe kg\n")); },
         QStringLiteral("Not valid UTF-8 text")},
        {"truncated sequence", [](const QString& p) { writeBytes(p, QByteArray("caf\xc3")); },
         QStringLiteral("Not valid UTF-8 text")},
        {"a directory at the path", [](const QString& p) { QDir().mkpath(p); },
         QStringLiteral("Not a regular file (a folder)")},
    };
    int n = 0;
    for (const Fixture& f : fixtures) {
        SCOPED_TRACE(f.name);
        const QString file = path(QStringLiteral("pages/s%1.txt").arg(++n));
        f.make(file);
        const QByteArray before = readBytes(file);
        NoteStore store(file);
        reported.clear();
        watch(store);
        const QString message = kReadOnlyMessage + QStringLiteral(": ") + f.reason;
        EXPECT_EQ(store.load(), QString());
        EXPECT_EQ(store.status(), Status::readOnly(message));
        EXPECT_EQ(store.statusText(), message);
        store.textDidChange(QStringLiteral("overwrite"));
        EXPECT_FALSE(store.isSaveScheduled());
        EXPECT_EQ(store.pending(), std::nullopt);
        store.flush();
        EXPECT_EQ(store.status(), Status::readOnly(message));
        EXPECT_EQ(readBytes(file), before);
        EXPECT_EQ(reported.size(), 1);
    }
}

TEST_F(NoteStoreTest, ByteOrderMarkIsDroppedAndTheRestKept) {
    writeBytes(path(), QByteArray("\xEF\xBB\xBFr\xC3\xA9sum\xC3\xA9"));
    NoteStore store(path());
    EXPECT_EQ(store.load(), QStringLiteral("r\u00E9sum\u00E9"));
    EXPECT_EQ(store.status(), Status::saved());
}

TEST_F(NoteStoreTest, FailedWriteKeepsTheTextAndRetriesOnTheNextFlush) {
    struct Fixture {
        const char* name;
        QString file;
        std::function<void()> block;   // makes the write fail, even for root
        std::function<void()> unblock; // removes the cause
    };
    const QString blocker = path(QStringLiteral("blocker"));
    const QString dirAtFile = path(QStringLiteral("d/sheet.txt"));
    const QList<Fixture> fixtures = {
        {"a file where the folder should be", path(QStringLiteral("blocker/pages/sheet.txt")),
         [&] { writeBytes(blocker, "x"); }, [&] { QFile::remove(blocker); }},
        {"a folder where the file should be", dirAtFile,
         [&] { QDir().mkpath(dirAtFile + QStringLiteral("/inner")); },
         [&] { QDir(dirAtFile).removeRecursively(); }},
    };
    for (const Fixture& f : fixtures) {
        SCOPED_TRACE(f.name);
        f.block();
        NoteStore store(f.file);
        reported.clear();
        watch(store);
        store.textDidChange(QStringLiteral("keep me"));
        store.flush();
        ASSERT_EQ(store.status().kind, Status::Failed);
        EXPECT_TRUE(store.statusText().startsWith(QStringLiteral("Not saved: ")))
            << store.statusText().toStdString();
        EXPECT_GT(store.statusText().size(), 11);
        EXPECT_EQ(store.pending(), QStringLiteral("keep me"));
        // Switching away and back must show the unsaved text, not the file on disk.
        EXPECT_EQ(store.load(), QStringLiteral("keep me"));

        f.unblock();
        store.flush();
        EXPECT_EQ(store.status(), Status::saved());
        EXPECT_EQ(store.pending(), std::nullopt);
        EXPECT_EQ(readBytes(f.file), QByteArray("keep me"));
        ASSERT_EQ(reported.size(), 3);
        EXPECT_EQ(reported[0], Status::edited());
        EXPECT_EQ(reported[1].kind, Status::Failed);
        EXPECT_EQ(reported[2], Status::saved());
    }
}

TEST_F(NoteStoreTest, FolderItsUserMayNotWriteFailsWithTheReason) {
    if (FileFaults::rerunAsOrdinaryUser()) return;
    const QString folder = path(QStringLiteral("locked"));
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    NoteStore store(folder + QStringLiteral("/sheet.txt"));
    EXPECT_EQ(store.load(), QString());
    store.textDidChange(QStringLiteral("x"));
    store.flush();
    EXPECT_EQ(store.statusText(), QStringLiteral("Not saved: Permission denied"));
    EXPECT_EQ(store.pending(), QStringLiteral("x"));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(NoteStoreTest, EditsAreSavedOnceAfterTheDelay) {
    NoteStore store(path());
    watch(store);
    EXPECT_EQ(store.saveDelay(), 0.5);
    store.setSaveDelay(0.05);
    store.textDidChange(QStringLiteral("1"));
    store.textDidChange(QStringLiteral("12"));
    store.textDidChange(QStringLiteral("123"));
    EXPECT_TRUE(store.isSaveScheduled());
    EXPECT_FALSE(QFile::exists(path()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return store.status() == Status::saved(); }, 10000));
    EXPECT_EQ(readBytes(path()), QByteArray("123"));
    EXPECT_EQ(reported, (QList<Status>{Status::edited(), Status::saved()}));
    EXPECT_FALSE(store.isSaveScheduled());
}

TEST_F(NoteStoreTest, LongDelayDoesNotSaveEarly) {
    NoteStore store(path());
    store.setSaveDelay(60);
    store.textDidChange(QStringLiteral("later"));
    QTest::qWait(50);
    EXPECT_FALSE(QFile::exists(path()));
    EXPECT_EQ(store.status(), Status::edited());
}

TEST_F(NoteStoreTest, ScheduledSaveDiesWithTheStore) {
    {
        NoteStore store(path());
        store.setSaveDelay(0.01);
        store.textDidChange(QStringLiteral("never written"));
    }
    QTest::qWait(100);
    EXPECT_FALSE(QFile::exists(path()));
}
