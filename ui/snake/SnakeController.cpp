#include "ui/snake/SnakeController.h"

#include "ui/snake/SnakeOverlayView.h"
#include "ui/storage/Preferences.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QTimer>

#include <chrono>
#include <cmath>

namespace VexilUI {

namespace {

constexpr int boardSide = 20;

// The event's characters ignoring modifiers, lowercased.
QString keyCharacters(const QKeyEvent* event) {
    const int key = event->key();
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return QString(QChar(u'a' + (key - Qt::Key_A)));
    if (key == Qt::Key_Period) return QStringLiteral(".");
    if (key == Qt::Key_Space) return QStringLiteral(" ");
    if (key == Qt::Key_Escape) return QString(QChar(27));
    return event->text().toLower();
}

bool isCommand(const QKeyEvent* event) {
    return event->modifiers().testFlag(Qt::ControlModifier);
}

} // namespace

const QString& SnakeController::accessibilityText() {
    static const QString text = QStringLiteral("Snake game. Arrow keys to steer, Escape to close.");
    return text;
}

bool SnakeController::isQuitKey(const QKeyEvent* event) {
    return isCommand(event) && keyCharacters(event) == u"q";
}

SnakeController::SnakeController(std::shared_ptr<Preferences> prefs, QObject* parent)
    : QObject(parent), m_prefs(std::move(prefs)), m_random(&SnakeGame::systemRandom),
      m_game(boardSide, boardSide, m_random) {}

SnakeController::~SnakeController() {
    stopTimer();
    stopFlashTimer();
    removeWatchers();
    // An overlay left behind would cover the sheet with nothing to close it.
    delete m_overlay.data();
}

void SnakeController::setRandom(SnakeGame::Random random) {
    m_random = random ? std::move(random) : SnakeGame::Random(&SnakeGame::systemRandom);
    m_game.setRandom(m_random);
}

bool SnakeController::reduceMotion() const {
    // The platform offers no reduce-motion setting here.
    return reduceMotionOverride.value_or(false);
}

void SnakeController::setStyle(SnakeStyle) {
    if (m_overlay) m_overlay->update();
}

std::optional<double> SnakeController::timerInterval() const {
    if (!m_timer) return std::nullopt;
    return m_timerInterval;
}

int SnakeController::storedBest() const {
    return m_prefs->snakeBest();
}

void SnakeController::recordBest() {
    if (m_game.score() > storedBest()) m_prefs->setSnakeBest(m_game.score());
}

// --- Showing and hiding ------------------------------------------------------------------------------

bool SnakeController::play(QWidget* window) {
    if (!m_isShowing) {
        present(window);
    } else {
        window->raise();
        window->activateWindow();
    }
    return m_isShowing;
}

void SnakeController::present(QWidget* window) {
    if (m_isShowing) {
        if (m_overlay && m_hostWindow == window) {
            m_overlay->setFocus(Qt::OtherFocusReason);
            return;
        }
        close();
    }
    if (!window) return;

    m_hostWindow = window;
    m_previousResponder = window->focusWidget();

    m_game = SnakeGame(boardSide, boardSide, m_random);
    m_isNewBest = false;
    m_isFlashingNewBest = false;
    m_bestAtRoundStart = storedBest();

    auto* overlay = new SnakeOverlayView(this, window);
    overlay->setGeometry(window->rect());
    overlay->raise();
    overlay->show();
    m_overlay = overlay;

    m_isShowing = true;
    overlay->setFocus(Qt::OtherFocusReason);

    // Keys, the window's closing, minimising and deactivation, menus and resizes all come through one
    // application filter.
    qApp->installEventFilter(this);
    m_isMonitoring = true;
    m_observers.append(
        connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state != Qt::ApplicationActive) close();
        }));
    m_observers.append(connect(m_prefs.get(), &Preferences::didChange, this, [this] {
        if (m_overlay) m_overlay->update();
    }));

    refresh();
}

void SnakeController::close() {
    if (!m_isShowing) return;
    m_isShowing = false;
    stopTimer();
    stopFlashTimer();
    removeWatchers();
    recordBest();

    if (SnakeOverlayView* overlay = m_overlay) {
        m_overlay = nullptr;
        overlay->hide();
        // The overlay may be handling the very event that closes the game.
        overlay->deleteLater();
    }

    if (QWidget* window = m_hostWindow) {
        QWidget* previous = m_previousResponder;
        if (previous && previous->window() == window) previous->setFocus(Qt::OtherFocusReason);
    }
    m_previousResponder = nullptr;
    m_hostWindow = nullptr;
}

void SnakeController::removeWatchers() {
    if (m_isMonitoring) {
        qApp->removeEventFilter(this);
        m_isMonitoring = false;
    }
    for (const QMetaObject::Connection& connection : std::as_const(m_observers))
        disconnect(connection);
    m_observers.clear();
}

// --- Events ------------------------------------------------------------------------------------------

bool SnakeController::isHostEvent(QObject* watched) const {
    auto* widget = qobject_cast<QWidget*>(watched);
    return widget && m_hostWindow && widget->window() == m_hostWindow;
}

bool SnakeController::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
        return filterKey(watched, static_cast<QKeyEvent*>(event));
    case QEvent::Close:
        if (m_isShowing && watched == m_hostWindow) close();
        break;
    case QEvent::WindowStateChange:
        if (m_isShowing && watched == m_hostWindow && m_hostWindow->isMinimized()) close();
        break;
    case QEvent::WindowDeactivate:
        if (watched == m_hostWindow) pause();
        break;
    case QEvent::Show:
        if (qobject_cast<QMenu*>(watched)) pause();
        break;
    case QEvent::Resize:
        if (m_overlay && watched == m_hostWindow) m_overlay->setGeometry(m_hostWindow->rect());
        break;
    default:
        break;
    }
    return false;
}

bool SnakeController::filterKey(QObject* watched, QKeyEvent* event) {
    // Key events also pass the platform window on their way to the focus widget; take them there.
    if (!m_isShowing || !m_hostWindow || !isHostEvent(watched)) return false;
    if (isQuitKey(event)) return false;
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Accepting keeps the window's shortcuts from firing; the key then arrives as a key press.
        event->accept();
        return true;
    case QEvent::KeyPress:
        handleKey(event);
        return true;
    default:
        return true;
    }
}

bool SnakeController::handleKey(QKeyEvent* event) {
    if (!m_isShowing) return false;
    if (event->type() != QEvent::KeyPress) return true;
    const QString characters = keyCharacters(event);

    if (isCommand(event)) {
        if (characters == u"w" || characters == u".") close();
        return true;
    }

    switch (event->key()) {
    case Qt::Key_Left:
        steer(SnakeDirection::Left);
        return true;
    case Qt::Key_Right:
        steer(SnakeDirection::Right);
        return true;
    case Qt::Key_Down:
        steer(SnakeDirection::Down);
        return true;
    case Qt::Key_Up:
        steer(SnakeDirection::Up);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_game.state() != SnakeGame::State::Playing) begin();
        refresh();
        return true;
    default:
        break;
    }
    if (event->key() == Qt::Key_Space || characters == u" ") {
        switch (m_game.state()) {
        case SnakeGame::State::Playing:
        case SnakeGame::State::Paused:
            m_game.togglePause();
            break;
        case SnakeGame::State::Ready:
        case SnakeGame::State::Over:
            begin();
            break;
        }
        refresh();
    } else if (event->key() == Qt::Key_Escape || characters == QString(QChar(27))) {
        close();
    } else if (characters == u"w") {
        steer(SnakeDirection::Up);
    } else if (characters == u"a") {
        steer(SnakeDirection::Left);
    } else if (characters == u"s") {
        steer(SnakeDirection::Down);
    } else if (characters == u"d") {
        steer(SnakeDirection::Right);
    }
    return true;
}

// --- Play --------------------------------------------------------------------------------------------

void SnakeController::steer(SnakeDirection direction) {
    switch (m_game.state()) {
    case SnakeGame::State::Over:
        return;
    case SnakeGame::State::Playing:
        m_game.turn(direction);
        break;
    case SnakeGame::State::Ready:
    case SnakeGame::State::Paused:
        // Starts or resumes even when the turn itself is refused.
        m_game.turn(direction);
        m_game.start();
        break;
    }
    refresh();
}

void SnakeController::begin() {
    if (m_game.state() == SnakeGame::State::Over) {
        recordBest();
        m_bestAtRoundStart = storedBest();
        m_isNewBest = false;
        m_isFlashingNewBest = false;
    }
    m_game.start();
}

void SnakeController::pause() {
    if (!m_isShowing || m_game.state() != SnakeGame::State::Playing) return;
    m_game.togglePause();
    refresh();
}

void SnakeController::tick() {
    if (m_game.step() == SnakeGame::StepResult::Ate) scored();
    refresh();
}

void SnakeController::scored() {
    recordBest();
    if (m_isNewBest || m_bestAtRoundStart <= 0 || m_bestAtRoundStart >= m_game.score()) return;
    m_isNewBest = true;
    m_isFlashingNewBest = true;
    stopFlashTimer();
    m_flashTimer = new QTimer(this);
    m_flashTimer->setSingleShot(true);
    m_flashTimer->setInterval(newBestFlashDuration);
    connect(m_flashTimer, &QTimer::timeout, this, [this] {
        m_isFlashingNewBest = false;
        stopFlashTimer();
        if (m_overlay) m_overlay->update();
    });
    m_flashTimer->start();
}

void SnakeController::refresh() {
    if (m_game.state() == SnakeGame::State::Over) {
        recordBest();
        // The flash timer is left to run out.
        m_isFlashingNewBest = false;
    }
    if (!m_isShowing || m_game.state() != SnakeGame::State::Playing) {
        stopTimer();
    } else {
        const double wanted = 1.0 / SnakeGame::movesPerSecond(m_game.length(), reduceMotion());
        if (!m_timer || std::abs(m_timerInterval - wanted) > 1e-9) {
            stopTimer();
            m_timer = new QTimer(this);
            m_timer->setTimerType(Qt::PreciseTimer);
            m_timer->setInterval(std::chrono::milliseconds(std::llround(wanted * 1000)));
            connect(m_timer, &QTimer::timeout, this, &SnakeController::tick);
            m_timer->start();
            m_timerInterval = wanted;
        }
    }
    if (m_overlay) {
        const int best = std::max(m_game.score(), storedBest());
        m_overlay->setAccessibilityValue(QStringLiteral("Score %1, Best %2").arg(m_game.score()).arg(best));
        m_overlay->update();
    }
}

void SnakeController::stopTimer() {
    delete m_timer;
    m_timer = nullptr;
    m_timerInterval = 0;
}

void SnakeController::stopFlashTimer() {
    if (!m_flashTimer) return;
    // May run from the flash timer's own timeout.
    m_flashTimer->stop();
    m_flashTimer->deleteLater();
    m_flashTimer = nullptr;
}

// --- Images ------------------------------------------------------------------------------------------

QImage SnakeController::render(const SnakeArt::Frame& frame, QSizeF size) {
    const int pixelWidth = std::max(1, int(std::round(size.width())));
    const int pixelHeight = std::max(1, int(std::round(size.height())));
    QImage image(pixelWidth, pixelHeight, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return {};
    image.fill(Qt::transparent);
    if (size.width() <= 0 || size.height() <= 0) return image;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(pixelWidth / size.width(), pixelHeight / size.height());
    SnakeArt::draw(painter, frame, QRectF(QPointF(0, 0), size));
    return image;
}

QImage SnakeController::renderCurrent(QSizeF size) const {
    return render(SnakeArt::Frame{m_game, SnakeStyle::Pixel, storedBest(), m_isNewBest, m_isFlashingNewBest},
                  size);
}

QImage SnakeController::renderPreview(SnakeStyle style, QSizeF size) {
    SnakeGame game(boardSide, boardSide,
                   {{12, 7}, {12, 8}, {12, 9}, {12, 10}, {11, 10}, {10, 10}, {9, 10}, {8, 10}},
                   SnakeDirection::Up, SnakeCell{15, 4}, 70, SnakeGame::State::Playing);
    return render(SnakeArt::Frame{game, style, 340, false, false}, size);
}

} // namespace VexilUI
