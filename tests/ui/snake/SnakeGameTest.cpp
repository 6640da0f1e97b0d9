#include "ui/snake/SnakeGame.h"

#include "SnakePrinters.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <memory>
#include <unordered_set>

using namespace VexilUI;
using Dir = SnakeDirection;
using State = SnakeGame::State;
using Step = SnakeGame::StepResult;
using Cells = std::vector<SnakeCell>;

namespace {

SnakeGame::Random always(int index) {
    return [index](int) { return index; };
}

// A repeatable source, as a test or a demonstration would inject it.
SnakeGame::Random seeded(quint32 seed) {
    auto generator = std::make_shared<QRandomGenerator>(seed);
    return [generator](int n) { return n <= 0 ? 0 : int(generator->bounded(quint32(n))); };
}

SnakeGame playing(Cells snake, Dir direction, std::optional<SnakeCell> food = SnakeCell{0, 0}) {
    return SnakeGame(20, 20, std::move(snake), direction, food, 0, State::Playing, always(0));
}

} // namespace

TEST(SnakeCell, DescriptionHashAndEquality) {
    EXPECT_EQ((SnakeCell{12, 7}.description()), "(12,7)");
    EXPECT_EQ((SnakeCell{-1, 0}.description()), "(-1,0)");
    EXPECT_EQ((SnakeCell{3, 4}), (SnakeCell{3, 4}));
    EXPECT_NE((SnakeCell{3, 4}), (SnakeCell{4, 3}));
    EXPECT_EQ(qHash(SnakeCell{3, 4}), qHash(SnakeCell{3, 4}));
    const std::unordered_set<SnakeCell> cells{{1, 2}, {2, 1}, {1, 2}};
    EXPECT_EQ(cells.size(), 2u);
}

TEST(SnakeDirection, CasesAndDerivedValues) {
    const struct {
        Dir direction;
        int dx, dy;
        Dir opposite;
    } cases[] = {
        {Dir::Up, 0, -1, Dir::Down},
        {Dir::Down, 0, 1, Dir::Up},
        {Dir::Left, -1, 0, Dir::Right},
        {Dir::Right, 1, 0, Dir::Left},
    };
    ASSERT_EQ(SnakeDirections::allCases.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        EXPECT_EQ(SnakeDirections::allCases[i], c.direction);
        EXPECT_EQ(dx(c.direction), c.dx) << i;
        EXPECT_EQ(dy(c.direction), c.dy) << i;
        EXPECT_EQ(opposite(c.direction), c.opposite) << i;
    }
}

TEST(SnakeGame, ConstantsAndSystemRandom) {
    EXPECT_EQ(SnakeGame::pointsPerFood, 10);
    EXPECT_EQ(SnakeGame::startLength, 3);
    EXPECT_EQ(SnakeGame::maxQueuedTurns, 2);
    EXPECT_EQ(SnakeGame::baseSpeed, 7.0);
    EXPECT_EQ(SnakeGame::reducedMotionSpeed, 5.0);
    EXPECT_EQ(SnakeGame::speedStep, 0.25);
    EXPECT_EQ(SnakeGame::maxSpeed, 15.0);

    EXPECT_EQ(SnakeGame::systemRandom(0), 0);
    EXPECT_EQ(SnakeGame::systemRandom(-4), 0);
    EXPECT_EQ(SnakeGame::systemRandom(1), 0);
    for (int i = 0; i < 200; ++i) {
        const int r = SnakeGame::systemRandom(7);
        ASSERT_GE(r, 0);
        ASSERT_LT(r, 7);
    }
}

TEST(SnakeGame, NewGameOnTheStandardBoard) {
    int asked = -1;
    SnakeGame game(20, 20, [&](int n) {
        asked = n;
        return 0;
    });
    EXPECT_EQ(game.width(), 20);
    EXPECT_EQ(game.height(), 20);
    EXPECT_EQ(game.snake(), (Cells{{10, 10}, {9, 10}, {8, 10}}));
    EXPECT_EQ(game.head(), (SnakeCell{10, 10}));
    EXPECT_EQ(game.length(), 3);
    EXPECT_EQ(game.direction(), Dir::Right);
    EXPECT_TRUE(game.pendingTurns().empty());
    EXPECT_FALSE(game.pendingTurn());
    EXPECT_EQ(game.score(), 0);
    EXPECT_EQ(game.state(), State::Ready);
    EXPECT_FALSE(game.isBracing());
    // 18 by 18 interior cells, three of them under the snake; index 0 is the first in row order.
    EXPECT_EQ(asked, 18 * 18 - 3);
    EXPECT_EQ(game.food(), (SnakeCell{1, 1}));
}

TEST(SnakeGame, SidesAreRaisedToFive) {
    const struct {
        int w, h, expectedW, expectedH;
    } cases[] = {{3, 4, 5, 5}, {5, 5, 5, 5}, {-2, 9, 5, 9}, {6, 0, 6, 5}, {21, 7, 21, 7}};
    for (const auto& c : cases) {
        SnakeGame game(c.w, c.h, always(0));
        EXPECT_EQ(game.width(), c.expectedW);
        EXPECT_EQ(game.height(), c.expectedH);
        const int x = c.expectedW / 2, y = c.expectedH / 2;
        EXPECT_EQ(game.snake(), (Cells{{x, y}, {x - 1, y}, {x - 2, y}})) << c.w << "x" << c.h;
    }
}

TEST(SnakeGame, FoodChoiceClampsTheRandomIndex) {
    const struct {
        int index;
        SnakeCell food;
    } cases[] = {
        {0, {1, 1}},  {-7, {1, 1}},    {1, {2, 1}},     {17, {18, 1}},
        {18, {1, 2}}, {320, {18, 18}}, {321, {18, 18}}, {100000, {18, 18}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SnakeGame(20, 20, always(c.index)).food(), c.food) << c.index;
}

TEST(SnakeGame, FoodFallsBackToTheOuterRingWhenTheInteriorIsFull) {
    // The 3 by 3 interior of a 5 by 5 board is all snake.
    const Cells snake{{1, 1}, {2, 1}, {3, 1}, {3, 2}, {2, 2}, {1, 2}, {1, 3}, {2, 3}, {3, 3}};
    int asked = -1;
    SnakeGame game(5, 5, snake, Dir::Right, std::nullopt, 0, State::Ready, [&](int n) {
        asked = n;
        return n - 1;
    });
    EXPECT_EQ(asked, 16);
    EXPECT_EQ(game.food(), (SnakeCell{4, 4}));
    EXPECT_EQ(game.state(), State::Ready);
}

TEST(SnakeGame, SeededGamesReplayTheSameFood) {
    SnakeGame a(20, 20, seeded(42));
    SnakeGame b(20, 20, seeded(42));
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(a.food(), b.food());
        const SnakeCell food = *a.food();
        EXPECT_GE(food.x, 1);
        EXPECT_LE(food.x, 18);
        EXPECT_GE(food.y, 1);
        EXPECT_LE(food.y, 18);
        EXPECT_EQ(std::count(a.snake().begin(), a.snake().end(), food), 0);
        a.spawnFood();
        b.spawnFood();
    }
}

TEST(SnakeGame, GivenPosition) {
    SnakeGame game(2, 30, {{1, 1}, {1, 2}}, Dir::Up, SnakeCell{3, 3}, 70, State::Paused, always(0));
    EXPECT_EQ(game.width(), 5);
    EXPECT_EQ(game.height(), 30);
    EXPECT_EQ(game.snake(), (Cells{{1, 1}, {1, 2}}));
    EXPECT_EQ(game.direction(), Dir::Up);
    EXPECT_EQ(game.food(), (SnakeCell{3, 3}));
    EXPECT_EQ(game.score(), 70);
    EXPECT_EQ(game.state(), State::Paused);
    EXPECT_FALSE(game.isBracing());
    EXPECT_TRUE(game.pendingTurns().empty());

    // Without food one is placed: the first free interior cell, here (2,1).
    SnakeGame placed(20, 20, {{1, 1}}, Dir::Up, std::nullopt, 0, State::Playing, always(0));
    EXPECT_EQ(placed.food(), (SnakeCell{2, 1}));

    // Cells off the board occupy nothing there.
    SnakeGame outside(5, 5, {{-1, 2}, {1, 1}, {9, 9}}, Dir::Up, std::nullopt, 0, State::Ready, always(0));
    EXPECT_EQ(outside.food(), (SnakeCell{2, 1}));
}

TEST(SnakeGame, EmptyGivenSnakeGetsTheStartSnake) {
    SnakeGame game(20, 20, {}, Dir::Up, SnakeCell{1, 1}, 0, State::Playing, always(0));
    EXPECT_EQ(game.snake(), (Cells{{10, 10}, {9, 10}, {8, 10}}));
    EXPECT_EQ(game.step(), Step::Moved);
}

TEST(SnakeGame, EmptyRandomFallsBackToTheSystemSource) {
    SnakeGame game(20, 20, SnakeGame::Random{});
    ASSERT_TRUE(game.food());
    game.setRandom(nullptr);
    game.spawnFood();
    EXPECT_TRUE(game.food());
    game.setRandom(always(0));
    game.spawnFood();
    EXPECT_EQ(game.food(), (SnakeCell{1, 1}));
}

TEST(SnakeGame, TurnsAreComparedWithTheLastQueuedTurn) {
    SnakeGame game(20, 20, always(0));
    const struct {
        Dir turn;
        bool accepted;
    } script[] = {
        {Dir::Left, false},                      // reverses the heading
        {Dir::Right, false},                     // the heading itself
        {Dir::Up, true},     {Dir::Down, false}, // reverses the queued up
        {Dir::Up, false},                        // equals the queued up
        {Dir::Left, true},   {Dir::Down, false}, // the queue is full
        {Dir::Right, false},
    };
    for (size_t i = 0; i < std::size(script); ++i)
        EXPECT_EQ(game.turn(script[i].turn), script[i].accepted) << i;
    EXPECT_EQ(game.pendingTurns(), (std::vector<Dir>{Dir::Up, Dir::Left}));
    EXPECT_EQ(game.pendingTurn(), Dir::Up);
    EXPECT_EQ(game.direction(), Dir::Right);
    EXPECT_EQ(game.state(), State::Ready);
}

TEST(SnakeGame, TurnsByState) {
    const struct {
        State state;
        bool accepted;
    } cases[] = {{State::Ready, true}, {State::Playing, true}, {State::Paused, true}, {State::Over, false}};
    for (const auto& c : cases) {
        SnakeGame game(20, 20, {{10, 10}, {9, 10}}, Dir::Right, SnakeCell{1, 1}, 0, c.state, always(0));
        EXPECT_EQ(game.turn(Dir::Up), c.accepted) << int(c.state);
        EXPECT_EQ(game.state(), c.state);
    }
}

TEST(SnakeGame, StartAndTogglePauseByState) {
    const struct {
        State from;
        State afterStart;
        State afterToggle;
    } cases[] = {
        {State::Ready, State::Playing, State::Ready},
        {State::Playing, State::Playing, State::Paused},
        {State::Paused, State::Playing, State::Playing},
        {State::Over, State::Playing, State::Over},
    };
    for (const auto& c : cases) {
        const SnakeGame given(20, 20, {{3, 3}, {2, 3}}, Dir::Down, SnakeCell{7, 7}, 40, c.from, always(0));
        SnakeGame started = given;
        started.start();
        EXPECT_EQ(started.state(), c.afterStart) << int(c.from);
        SnakeGame toggled = given;
        EXPECT_EQ(toggled.togglePause(), c.afterToggle) << int(c.from);
        EXPECT_EQ(toggled.state(), c.afterToggle);
        EXPECT_EQ(toggled.snake(), given.snake());
    }
    // Starting a finished game begins a new one.
    SnakeGame over(20, 20, {{3, 3}, {2, 3}}, Dir::Down, SnakeCell{7, 7}, 40, State::Over, always(0));
    over.start();
    EXPECT_EQ(over.snake(), (Cells{{10, 10}, {9, 10}, {8, 10}}));
    EXPECT_EQ(over.direction(), Dir::Right);
    EXPECT_EQ(over.score(), 0);
    EXPECT_EQ(over.food(), (SnakeCell{1, 1}));
}

TEST(SnakeGame, StepOutsidePlayChangesNothing) {
    for (State state : {State::Ready, State::Paused, State::Over}) {
        SnakeGame game(20, 20, {{19, 10}, {18, 10}}, Dir::Right, SnakeCell{1, 1}, 0, state, always(0));
        if (state != State::Over) game.turn(Dir::Up);
        const SnakeGame before = game;
        EXPECT_EQ(game.step(), Step::Idle);
        EXPECT_EQ(game.snake(), before.snake());
        EXPECT_EQ(game.pendingTurns(), before.pendingTurns());
        EXPECT_EQ(game.isBracing(), false);
        EXPECT_EQ(game.state(), state);
    }
}

TEST(SnakeGame, StepMovesOneCellAndUsesOneQueuedTurn) {
    SnakeGame game(20, 20, always(0));
    game.start();
    EXPECT_EQ(game.step(), Step::Moved);
    EXPECT_EQ(game.snake(), (Cells{{11, 10}, {10, 10}, {9, 10}}));
    game.turn(Dir::Down);
    game.turn(Dir::Left);
    EXPECT_EQ(game.step(), Step::Moved);
    EXPECT_EQ(game.direction(), Dir::Down);
    EXPECT_EQ(game.pendingTurns(), (std::vector<Dir>{Dir::Left}));
    EXPECT_EQ(game.step(), Step::Moved);
    EXPECT_EQ(game.direction(), Dir::Left);
    EXPECT_EQ(game.snake(), (Cells{{10, 11}, {11, 11}, {11, 10}}));
    EXPECT_EQ(game.score(), 0);
}

TEST(SnakeGame, WallGivesOneTickOfGrace) {
    const Cells atWall{{19, 10}, {18, 10}, {17, 10}};
    {
        SnakeGame game = playing(atWall, Dir::Right);
        EXPECT_EQ(game.step(), Step::Braced);
        EXPECT_TRUE(game.isBracing());
        EXPECT_EQ(game.snake(), atWall);
        EXPECT_EQ(game.state(), State::Playing);
        EXPECT_EQ(game.step(), Step::Died);
        EXPECT_FALSE(game.isBracing());
        EXPECT_EQ(game.state(), State::Over);
        EXPECT_EQ(game.snake(), atWall);
    }
    {
        SnakeGame game = playing(atWall, Dir::Right);
        EXPECT_EQ(game.step(), Step::Braced);
        EXPECT_TRUE(game.turn(Dir::Up));
        EXPECT_EQ(game.step(), Step::Moved);
        EXPECT_FALSE(game.isBracing());
        EXPECT_EQ(game.head(), (SnakeCell{19, 9}));
    }
    {
        // A turn into the wall is used up by the braced tick.
        SnakeGame game = playing({{19, 0}, {19, 1}}, Dir::Up);
        game.turn(Dir::Right);
        EXPECT_EQ(game.step(), Step::Braced);
        EXPECT_EQ(game.direction(), Dir::Right);
        EXPECT_TRUE(game.pendingTurns().empty());
    }
    // Every side of the board.
    const struct {
        SnakeCell head;
        Dir direction;
    } sides[] = {{{0, 5}, Dir::Left}, {{5, 0}, Dir::Up}, {{19, 5}, Dir::Right}, {{5, 19}, Dir::Down}};
    for (const auto& s : sides) {
        SnakeGame game = playing({s.head}, s.direction, SnakeCell{10, 10});
        EXPECT_EQ(game.step(), Step::Braced) << s.head.description().toStdString();
        EXPECT_EQ(game.step(), Step::Died);
    }
}

TEST(SnakeGame, BodyCollisions) {
    // Into the cell the tail leaves in this same tick: allowed.
    SnakeGame chase = playing({{5, 5}, {6, 5}, {6, 6}, {5, 6}}, Dir::Left);
    chase.turn(Dir::Down);
    EXPECT_EQ(chase.step(), Step::Moved);
    EXPECT_EQ(chase.snake(), (Cells{{5, 6}, {5, 5}, {6, 5}, {6, 6}}));

    // Into any other body cell: the game ends and the snake stays.
    const Cells longer{{5, 5}, {6, 5}, {6, 6}, {5, 6}, {4, 6}};
    SnakeGame bitten = playing(longer, Dir::Left);
    bitten.turn(Dir::Down);
    EXPECT_EQ(bitten.step(), Step::Died);
    EXPECT_EQ(bitten.state(), State::Over);
    EXPECT_EQ(bitten.snake(), longer);

    // A snake of one cell can go anywhere on the board.
    SnakeGame single = playing({{4, 4}}, Dir::Right);
    single.turn(Dir::Down);
    EXPECT_EQ(single.step(), Step::Moved);
    EXPECT_EQ(single.snake(), (Cells{{4, 5}}));
}

TEST(SnakeGame, EatingGrowsScoresAndPlacesNewFood) {
    SnakeGame game(20, 20, {{10, 10}, {9, 10}, {8, 10}}, Dir::Right, SnakeCell{11, 10}, 0, State::Playing,
                   always(0));
    EXPECT_EQ(game.step(), Step::Ate);
    EXPECT_EQ(game.snake(), (Cells{{11, 10}, {10, 10}, {9, 10}, {8, 10}}));
    EXPECT_EQ(game.score(), 10);
    EXPECT_EQ(game.food(), (SnakeCell{1, 1}));
    EXPECT_EQ(game.state(), State::Playing);

    SnakeGame run(20, 20, {{10, 10}, {9, 10}, {8, 10}}, Dir::Right, SnakeCell{11, 10}, 0, State::Playing,
                  [](int n) { return n - 1; });
    // The last free interior cell is (18,18); walk the snake there along the row and the column.
    EXPECT_EQ(run.step(), Step::Ate);
    EXPECT_EQ(run.food(), (SnakeCell{18, 18}));
    for (int i = 0; i < 7; ++i)
        ASSERT_EQ(run.step(), Step::Moved);
    run.turn(Dir::Down);
    for (int i = 0; i < 7; ++i)
        ASSERT_EQ(run.step(), Step::Moved);
    EXPECT_EQ(run.step(), Step::Ate);
    EXPECT_EQ(run.length(), 5);
    EXPECT_EQ(run.score(), 20);
}

TEST(SnakeGame, EatingTheLastFreeCellEndsTheGame) {
    // A 5 by 5 board covered by the snake but for the food cell (0,4) just below the head.
    Cells snake{{0, 3}};
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            if (!(x == 0 && y >= 3)) snake.push_back({x, y});
    ASSERT_EQ(snake.size(), 24u);
    SnakeGame game(5, 5, snake, Dir::Down, SnakeCell{0, 4}, 230, State::Playing, always(0));
    EXPECT_EQ(game.step(), Step::Ate);
    EXPECT_EQ(game.length(), 25);
    EXPECT_EQ(game.score(), 240);
    EXPECT_FALSE(game.food());
    EXPECT_EQ(game.state(), State::Over);
}

TEST(SnakeGame, Speed) {
    const struct {
        int length;
        bool reduceMotion;
        double speed;
    } cases[] = {
        {1, false, 7.0},    {3, false, 7.0},   {4, false, 7.25},   {7, false, 8.0},
        {34, false, 14.75}, {35, false, 15.0}, {400, false, 15.0}, {3, true, 5.0},
        {4, true, 5.25},    {42, true, 14.75}, {43, true, 15.0},   {0, true, 5.0},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(SnakeGame::movesPerSecond(c.length, c.reduceMotion), c.speed)
            << c.length << " " << c.reduceMotion;
}
