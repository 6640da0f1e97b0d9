#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

namespace VexilUI {

// One board cell; y grows downward.
struct SnakeCell {
    int x = 0;
    int y = 0;

    friend bool operator==(const SnakeCell&, const SnakeCell&) = default;

    // "(12,7)"
    QString description() const;
};

size_t qHash(const SnakeCell& cell, size_t seed = 0) noexcept;

enum class SnakeDirection { Up, Down, Left, Right };

namespace SnakeDirections {
inline constexpr std::array<SnakeDirection, 4> allCases{SnakeDirection::Up, SnakeDirection::Down,
                                                        SnakeDirection::Left, SnakeDirection::Right};
}

constexpr int dx(SnakeDirection d) {
    return d == SnakeDirection::Left ? -1 : d == SnakeDirection::Right ? 1 : 0;
}
constexpr int dy(SnakeDirection d) {
    return d == SnakeDirection::Up ? -1 : d == SnakeDirection::Down ? 1 : 0;
}
constexpr SnakeDirection opposite(SnakeDirection d) {
    switch (d) {
    case SnakeDirection::Up:
        return SnakeDirection::Down;
    case SnakeDirection::Down:
        return SnakeDirection::Up;
    case SnakeDirection::Left:
        return SnakeDirection::Right;
    case SnakeDirection::Right:
        break;
    }
    return SnakeDirection::Left;
}

// The snake game's rules as a plain value: no windows, timers or drawing. Randomness comes only from
// `random`, so a game replays exactly when its source does.
class SnakeGame {
public:
    enum class State { Ready, Playing, Paused, Over };
    enum class StepResult { Idle, Moved, Ate, Died, Braced };

    // Chooses among n candidates; the game clamps whatever it answers into 0 ... n - 1.
    using Random = std::function<int(int n)>;

    static constexpr int pointsPerFood = 10;
    static constexpr int startLength = 3;
    static constexpr int maxQueuedTurns = 2;
    static constexpr double baseSpeed = 7.0;
    static constexpr double reducedMotionSpeed = 5.0;
    static constexpr double speedStep = 0.25;
    static constexpr double maxSpeed = 15.0;

    // 0 for n <= 0, otherwise uniform in 0 ... n - 1 from the system's generator.
    static int systemRandom(int n);

    // Sides below 5 become 5; the game starts as after reset().
    SnakeGame(int width, int height, Random random = systemRandom);
    // A given position, with no queued turns and no bracing. Without food, spawnFood() places one.
    // An empty snake is replaced by the start snake, since every step needs a head.
    SnakeGame(int width, int height, std::vector<SnakeCell> snake, SnakeDirection direction,
              std::optional<SnakeCell> food, int score, State state, Random random = systemRandom);

    int width() const { return m_width; }
    int height() const { return m_height; }
    const std::vector<SnakeCell>& snake() const { return m_snake; }
    SnakeDirection direction() const { return m_direction; }
    const std::vector<SnakeDirection>& pendingTurns() const { return m_pendingTurns; }
    const std::optional<SnakeCell>& food() const { return m_food; }
    int score() const { return m_score; }
    State state() const { return m_state; }
    bool isBracing() const { return m_isBracing; }
    const Random& random() const { return m_random; }
    // An empty function stands for systemRandom.
    void setRandom(Random random);

    SnakeCell head() const { return m_snake.front(); }
    int length() const { return int(m_snake.size()); }
    std::optional<SnakeDirection> pendingTurn() const;

    void reset();
    void spawnFood();
    // ready and paused play; over starts a new game and plays; playing stays.
    void start();
    // Returns the state afterwards; only playing and paused change.
    State togglePause();
    // Whether the turn was queued.
    bool turn(SnakeDirection direction);
    // One tick: moves the snake by one cell.
    StepResult step();

    static double movesPerSecond(int length, bool reduceMotion);

private:
    bool isOnBoard(SnakeCell cell) const;
    void startSnake();

    int m_width;
    int m_height;
    std::vector<SnakeCell> m_snake;
    SnakeDirection m_direction = SnakeDirection::Right;
    std::vector<SnakeDirection> m_pendingTurns;
    std::optional<SnakeCell> m_food;
    int m_score = 0;
    State m_state = State::Ready;
    bool m_isBracing = false;
    Random m_random;
};

} // namespace VexilUI

template <> struct std::hash<VexilUI::SnakeCell> {
    size_t operator()(const VexilUI::SnakeCell& cell) const noexcept { return VexilUI::qHash(cell); }
};
