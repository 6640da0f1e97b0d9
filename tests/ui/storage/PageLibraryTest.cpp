#include "ui/storage/PageLibrary.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "ui/storage/FileBytes.h"
#include "ui/storage/QtPrinters.h"

#include <gtest/gtest.h>

#include <functional>

using namespace VexilUI;

namespace {

constexpr double kNow = 1700000000; // 2023-11-14 22:13:20 UTC
const QString kStamp = QStringLiteral("20231114-221320");

QString pid(int n) {
    return QStringLiteral("00000000-0000-4000-8000-%1").arg(n, 12, 10, QLatin1Char('0'));
}
const QString P1 = pid(1), P2 = pid(2), P3 = pid(3), P4 = pid(4), P5 = pid(5), P6 = pid(6);
const QString G1 = QStringLiteral("AAAAAAAA-0000-4000-8000-000000000001");
const QString G2 = QStringLiteral("AAAAAAAA-0000-4000-8000-000000000002");

void setModified(const QString& path, qint64 secs) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(QDateTime::fromSecsSinceEpoch(secs), QFileDevice::FileModificationTime));
}

QStringList idsOf(const QList<Page>& pages) {
    QStringList out;
    for (const Page& p : pages)
        out.append(p.id);
    return out;
}

QStringList namesOf(const QList<Page>& pages) {
    QStringList out;
    for (const Page& p : pages)
        out.append(p.name);
    return out;
}

QSet<QString> idSet(const PageLibrary& lib) {
    const QStringList ids = idsOf(lib.pages());
    return QSet<QString>(ids.begin(), ids.end());
}

Page page(const QString& id, const QString& name, std::optional<QString> group = std::nullopt,
          bool pinned = false) {
    return Page{id, name, std::nullopt, 100, std::move(group), pinned};
}

class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        dir = tmp.filePath(QStringLiteral("data"));
    }

    QString file(const QString& rel) const { return QDir(dir).filePath(rel); }
    QString indexFile() const { return file(QStringLiteral("pages.json")); }

    std::unique_ptr<PageLibrary> open() {
        auto lib = std::make_unique<PageLibrary>(dir, kNow);
        lib->discard = [this](const QString& path) { discarded.append(path); };
        return lib;
    }

    // Sheets P1..P6 in two folders (G2 empty), P1 and P2 pinned, P3 selected.
    std::unique_ptr<PageLibrary> openRich() {
        Index index;
        index.pages = {page(P1, "One", std::nullopt, true),
                       page(P2, "Two", G1, true),
                       page(P3, "Three"),
                       page(P4, "Four", G1),
                       page(P5, "Five", G1),
                       page(P6, "Six")};
        index.groups = QList<Group>{Group{G1, "Work", false}, Group{G2, "Empty", true}};
        index.selected = P3;
        writeBytes(indexFile(), PageIndex::encode(index));
        return open();
    }

    // The index on disk matches the library in memory.
    void expectSaved(const PageLibrary& lib) {
        const auto onDisk = PageIndex::decode(readBytes(indexFile()));
        ASSERT_TRUE(onDisk);
        EXPECT_EQ(onDisk->pages, lib.pages());
        EXPECT_EQ(onDisk->groups, lib.groups());
        EXPECT_EQ(onDisk->selected, lib.selectedID());
    }

    // Runs op and checks that it neither changed the library nor wrote the index.
    void expectNoChange(PageLibrary& lib, const std::function<void()>& op) {
        const QList<Page> pages = lib.pages();
        const QList<Group> groups = lib.groups();
        const auto selected = lib.selectedID();
        QFile::remove(indexFile());
        op();
        EXPECT_EQ(lib.pages(), pages);
        EXPECT_EQ(lib.groups(), groups);
        EXPECT_EQ(lib.selectedID(), selected);
        EXPECT_FALSE(QFile::exists(indexFile()));
        lib.save();
    }

    QTemporaryDir tmp;
    QString dir;
    QStringList discarded;
};

} // namespace

TEST_F(LibraryTest, FirstStartInAMissingDirectory) {
    auto lib = open();
    ASSERT_EQ(lib->pages().size(), 1);
    const Page first = lib->pages()[0];
    EXPECT_EQ(first.name, QStringLiteral("Sheet 1"));
    EXPECT_EQ(first.created, kNow);
    EXPECT_TRUE(PageIndex::isSheetId(first.id));
    EXPECT_EQ(first.id, first.id.toUpper());
    EXPECT_EQ(lib->selectedID(), first.id);
    EXPECT_EQ(lib->selected(), first);
    EXPECT_TRUE(lib->groups().isEmpty());
    expectSaved(*lib);
    EXPECT_TRUE(QFileInfo(file("pages")).isDir());
    EXPECT_FALSE(QFile::exists(lib->sheetPath(first.id)));
    EXPECT_EQ(lib->sheetPath(first.id), file("pages/" + first.id + ".txt"));
    EXPECT_TRUE(lib->indexWritable());
}

TEST_F(LibraryTest, FirstStartTakesOverNoteTxtAndLeavesIt) {
    writeBytes(file("note.txt"), "rent = 900\nrent * 12\n");
    auto lib = open();
    ASSERT_EQ(lib->pages().size(), 1);
    const QString id = lib->pages()[0].id;
    EXPECT_EQ(lib->text(id), QStringLiteral("rent = 900\nrent * 12\n"));
    EXPECT_EQ(lib->store(id)->load(), QStringLiteral("rent = 900\nrent * 12\n"));
    EXPECT_EQ(readBytes(file("note.txt")), QByteArray("rent = 900\nrent * 12\n"));

    // Opening again uses the index and does not import the note a second time.
    auto again = open();
    EXPECT_EQ(again->pages(), lib->pages());
}

TEST_F(LibraryTest, UndecodableNoteTxtStartsEmptyAndStays) {
    writeBytes(file("note.txt"), "bad \xff");
    auto lib = open();
    EXPECT_FALSE(QFile::exists(lib->sheetPath(lib->pages()[0].id)));
    EXPECT_EQ(readBytes(file("note.txt")), QByteArray("bad \xff"));
}

TEST_F(LibraryTest, OpensAValidIndexWithoutWritingIt) {
    const QByteArray json =
        QStringLiteral(R"({"pages":[{"id":"%1","name":"A","created":1,"group":"%3"},)"
                       R"({"id":"%2","name":"B","created":2,"group":"%4","pinned":true}],)"
                       R"("groups":[{"id":"%4","name":"F","collapsed":true}],"selected":"%5"})")
            .arg(P1, P2, G1, G2, P6)
            .toUtf8();
    writeBytes(indexFile(), json);
    writeBytes(file("note.txt"), "old note");
    auto lib = open();
    // The folder G1 no longer exists: its sheet opens ungrouped. P6 is no sheet: the first is selected.
    EXPECT_EQ(lib->pages(), (QList<Page>{Page{P1, "A", std::nullopt, 1, std::nullopt, false},
                                         Page{P2, "B", std::nullopt, 2, G2, true}}));
    EXPECT_EQ(lib->groups(), (QList<Group>{Group{G2, "F", true}}));
    EXPECT_EQ(lib->selectedID(), P1);
    EXPECT_EQ(readBytes(indexFile()), json);
    EXPECT_EQ(lib->pinnedPages(), QList<Page>{lib->pages()[1]});
    EXPECT_EQ(lib->pages(G2), QList<Page>{lib->pages()[1]});
    EXPECT_EQ(lib->pages(std::nullopt), QList<Page>{lib->pages()[0]});
}

TEST_F(LibraryTest, IndexWithoutFoldersKeyReadsAsNoFolders) {
    writeBytes(
        indexFile(),
        QStringLiteral(R"({"pages":[{"id":"%1","name":"A","created":1}],"selected":"%1"})").arg(P4).toUtf8());
    auto lib = open();
    EXPECT_TRUE(lib->groups().isEmpty());
    EXPECT_EQ(lib->selectedID(), P4);
    EXPECT_FALSE(lib->pages()[0].pinned);
}

TEST_F(LibraryTest, UnusableIndexIsMovedAsideAndItsSheetFilesAdopted) {
    struct Case {
        const char* name;
        QByteArray bytes;
        QStringList names; // expected names of P2, P1: newest file first
    };
    const QByteArray named =
        QStringLiteral(R"({"pages":[{"id":"%1","name":"Taxes","created":"x"}]})").arg(P1).toUtf8();
    const QList<Case> cases = {
        {"invalid JSON", "{\"pages\":[{", {"Recovered 1", "Recovered 2"}},
        {"created as a string", named, {"Recovered 1", "Taxes"}},
        {"pinned is \"yes\"",
         QStringLiteral(R"({"pages":[{"id":"%1","name":"A","created":1,"pinned":"yes"},)"
                        R"({"id":"%2","name":"B","created":1}]})")
             .arg(P1, P2)
             .toUtf8(),
         {"B", "A"}},
        {"no pages key", "{\"groups\":[]}", {"Recovered 1", "Recovered 2"}},
        {"no sheets", "{\"pages\":[],\"groups\":[]}", {"Recovered 1", "Recovered 2"}},
        {"only an id that is no UUID",
         R"({"pages":[{"id":"../../x","name":"Evil","created":1}]})",
         {"Recovered 1", "Recovered 2"}},
        {"not UTF-8", "\xff\xfe{", {"Recovered 1", "Recovered 2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(dir).removeRecursively();
        writeBytes(indexFile(), c.bytes);
        writeBytes(file("note.txt"), "legacy");
        writeBytes(file("pages/" + P1 + ".txt"), "one");
        writeBytes(file("pages/" + P2 + ".txt"), "two");
        writeBytes(file("pages/not-a-sheet.txt"), "ignored");
        writeBytes(file("pages/" + P3 + ".md"), "ignored");
        setModified(file("pages/" + P1 + ".txt"), 1000);
        setModified(file("pages/" + P2 + ".txt"), 2000);

        auto lib = open();
        EXPECT_EQ(readBytes(file("pages.json.unreadable-" + kStamp)), c.bytes);
        EXPECT_EQ(idsOf(lib->pages()), (QStringList{P2, P1}));
        EXPECT_EQ(namesOf(lib->pages()), c.names);
        EXPECT_EQ(lib->pages()[0].created, 2000);
        EXPECT_TRUE(lib->groups().isEmpty());
        EXPECT_EQ(lib->selectedID(), P2);
        EXPECT_EQ(lib->text(P2), QStringLiteral("two"));
        expectSaved(*lib);
        EXPECT_EQ(readBytes(file("note.txt")), QByteArray("legacy"));
    }
}

TEST_F(LibraryTest, UnreadableIndexIsNeverOverwritten) {
    // A directory in place of the index cannot be read, even by root.
    QDir().mkpath(file("pages.json/keep"));
    writeBytes(file("pages/" + P5 + ".txt"), "five");
    auto lib = open();
    EXPECT_TRUE(QFileInfo(file("pages.json.unreadable-" + kStamp + "/keep")).isDir());
    EXPECT_EQ(idsOf(lib->pages()), QStringList{P5});
    EXPECT_EQ(namesOf(lib->pages()), QStringList{"Recovered 1"});
    expectSaved(*lib);
}

TEST_F(LibraryTest, DamagedIndexWithoutSheetFilesTakesOverNoteTxt) {
    writeBytes(indexFile(), "garbage");
    writeBytes(file("note.txt"), "legacy");
    auto lib = open();
    ASSERT_EQ(lib->pages().size(), 1);
    EXPECT_EQ(lib->pages()[0].name, QStringLiteral("Sheet 1"));
    EXPECT_EQ(lib->text(lib->pages()[0].id), QStringLiteral("legacy"));
    EXPECT_EQ(readBytes(file("pages.json.unreadable-" + kStamp)), QByteArray("garbage"));
}

TEST_F(LibraryTest, AsideNamesNeverReplaceEarlierOnes) {
    writeBytes(file("pages.json.unreadable-" + kStamp), "first");
    writeBytes(file("pages.json.unreadable-" + kStamp + "-2"), "second");
    writeBytes(indexFile(), "third");
    open();
    EXPECT_EQ(readBytes(file("pages.json.unreadable-" + kStamp)), QByteArray("first"));
    EXPECT_EQ(readBytes(file("pages.json.unreadable-" + kStamp + "-2")), QByteArray("second"));
    EXPECT_EQ(readBytes(file("pages.json.unreadable-" + kStamp + "-3")), QByteArray("third"));
}

TEST_F(LibraryTest, MissingIndexAdoptsSheetFilesInsteadOfOrphaningThem) {
    writeBytes(file("pages/" + P3 + ".txt"), "three");
    writeBytes(file("note.txt"), "legacy");
    auto lib = open();
    EXPECT_EQ(idsOf(lib->pages()), QStringList{P3});
    EXPECT_EQ(namesOf(lib->pages()), QStringList{"Recovered 1"});
    expectSaved(*lib);
}

TEST_F(LibraryTest, IdsThatAreNoUuidNeverBecomeFileNames) {
    writeBytes(tmp.filePath("x.txt"), "outside");
    writeBytes(indexFile(), QStringLiteral(R"({"pages":[{"id":"../../x","name":"Evil","created":1},)"
                                           R"({"id":"%1","name":"Good","created":1}],"selected":"../../x"})")
                                .arg(P1)
                                .toUtf8());
    auto lib = open();
    EXPECT_EQ(idsOf(lib->pages()), QStringList{P1});
    EXPECT_EQ(lib->selectedID(), P1);
    EXPECT_EQ(lib->store(QStringLiteral("../../x")), nullptr);
    EXPECT_EQ(lib->text(QStringLiteral("../../x")), QString());
    EXPECT_FALSE(lib->deletePage(QStringLiteral("../../x")));
    EXPECT_EQ(readBytes(tmp.filePath("x.txt")), QByteArray("outside"));
}

TEST_F(LibraryTest, StoresAreMadeOnceAndFlushedTogether) {
    auto lib = openRich();
    const auto a = lib->store(P1);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(lib->store(P1), a);
    EXPECT_EQ(a->path(), lib->sheetPath(P1));
    const auto b = lib->store(P2);
    a->textDidChange("alpha");
    b->textDidChange("beta");
    EXPECT_EQ(lib->text(P1), QString()); // the file, not the pending text
    lib->flushAll();
    EXPECT_EQ(lib->text(P1), QStringLiteral("alpha"));
    EXPECT_EQ(lib->text(P2), QStringLiteral("beta"));
    EXPECT_EQ(b->status(), NoteStore::Status::saved());

    writeBytes(lib->sheetPath(P3), "caf\xc3");
    EXPECT_EQ(lib->text(P3), QString());
}

TEST_F(LibraryTest, CreateNamesAndPlacesTheNewSheet) {
    auto lib = openRich();
    lib->rename(P1, "Sheet 8");
    lib->rename(P3, "Sheet 7");
    const Page loose = lib->create(kNow + 5);
    EXPECT_EQ(loose.name, QStringLiteral("Sheet 9"));
    EXPECT_EQ(loose.created, kNow + 5);
    EXPECT_EQ(loose.group, std::nullopt);
    EXPECT_FALSE(loose.pinned);
    EXPECT_EQ(lib->pages()[0], loose); // before the first loose sheet
    EXPECT_EQ(lib->selectedID(), loose.id);
    expectSaved(*lib);

    lib->select(P4);
    const Page inFolder = lib->create(kNow, true);
    EXPECT_EQ(inFolder.name, QStringLiteral("Sheet 10"));
    EXPECT_EQ(inFolder.group, G1);
    EXPECT_EQ(lib->pages()[idsOf(lib->pages()).indexOf(inFolder.id) + 1].id, P2);

    lib->select(P4);
    EXPECT_EQ(lib->create(kNow, false).group, std::nullopt);
}

TEST_F(LibraryTest, CreateCountsFromTheNumberOfSheets) {
    writeBytes(indexFile(), PageIndex::encode(Index{{page(P1, "Sheet 2"), page(P2, "Sheet 3")}, P1, {}}));
    auto lib = open();
    EXPECT_EQ(lib->create().name, QStringLiteral("Sheet 4"));
}

TEST_F(LibraryTest, CreateGroupIsInsertedFirst) {
    auto lib = openRich();
    const Group g = lib->createGroup();
    EXPECT_EQ(g.name, QStringLiteral("Folder 3"));
    EXPECT_FALSE(g.collapsed);
    EXPECT_TRUE(PageIndex::isSheetId(g.id));
    EXPECT_EQ(lib->groups()[0], g);
    lib->renameGroup(G1, "Folder 4");
    EXPECT_EQ(lib->createGroup().name, QStringLiteral("Folder 5"));
    expectSaved(*lib);
}

TEST_F(LibraryTest, RenameTrimsAndCutsAtSixtyCharacters) {
    const QString a59(59, u'a');
    const QList<std::tuple<const char*, QString, QString>> cases = {
        {"trimmed", QStringLiteral(" \t New name \n"), QStringLiteral("New name")},
        {"80 characters keep 60", QString(80, u'x'), QString(60, u'x')},
        {"emoji across the cut", a59 + QStringLiteral("\U0001F600b"), a59 + QStringLiteral("\U0001F600")},
        {"combining mark across the cut", a59 + QStringLiteral("e\u0301z"), a59 + QStringLiteral("e\u0301")},
        {"flag across the cut", a59 + QStringLiteral("\U0001F1E9\U0001F1EAq"),
         a59 + QStringLiteral("\U0001F1E9\U0001F1EA")},
        {"inner line breaks stay", QStringLiteral("a\nb"), QStringLiteral("a\nb")},
    };
    auto lib = openRich();
    for (const auto& [name, input, expected] : cases) {
        SCOPED_TRACE(name);
        lib->rename(P3, input);
        EXPECT_EQ(lib->pages()[2].name, expected);
        lib->renameGroup(G1, input);
        EXPECT_EQ(lib->groups()[0].name, expected);
        expectSaved(*lib);
    }
    const QString current = lib->pages()[2].name;
    for (const QString& blank : {QString(), QStringLiteral(" \n\t"), QStringLiteral("\u00A0\u2028\u3000")}) {
        expectNoChange(*lib, [&] { lib->rename(P3, blank); });
        expectNoChange(*lib, [&] { lib->renameGroup(G1, blank); });
    }
    expectNoChange(*lib, [&] { lib->rename(P3, "  " + current + " "); });
    expectNoChange(*lib, [&] { lib->rename(QStringLiteral("nope"), "X"); });
    expectNoChange(*lib, [&] { lib->renameGroup(QStringLiteral("nope"), "X"); });
}

TEST_F(LibraryTest, DeleteFlushesDiscardsAndReselects) {
    auto lib = openRich();
    const auto store = lib->store(P3);
    store->textDidChange("unsaved work");
    QByteArray discardedText;
    lib->discard = [&](const QString& path) {
        discarded.append(path);
        discardedText = readBytes(path);
    };
    EXPECT_TRUE(lib->deletePage(P3));
    // The store was flushed before its file was handed on, and the library did not remove the file.
    EXPECT_EQ(discarded, QStringList{lib->sheetPath(P3)});
    EXPECT_EQ(discardedText, QByteArray("unsaved work"));
    EXPECT_TRUE(QFile::exists(lib->sheetPath(P3)));
    EXPECT_EQ(idsOf(lib->pages()), (QStringList{P1, P2, P4, P5, P6}));
    EXPECT_EQ(lib->selectedID(), P4); // the sheet now at the same index
    EXPECT_NE(lib->store(P3), store);
    expectSaved(*lib);

    // No file: nothing to discard. The selection stays when another sheet goes.
    discarded.clear();
    EXPECT_TRUE(lib->deletePage(P1));
    EXPECT_TRUE(discarded.isEmpty());
    EXPECT_EQ(lib->selectedID(), P4);

    lib->select(P6);
    EXPECT_TRUE(lib->deletePage(P6));
    EXPECT_EQ(lib->selectedID(), P5); // the new last sheet
    expectSaved(*lib);

    expectNoChange(*lib, [&] { EXPECT_FALSE(lib->deletePage(P6)); });
    EXPECT_TRUE(lib->deletePage(P2));
    EXPECT_TRUE(lib->deletePage(P4));
    expectNoChange(*lib, [&] { EXPECT_FALSE(lib->deletePage(P5)); }); // the last sheet stays
}

TEST_F(LibraryTest, PinningReinsertsAmongThePinned) {
    auto lib = openRich();
    lib->setPinned(P6, true, P2);
    EXPECT_EQ(idsOf(lib->pages()), (QStringList{P1, P6, P2, P3, P4, P5}));
    EXPECT_TRUE(lib->pages()[1].pinned);
    lib->setPinned(P4, true, P3); // P3 is not pinned: after the last pinned sheet
    EXPECT_EQ(idsOf(lib->pages()), (QStringList{P1, P6, P2, P4, P3, P5}));
    lib->setPinned(P5, true, QStringLiteral("nope"));
    EXPECT_EQ(idsOf(lib->pages()), (QStringList{P1, P6, P2, P4, P5, P3}));
    lib->setPinned(P6, false);
    EXPECT_EQ(idsOf(lib->pages()), (QStringList{P1, P6, P2, P4, P5, P3}));
    EXPECT_FALSE(lib->pages()[1].pinned);
    EXPECT_EQ(idsOf(lib->pinnedPages()), (QStringList{P1, P2, P4, P5}));
    expectSaved(*lib);

    for (const QString& id : {P1, P2, P4, P5})
        lib->setPinned(id, false);
    lib->setPinned(P3, true);
    EXPECT_EQ(lib->pages()[0].id, P3); // none pinned: to the front
    expectNoChange(*lib, [&] { lib->setPinned(QStringLiteral("nope"), true); });
}

TEST_F(LibraryTest, PlaceMovesIntoAndOutOfFolders) {
    struct Case {
        const char* name;
        QString id;
        std::optional<QString> group;
        std::optional<QString> before;
        QStringList order;
    };
    // Start: P1 (pinned), P2 (G1, pinned), P3, P4 (G1), P5 (G1), P6.
    const QList<Case> cases = {
        {"before a sheet", P6, G1, P4, {P1, P2, P3, P6, P4, P5}},
        {"after the last sheet of the folder", P1, G1, std::nullopt, {P2, P3, P4, P5, P1, P6}},
        {"into an empty folder: to the end", P3, G2, std::nullopt, {P1, P2, P4, P5, P6, P3}},
        {"out of every folder", P4, std::nullopt, std::nullopt, {P1, P2, P3, P5, P6, P4}},
        {"a before that names no sheet falls back", P3, G1, QStringLiteral("nope"), {P1, P2, P4, P5, P3, P6}},
        {"before itself falls back", P4, G1, P4, {P1, P2, P3, P5, P4, P6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(dir).removeRecursively();
        auto lib = openRich();
        const bool pinned = lib->pages()[idsOf(lib->pages()).indexOf(c.id)].pinned;
        lib->place(c.id, c.group, c.before);
        EXPECT_EQ(idsOf(lib->pages()), c.order);
        const Page& placed = lib->pages()[idsOf(lib->pages()).indexOf(c.id)];
        EXPECT_EQ(placed.group, c.group);
        EXPECT_EQ(placed.pinned, pinned);
        expectSaved(*lib);
    }
    QDir(dir).removeRecursively();
    auto lib = openRich();
    lib->place(P6, G1, std::nullopt);
    lib->place(P4, std::nullopt, std::nullopt); // after P3, the last loose sheet, not at the end
    EXPECT_EQ(idsOf(lib->pages()), (QStringList{P1, P2, P3, P4, P5, P6}));
    expectNoChange(*lib, [&] { lib->place(P3, QStringLiteral("no folder"), std::nullopt); });
    expectNoChange(*lib, [&] { lib->place(QStringLiteral("nope"), G1, std::nullopt); });
}

TEST_F(LibraryTest, MoveClampsTheTarget) {
    auto lib = openRich();
    lib->move(0, 99);
    EXPECT_EQ(idsOf(lib->pages()), (QStringList{P2, P3, P4, P5, P6, P1}));
    lib->move(5, -4);
    EXPECT_EQ(idsOf(lib->pages()), (QStringList{P1, P2, P3, P4, P5, P6}));
    lib->move(1, 3);
    EXPECT_EQ(idsOf(lib->pages()), (QStringList{P1, P3, P4, P2, P5, P6}));
    expectSaved(*lib);
    expectNoChange(*lib, [&] { lib->move(6, 0); });
    expectNoChange(*lib, [&] { lib->move(-1, 0); });

    lib->moveGroup(0, 5);
    EXPECT_EQ(lib->groups()[1].id, G1);
    expectSaved(*lib);
    expectNoChange(*lib, [&] { lib->moveGroup(2, 0); });
}

TEST_F(LibraryTest, FolderColourAndSelectionOperations) {
    auto lib = openRich();
    lib->setCollapsed(G1, true);
    EXPECT_TRUE(lib->groups()[0].collapsed);
    lib->setColor(P3, QStringLiteral("4DABF7"));
    EXPECT_EQ(lib->pages()[2].color, QStringLiteral("4DABF7"));
    lib->select(P5);
    EXPECT_EQ(lib->selectedID(), P5);
    expectSaved(*lib);
    lib->setColor(P3, std::nullopt);
    EXPECT_EQ(lib->pages()[2].color, std::nullopt);

    lib->ungroup(G1);
    EXPECT_EQ(lib->groups(), (QList<Group>{Group{G2, "Empty", true}}));
    EXPECT_EQ(idsOf(lib->pages()), (QStringList{P1, P2, P3, P4, P5, P6}));
    EXPECT_EQ(lib->pages(std::nullopt).size(), 6);
    expectSaved(*lib);

    expectNoChange(*lib, [&] { lib->setCollapsed(G1, false); });
    expectNoChange(*lib, [&] { lib->ungroup(QStringLiteral("nope")); });
    expectNoChange(*lib, [&] { lib->setColor(QStringLiteral("nope"), QStringLiteral("FF6B6B")); });
    expectNoChange(*lib, [&] { lib->select(QStringLiteral("nope")); });
}

TEST_F(LibraryTest, NoOperationLosesASheet) {
    struct Op {
        const char* name;
        std::function<void(PageLibrary&)> run;
        int added; // sheets the operation is meant to add (negative: remove)
    };
    const QList<Op> ops = {
        {"create", [](PageLibrary& l) { l.create(kNow, true); }, 1},
        {"createGroup", [](PageLibrary& l) { l.createGroup(); }, 0},
        {"rename", [](PageLibrary& l) { l.rename(P2, "New"); }, 0},
        {"renameGroup", [](PageLibrary& l) { l.renameGroup(G2, "New"); }, 0},
        {"delete", [](PageLibrary& l) { l.deletePage(P4); }, -1},
        {"pin before a pinned sheet", [](PageLibrary& l) { l.setPinned(P5, true, P1); }, 0},
        {"pin before an unknown sheet", [](PageLibrary& l) { l.setPinned(P5, true, QStringLiteral("x")); },
         0},
        {"pin an unknown sheet", [](PageLibrary& l) { l.setPinned(QStringLiteral("x"), true, P1); }, 0},
        {"unpin", [](PageLibrary& l) { l.setPinned(P1, false); }, 0},
        {"place before", [](PageLibrary& l) { l.place(P6, G1, P2); }, 0},
        {"place before an unknown sheet", [](PageLibrary& l) { l.place(P6, G2, QStringLiteral("x")); }, 0},
        {"place in an unknown folder", [](PageLibrary& l) { l.place(P6, QStringLiteral("x"), P2); }, 0},
        {"place loose", [](PageLibrary& l) { l.place(P2, std::nullopt, std::nullopt); }, 0},
        {"ungroup", [](PageLibrary& l) { l.ungroup(G1); }, 0},
        {"collapse", [](PageLibrary& l) { l.setCollapsed(G1, true); }, 0},
        {"colour", [](PageLibrary& l) { l.setColor(P1, QStringLiteral("FFD43B")); }, 0},
        {"select", [](PageLibrary& l) { l.select(P6); }, 0},
        {"move", [](PageLibrary& l) { l.move(5, 0); }, 0},
        {"move past the end", [](PageLibrary& l) { l.move(0, 100); }, 0},
        {"move from outside", [](PageLibrary& l) { l.move(100, 0); }, 0},
        {"moveGroup", [](PageLibrary& l) { l.moveGroup(1, 0); }, 0},
    };
    for (const Op& op : ops) {
        SCOPED_TRACE(op.name);
        QDir(dir).removeRecursively();
        auto lib = openRich();
        const QSet<QString> before = idSet(*lib);
        op.run(*lib);
        const QSet<QString> after = idSet(*lib);
        EXPECT_EQ(after.size(), before.size() + op.added);
        if (op.added >= 0) {
            EXPECT_TRUE(after.contains(before));
        } else {
            EXPECT_TRUE(before.contains(after));
        }
        EXPECT_EQ(lib->pages().size(), after.size()) << "no id appears twice";
        ASSERT_TRUE(lib->selected());
        for (const Page& p : lib->pages()) {
            if (p.group) {
                EXPECT_TRUE(std::any_of(lib->groups().begin(), lib->groups().end(),
                                        [&](const Group& g) { return g.id == *p.group; }));
            }
        }
        expectSaved(*lib);
    }
}

TEST_F(LibraryTest, ColoursAreTheElevenLabels) {
    const auto& colors = PageLibrary::colors();
    ASSERT_EQ(colors.size(), 11);
    EXPECT_EQ(colors[0].name, QStringLiteral("None"));
    EXPECT_EQ(colors[0].hex, std::nullopt);
    EXPECT_EQ(colors[1].name, QStringLiteral("Lime"));
    EXPECT_EQ(colors[1].hex, QStringLiteral("DFFF57"));
    EXPECT_EQ(colors[10].name, QStringLiteral("Grey"));
    EXPECT_EQ(colors[10].hex, QStringLiteral("ADB5BD"));
}

// The real Trash, inside the temporary tree: HOME and XDG_DATA_HOME point there, and the data home
// does not exist yet.
TEST_F(LibraryTest, DeletedSheetGoesToTheTrashNotTheWorkingDirectory) {
    const QString home = tmp.filePath(QStringLiteral("home"));
    const QString dataHome = home + QStringLiteral("/.local/share");
    const QString cwd = tmp.filePath(QStringLiteral("cwd"));
    QDir().mkpath(cwd);
    const QByteArray oldHome = qgetenv("HOME"), oldData = qgetenv("XDG_DATA_HOME");
    const QString oldCwd = QDir::currentPath();
    qputenv("HOME", home.toUtf8());
    qputenv("XDG_DATA_HOME", dataHome.toUtf8());
    QDir::setCurrent(cwd);
    QDir().mkpath(home);

    dir = home + QStringLiteral("/data");
    auto lib = openRich();
    lib->discard = &PageLibrary::moveToTrash;
    writeBytes(lib->sheetPath(P3), "to the trash");
    EXPECT_TRUE(lib->deletePage(P3));
    EXPECT_FALSE(QFile::exists(lib->sheetPath(P3)));
    EXPECT_EQ(readBytes(dataHome + QStringLiteral("/Trash/files/") + P3 + QStringLiteral(".txt")),
              QByteArray("to the trash"));
    EXPECT_FALSE(QFile::exists(cwd + QStringLiteral("/files")));
    EXPECT_FALSE(QFile::exists(cwd + QStringLiteral("/info")));

    // When the data home cannot be made (a file is in the way), the file stays where it is.
    writeBytes(home + QStringLiteral("/blocked"), "file");
    qputenv("XDG_DATA_HOME", (home + QStringLiteral("/blocked/share")).toUtf8());
    writeBytes(lib->sheetPath(P4), "stays");
    EXPECT_TRUE(lib->deletePage(P4));
    EXPECT_EQ(readBytes(lib->sheetPath(P4)), QByteArray("stays"));
    EXPECT_FALSE(QFile::exists(cwd + QStringLiteral("/files")));

    QDir::setCurrent(oldCwd);
    qputenv("HOME", oldHome);
    if (oldData.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", oldData);
}

// When the unreadable index cannot be moved aside, it is never overwritten for the rest of the run.
// The path is long enough for "pages.json" but too long for the aside name, so the rename fails even
// for root.
TEST_F(LibraryTest, IndexThatCannotBeMovedAsideIsNeverWritten) {
    QString deep = tmp.path();
    const qsizetype target = 4080 - QStringLiteral("/pages.json").size();
    while (deep.size() < target) {
        const qsizetype room = target - deep.size() - 1;
        deep += u'/' + QString(std::min<qsizetype>(200, std::max<qsizetype>(room, 1)), u'd');
    }
    ASSERT_EQ(deep.size(), target);
    ASSERT_TRUE(QDir().mkpath(deep));
    dir = deep;
    writeBytes(indexFile(), "damaged");
    // Qt warns about the over-long name; that is the point here.
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    auto lib = open();
    qInstallMessageHandler(previous);
    EXPECT_FALSE(lib->indexWritable());
    EXPECT_EQ(lib->pages().size(), 1);
    lib->create(kNow);
    lib->rename(lib->pages()[0].id, "Kept in memory");
    EXPECT_EQ(lib->pages().size(), 2);
    EXPECT_EQ(readBytes(indexFile()), QByteArray("damaged"));
}
