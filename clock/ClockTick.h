#pragma once

#include "Currency.h"
#include "Types.h"

#include <QString>
#include <QTime>

namespace ClockTick {

// Decides whether this tick sounds the buzzer: the first read of 0 or less after a read above 0.
// buzzerSounded is the flag kept from tick to tick.
bool buzzerDue(Currency gameClock, Flag& buzzerSounded);

// The time of day as the clock display shows it: hour x 60 + minute, the hour as the system's
// time format writes it (0 to 23, or 1 to 12 in a 12-hour format).
Currency timeOfDayValue(const QTime& time, bool twelveHour);

// Whether a QLocale time format writes an AM/PM marker, that is, uses a 12-hour clock.
bool formatUsesTwelveHour(const QString& format);

// Whether the user's locale writes the time of day with a 12-hour clock.
bool localeUsesTwelveHour();

} // namespace ClockTick
