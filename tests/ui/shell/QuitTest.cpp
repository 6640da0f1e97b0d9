// Quitting while a sheet cannot be saved: the quit is held and the user chooses where the text goes; a
// quit nobody can be asked about leaves the text in a recovery file that the next start adopts.
#include "ScratchHome.h"

#include "ui/notebook/NotebookController.h"
#include "ui/notebook/NotebookTextView.h"
#include "ui/shell/AppDelegate.h"
#include "ui/shell/MainWindow.h"
#include "ui/storage/NoteStore.h"
#include "ui/storage/PageLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace VexilUI;
using Choice = AppDelegate::UnsavedChoice;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A launched program whose sheet holds typed text that cannot be saved: a folder took the sheet's place.
class UnsavedQuit : public ::testing::Test {
protected:
    void SetUp() override {
        scratchHome();
        ASSERT_TRUE(data.isValid());
        delegate = std::make_unique<AppDelegate>(
            AppEnvironment::live({{"VEXIL_DATA_DIR", data.path()}, {"VEXIL_OFFLINE", "1"}}));
        delegate->applicationDidFinishLaunching();
        sheet = delegate->notebook()->notes()->path();
        ASSERT_TRUE(QDir().mkpath(sheet));
        QTest::keyClicks(delegate->notebook()->textView(), "42");
        delegate->quitApplication = [this] { ++quits; };
        delegate->askUnsaved = [this](const QString& text, const QString& details) {
            questions.append(text + u'\n' + details);
            return answers.isEmpty() ? Choice::Cancel : answers.takeFirst();
        };
    }

    QStringList recoveryFiles() const {
        return QDir(data.path()).entryList({QStringLiteral("recovery-*")}, QDir::Files);
    }

    QTemporaryDir data;
    std::unique_ptr<AppDelegate> delegate;
    QString sheet;
    int quits = 0;
    QStringList questions;
    QList<Choice> answers;
};

} // namespace

TEST_F(UnsavedQuit, QuitIsHeldAndCancelKeepsTheText) {
    EXPECT_FALSE(delegate->confirmQuit());
    ASSERT_TRUE(QTest::qWaitFor([&] { return questions.size() == 1; }, 2000));
    EXPECT_TRUE(questions[0].startsWith(QStringLiteral("\u201CSheet 1\u201D could not be saved.")));
    EXPECT_TRUE(questions[0].contains(QStringLiteral("Not saved: Not a regular file (a folder)")))
        << questions[0].toStdString();
    EXPECT_EQ(quits, 0);
    EXPECT_EQ(delegate->notebook()->notes()->pending(), QStringLiteral("42"));
    EXPECT_TRUE(delegate->window()->isVisible());
}

TEST_F(UnsavedQuit, SaveElsewhereWritesTheTextThenQuits) {
    QTemporaryDir other;
    const QString blocked = other.filePath(QStringLiteral("a folder"));
    QDir().mkpath(blocked);
    const QString target = other.filePath(QStringLiteral("kept.txt"));
    QStringList offered;
    QStringList places = {blocked, target};
    delegate->askSavePath = [&](const QString& suggested) {
        offered.append(suggested);
        return places.takeFirst();
    };
    answers = {Choice::SaveElsewhere, Choice::SaveElsewhere};
    EXPECT_FALSE(delegate->confirmQuit());
    ASSERT_TRUE(QTest::qWaitFor([&] { return quits == 1; }, 2000));
    ASSERT_EQ(questions.size(), 2) << "a place that cannot be written is reported and the question put again";
    EXPECT_TRUE(questions[1].contains(QStringLiteral("could not be written to")))
        << questions[1].toStdString();
    EXPECT_EQ(offered.first(), QDir::home().filePath(QStringLiteral("Sheet 1.txt")));
    EXPECT_EQ(readAll(target), QByteArray("42"));
    delegate->applicationWillTerminate();
    EXPECT_TRUE(recoveryFiles().isEmpty()) << "the text went where the user said";
}

TEST_F(UnsavedQuit, QuitAnywayLeavesNoRecoveryFile) {
    answers = {Choice::QuitAnyway};
    EXPECT_FALSE(delegate->confirmQuit());
    ASSERT_TRUE(QTest::qWaitFor([&] { return quits == 1; }, 2000));
    delegate->applicationWillTerminate();
    EXPECT_TRUE(recoveryFiles().isEmpty());
}

TEST_F(UnsavedQuit, RoomAgainWhileAskingLetsTheQuitThrough) {
    EXPECT_FALSE(delegate->confirmQuit());
    ASSERT_TRUE(QDir(sheet).removeRecursively());
    ASSERT_TRUE(QTest::qWaitFor([&] { return quits == 1; }, 2000));
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_EQ(readAll(sheet), QByteArray("42"));
}

TEST_F(UnsavedQuit, EndingWithoutAskingKeepsTheTextForTheNextStart) {
    const QString original = *delegate->library()->selectedID();
    delegate->terminate();
    EXPECT_EQ(quits, 1);
    EXPECT_TRUE(questions.isEmpty());
    delegate->applicationWillTerminate();
    ASSERT_EQ(recoveryFiles(), QStringList{QStringLiteral("recovery-%1.txt").arg(original)});
    delegate->applicationWillTerminate(); // a second call writes nothing more
    EXPECT_EQ(recoveryFiles().size(), 1);

    PageLibrary next(data.path());
    ASSERT_EQ(next.pages().size(), 2);
    const Page recovered = next.pages().first();
    EXPECT_EQ(recovered.name, QStringLiteral("Sheet 1 (recovered)"));
    EXPECT_EQ(next.text(recovered.id), QStringLiteral("42"));
    EXPECT_TRUE(recoveryFiles().isEmpty());
}

TEST_F(UnsavedQuit, TheQuitEventItselfIsHeldUntilTheUserLetsGo) {
    delegate->quitApplication = nullptr; // the real quit
    answers = {Choice::Cancel, Choice::QuitAnyway};
    QTimer first, second, guard;
    for (QTimer* t : {&first, &second, &guard})
        t->setSingleShot(true);
    QObject::connect(&first, &QTimer::timeout, [] { QCoreApplication::quit(); });
    QObject::connect(&second, &QTimer::timeout, [] { QCoreApplication::quit(); });
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    first.start(0);
    second.start(300);
    guard.start(10000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_EQ(questions.size(), 2) << "the first quit went through without asking";
}
