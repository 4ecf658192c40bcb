#pragma once

#include "state/Types.h"

// The keyboard commands of the board. The four configurable keys are tested first, in this
// order, then the fixed help and options keys; the first match wins and comparison is exact,
// so letters are case-sensitive.
enum class KeyCommand { None, StartStop, Reset, ClockSwitch, Buzzer, Help, Options };

inline constexpr KeyCode HelpKey = 104;    // "h"
inline constexpr KeyCode OptionsKey = 111; // "o"

// The command a typed character runs with the keys now in the scoreboard state.
KeyCommand commandForKey(KeyCode keyAscii);
