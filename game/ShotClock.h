#pragma once

#include "game/GameRules.h"

#include <QString>

#include <optional>

namespace game {

enum class ShotReset { Full, Short };

// The value the shot clock loads for a reset.
Currency shotClockReset(const GameRules& rules, ShotReset reset);

// The shot clock's face: whole seconds, rounded up as the game clock's are, and seconds with tenths
// under 5 s ("24", "5", "4.9", "0.0").
QString shotClockText(Currency value);

// Milliseconds from a read of a running countdown until its face (as shotClockText writes it) can
// next change, or it runs out; usIntoRun is how long its run had lasted at the read. Rounded up, so a
// timer aimed with it never wakes before the change. Nothing once it has run out.
std::optional<int> msUntilFaceChange(Currency value, qint64 usIntoRun);

// Dark when the shot clock is off, or by the blanking rule while the game clock shows less time.
bool shotClockBlank(const GameRules& rules, Currency gameClock, Currency shotClock);

// A countdown read twice in a row has just run out: its horn sounds once.
bool reachedZero(Currency before, Currency now);

// The timeout countdown has just passed the point where its warning sounds.
bool timeoutSignalDue(const GameRules& rules, Currency before, Currency now);

} // namespace game
