#pragma once

#include "ui/snake/SnakeArt.h"
#include "ui/snake/SnakeGame.h"
#include "ui/snake/SnakeOverlayView.h"

#include <QImage>
#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QSizeF>
#include <QWidget>

#include <memory>
#include <optional>

class QKeyEvent;
class QTimer;

namespace VexilUI {

class Preferences;

// Runs one game of snake over a notebook window: lays the overlay over the window, takes the keyboard
// while the game shows, ticks the model from a timer whose interval follows the snake's length, keeps the
// best score in the preferences and hands the focus back when the game closes.
class SnakeController : public QObject {
    Q_OBJECT
public:
    static const QString& accessibilityText();
    // Milliseconds the "New Best" badge shows.
    static constexpr int newBestFlashDuration = 1600;
    static constexpr int bestLimit = 1000000;

    // Ctrl+Q (Command-Q) still quits while the game shows.
    static bool isQuitKey(const QKeyEvent* event);

    explicit SnakeController(std::shared_ptr<Preferences> prefs, QObject* parent = nullptr);
    ~SnakeController() override;

    Preferences& prefs() const { return *m_prefs; }
    bool isShowing() const { return m_isShowing; }
    SnakeGame& game() { return m_game; }
    const SnakeGame& game() const { return m_game; }

    const SnakeGame::Random& random() const { return m_random; }
    // Also replaces the current game's source.
    void setRandom(SnakeGame::Random random);

    std::optional<bool> reduceMotionOverride;
    bool reduceMotion() const;

    bool isNewBest() const { return m_isNewBest; }
    bool isFlashingNewBest() const { return m_isFlashingNewBest; }
    // The live game always draws the pixel board; assigning only redraws.
    SnakeStyle style() const { return SnakeStyle::Pixel; }
    void setStyle(SnakeStyle style);

    QWidget* hostWindow() const { return m_hostWindow; }
    SnakeOverlayView* view() const { return m_overlay; }
    bool isTimerRunning() const { return m_timer != nullptr; }
    // Seconds between ticks; absent without a timer.
    std::optional<double> timerInterval() const;
    bool isFlashTimerRunning() const { return m_flashTimer != nullptr; }
    // The stored best, 0 when none.
    int storedBest() const;
    int bestAtRoundStart() const { return m_bestAtRoundStart; }

    void present(QWidget* window);
    // Opens the game over the window, or brings the window forward when the game already shows; answers
    // whether it shows.
    bool play(QWidget* window);
    void close();
    // Whether the game shows, that is whether the caller treats the event as consumed.
    bool handleKey(QKeyEvent* event);

    void steer(SnakeDirection direction);
    void begin();
    void tick();
    void scored();
    void refresh();
    void pause();

    QImage renderCurrent(QSizeF size) const;
    static QImage renderPreview(SnakeStyle style, QSizeF size);
    static QImage render(const SnakeArt::Frame& frame, QSizeF size);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isHostEvent(QObject* watched) const;
    bool filterKey(QObject* watched, QKeyEvent* event);
    void recordBest();
    void stopTimer();
    void stopFlashTimer();
    void removeWatchers();

    std::shared_ptr<Preferences> m_prefs;
    bool m_isShowing = false;
    SnakeGame::Random m_random;
    SnakeGame m_game;
    bool m_isNewBest = false;
    bool m_isFlashingNewBest = false;
    QPointer<QWidget> m_hostWindow;
    QPointer<SnakeOverlayView> m_overlay;
    QPointer<QWidget> m_previousResponder;
    // Children of the controller, so no tick outlives it.
    QTimer* m_timer = nullptr;
    double m_timerInterval = 0;
    QTimer* m_flashTimer = nullptr;
    bool m_isMonitoring = false;
    QList<QMetaObject::Connection> m_observers;
    int m_bestAtRoundStart = 0;
};

} // namespace VexilUI
