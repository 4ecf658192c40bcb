#pragma once

#include "game/Game.h"
#include "game/GameSettings.h"
#include "platform/ControlGroup.h"
#include "platform/Label.h"
#include "platform/PictureBox.h"
#include "platform/PolyLED.h"
#include "platform/Shape.h"
#include "scoreboard/GameLayout.h"
#include "state/Currency.h"

#include <QHash>
#include <QKeySequence>
#include <QObject>
#include <QPointer>

#include <optional>

class AccessibleReading;
class QShortcut;
class SoundDevice;
class frmScoreboard;

// The Game board: the board's displays laid out afresh beside a shot clock, team fouls, timeouts
// and a period that shows overtime, run by the rules of a game. It steers the board it belongs to:
// its commands come from keys that type no character, and every change of the game goes through
// the game's one dispatch, so that undo sees them all. On the Standard board it does nothing but
// wait for the game settings to choose the Game board.
class GameBoard : public QObject {
    Q_OBJECT

public:
    // The counter slots of the shot clock and of the timeout countdown; the game clock has slot 0.
    static constexpr qint16 ShotSlot = 1;
    static constexpr qint16 TimeoutSlot = 2;

    explicit GameBoard(frmScoreboard* board);

    // The key of a game command, none of which types a character: on the board and on the
    // operator's console alike. An empty sequence for a command no key runs.
    static QKeySequence keyOf(game::Command command);

    bool active() const { return m_settings.layout == game::Layout::Game; }
    const game::Game& game() const { return m_game; }
    const game::GameSettings& settings() const { return m_settings; }
    bool timeoutRunning() const { return m_timeoutRunning; }
    // What the shot clock's display shows ("24", "4.9"; the timeout's countdown during one).
    const QString& shotFace() const { return m_shotFace; }
    // Why the latest command did nothing; empty once one is done.
    const QString& refusal() const { return m_refusal; }

    // Takes the settings up: a change of layout lays the board out afresh, new rules start a new
    // game, and the horn follows its file.
    void applySettings(const game::GameSettings& settings);

    // One command of the game, from a key, a click or another window.
    void dispatch(const game::Action& action);
    // Takes a game up again as a journal gave it back: its state and history, both clocks stopped.
    void takeUp(const game::Game& game, const game::Clocks& clocks);

    // The board's start/stop key: the game clock and the shot clock together.
    void startStop();
    // Stops both, read at one instant: the reset key and a clock entry stop them together.
    void stopClocks(qint64 nowUs);
    // The board's reset key or clock entry loaded the game clock, which stands: the shot clock stops
    // with it, and the load is a step that undo takes back.
    void gameClockLoaded(Currency before, Currency after);
    // A key reached a score display, or the period display, whose entry may have changed it.
    void scoreKeyed();
    void periodKeyed();
    void bonusClicked(game::Team team);
    void possessionClicked(game::Team team);

    // Runs the tick's part of the game at the tick's instant: reads the shot clock and the timeout
    // countdown, shows them and sounds the horn and the signals. Returns the milliseconds until one
    // of them can next change, nothing while both stand.
    std::optional<int> tick(qint64 readUs, Currency gameClock);

    // The colours of the game's own controls, after the board took the colour settings.
    void updateColors();
    // The period as a screen reader says it ("3", "overtime 1"), and the game's period number.
    QString periodReading() const;

    // The game's own controls, while the Game board is on show.
    PictureBox* picShotClock() const { return m_shotFrame; }
    const ControlGroup<PolyLED>& pledShotClock() const { return m_shotDigits; }
    PolyLED* pledFouls(game::Team team) const { return m_fouls[team]; }
    PictureBox* picTimeouts(game::Team team) const { return m_timeoutFrames[team]; }
    const QList<Shape*>& shpTimeouts(game::Team team) const { return m_timeoutLamps[team]; }
    PolyLED* pledPeriodMark() const { return m_periodMark; }
    Label* lblShotClock() const { return m_shotLabel; }
    SoundDevice* mmcHorn() const { return m_horn; }

Q_SIGNALS:
    // The latest command did nothing, and why (empty again once one is done): for the operator,
    // never for the audience.
    void refusalChanged(const QString& why);
    // The game was given a command, with the clocks as they were read for it: for the journal.
    void dispatched(const game::Action& action, const game::Clocks& clocks);
    // The settings were taken up; newGame when they started a new game.
    void settingsApplied(bool newGame);

private:
    void createControls();
    void destroyControls();
    // Puts every control at its design place for the layout and has the board scale them.
    void layOut();
    void connectKeys();
    void showGame();
    void showShotFace(const QString& face, bool timeout);
    void applyEffects(const game::Effects& effects, bool undoing);
    // Starts a slot at the next tenth of the other running clock, so that both count their tenths
    // together; at once when neither runs.
    void startAligned(qint16 slot, qint64 nowUs);
    void endTimeout();
    void openHorn();
    int timeoutLampCount() const;

    frmScoreboard& m_board;
    game::GameSettings m_settings;
    game::Game m_game;
    SoundDevice* const m_horn;
    // The Standard board's places, read off it before the Game board first moved anything.
    QHash<GameLayout::ControlKey, GameLayout::Place> m_standardPlaces;
    QList<QShortcut*> m_gameKeys;

    QString m_refusal;
    bool m_timeoutRunning = false;
    Currency m_lastShot;
    Currency m_lastTimeout;

    // The game's own controls; the board owns them while they exist.
    QList<QPointer<QWidget>> m_created;
    PictureBox* m_shotFrame = nullptr;
    ControlGroup<PolyLED> m_shotDigits{QStringLiteral("pledShotClock")};
    Shape* m_shotPoint = nullptr;
    Label* m_shotLabel = nullptr;
    std::array<PolyLED*, 2> m_fouls{};
    std::array<Label*, 2> m_foulsLabels{};
    std::array<PictureBox*, 2> m_timeoutFrames{};
    std::array<QList<Shape*>, 2> m_timeoutLamps;
    std::array<Label*, 2> m_timeoutsLabels{};
    Label* m_bonusVisitorLabel = nullptr;
    Label* m_possVisitorLabel = nullptr;
    PolyLED* m_periodMark = nullptr;
    QList<AccessibleReading*> m_readings;
    // What the shot clock's display shows, as its reading gives it.
    QString m_shotFace;
    bool m_shotTimeout = false;
};
