#include "ControllerFixture.h"

#include "ui/notebook/Controls.h"
#include "ui/notebook/Theme.h"

#include <QDir>
#include <QUndoStack>

using namespace VexilUI;
using VexilCore::TextRange;

TEST_F(ControllerFixture, SaveLabelFollowsTheStore) {
    EXPECT_EQ(controller->saveLabel()->text(), QStringLiteral("Saved"));
    type("1");
    EXPECT_EQ(controller->saveLabel()->text(), QStringLiteral("Edited"));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return controller->saveLabel()->text() == QStringLiteral("Saved"); }, 3000));
    EXPECT_EQ(fileText(notes->path()), QStringLiteral("1"));
}

TEST_F(ControllerFixture, UnreadableSheetIsReadOnlyWithItsWholeReasonShown) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.txt"))); // a folder cannot be read as text
    QFile bad(dir.filePath(QStringLiteral("bad.txt")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("total 5\n\xff kg\n");
    bad.close();
    for (const char* name : {"folder.txt", "bad.txt"}) {
        SCOPED_TRACE(name);
        auto unreadable = makeStore(QString::fromLatin1(name));
        controller->switchTo(unreadable);
        ASSERT_EQ(unreadable->status().kind, NoteStore::Status::ReadOnly);
        const QString reason = unreadable->status().message;
        EXPECT_EQ(controller->saveLabel()->text(), reason);
        EXPECT_EQ(controller->saveLabel()->toolTip(), reason)
            << "the label may be cut short; the tip is whole";
        EXPECT_TRUE(view()->isReadOnly()) << "what cannot be saved cannot be typed";
        show();
        type("2 + 2");
        EXPECT_EQ(text(), QString());
        EXPECT_EQ(unreadable->pending(), std::nullopt);
    }
    // A readable sheet is editable again, without the tip.
    controller->switchTo(notes);
    EXPECT_FALSE(view()->isReadOnly());
    EXPECT_EQ(controller->saveLabel()->toolTip(), QString());
    type("1");
    EXPECT_EQ(text(), QStringLiteral("1"));
}

TEST_F(ControllerFixture, FailedSaveShowsTheStoresMessage) {
    auto blocked = makeStore(QStringLiteral("plain/sheet.txt"));
    controller->switchTo(blocked);
    QFile blocker(dir.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // its folder is now a file
    blocker.close();
    type("7");
    blocked->flush();
    EXPECT_EQ(blocked->status().kind, NoteStore::Status::Failed);
    EXPECT_EQ(controller->saveLabel()->text(), QStringLiteral("Not saved: Not a directory"));
    EXPECT_EQ(controller->saveLabel()->toolTip(), controller->saveLabel()->text());
    EXPECT_FALSE(view()->isReadOnly()) << "the text stays editable and is saved again";
}

TEST_F(ControllerFixture, SwitchingFlushesLoadsAndForgetsTheHistory) {
    auto other = makeStore(QStringLiteral("other.txt"));
    other->textDidChange(QStringLiteral("5\n6"));
    other->flush();
    show();
    type("1 + 1");
    ASSERT_TRUE(controller->undo()->canUndo());

    controller->switchTo(other);
    EXPECT_EQ(fileText(notes->path()), QStringLiteral("1 + 1")) << "the previous sheet is written at once";
    EXPECT_FALSE(notes->onStatus);
    EXPECT_EQ(controller->notes(), other);
    EXPECT_EQ(text(), QStringLiteral("5\n6"));
    EXPECT_EQ(view()->selectedRange(), (TextRange{3, 0}));
    EXPECT_EQ(controller->totalText(), QStringLiteral("Total 11"));
    EXPECT_FALSE(controller->undo()->canUndo());
    EXPECT_EQ(controller->saveLabel()->text(), QStringLiteral("Saved"));

    type("7");
    EXPECT_EQ(other->status().kind, NoteStore::Status::Edited);
    EXPECT_EQ(controller->saveLabel()->text(), QStringLiteral("Edited"));
    EXPECT_EQ(notes->status().kind, NoteStore::Status::Saved) << "the old sheet hears nothing";

    // Switching to the current sheet changes nothing.
    controller->switchTo(other);
    EXPECT_TRUE(controller->undo()->canUndo());
    EXPECT_EQ(other->status().kind, NoteStore::Status::Edited);
    EXPECT_EQ(text(), QStringLiteral("5\n67"));
}

TEST_F(ControllerFixture, LoadNotesPutsTheCaretAtTheEndWithoutMarkingTheSheet) {
    notes->textDidChange(QStringLiteral("1\n2"));
    notes->flush();
    controller->loadNotes();
    EXPECT_EQ(text(), QStringLiteral("1\n2"));
    EXPECT_EQ(view()->selectedRange(), (TextRange{3, 0}));
    EXPECT_EQ(notes->status().kind, NoteStore::Status::Saved);
    EXPECT_EQ(controller->displayed().size(), 2u);
    EXPECT_FALSE(controller->undo()->canUndo());
}

TEST_F(ControllerFixture, FontSizePreferenceResizesAndKeepsTheSelection) {
    load(QStringLiteral("12345"));
    view()->setSelectedRange({1, 3});
    prefs->setFontSize(22);
    EXPECT_EQ(view()->fontSize(), 22);
    EXPECT_EQ(view()->selectedRange(), (TextRange{1, 3}));
}

TEST_F(ControllerFixture, ResultsFractionFollowsThePreferenceExceptDuringADrag) {
    prefs->setResultsFraction(0.5);
    EXPECT_EQ(view()->resultsFraction(), 0.5);
    view()->setDraggingDivider(true);
    prefs->setResultsFraction(0.3);
    EXPECT_EQ(view()->resultsFraction(), 0.5);
    view()->setDraggingDivider(false);
    prefs->setResultsFraction(std::nullopt);
    EXPECT_EQ(view()->resultsFraction(), std::nullopt);
    // The divider's report goes to the preference.
    view()->onDividerMoved(0.4567);
    EXPECT_EQ(store->intForKey(QStringLiteral("resultsFraction")), 457);
    view()->onDividerMoved(std::nullopt);
    EXPECT_EQ(store->intForKey(QStringLiteral("resultsFraction")), 0);
}

TEST_F(ControllerFixture, StoredFractionIsShownAtConstruction) {
    store->set(250, QStringLiteral("resultsFraction"));
    controller.reset();
    makeController();
    EXPECT_EQ(view()->resultsFraction(), 0.25);
}

TEST_F(ControllerFixture, ClosingTheWindowWritesThePendingEdit) {
    type("9");
    controller->showHelp();
    controller->windowWillClose();
    EXPECT_EQ(fileText(notes->path()), QStringLiteral("9"));
    EXPECT_FALSE(controller->isHelpShown());
}
