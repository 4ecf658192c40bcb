#pragma once

#include "state/Currency.h"

#include <QString>

#include <array>

namespace game {

enum class RulesPreset { Fiba, Nfhs, Custom };

// When the team fouls go back to 0 in regulation play.
enum class FoulReset { EachPeriod, EachHalf };

// Every figure a game is run by. Durations are whole seconds held as clock values.
struct GameRules {
    int periods = 4;
    Currency periodLength = Currency::fromSeconds(600);
    // Overtimes follow the last period, as many as it takes, each this long.
    Currency overtimeLength = Currency::fromSeconds(300);
    // The break before every period but the first half's end; 0 goes straight on.
    Currency intervalLength = Currency::fromSeconds(120);
    Currency halfTimeLength = Currency::fromSeconds(900);

    bool shotClockOn = true;
    Currency shotClockFull = Currency::fromSeconds(24);
    Currency shotClockShort = Currency::fromSeconds(14);
    // Dark while the game clock shows less time than the shot clock.
    bool shotClockBlanking = false;

    // A team's opponents shoot free throws after its foulLimit-th foul of the period.
    int foulLimit = 4;
    FoulReset foulReset = FoulReset::EachPeriod;
    // Overtime counts as the last period: its fouls carry on.
    bool overtimeKeepsFouls = true;

    int timeoutsFirstHalf = 2;
    int timeoutsSecondHalf = 3;
    // At most this many once the last period's clock shows lateWindow or less; 0 sets no cap.
    int timeoutsLateCap = 2;
    Currency timeoutsLateWindow = Currency::fromSeconds(120);
    int timeoutsPerOvertime = 1;
    // Unused timeouts carry into the next half and overtime instead of being lost.
    bool timeoutsCarried = false;
    Currency timeoutLength = Currency::fromSeconds(60);
    // Seconds into a timeout when its warning sounds; 0 gives none.
    Currency timeoutSignal = Currency::fromSeconds(50);

    bool operator==(const GameRules&) const = default;
};

GameRules fibaRules();
GameRules nfhsRules();
// The preset's figures; Custom starts from FIBA's.
GameRules presetRules(RulesPreset preset);

// Each editable figure, in the order the settings show and store them.
enum class Figure {
    Periods,
    PeriodLength,
    OvertimeLength,
    IntervalLength,
    HalfTimeLength,
    ShotClock,
    ShotClockFull,
    ShotClockShort,
    ShotClockBlanking,
    FoulLimit,
    FoulReset,
    OvertimeKeepsFouls,
    TimeoutsFirstHalf,
    TimeoutsSecondHalf,
    TimeoutsLateCap,
    TimeoutsLateWindow,
    TimeoutsPerOvertime,
    TimeoutsCarried,
    TimeoutLength,
    TimeoutSignal,
};
inline constexpr int FigureCount = 20;
std::array<Figure, FigureCount> allFigures();

// The figure's name, which is also its key in the store.
QString figureName(Figure figure);

// The figure as text: counts as digits, durations in whole seconds, switches "true" or "false",
// the foul reset "Period" or "Half".
QString figureText(const GameRules& rules, Figure figure);

// Why the typed text cannot be the figure, given the other figures of the same rules; empty when it
// can. Durations are typed as seconds ("600") or minutes and seconds ("10:00").
QString figureRefusal(const GameRules& rules, Figure figure, const QString& text);

// Sets the figure from text that figureRefusal accepts; returns false and leaves the rules as they
// were otherwise.
bool setFigure(GameRules& rules, Figure figure, const QString& text);

} // namespace game
