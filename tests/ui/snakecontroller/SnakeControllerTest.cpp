#include "ui/notebookcontroller/ControllerFixture.h"

#include "ui/common/Controls.h"
#include "ui/snake/SnakeController.h"
#include "ui/snake/SnakeOverlayView.h"
#include "ui/storage/IntStore.h"
#include "ui/storage/Preferences.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace VexilUI;
using State = SnakeGame::State;

namespace {

// A snake controller over a plain window whose editor has the focus.
class SnakeFixture : public ::testing::Test {
protected:
    void SetUp() override {
        store = std::make_shared<MemoryIntStore>();
        prefs = std::make_shared<Preferences>(store);
        window = std::make_unique<QWidget>();
        window->resize(800, 500);
        // Earlier in the focus chain than the editor, so a restored focus is not an accident of the chain.
        auto* field = new QLineEdit(window.get());
        field->setGeometry(20, 100, 300, 24);
        editor = new QLineEdit(window.get());
        editor->setGeometry(20, 60, 300, 24);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        editor->setFocus();
        snake = std::make_unique<SnakeController>(prefs);
        snake->setRandom([](int) { return 0; });
    }

    void TearDown() override {
        snake.reset();
        window.reset();
    }

    void open() {
        snake->present(window.get());
        ASSERT_TRUE(snake->isShowing());
    }

    // A game in play with food right in front of the head.
    SnakeGame playingBesideFood(int score) {
        return SnakeGame(20, 20, {{10, 10}, {9, 10}, {8, 10}}, SnakeDirection::Right, SnakeCell{11, 10},
                         score, State::Playing, snake->random());
    }

    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(snake->view(), k, modifiers);
    }

    std::shared_ptr<MemoryIntStore> store;
    std::shared_ptr<Preferences> prefs;
    std::unique_ptr<QWidget> window;
    QLineEdit* editor = nullptr;
    std::unique_ptr<SnakeController> snake;
};

TEST_F(SnakeFixture, PresentCoversTheWindowAndTakesTheFocus) {
    open();
    SnakeOverlayView* overlay = snake->view();
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(overlay->parentWidget(), window.get());
    EXPECT_EQ(overlay->geometry(), window->rect());
    EXPECT_TRUE(overlay->hasFocus());
    EXPECT_EQ(snake->game().state(), State::Ready);
    EXPECT_EQ(snake->game().head(), (SnakeCell{10, 10}));
    EXPECT_EQ(overlay->accessibleName(), SnakeController::accessibilityText());
    EXPECT_EQ(overlay->accessibilityValue(), QStringLiteral("Score 0, Best 0"));

    window->resize(600, 400);
    EXPECT_EQ(overlay->geometry(), window->rect());

    // A second present on the same window keeps the same overlay.
    editor->setFocus();
    snake->present(window.get());
    EXPECT_EQ(snake->view(), overlay);
    EXPECT_TRUE(overlay->hasFocus());
}

TEST_F(SnakeFixture, PresentOnAnotherWindowMovesTheGame) {
    open();
    QPointer<SnakeOverlayView> first = snake->view();
    QWidget other;
    other.resize(400, 400);
    snake->present(&other);
    EXPECT_TRUE(snake->isShowing());
    EXPECT_EQ(snake->hostWindow(), &other);
    EXPECT_EQ(snake->view()->parentWidget(), &other);
    EXPECT_FALSE(first && first->isVisible());
    snake->close();
}

TEST_F(SnakeFixture, ClosingRestoresTheEditorsFocus) {
    open();
    key(Qt::Key_Escape);
    EXPECT_FALSE(snake->isShowing());
    EXPECT_EQ(snake->view(), nullptr);
    EXPECT_TRUE(editor->hasFocus());
    EXPECT_EQ(window->focusWidget(), editor);
}

TEST_F(SnakeFixture, KeysStartPauseAndResume) {
    open();
    key(Qt::Key_Space);
    EXPECT_EQ(snake->game().state(), State::Playing);
    key(Qt::Key_Space);
    EXPECT_EQ(snake->game().state(), State::Paused);
    key(Qt::Key_Space);
    EXPECT_EQ(snake->game().state(), State::Playing);
    // Return begins but never pauses.
    key(Qt::Key_Return);
    EXPECT_EQ(snake->game().state(), State::Playing);
    key(Qt::Key_Space);
    key(Qt::Key_Enter);
    EXPECT_EQ(snake->game().state(), State::Playing);

    // Space in a lost game begins a new one.
    snake->game() = SnakeGame(20, 20, {{0, 0}, {1, 0}, {2, 0}}, SnakeDirection::Left, SnakeCell{5, 5}, 30,
                              State::Over, snake->random());
    key(Qt::Key_Space);
    EXPECT_EQ(snake->game().state(), State::Playing);
    EXPECT_EQ(snake->game().score(), 0);
    EXPECT_EQ(snake->game().head(), (SnakeCell{10, 10}));
}

TEST_F(SnakeFixture, SteeringStartsTheGame) {
    struct Case {
        Qt::Key key;
        SnakeDirection heading;
    };
    for (const Case& c : {Case{Qt::Key_Left, SnakeDirection::Right}, Case{Qt::Key_Up, SnakeDirection::Up},
                          Case{Qt::Key_S, SnakeDirection::Down}, Case{Qt::Key_W, SnakeDirection::Up}}) {
        open();
        key(c.key);
        EXPECT_EQ(snake->game().state(), State::Playing) << int(c.key);
        snake->tick();
        EXPECT_EQ(snake->game().direction(), c.heading) << int(c.key);
        snake->close();
    }
}

TEST_F(SnakeFixture, CommandKeysCloseAndOtherKeysAreConsumed) {
    for (Qt::Key k : {Qt::Key_W, Qt::Key_Period}) {
        open();
        key(k, Qt::ControlModifier);
        EXPECT_FALSE(snake->isShowing()) << int(k);
    }

    open();
    QString typed;
    QObject::connect(editor, &QLineEdit::textEdited, [&](const QString& t) { typed = t; });
    // Keys sent to the editor while the game shows never reach it.
    QTest::keyClicks(editor, QStringLiteral("xyz"));
    QTest::keyClick(editor, Qt::Key_Left);
    EXPECT_TRUE(typed.isEmpty());
    EXPECT_TRUE(editor->text().isEmpty());
    EXPECT_EQ(snake->game().state(), State::Playing); // the left arrow reached the game
    EXPECT_TRUE(snake->isShowing());
}

TEST_F(SnakeFixture, WindowShortcutsStayQuietExceptQuit) {
    auto* undo = new QAction(window.get());
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    window->addAction(undo);
    auto* quit = new QAction(window.get());
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    window->addAction(quit);
    QSignalSpy undone(undo, &QAction::triggered);
    QSignalSpy quitted(quit, &QAction::triggered);

    open();
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(undone.count(), 0);
    EXPECT_TRUE(snake->isShowing());
    key(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quitted.count(), 1);
}

TEST_F(SnakeFixture, TimerFollowsTheStateAndLength) {
    open();
    EXPECT_FALSE(snake->isTimerRunning());
    key(Qt::Key_Space);
    ASSERT_TRUE(snake->timerInterval());
    EXPECT_DOUBLE_EQ(*snake->timerInterval(), 1.0 / 7);

    snake->game() = playingBesideFood(0);
    snake->tick();
    EXPECT_EQ(snake->game().score(), 10);
    ASSERT_TRUE(snake->timerInterval());
    EXPECT_DOUBLE_EQ(*snake->timerInterval(), 1.0 / 7.25);

    key(Qt::Key_Space);
    EXPECT_FALSE(snake->isTimerRunning());
    snake->reduceMotionOverride = true;
    key(Qt::Key_Space);
    ASSERT_TRUE(snake->timerInterval());
    EXPECT_DOUBLE_EQ(*snake->timerInterval(), 1.0 / 5.25);

    snake->close();
    EXPECT_FALSE(snake->isTimerRunning());
}

TEST_F(SnakeFixture, TimerTicksTheGame) {
    open();
    key(Qt::Key_Space);
    const SnakeCell start = snake->game().head();
    QTRY_VERIFY_WITH_TIMEOUT(!(snake->game().head() == start), 2000);
}

TEST_F(SnakeFixture, NewBestFlashesOncePerGameOverAStoredBest) {
    prefs->setSnakeBest(50);
    open();
    EXPECT_EQ(snake->bestAtRoundStart(), 50);
    snake->game() = playingBesideFood(50);
    snake->tick();
    EXPECT_EQ(snake->game().score(), 60);
    EXPECT_EQ(prefs->snakeBest(), 60);
    EXPECT_TRUE(snake->isNewBest());
    EXPECT_TRUE(snake->isFlashingNewBest());
    EXPECT_TRUE(snake->isFlashTimerRunning());
    EXPECT_EQ(snake->view()->accessibilityValue(), QStringLiteral("Score 60, Best 60"));

    // The second food of the same game does not flash again.
    snake->game() = playingBesideFood(60);
    snake->tick();
    EXPECT_EQ(prefs->snakeBest(), 70);
    EXPECT_TRUE(snake->isNewBest());
}

TEST_F(SnakeFixture, FirstGameWithoutABestNeverFlashes) {
    open();
    snake->game() = playingBesideFood(0);
    snake->tick();
    EXPECT_EQ(prefs->snakeBest(), 10);
    EXPECT_FALSE(snake->isNewBest());
    EXPECT_FALSE(snake->isFlashTimerRunning());
}

TEST_F(SnakeFixture, LostGameStoresItsScore) {
    prefs->setSnakeBest(50);
    QSignalSpy changed(prefs.get(), &Preferences::didChange);
    open();
    snake->game() = SnakeGame(20, 20, {{0, 0}, {1, 0}, {2, 0}}, SnakeDirection::Left, SnakeCell{5, 5}, 90,
                              State::Over, snake->random());
    snake->refresh();
    EXPECT_EQ(store->intForKey(QStringLiteral("snakeBest")), 90);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(snake->view()->accessibilityValue(), QStringLiteral("Score 90, Best 90"));
    snake->close();
    EXPECT_EQ(changed.count(), 1); // unchanged values are not written again
}

TEST_F(SnakeFixture, DeactivationAndMenusPauseWindowEventsClose) {
    open();
    key(Qt::Key_Space);
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(window.get(), &deactivate);
    EXPECT_EQ(snake->game().state(), State::Paused);

    key(Qt::Key_Space);
    QMenu menu;
    menu.addAction(QStringLiteral("Item"));
    menu.popup(QPoint(0, 0));
    EXPECT_EQ(snake->game().state(), State::Paused);
    menu.hide();

    QCloseEvent closing;
    QApplication::sendEvent(window.get(), &closing);
    EXPECT_FALSE(snake->isShowing());

    open();
    window->setWindowState(Qt::WindowMinimized);
    QTRY_VERIFY_WITH_TIMEOUT(!snake->isShowing(), 1000);
}

TEST_F(SnakeFixture, ClicksOutsideTheCardCloseTitleStripClicksPassThrough) {
    auto* button = new QPushButton(QStringLiteral("B"), window.get());
    button->setGeometry(700, 2, 40, 20);
    button->show();
    QSignalSpy clicked(button, &QAbstractButton::clicked);
    open();
    SnakeOverlayView* overlay = snake->view();

    QTest::mouseClick(overlay, Qt::LeftButton, {}, QPoint(720, 12));
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_TRUE(snake->isShowing());

    QTest::mouseClick(overlay, Qt::LeftButton, {}, overlay->cardRect().center().toPoint());
    EXPECT_TRUE(snake->isShowing());
    QTest::mouseClick(overlay, Qt::RightButton, {}, QPoint(5, 400));
    EXPECT_TRUE(snake->isShowing());
    QTest::mouseClick(overlay, Qt::LeftButton, {}, QPoint(5, 400));
    EXPECT_FALSE(snake->isShowing());
}

TEST_F(SnakeFixture, DestroyingTheControllerTakesTheOverlayAndTimers) {
    open();
    key(Qt::Key_Space);
    QPointer<SnakeOverlayView> overlay = snake->view();
    snake.reset();
    EXPECT_TRUE(overlay.isNull());
    QTest::keyClicks(editor, QStringLiteral("ok"));
    EXPECT_EQ(editor->text(), QStringLiteral("ok"));
}

TEST(SnakeOverlayGeometry, CardScalesIntoTheSpaceBelowTheTitleStrip) {
    struct Case {
        QSizeF bounds;
        QRectF card;
    };
    for (const Case& c : {Case{{392, 450}, {16, 34, 360, 400}}, Case{{212, 250}, {16, 34, 180, 200}},
                          Case{{40, 40}, {2, 9, 36, 40}}, Case{{1000, 450}, {320, 34, 360, 400}}}) {
        EXPECT_EQ(SnakeOverlayView::cardRect(c.bounds), c.card)
            << c.bounds.width() << "x" << c.bounds.height();
    }
}

TEST(SnakeRender, ImagesHaveTheRequestedPixelsAndInk) {
    const QImage preview = SnakeController::renderPreview(SnakeStyle::Pixel, QSizeF(180.4, 200.5));
    ASSERT_FALSE(preview.isNull());
    EXPECT_EQ(preview.size(), QSize(180, 201));
    EXPECT_GT(qAlpha(preview.pixel(90, 100)), 0);
    EXPECT_EQ(SnakeController::renderPreview(SnakeStyle::Rounded, QSizeF(0, 0)).size(), QSize(1, 1));
}

// --- Through the notebook --------------------------------------------------------------------------------

// The game wired to the wordmark the way the application delegate wires it.
class NotebookSnake : public ControllerFixture {
protected:
    void SetUp() override {
        ControllerFixture::SetUp();
        snake = std::make_unique<SnakeController>(prefs);
        controller->onPlaySnake = [this](QWidget* window) { return snake->play(window); };
    }
    void TearDown() override {
        snake.reset();
        ControllerFixture::TearDown();
    }

    std::unique_ptr<SnakeController> snake;
};

TEST_F(NotebookSnake, AccessibilityActionOpensTheGameOverTheSheet) {
    show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    view()->setFocus();
    EXPECT_TRUE(controller->wordmark()->performAccessibilityAction());
    ASSERT_TRUE(snake->isShowing());
    EXPECT_EQ(snake->view()->parentWidget(), window.get());
    EXPECT_TRUE(snake->view()->hasFocus());

    // Typing goes to the game, not the sheet.
    type("12");
    EXPECT_TRUE(text().isEmpty());
    QTest::keyClick(snake->view(), Qt::Key_Escape);
    EXPECT_FALSE(snake->isShowing());
    EXPECT_EQ(window->focusWidget(), view());
}

TEST_F(NotebookSnake, AltClickOnTheWordmarkOpensTheGame) {
    show();
    QTest::mouseClick(controller->wordmark(), Qt::LeftButton, Qt::AltModifier);
    EXPECT_TRUE(snake->isShowing());
    // Again while it shows: still the one game.
    SnakeOverlayView* overlay = snake->view();
    controller->playSnake();
    EXPECT_EQ(snake->view(), overlay);
}

TEST_F(NotebookSnake, BestScoreGoesToTheNotebooksPreferences) {
    show();
    controller->playSnake();
    snake->game() = SnakeGame(20, 20, {{10, 10}, {9, 10}, {8, 10}}, SnakeDirection::Right, SnakeCell{11, 10},
                              0, State::Playing, [](int) { return 0; });
    snake->tick();
    EXPECT_EQ(prefs->snakeBest(), 10);
}

} // namespace
