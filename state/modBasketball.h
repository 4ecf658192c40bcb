#pragma once

#include "state/Currency.h"
#include "state/Types.h"

#include <QString>

// The program-wide scoreboard state. The sixteen settings are filled once at start-up from the
// settings store and written back only when the operator confirms the options dialog; the rest is
// shared between windows while the program runs.
namespace modBasketball {

extern Colour FormBack;
extern Colour LEDBack;
extern Colour TimeColor;
extern Colour ScoreColor;
extern Colour PeriodColor;
extern Colour BorderColor;
extern Colour HomeColor;
extern Colour VisitorColor;

extern KeyCode StartStopClockKey;
extern KeyCode ResetClockKey;
extern KeyCode ClockSwitchKey;
extern KeyCode BuzzerKey;

extern QString BuzzerFile;
extern QString TitleText;
extern QString HomeText;
extern QString VisitorText;

// The value the reset key puts on the game clock; set at every load of the board and by each
// accepted clock entry.
extern Currency ResetTime;

// Handed between the options dialog and the key capture dialog around one key choice.
extern QString KeyAction;
extern KeyCode CurrentKey;
extern QString ChosenKey;

} // namespace modBasketball
