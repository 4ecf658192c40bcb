#include "state/modBasketball.h"

namespace modBasketball {

Colour FormBack = 0;
Colour LEDBack = 0;
Colour TimeColor = 0;
Colour ScoreColor = 0;
Colour PeriodColor = 0;
Colour BorderColor = 0;
Colour HomeColor = 0;
Colour VisitorColor = 0;

KeyCode StartStopClockKey = 0;
KeyCode ResetClockKey = 0;
KeyCode ClockSwitchKey = 0;
KeyCode BuzzerKey = 0;

QString BuzzerFile;
QString TitleText;
QString HomeText;
QString VisitorText;

Currency ResetTime;

QString KeyAction;
KeyCode CurrentKey = 0;
QString ChosenKey;

} // namespace modBasketball
