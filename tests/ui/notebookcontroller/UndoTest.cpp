#include "ControllerFixture.h"

#include "ui/notebook/TextUndoRecorder.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QUndoStack>

using namespace VexilUI;
using VexilCore::TextRange;

TEST(TextDiffTest, SmallestReplacement) {
    struct Case {
        QString before, after;
        TextEdit edit;
    };
    const Case cases[] = {
        {"", "abc", {0, "", "abc"}},
        {"abc", "abXc", {2, "", "X"}},
        {"abc", "ac", {1, "b", ""}},
        {"aaa", "aaaa", {3, "", "a"}},
        {"a\nb\nd", "b\na\nd", {0, "a\nb", "b\na"}},
        {"same", "same", {4, "", ""}},
        // A surrogate pair is never split.
        {QStringLiteral("x\U0001F600y"),
         QStringLiteral("x\U0001F601y"),
         {1, QStringLiteral("\U0001F600"), QStringLiteral("\U0001F601")}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(diffTexts(c.before, c.after), c.edit) << c.before.toStdString();
}

TEST_F(ControllerFixture, TypingIsOneUndoStepAndRedoPutsItBack) {
    type("12");
    EXPECT_EQ(controller->undo()->count(), 1);
    EXPECT_EQ(controller->undo()->undoText(), QStringLiteral("Typing"));
    QTest::keyClick(view(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(text(), QString());
    EXPECT_TRUE(view()->items().empty()) << "undo re-evaluates";
    QTest::keyClick(view(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(text(), QStringLiteral("12"));
    EXPECT_EQ(item(0)->text, QStringLiteral("12"));
    EXPECT_EQ(view()->selectedRange(), (TextRange{2, 0}));
}

TEST_F(ControllerFixture, BackspacesMergeWithTheTypingTheyFollow) {
    load(QStringLiteral("ab"));
    type("cd");
    QTest::keyClick(view(), Qt::Key_Backspace);
    QTest::keyClick(view(), Qt::Key_Backspace);
    QTest::keyClick(view(), Qt::Key_Backspace); // into the loaded text
    EXPECT_EQ(text(), QStringLiteral("a"));
    EXPECT_EQ(controller->undo()->count(), 1);
    controller->undo()->undo();
    EXPECT_EQ(text(), QStringLiteral("ab"));
    EXPECT_FALSE(controller->undo()->canUndo());
}

TEST_F(ControllerFixture, CommandsUndoInTheirOwnStepsAndMarkTheSheetEdited) {
    load(QStringLiteral("a\nb\nd"));
    view()->setSelectedRange({2, 0});
    controller->moveLineUp();
    controller->insertLineReference();
    EXPECT_EQ(text(), QStringLiteral("lineb\na\nd"));
    controller->undo()->undo();
    EXPECT_EQ(text(), QStringLiteral("b\na\nd"));
    controller->undo()->undo();
    EXPECT_EQ(text(), QStringLiteral("a\nb\nd"));
    EXPECT_EQ(notes->status().kind, NoteStore::Status::Edited);
    EXPECT_EQ(notes->pending(), QStringLiteral("a\nb\nd"));
    controller->undo()->redo();
    EXPECT_EQ(text(), QStringLiteral("b\na\nd"));
}

TEST_F(ControllerFixture, PasteIsNamedAndUndoneWhole) {
    QGuiApplication::clipboard()->setText(QStringLiteral("1\n2\n3"));
    QTest::keyClick(view(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(text(), QStringLiteral("1\n2\n3"));
    EXPECT_EQ(view()->lineCount(), 3);
    EXPECT_EQ(controller->undo()->undoText(), QStringLiteral("Paste"));
    QTest::keyClick(view(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(text(), QString());
}

TEST_F(ControllerFixture, ReplacingTheTextForgetsTheHistory) {
    type("5");
    controller->setText(QStringLiteral("other"));
    EXPECT_FALSE(controller->undo()->canUndo());
    QTest::keyClick(view(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(text(), QStringLiteral("other"));
    EXPECT_EQ(notes->pending(), QStringLiteral("5")) << "setText never tells the store";
}

TEST_F(ControllerFixture, ReadOnlyViewNeitherEditsNorUndoes) {
    type("5");
    view()->setReadOnly(true);
    controller->undo()->setActive(true);
    QTest::keyClick(view(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(text(), QStringLiteral("5"));
    controller->moveLineUp();
    controller->insertLineReference();
    EXPECT_EQ(text(), QStringLiteral("5"));
}
