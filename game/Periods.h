#pragma once

#include "game/GameRules.h"

#include <QString>

namespace game {

// Where the game stands between its periods: playing one, or in the break before it.
enum class Phase { Playing, Interval, HalfTime };

// Periods count on past the last one into overtime: with four, period 5 is overtime 1.
bool isOvertime(const GameRules& rules, int period);
int overtimeNumber(const GameRules& rules, int period);

// The first period of the second half, which half-time precedes.
int secondHalfStart(const GameRules& rules);

// The break that precedes a period (never the first) and its length.
Phase breakBefore(const GameRules& rules, int period);
Currency breakLength(const GameRules& rules, int period);

// What the game clock loads to play the period, regulation or overtime.
Currency playingLength(const GameRules& rules, int period);

// The period on a two-character display: "1" to "9", overtime "O1" to "O9", then "OT".
QString periodText(const GameRules& rules, int period);

// The period display's value as a screen reader says it after its name "Period": "3", "overtime 1".
QString periodReading(const GameRules& rules, int period);

} // namespace game
