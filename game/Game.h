#pragma once

#include "game/GameRules.h"
#include "game/Periods.h"

#include <QString>

#include <array>
#include <deque>
#include <optional>

namespace game {

enum Team { Home = 0, Visitor = 1 };

// The alternating-possession arrow.
enum class Arrow { None, Home, Visitor };

inline constexpr int MaxScore = 199;

// Everything of a game that undo gives back; the clocks' running time is not part of it.
struct GameState {
    Phase phase = Phase::Playing;
    // The period being played or, during a break, the one the break leads to.
    int period = 1;
    std::array<int, 2> score{};
    std::array<int, 2> fouls{};
    std::array<bool, 2> bonus{};
    std::array<int, 2> timeoutsLeft{};
    // Timeouts taken since the last period's clock reached the late window, for the cap.
    std::array<int, 2> lateTimeouts{};
    Arrow arrow = Arrow::None;
    bool operator==(const GameState&) const = default;
};

enum class Command {
    HomeFoul,
    VisitorFoul,
    // The foul displays take a typed count as the score displays do.
    SetHomeFouls,
    SetVisitorFouls,
    SetHomeScore,
    SetVisitorScore,
    AddHomeScore,
    AddVisitorScore,
    HomeBonusClick,
    VisitorBonusClick,
    HomeTimeout,
    VisitorTimeout,
    PossessionArrow,
    SetPossession,
    NextPeriod,
    LoadGameClock,
    ResetGameClock,
    ShotClockFull,
    ShotClockShort,
    LoadShotClock,
    ShotClockStartStop,
    Undo,
    Redo,
};

// A command with its figure: a score, a count, points to add, an Arrow as int, or a clock value.
struct Action {
    Action(Command c, int v = 0, Currency t = {}) : command(c), value(v), clock(t) {}
    Command command;
    int value;
    Currency clock;
};

// The clocks as the window reads them when the command comes.
struct Clocks {
    Currency game;
    Currency shot;
};

// What the window does after a command. A load stops the clock first and leaves it stopped.
struct Effects {
    std::optional<Currency> loadGameClock;
    std::optional<Currency> loadShotClock;
    bool stopGameClock = false;
    bool stopShotClock = false;
    // Starts the shot clock if it is stopped and stops it if it runs, without the game clock.
    bool startStopShotClock = false;
    // Loads the timeout countdown with this length and starts it.
    std::optional<Currency> startTimeout;
    bool stopTimeout = false;
    // The game state changed: the board shows it afresh.
    bool changed = false;
    // Why the command did nothing, for a line beside the board or the console.
    QString refused;
};

// The fouls a display shows: 0 to 9, the count itself kept whole.
int shownFouls(int fouls);

// Why the team cannot take a timeout now; empty when it can.
QString timeoutRefusal(const GameRules& rules, const GameState& state, Team team, Currency gameClock);

// One game: its rules, its state, and the history that undo and redo walk. Every change goes through
// dispatch, so keys, the console and a remote share undo.
class Game {
public:
    static constexpr int HistoryDepth = 200;

    explicit Game(const GameRules& rules = fibaRules());

    const GameRules& rules() const { return m_rules; }
    const GameState& state() const { return m_state; }
    int undoDepth() const { return static_cast<int>(m_undo.size()); }
    int redoDepth() const { return static_cast<int>(m_redo.size()); }

    // A fresh game under these rules, history empty, with the scores given (those on show when the
    // board changes over mid-game): returns what the clocks load for period 1.
    Effects newGame(const GameRules& rules, std::array<int, 2> scores = {});

    // Applies one command. Undo gives back the state before the last step, loads the clocks that step
    // loaded with the values they had before it (stopped) and ends a timeout countdown it started;
    // redo does the step again, effects and all. Refused commands and running the shot clock alone
    // are not steps.
    Effects dispatch(const Action& action, const Clocks& clocks);

private:
    struct Step {
        GameState before;
        GameState after;
        Clocks clocksBefore;
        Effects effects;
    };

    // Changes the state for the action and says what the clocks do; refused leaves the state alone.
    Effects apply(const Action& action, const Clocks& clocks);
    void foul(Team team, int count);
    void startPeriod(int period);
    Effects nextPeriod();
    Effects undo();
    Effects redo();

    GameRules m_rules;
    GameState m_state;
    std::deque<Step> m_undo;
    std::deque<Step> m_redo;
};

} // namespace game
