// The sheet store and the library against a real file system that fails: a full disk, folders an ordinary
// user may not read, links, FIFOs and steady typing.
#include "ui/storage/NoteStore.h"
#include "ui/storage/PageLibrary.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "support/FileFaults.h"
#include "ui/storage/FileBytes.h"
#include "ui/storage/QtPrinters.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace VexilUI;
using namespace FileFaults;
using Status = NoteStore::Status;

namespace {

constexpr double kNow = 1700000000;

class StorageFaults : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }
    QString path(const QString& rel) const { return tmp.filePath(rel); }

    QTemporaryDir tmp;
};

} // namespace

TEST_F(StorageFaults, FullDiskKeepsTheSheetWholeAndSaysWhy) {
    SmallDisk disk(path(QStringLiteral("disk")));
    const QString file = disk.folder() + QStringLiteral("/pages/sheet.txt");
    const QByteArray before("36 bytes that must survive the save.");
    ASSERT_EQ(before.size(), 36);
    writeBytes(file, before);
    NoteStore store(file);
    ASSERT_EQ(store.load(), QString::fromUtf8(before));

    disk.fill();
    const QString typed = QString::fromUtf8(before) + u'!';
    store.textDidChange(typed);
    store.flush();
    EXPECT_EQ(store.statusText(), QStringLiteral("Not saved: No space left on device"));
    EXPECT_EQ(readBytes(file), before) << "the old sheet stays byte for byte";
    EXPECT_EQ(store.pending(), typed);
    EXPECT_EQ(store.load(), typed);

    // Retried on a timer of its own once there is room again.
    disk.free();
    EXPECT_TRUE(QTest::qWaitFor([&] { return store.status() == Status::saved(); }, 15000));
    EXPECT_EQ(readBytes(file), typed.toUtf8());
}

TEST_F(StorageFaults, FullDiskNeverEmptiesTheIndex) {
    SmallDisk disk(path(QStringLiteral("disk")));
    const QString index = disk.folder() + QStringLiteral("/pages.json");
    PageLibrary library(disk.folder(), kNow);
    library.discard = [](const QString&) {};
    const QByteArray before = readBytes(index);
    ASSERT_FALSE(before.isEmpty());

    disk.fill();
    const Page added = library.create(kNow);
    EXPECT_EQ(readBytes(index), before) << "the old index stays byte for byte";

    disk.free();
    library.flushAll(); // writes what the index still owes
    const auto onDisk = PageIndex::decode(readBytes(index));
    ASSERT_TRUE(onDisk);
    EXPECT_EQ(onDisk->pages, library.pages());
    EXPECT_EQ(onDisk->pages.first().id, added.id);
}

TEST_F(StorageFaults, SheetInAFolderItsUserMayNotReadOpensReadOnlyAndIsNeverOverwritten) {
    if (rerunAsOrdinaryUser()) return;
    const QString pages = path(QStringLiteral("pages"));
    const QString file = pages + QStringLiteral("/sheet.txt");
    writeBytes(file, "precious");
    ASSERT_EQ(::chmod(QFile::encodeName(pages).constData(), 0), 0);
    NoteStore store(file);
    EXPECT_EQ(store.load(), QString());
    EXPECT_EQ(store.status().kind, Status::ReadOnly);
    EXPECT_TRUE(store.statusText().endsWith(QStringLiteral(": Permission denied")))
        << store.statusText().toStdString();
    store.textDidChange(QStringLiteral("typed while the folder was locked"));

    // The folder is opened again before the quit: still nothing is written over the unread sheet.
    ASSERT_EQ(::chmod(QFile::encodeName(pages).constData(), 0700), 0);
    store.flush();
    EXPECT_EQ(readBytes(file), QByteArray("precious"));
}

TEST_F(StorageFaults, LinkedSheetIsNeitherShownNorWrittenThrough) {
    const QString target = path(QStringLiteral("elsewhere/passwd"));
    const QByteArray secret("root:x:0:0:root:/root:/bin/bash\n");
    writeBytes(target, secret);
    const QString file = path(QStringLiteral("pages/sheet.txt"));
    QDir().mkpath(path(QStringLiteral("pages")));
    ASSERT_TRUE(QFile::link(target, file));

    NoteStore store(file);
    EXPECT_EQ(store.load(), QString());
    EXPECT_EQ(store.status().kind, Status::ReadOnly);
    store.textDidChange(QStringLiteral("overwrite"));
    store.flush();
    EXPECT_EQ(readBytes(target), secret);
    EXPECT_TRUE(QFileInfo(file).isSymLink());
}

TEST_F(StorageFaults, FifoInPlaceOfASheetNeverBlocks) {
    const QString id = QStringLiteral("00000000-0000-4000-8000-000000000001");
    const QString file = path(QStringLiteral("pages/") + id + QStringLiteral(".txt"));
    makeFifo(file);
    {
        FifoWatchdog watchdog(file);
        NoteStore store(file);
        EXPECT_EQ(store.load(), QString());
        EXPECT_FALSE(watchdog.finish()) << "opening the sheet waited on the FIFO";
        EXPECT_EQ(store.status().kind, Status::ReadOnly);
    }
    PageLibrary library(tmp.path(), kNow);
    FifoWatchdog watchdog(file);
    EXPECT_EQ(library.text(id), QString()); // searching sheet contents
    EXPECT_FALSE(watchdog.finish()) << "searching waited on the FIFO";
}

TEST_F(StorageFaults, SheetLargerThanTheEditorHoldsOpensReadOnlyUnread) {
    const QString file = path(QStringLiteral("pages/sheet.txt"));
    QDir().mkpath(path(QStringLiteral("pages")));
    QFile sparse(file);
    ASSERT_TRUE(sparse.open(QIODevice::WriteOnly) && sparse.resize(NoteStore::kMaxSheetBytes + 1));
    sparse.close();
    NoteStore store(file);
    EXPECT_EQ(store.load(), QString());
    EXPECT_EQ(store.status(),
              Status::readOnly(QStringLiteral(
                  "Couldn't read this sheet, so edits won't be saved: File too large (over 2048 MiB)")));
}

TEST_F(StorageFaults, IndexThatIsNoRegularFileIsMovedAsideWithoutBlocking) {
    struct Case {
        const char* what;
        std::function<void(const QString&)> make;
    };
    const QString outsideIndex = path(QStringLiteral("elsewhere/pages.json"));
    writeBytes(outsideIndex, "{\"pages\":[]}");
    const Case cases[] = {
        {"a FIFO", [](const QString& p) { makeFifo(p); }},
        {"a link to /dev/zero",
         [](const QString& p) { ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), p)); }},
        {"a link to an index elsewhere",
         [&](const QString& p) { ASSERT_TRUE(QFile::link(outsideIndex, p)); }},
        {"a folder", [](const QString& p) { ASSERT_TRUE(QDir().mkpath(p)); }},
        {"a file over 64 MiB",
         [](const QString& p) {
             QFile f(p);
             ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.resize(qint64(64) * 1024 * 1024 + 1));
         }},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString data = path(QStringLiteral("data%1").arg(++n));
        QDir().mkpath(data);
        const QString index = data + QStringLiteral("/pages.json");
        c.make(index);
        FifoWatchdog watchdog(index);
        PageLibrary library(data, kNow);
        EXPECT_FALSE(watchdog.finish()) << "opening the library waited on the index";
        EXPECT_EQ(library.pages().size(), 1);
        EXPECT_TRUE(QFileInfo(index).isFile() && !QFileInfo(index).isSymLink())
            << "a fresh index replaces it";
        EXPECT_EQ(QDir(data)
                      .entryList({QStringLiteral("pages.json.unreadable-*")},
                                 QDir::AllEntries | QDir::System | QDir::Hidden)
                      .size(),
                  1);
    }
    EXPECT_EQ(readBytes(outsideIndex), QByteArray("{\"pages\":[]}"));
}

TEST_F(StorageFaults, SteadyTypingIsSavedWithinTwoSeconds) {
    const QString file = path(QStringLiteral("pages/sheet.txt"));
    NoteStore store(file);
    store.load();
    QString text;
    QElapsedTimer typing;
    typing.start();
    // A key every tenth of a second never leaves the half-second pause the debounce waits for.
    while (typing.elapsed() < 3000 && !QFile::exists(file)) {
        text += u'1';
        store.textDidChange(text);
        QTest::qWait(100);
    }
    EXPECT_TRUE(QFile::exists(file)) << "nothing was written during three seconds of typing";
    EXPECT_TRUE(text.startsWith(QString::fromUtf8(readBytes(file))));
}

TEST_F(StorageFaults, UnlistedSheetFilesAreAdoptedAndIndexNamesCapped) {
    const QString listed = QStringLiteral("00000000-0000-4000-8000-000000000001");
    const QString unlisted = QStringLiteral("00000000-0000-4000-8000-000000000002");
    Index index;
    index.pages = {Page{listed, QString(200, u'n'), std::nullopt, 100, std::nullopt, false}};
    index.groups =
        QList<Group>{Group{QStringLiteral("AAAAAAAA-0000-4000-8000-000000000001"), QString(90, u'g'), false}};
    writeBytes(path(QStringLiteral("pages.json")), PageIndex::encode(index));
    writeBytes(path(QStringLiteral("pages/") + listed + QStringLiteral(".txt")), "listed");
    writeBytes(path(QStringLiteral("pages/") + unlisted + QStringLiteral(".txt")),
               "made by a run whose index was lost");

    PageLibrary library(tmp.path(), kNow);
    ASSERT_EQ(library.pages().size(), 2);
    EXPECT_EQ(library.pages()[0].name, QString(60, u'n'));
    EXPECT_EQ(library.groups()[0].name, QString(60, u'g'));
    EXPECT_EQ(library.pages()[1].id, unlisted);
    EXPECT_EQ(library.text(unlisted), QStringLiteral("made by a run whose index was lost"));
    const auto onDisk = PageIndex::decode(readBytes(path(QStringLiteral("pages.json"))));
    ASSERT_TRUE(onDisk);
    EXPECT_EQ(onDisk->pages, library.pages());
}
