#include "scoreboard/GameBoard.h"

#include "clock/TimeSource.h"
#include "clock/modCount.h"
#include "game/Periods.h"
#include "game/ShotClock.h"
#include "layout/ColorApply.h"
#include "layout/modStretch.h"
#include "platform/Accessible.h"
#include "scoreboard/frmScoreboard.h"
#include "scoreboard/modShowDigits.h"
#include "sound/SoundDevice.h"
#include "state/modBasketball.h"

#include <QShortcut>

#include <algorithm>
#include <array>

using game::Action;
using game::Command;
using game::Home;
using game::Team;
using game::Visitor;
using GameLayout::Place;

namespace {

constexpr qint16 GameSlot = 0;
constexpr qint32 CountDown = 0;
constexpr qint64 UsPerTenth = 100'000;

struct GameKey {
    Command command;
    QKeyCombination key;
};

constexpr std::array<GameKey, 11> GameKeys{{
    {Command::HomeFoul, Qt::Key_F3},
    {Command::VisitorFoul, Qt::Key_F4},
    {Command::ShotClockFull, Qt::Key_F5},
    {Command::ShotClockShort, Qt::Key_F6},
    {Command::ShotClockStartStop, Qt::Key_F7},
    {Command::HomeTimeout, Qt::Key_F8},
    {Command::VisitorTimeout, Qt::Key_F9},
    {Command::NextPeriod, Qt::Key_F10},
    {Command::PossessionArrow, Qt::Key_F12},
    {Command::Undo, Qt::CTRL | Qt::Key_Z},
    {Command::Redo, Qt::CTRL | Qt::SHIFT | Qt::Key_Z},
}};

} // namespace

GameBoard::GameBoard(frmScoreboard* board)
    : QObject(board), m_board(*board), m_horn(new SoundDevice(this)),
      m_standardPlaces(GameLayout::placesOf(*board)) {
    connect(m_horn, &SoundDevice::Done, this, [this] {
        // Rewound after every playback, as the buzzer is.
        m_horn->setCommand(QStringLiteral("Stop"));
        m_horn->setCommand(QStringLiteral("Prev"));
    });
    connectKeys();
}

QKeySequence GameBoard::keyOf(Command command) {
    for (const GameKey& key : GameKeys)
        if (key.command == command)
            return QKeySequence(key.key);
    return {};
}

void GameBoard::connectKeys() {
    // None of these keys types a character, so the letter commands and the digit entries never
    // see them. A key held down runs its command once: a held foul key must not count fouls.
    for (const GameKey& key : GameKeys) {
        auto* shortcut = new QShortcut(QKeySequence(key.key), &m_board);
        shortcut->setAutoRepeat(false);
        shortcut->setEnabled(active());
        connect(shortcut, &QShortcut::activated, this,
                [this, command = key.command] { dispatch(Action(command)); });
        m_gameKeys.append(shortcut);
    }
}

void GameBoard::applySettings(const game::GameSettings& settings) {
    const bool layoutChanged = settings.layout != m_settings.layout;
    const bool rulesChanged = settings.rules != m_settings.rules;
    const bool hornChanged = settings.hornFile != m_settings.hornFile;
    m_settings = settings;
    for (QShortcut* shortcut : std::as_const(m_gameKeys))
        shortcut->setEnabled(active());
    // The horn is the Game board's alone: the Standard board keeps no second sound loaded.
    if (active() && (hornChanged || layoutChanged))
        openHorn();
    else if (layoutChanged)
        m_horn->setCommand(QStringLiteral("Close"));
    // The timeout lamps are as many as the rules can give, so new rules build the board anew.
    if (layoutChanged || (active() && rulesChanged)) {
        destroyControls();
        if (active())
            createControls();
        layOut();
    }
    const bool newGame = active() && (layoutChanged || rulesChanged);
    if (newGame) {
        // A new game, with the scores on show: changing over mid-game loses no points.
        const std::array<int, 2> scores{modShowDigits::ShownValue(m_board.pledHomeScore),
                                        modShowDigits::ShownValue(m_board.pledVisitorScore)};
        modCount::SetCount(Currency(), CountDown, TimeoutSlot);
        m_timeoutRunning = false;
        applyEffects(m_game.newGame(m_settings.rules, scores), false);
    }
    if (active())
        updateColors();
    Q_EMIT settingsApplied(newGame);
}

void GameBoard::takeUp(const game::Game& game, const game::Clocks& clocks) {
    stopClocks(Clock::source().monotonicUs());
    endTimeout();
    m_game = game;
    modCount::SetCount(clocks.game, CountDown, GameSlot);
    modCount::SetCount(clocks.shot, CountDown, ShotSlot);
    m_lastShot = clocks.shot;
    showGame();
    m_board.requestTick();
}

void GameBoard::openHorn() {
    m_horn->setCommand(QStringLiteral("Close"));
    m_horn->setFileName(m_settings.hornFile);
    if (!m_settings.hornFile.isEmpty())
        m_horn->setCommand(QStringLiteral("Open"));
}

int GameBoard::timeoutLampCount() const {
    const game::GameRules& r = m_settings.rules;
    const int most = r.timeoutsCarried
                         ? r.timeoutsFirstHalf + r.timeoutsSecondHalf
                         : std::max({r.timeoutsFirstHalf, r.timeoutsSecondHalf, r.timeoutsPerOvertime});
    return std::clamp(most, 1, GameLayout::Game::TimeoutLamps);
}

void GameBoard::createControls() {
    using namespace GameLayout::Game;
    QWidget* const board = &m_board;
    const auto keep = [this](auto* control) {
        m_created.append(control);
        control->show();
        return control;
    };
    const auto label = [&](const QString& name, const Place& place, const QString& caption) {
        auto* l = keep(new Label(board, name));
        GameLayout::putAt(*l, place);
        l->setCaption(caption);
        return l;
    };
    const auto frame = [&](const QString& name, const Place& place) {
        auto* f = keep(new PictureBox(board, name));
        f->setFocusPolicy(Qt::NoFocus);
        GameLayout::putAt(*f, place);
        return f;
    };
    const auto digit = [&](QWidget* parent, const QString& name, int index, const Place& place) {
        auto* d = keep(new PolyLED(parent, name, index));
        d->setFocusPolicy(Qt::NoFocus);
        GameLayout::putAt(*d, place);
        return d;
    };

    m_shotFrame = frame(QStringLiteral("picShotClock"), ShotFrame);
    m_shotDigits = ControlGroup<PolyLED>(QStringLiteral("pledShotClock"));
    // Units first, as the other displays count their digits.
    m_shotDigits.add(digit(m_shotFrame, m_shotDigits.name(), 0, ShotUnits));
    m_shotDigits.add(digit(m_shotFrame, m_shotDigits.name(), 1, ShotTens));
    m_shotPoint = keep(new Shape(m_shotFrame, QStringLiteral("shpShotClockPoint")));
    m_shotPoint->setKind(Shape::Kind::Circle);
    m_shotPoint->setFilled(true);
    m_shotPoint->setHasBorder(false);
    GameLayout::putAt(*m_shotPoint, ShotPoint);
    m_shotLabel = label(QStringLiteral("lblShotClock"), ShotLabel, tr("SHOT CLOCK"));
    m_periodMark = digit(board, QStringLiteral("pledPeriodMark"), -1, PeriodMark);

    const std::array<QString, 2> side{QStringLiteral("Home"), QStringLiteral("Visitor")};
    for (const Team team : {Home, Visitor}) {
        const auto placed = [team](const Place& home) {
            return team == Home ? home : GameLayout::mirrored(home);
        };
        m_foulsLabels[team] = label(u"lblFouls"_qs + side[team], placed(FoulsLabel), tr("FOULS"));
        m_fouls[team] = digit(board, u"pledFouls"_qs + side[team], -1, placed(FoulsDigit));
        m_timeoutsLabels[team] = label(u"lblTimeouts"_qs + side[team], placed(TimeoutsLabel), tr("TIMEOUTS"));
        // As wide as the lamps the rules can give, which fill from the board's edge inwards.
        const int lamps = timeoutLampCount();
        Place timeouts = TimeoutsFrame;
        timeouts.width = 2 * TimeoutLamp.left + (lamps - 1) * TimeoutLampStep + TimeoutLamp.width;
        m_timeoutFrames[team] = frame(u"picTimeouts"_qs + side[team], placed(timeouts));
        m_timeoutLamps[team].clear();
        for (int i = 0; i < lamps; ++i) {
            auto* lamp = keep(new Shape(m_timeoutFrames[team], u"shpTimeouts"_qs + side[team], i));
            lamp->setKind(Shape::Kind::Circle);
            lamp->setFilled(true);
            Place p = TimeoutLamp;
            p.left += (team == Home ? i : lamps - 1 - i) * TimeoutLampStep;
            GameLayout::putAt(*lamp, p);
            m_timeoutLamps[team].append(lamp);
        }
    }
    m_bonusVisitorLabel =
        label(QStringLiteral("lblBonusVisitor"), GameLayout::mirrored(BonusLabel), tr("BONUS"));
    m_possVisitorLabel = label(QStringLiteral("lblPossVisitor"), GameLayout::mirrored(PossLabel), tr("POSS"));

    const game::Game& g = m_game;
    m_shotFace.clear();
    m_shotTimeout = false;
    m_readings = {new AccessibleReading(m_shotFrame, tr("Shot clock"), [this] {
        return m_shotTimeout ? tr("timeout, %1").arg(m_shotFace) : m_shotFace;
    })};
    for (const Team team : {Home, Visitor}) {
        auto* fouls = new AccessibleReading(
            m_fouls[team], team == Home ? tr("Home fouls") : tr("Visitor fouls"),
            [&g, team] { return QString::number(game::shownFouls(g.state().fouls[team])); }, 0, 9);
        auto* timeouts = new AccessibleReading(
            m_timeoutFrames[team], team == Home ? tr("Home timeouts") : tr("Visitor timeouts"),
            [&g, team] { return QString::number(g.state().timeoutsLeft[team]); }, 0, 99);
        m_readings << fouls << timeouts;
    }
}

void GameBoard::destroyControls() {
    m_readings.clear();
    // Children first: a frame deletes its own, and the pointers left behind are cleared.
    for (const QPointer<QWidget>& control : std::as_const(m_created))
        delete control.data();
    m_created.clear();
    m_shotFrame = nullptr;
    m_shotDigits = ControlGroup<PolyLED>(QStringLiteral("pledShotClock"));
    m_shotPoint = nullptr;
    m_shotLabel = nullptr;
    m_fouls = {};
    m_foulsLabels = {};
    m_timeoutFrames = {};
    m_timeoutLamps = {};
    m_timeoutsLabels = {};
    m_bonusVisitorLabel = nullptr;
    m_possVisitorLabel = nullptr;
    m_periodMark = nullptr;
}

void GameBoard::layOut() {
    // The Standard board's places first, then the Game board's moves over them.
    for (Control* control : m_board.findChildren<Control*>()) {
        const GameLayout::ControlKey key{control->objectName(), control->index()};
        if (const auto it = m_standardPlaces.constFind(key); it != m_standardPlaces.cend())
            GameLayout::putAt(*control, *it);
    }
    if (active()) {
        for (const auto& [key, place] : GameLayout::gamePlaces(m_standardPlaces))
            for (Control* control : m_board.findChildren<Control*>(key.name))
                if (control->index() == key.index)
                    GameLayout::putAt(*control, place);
    }
    modStretch::StretchFormFor(&m_board, {frmScoreboard::DesignWidth, frmScoreboard::DesignHeight});
    m_board.relayout();
}

void GameBoard::dispatch(const Action& action) {
    if (!active())
        return;
    const qint64 now = Clock::source().monotonicUs();
    const game::Clocks clocks{modCount::ReadCountAt(GameSlot, now), modCount::ReadCountAt(ShotSlot, now)};
    const game::Effects effects = m_game.dispatch(action, clocks);
    Q_EMIT dispatched(action, clocks);
    if (effects.refused != m_refusal) {
        m_refusal = effects.refused;
        Q_EMIT refusalChanged(m_refusal);
    }
    if (!m_refusal.isEmpty())
        return;
    // A timeout still counting ends with the period.
    if (action.command == Command::NextPeriod && m_timeoutRunning)
        endTimeout();
    applyEffects(effects, action.command == Command::Undo);
    // A period's end starts the break's countdown; the next period waits for the start key.
    if (action.command != Command::Undo && effects.loadGameClock &&
        m_game.state().phase != game::Phase::Playing)
        modCount::StartCountAt(GameSlot, now);
}

void GameBoard::applyEffects(const game::Effects& e, bool undoing) {
    const qint64 now = Clock::source().monotonicUs();
    if (e.stopGameClock || e.stopShotClock)
        stopClocks(now);
    if (e.loadGameClock) {
        modCount::ReadCountAt(GameSlot, now);
        modCount::SetCount(*e.loadGameClock, CountDown, GameSlot);
        // The reset key then gives what the game loaded; an undone load leaves it alone.
        if (!undoing)
            modBasketball::ResetTime = *e.loadGameClock;
    }
    if (e.loadShotClock) {
        modCount::SetCount(*e.loadShotClock, CountDown, ShotSlot);
        m_lastShot = *e.loadShotClock;
        // A reset runs on while the game clock runs; a value given back by undo stands.
        if (!undoing && modCount::IsCounting(GameSlot) && modCount::ReadCountAt(GameSlot, now) > Currency())
            startAligned(ShotSlot, now);
    }
    if (e.startStopShotClock) {
        if (modCount::IsCounting(ShotSlot)) {
            modCount::ReadCountAt(ShotSlot, now);
            modCount::StopCount(ShotSlot);
        } else if (modCount::ReadCountAt(ShotSlot, now) > Currency()) {
            startAligned(ShotSlot, now);
        }
    }
    if (e.startTimeout) {
        modCount::SetCount(*e.startTimeout, CountDown, TimeoutSlot);
        modCount::StartCountAt(TimeoutSlot, now);
        m_timeoutRunning = true;
        m_lastTimeout = *e.startTimeout;
    }
    if (e.stopTimeout)
        endTimeout();
    if (e.changed)
        showGame();
    m_board.requestTick();
}

void GameBoard::startAligned(qint16 slot, qint64 nowUs) {
    const qint16 other = slot == GameSlot ? ShotSlot : GameSlot;
    qint64 start = nowUs;
    // At the other clock's next tenth, never before the key: the shot clock may hold its value
    // up to a tenth longer, never run out early.
    if (const std::optional<qint64> otherStart = modCount::RunStartUs(other)) {
        const qint64 into = nowUs - *otherStart;
        start = *otherStart + (into + UsPerTenth - 1) / UsPerTenth * UsPerTenth;
    }
    modCount::StartCountAt(slot, start);
}

void GameBoard::stopClocks(qint64 nowUs) {
    for (const qint16 slot : {GameSlot, ShotSlot}) {
        if (modCount::IsCounting(slot)) {
            modCount::ReadCountAt(slot, nowUs);
            modCount::StopCount(slot);
        }
    }
}

void GameBoard::endTimeout() {
    modCount::StopCount(TimeoutSlot);
    m_timeoutRunning = false;
}

void GameBoard::startStop() {
    const qint64 now = Clock::source().monotonicUs();
    if (modCount::IsCounting(GameSlot)) {
        stopClocks(now);
    } else {
        // Play goes on: a timeout still counting is over.
        if (m_timeoutRunning)
            endTimeout();
        modCount::StartCountAt(GameSlot, now);
        // Both from this instant, so that they count their tenths together; a shot clock that ran
        // alone is taken up at the value it has.
        if (modCount::IsCounting(ShotSlot)) {
            const Currency shot = modCount::ReadCountAt(ShotSlot, now);
            modCount::SetCount(shot, CountDown, ShotSlot);
        }
        if (m_settings.rules.shotClockOn && m_game.state().phase == game::Phase::Playing &&
            modCount::ReadCountAt(ShotSlot, now) > Currency())
            modCount::StartCountAt(ShotSlot, now);
    }
    showGame();
    m_board.requestTick();
}

void GameBoard::gameClockLoaded(Currency before, Currency after) {
    if (!active())
        return;
    // The game clock stands after a load; the shot clock stops with it.
    stopClocks(Clock::source().monotonicUs());
    // The clock already shows the new value; the step records what it had before.
    if (before != after) {
        const Action load(Command::LoadGameClock, 0, after);
        const game::Clocks clocks{before, modCount::ReadCount(ShotSlot)};
        m_game.dispatch(load, clocks);
        Q_EMIT dispatched(load, clocks);
    }
}

void GameBoard::scoreKeyed() {
    if (!active())
        return;
    const std::array<int, 2> shown{modShowDigits::ShownValue(m_board.pledHomeScore),
                                   modShowDigits::ShownValue(m_board.pledVisitorScore)};
    for (const Team team : {Home, Visitor})
        if (shown[team] != m_game.state().score[team])
            dispatch(Action(team == Home ? Command::SetHomeScore : Command::SetVisitorScore, shown[team]));
}

void GameBoard::periodKeyed() {
    // The period is the game's: a digit typed on it does not move the game along.
    if (active())
        showGame();
}

void GameBoard::bonusClicked(Team team) {
    dispatch(Action(team == Home ? Command::HomeBonusClick : Command::VisitorBonusClick));
}

void GameBoard::possessionClicked(Team team) {
    // A click on the lit lamp puts the arrow out, as on the Standard board.
    const game::Arrow arrow = team == Home ? game::Arrow::Home : game::Arrow::Visitor;
    const game::Arrow next = m_game.state().arrow == arrow ? game::Arrow::None : arrow;
    dispatch(Action(Command::SetPossession, int(next)));
}

void GameBoard::showGame() {
    if (!active() || !m_shotFrame)
        return;
    const game::GameState& s = m_game.state();
    modShowDigits::ShowValue(m_board.pledHomeScore, s.score[Home]);
    modShowDigits::ShowValue(m_board.pledVisitorScore, s.score[Visitor]);
    m_board.LitBonusH = s.bonus[Home] ? FlagTrue : FlagFalse;
    m_board.LitBonusV = s.bonus[Visitor] ? FlagTrue : FlagFalse;
    m_board.LitPoss = qint16(s.arrow == game::Arrow::Home ? 1 : s.arrow == game::Arrow::Visitor ? 2 : 0);
    m_board.UpdateBonus();
    m_board.UpdatePoss();

    const QString period = game::periodText(m_settings.rules, s.period);
    const QChar units = period.back();
    if (units.isDigit())
        m_board.pledPeriod[0]->setCaption(units.digitValue());
    else
        m_board.pledPeriod[0]->setLetter(units);
    if (period.size() > 1 && !period.front().isDigit())
        m_periodMark->setLetter(period.front());
    else if (period.size() > 1)
        m_periodMark->setCaption(period.front().digitValue());
    else
        m_periodMark->setCaption(-1);

    for (const Team team : {Home, Visitor}) {
        m_fouls[team]->setCaption(game::shownFouls(s.fouls[team]));
        for (int i = 0; i < m_timeoutLamps[team].size(); ++i)
            m_timeoutLamps[team][i]->setFillColor(i < s.timeoutsLeft[team] ? modBasketball::ScoreColor
                                                                           : modBasketball::LEDBack);
    }
    for (AccessibleReading* reading : std::as_const(m_readings))
        reading->announce();
    if (AccessibleReading* periodReading = AccessibleReading::of(m_board.pledPeriod[0]))
        periodReading->announce();
}

void GameBoard::showShotFace(const QString& face, bool timeout) {
    // "24", "5", "4.9": the digit before the point goes to the tens place and the point lights.
    const qsizetype point = face.indexOf(u'.');
    const QString digits = QString(face).remove(u'.');
    for (int i = 0; i < m_shotDigits.Count(); ++i) {
        const qsizetype at = digits.size() - 1 - i;
        m_shotDigits[i]->setCaption(at >= 0 ? digits.at(at).digitValue() : -1);
    }
    m_shotPoint->setFillColor(point >= 0 ? modBasketball::TimeColor : modBasketball::LEDBack);
    m_shotLabel->setCaption(timeout ? tr("TIMEOUT") : tr("SHOT CLOCK"));
    m_shotFace = face;
    m_shotTimeout = timeout;
}

std::optional<int> GameBoard::tick(qint64 readUs, Currency gameClock) {
    if (!active() || !m_shotFrame)
        return std::nullopt;
    std::optional<int> wait;
    const auto sooner = [&wait](std::optional<int> other) {
        if (other && (!wait || *other < *wait))
            wait = other;
    };

    Currency shot = modCount::ReadCountAt(ShotSlot, readUs);
    if (modCount::IsCounting(ShotSlot)) {
        if (game::reachedZero(m_lastShot, shot) && !m_horn->fileName().isEmpty())
            m_horn->setCommand(QStringLiteral("Play"));
        // At 0, or once the game clock has run out, the shot clock stands.
        if (shot <= Currency() || gameClock <= Currency()) {
            modCount::StopCount(ShotSlot);
        } else if (const std::optional<qint64> start = modCount::RunStartUs(ShotSlot)) {
            sooner(game::msUntilFaceChange(shot, readUs - *start));
        }
    }
    m_lastShot = shot;

    if (m_timeoutRunning) {
        const Currency left = modCount::ReadCountAt(TimeoutSlot, readUs);
        if (game::timeoutSignalDue(m_settings.rules, m_lastTimeout, left))
            m_board.Buzzer();
        m_lastTimeout = left;
        if (left <= Currency()) {
            endTimeout();
            m_board.Buzzer();
        } else if (const std::optional<qint64> start = modCount::RunStartUs(TimeoutSlot)) {
            sooner(game::msUntilFaceChange(left, readUs - *start));
        }
    }

    if (m_timeoutRunning)
        showShotFace(game::shotClockText(m_lastTimeout), true);
    else if (m_game.state().phase != game::Phase::Playing ||
             game::shotClockBlank(m_settings.rules, gameClock, shot))
        showShotFace(QString(), false);
    else
        showShotFace(game::shotClockText(shot), false);
    // A running shot clock or timeout is read when asked: told at every change, it would be spoken
    // second by second.
    if (modCount::IsCounting(ShotSlot) || m_timeoutRunning)
        m_readings.first()->remember();
    for (AccessibleReading* reading : std::as_const(m_readings))
        reading->announce();
    return wait;
}

void GameBoard::updateColors() {
    if (!active() || !m_shotFrame)
        return;
    using namespace modBasketball;
    modColor::ColorLED(m_shotDigits, TimeColor);
    modColor::ColorLED(m_periodMark, PeriodColor);
    for (const Team team : {Home, Visitor}) {
        modColor::ColorLED(m_fouls[team], ScoreColor);
        m_timeoutFrames[team]->setBackColor(LEDBack);
        for (Shape* lamp : std::as_const(m_timeoutLamps[team]))
            lamp->setBorderColor(BorderColor);
        for (Label* label : {m_foulsLabels[team], m_timeoutsLabels[team]})
            label->setForeColor(BorderColor);
    }
    for (Label* label : {m_shotLabel, m_bonusVisitorLabel, m_possVisitorLabel})
        label->setForeColor(BorderColor);
    m_shotFrame->setBackColor(LEDBack);
    showGame();
    m_board.requestTick();
}

QString GameBoard::periodReading() const {
    return game::periodReading(m_settings.rules, m_game.state().period);
}
