#include "game/Game.h"

#include <algorithm>

namespace game {

namespace {

constexpr int MaxFouls = 99;
const Currency MaxGameClock = Currency::fromSeconds(5999);
const Currency MaxShotClock = Currency::fromSeconds(99);

QString teamName(Team team) {
    return team == Home ? QStringLiteral("Home") : QStringLiteral("Visitor");
}

QString minutesText(Currency value) {
    const qint64 seconds = value.ticks() / Currency::TicksPerSecond;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QChar(u'0'));
}

bool inLateWindow(const GameRules& rules, const GameState& state, Currency gameClock) {
    return state.phase == Phase::Playing && state.period == rules.periods &&
           gameClock <= rules.timeoutsLateWindow;
}

Effects refusal(const QString& why) {
    Effects e;
    e.refused = why;
    return e;
}

} // namespace

int shownFouls(int fouls) {
    return std::clamp(fouls, 0, 9);
}

QString timeoutRefusal(const GameRules& rules, const GameState& state, Team team, Currency gameClock) {
    if (state.phase == Phase::Interval)
        return QStringLiteral("No timeout during an interval.");
    if (state.phase == Phase::HalfTime)
        return QStringLiteral("No timeout during half-time.");
    if (state.timeoutsLeft[team] <= 0)
        return QStringLiteral("%1 has no timeouts left.").arg(teamName(team));
    if (rules.timeoutsLateCap > 0 && inLateWindow(rules, state, gameClock) &&
        state.lateTimeouts[team] >= rules.timeoutsLateCap)
        return QStringLiteral("%1 has taken its %2 timeouts allowed once the clock shows %3 or less.")
            .arg(teamName(team))
            .arg(rules.timeoutsLateCap)
            .arg(minutesText(rules.timeoutsLateWindow));
    return {};
}

Game::Game(const GameRules& rules) {
    newGame(rules);
}

Effects Game::newGame(const GameRules& rules, std::array<int, 2> scores) {
    m_rules = rules;
    m_state = GameState{};
    for (std::size_t team = 0; team < scores.size(); ++team)
        m_state.score.at(team) = std::clamp(scores.at(team), 0, MaxScore);
    m_state.timeoutsLeft = {m_rules.timeoutsFirstHalf, m_rules.timeoutsFirstHalf};
    m_undo.clear();
    m_redo.clear();
    Effects e;
    e.loadGameClock = playingLength(m_rules, 1);
    if (m_rules.shotClockOn)
        e.loadShotClock = m_rules.shotClockFull;
    e.stopTimeout = true;
    e.changed = true;
    return e;
}

Effects Game::dispatch(const Action& action, const Clocks& clocks) {
    if (action.command == Command::Undo)
        return undo();
    if (action.command == Command::Redo)
        return redo();
    const GameState before = m_state;
    Effects e = apply(action, clocks);
    e.changed = m_state != before;
    // Running or stopping a clock is not a step: the running time of a clock is never undone.
    if (!e.refused.isEmpty() || action.command == Command::ShotClockStartStop)
        return e;
    if (!e.changed && !e.loadGameClock && !e.loadShotClock)
        return e;
    m_undo.push_back(Step{before, m_state, clocks, e});
    if (m_undo.size() > HistoryDepth)
        m_undo.pop_front();
    m_redo.clear();
    return e;
}

Effects Game::apply(const Action& action, const Clocks& clocks) {
    Effects e;
    const auto scoreTo = [&](Team team, int score) {
        if (score < 0 || score > MaxScore)
            return refusal(QStringLiteral("A score is 0 to %1.").arg(MaxScore));
        m_state.score[team] = score;
        return e;
    };
    const auto foulsTo = [&](Team team, int fouls) {
        if (fouls < 0 || fouls > MaxFouls)
            return refusal(QStringLiteral("Team fouls are 0 to %1.").arg(MaxFouls));
        foul(team, fouls);
        return e;
    };
    const auto timeout = [&](Team team) {
        const QString why = timeoutRefusal(m_rules, m_state, team, clocks.game);
        if (!why.isEmpty())
            return refusal(why);
        if (inLateWindow(m_rules, m_state, clocks.game))
            ++m_state.lateTimeouts[team];
        --m_state.timeoutsLeft[team];
        e.stopGameClock = true;
        e.stopShotClock = true;
        e.startTimeout = m_rules.timeoutLength;
        return e;
    };
    const auto shotClockTo = [&](Currency value) {
        if (!m_rules.shotClockOn)
            return refusal(QStringLiteral("The shot clock is off."));
        if (value < Currency() || value > MaxShotClock)
            return refusal(QStringLiteral("The shot clock is 0 to 99 s."));
        e.loadShotClock = value;
        return e;
    };

    switch (action.command) {
    case Command::HomeFoul:
        return foulsTo(Home, m_state.fouls[Home] + 1);
    case Command::VisitorFoul:
        return foulsTo(Visitor, m_state.fouls[Visitor] + 1);
    case Command::SetHomeFouls:
        return foulsTo(Home, action.value);
    case Command::SetVisitorFouls:
        return foulsTo(Visitor, action.value);
    case Command::SetHomeScore:
        return scoreTo(Home, action.value);
    case Command::SetVisitorScore:
        return scoreTo(Visitor, action.value);
    case Command::AddHomeScore:
        return scoreTo(Home, m_state.score[Home] + action.value);
    case Command::AddVisitorScore:
        return scoreTo(Visitor, m_state.score[Visitor] + action.value);
    case Command::HomeBonusClick:
        m_state.bonus[Home] = !m_state.bonus[Home];
        return e;
    case Command::VisitorBonusClick:
        m_state.bonus[Visitor] = !m_state.bonus[Visitor];
        return e;
    case Command::HomeTimeout:
        return timeout(Home);
    case Command::VisitorTimeout:
        return timeout(Visitor);
    case Command::PossessionArrow:
        m_state.arrow = m_state.arrow == Arrow::Home ? Arrow::Visitor : Arrow::Home;
        return e;
    case Command::SetPossession:
        if (action.value < 0 || action.value > 2)
            return refusal(QStringLiteral("The arrow points home, visitor or nowhere."));
        m_state.arrow = static_cast<Arrow>(action.value);
        return e;
    case Command::NextPeriod:
        return nextPeriod();
    case Command::LoadGameClock:
        if (action.clock < Currency() || action.clock > MaxGameClock)
            return refusal(QStringLiteral("The game clock is 0 to 99:59."));
        e.loadGameClock = action.clock;
        return e;
    case Command::ResetGameClock:
        e.loadGameClock = m_state.phase == Phase::Playing ? playingLength(m_rules, m_state.period)
                                                          : breakLength(m_rules, m_state.period);
        return e;
    case Command::ShotClockFull:
        return shotClockTo(m_rules.shotClockFull);
    case Command::ShotClockShort:
        return shotClockTo(m_rules.shotClockShort);
    case Command::LoadShotClock:
        return shotClockTo(action.clock);
    case Command::ShotClockStartStop:
        if (!m_rules.shotClockOn)
            return refusal(QStringLiteral("The shot clock is off."));
        e.startStopShotClock = true;
        return e;
    case Command::Undo:
    case Command::Redo:
        break;
    }
    return e;
}

// A foul that brings the team to the limit lights the other team's lamp; a typed count below it
// puts the lamp out, so a corrected count leaves the lamp right.
void Game::foul(Team team, int count) {
    const Team other = team == Home ? Visitor : Home;
    const bool added = count == m_state.fouls[team] + 1;
    m_state.fouls[team] = count;
    if (count >= m_rules.foulLimit)
        m_state.bonus[other] = true;
    else if (!added)
        m_state.bonus[other] = false;
}

void Game::startPeriod(int period) {
    const bool overtime = isOvertime(m_rules, period);
    const bool secondHalf = !overtime && m_rules.periods >= 2 && period == secondHalfStart(m_rules);
    const bool foulsReset =
        overtime ? !m_rules.overtimeKeepsFouls : m_rules.foulReset == FoulReset::EachPeriod || secondHalf;
    m_state.phase = Phase::Playing;
    m_state.period = period;
    if (foulsReset) {
        m_state.fouls = {};
        m_state.bonus = {};
    }
    const auto grant = [&](int more) {
        for (int& left : m_state.timeoutsLeft)
            left = m_rules.timeoutsCarried ? left + more : more;
        m_state.lateTimeouts = {};
    };
    if (secondHalf)
        grant(m_rules.timeoutsSecondHalf);
    if (overtime)
        grant(m_rules.timeoutsPerOvertime);
}

Effects Game::nextPeriod() {
    Effects e;
    const int next = m_state.phase == Phase::Playing ? m_state.period + 1 : m_state.period;
    if (m_state.phase == Phase::Playing && breakLength(m_rules, next) > Currency()) {
        m_state.phase = breakBefore(m_rules, next);
        m_state.period = next;
        e.loadGameClock = breakLength(m_rules, next);
        return e;
    }
    startPeriod(next);
    e.loadGameClock = playingLength(m_rules, next);
    if (m_rules.shotClockOn)
        e.loadShotClock = m_rules.shotClockFull;
    return e;
}

Effects Game::undo() {
    if (m_undo.empty())
        return refusal(QStringLiteral("Nothing to undo."));
    const Step step = m_undo.back();
    m_undo.pop_back();
    m_state = step.before;
    Effects e;
    if (step.effects.loadGameClock)
        e.loadGameClock = step.clocksBefore.game;
    if (step.effects.loadShotClock)
        e.loadShotClock = step.clocksBefore.shot;
    e.stopTimeout = step.effects.startTimeout.has_value();
    e.changed = true;
    m_redo.push_back(step);
    return e;
}

Effects Game::redo() {
    if (m_redo.empty())
        return refusal(QStringLiteral("Nothing to redo."));
    const Step step = m_redo.back();
    m_redo.pop_back();
    m_state = step.after;
    Effects e = step.effects;
    e.changed = true;
    m_undo.push_back(step);
    return e;
}

} // namespace game
