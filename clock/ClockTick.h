#pragma once

#include "state/Currency.h"
#include "state/Types.h"

#include <QString>
#include <QTime>

#include <optional>

namespace ClockTick {

// Decides whether this tick sounds the buzzer: the first read of 0 or less after a read above 0.
// buzzerSounded is the flag kept from tick to tick.
bool buzzerDue(Currency gameClock, Flag& buzzerSounded);

// What one tick saw, from which the next tick is timed. The game clock counts down (mode 0).
struct TickView {
    Currency gameClock;              // the game clock as the tick read it
    std::optional<qint64> usIntoRun; // how long its run had lasted then; empty while it stands
    bool timeOfDay = false;          // the display shows the time of day
    int localMs = 0;                 // milliseconds into the present second of the local time
};

// Milliseconds from the tick until the clock display can next change: the next tenth in the
// seconds-and-tenths form, the next change of the shown second in the minutes form, the next
// second of the local time while the time of day is shown (or the game clock's run-out, if that
// comes first, so that the buzzer sounds on time). Nothing when nothing can change: a stopped or
// run-out game clock on show. Rounded up, so a timer aimed with it never wakes before the change.
std::optional<int> msUntilNextChange(const TickView& view);

// The time of day as the clock display shows it: hour x 60 + minute, the hour as the system's
// time format writes it (0 to 23, or 1 to 12 in a 12-hour format).
Currency timeOfDayValue(const QTime& time, bool twelveHour);

// Whether a QLocale time format writes an AM/PM marker, that is, uses a 12-hour clock.
bool formatUsesTwelveHour(const QString& format);

// Whether the user's locale writes the time of day with a 12-hour clock.
bool localeUsesTwelveHour();

} // namespace ClockTick
