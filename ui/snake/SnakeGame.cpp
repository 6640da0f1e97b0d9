#include "ui/snake/SnakeGame.h"

#include <QHashFunctions>
#include <QRandomGenerator>

#include <algorithm>

namespace VexilUI {

namespace {
constexpr int minimumSide = 5;
}

QString SnakeCell::description() const {
    return QStringLiteral("(%1,%2)").arg(x).arg(y);
}

size_t qHash(const SnakeCell& cell, size_t seed) noexcept {
    return qHashMulti(seed, cell.x, cell.y);
}

int SnakeGame::systemRandom(int n) {
    if (n <= 0) return 0;
    return int(QRandomGenerator::system()->bounded(quint32(n)));
}

SnakeGame::SnakeGame(int width, int height, Random random)
    : m_width(std::max(width, minimumSide)), m_height(std::max(height, minimumSide)) {
    setRandom(std::move(random));
    reset();
}

SnakeGame::SnakeGame(int width, int height, std::vector<SnakeCell> snake, SnakeDirection direction,
                     std::optional<SnakeCell> food, int score, State state, Random random)
    : m_width(std::max(width, minimumSide)), m_height(std::max(height, minimumSide)),
      m_snake(std::move(snake)), m_direction(direction), m_food(food), m_score(score), m_state(state) {
    setRandom(std::move(random));
    if (m_snake.empty()) startSnake();
    if (!m_food) spawnFood();
}

void SnakeGame::setRandom(Random random) {
    m_random = random ? std::move(random) : Random(systemRandom);
}

std::optional<SnakeDirection> SnakeGame::pendingTurn() const {
    if (m_pendingTurns.empty()) return std::nullopt;
    return m_pendingTurns.front();
}

void SnakeGame::startSnake() {
    const int x = m_width / 2;
    const int y = m_height / 2;
    m_snake = {{x, y}, {x - 1, y}, {x - 2, y}};
}

void SnakeGame::reset() {
    startSnake();
    m_direction = SnakeDirection::Right;
    m_pendingTurns.clear();
    m_score = 0;
    m_state = State::Ready;
    m_isBracing = false;
    spawnFood();
}

bool SnakeGame::isOnBoard(SnakeCell cell) const {
    return cell.x >= 0 && cell.y >= 0 && cell.x < m_width && cell.y < m_height;
}

void SnakeGame::spawnFood() {
    std::vector<bool> occupied(size_t(m_width) * size_t(m_height), false);
    for (const SnakeCell& cell : m_snake)
        if (isOnBoard(cell)) occupied[size_t(cell.y) * size_t(m_width) + size_t(cell.x)] = true;

    std::vector<SnakeCell> free;
    std::vector<SnakeCell> interior;
    for (int y = 0; y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) {
            if (occupied[size_t(y) * size_t(m_width) + size_t(x)]) continue;
            free.push_back({x, y});
            if (x != 0 && y != 0 && x < m_width - 1 && y < m_height - 1) interior.push_back({x, y});
        }
    }
    if (free.empty()) {
        // A full board ends the game.
        m_food.reset();
        m_state = State::Over;
        return;
    }
    // Food keeps off the outer ring while there is room inside it.
    const std::vector<SnakeCell>& candidates = interior.empty() ? free : interior;
    const int n = int(candidates.size());
    const int index = std::clamp(m_random(n), 0, n - 1);
    m_food = candidates[size_t(index)];
}

void SnakeGame::start() {
    switch (m_state) {
    case State::Over:
        reset();
        m_state = State::Playing;
        break;
    case State::Ready:
    case State::Paused:
        m_state = State::Playing;
        break;
    case State::Playing:
        break;
    }
}

SnakeGame::State SnakeGame::togglePause() {
    if (m_state == State::Playing)
        m_state = State::Paused;
    else if (m_state == State::Paused)
        m_state = State::Playing;
    return m_state;
}

bool SnakeGame::turn(SnakeDirection direction) {
    if (m_state == State::Over) return false;
    if (int(m_pendingTurns.size()) >= maxQueuedTurns) return false;
    // Compared with the last queued turn, so two quick presses cannot reverse the snake onto itself.
    const SnakeDirection reference = m_pendingTurns.empty() ? m_direction : m_pendingTurns.back();
    if (direction == reference || direction == opposite(reference)) return false;
    m_pendingTurns.push_back(direction);
    return true;
}

SnakeGame::StepResult SnakeGame::step() {
    if (m_state != State::Playing) return StepResult::Idle;
    if (!m_pendingTurns.empty()) {
        m_direction = m_pendingTurns.front();
        m_pendingTurns.erase(m_pendingTurns.begin());
    }
    const SnakeCell target{head().x + dx(m_direction), head().y + dy(m_direction)};
    if (!isOnBoard(target)) {
        // One tick of grace at the wall, in which the player may still turn.
        if (!m_isBracing) {
            m_isBracing = true;
            return StepResult::Braced;
        }
        m_state = State::Over;
        m_isBracing = false;
        return StepResult::Died;
    }
    m_isBracing = false;
    const bool eats = m_food && *m_food == target;

    // The tail leaves its cell in this same tick unless the snake grows.
    const auto bodyEnd = eats ? m_snake.end() : m_snake.end() - 1;
    if (std::find(m_snake.begin(), bodyEnd, target) != bodyEnd) {
        m_state = State::Over;
        return StepResult::Died;
    }
    m_snake.insert(m_snake.begin(), target);
    if (!eats) {
        m_snake.pop_back();
        return StepResult::Moved;
    }
    m_score += pointsPerFood;
    spawnFood();
    return StepResult::Ate;
}

double SnakeGame::movesPerSecond(int length, bool reduceMotion) {
    const double base = reduceMotion ? reducedMotionSpeed : baseSpeed;
    return std::min(maxSpeed, base + std::max(length - startLength, 0) * speedStep);
}

} // namespace VexilUI
