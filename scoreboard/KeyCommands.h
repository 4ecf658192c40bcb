#pragma once

#include "state/Types.h"

class QKeyEvent;

// The keyboard commands of the board. The four configurable keys are tested first, in this
// order, then the fixed help and options keys; the first match wins and comparison is exact,
// so letters are case-sensitive.
enum class KeyCommand { None, StartStop, Reset, ClockSwitch, Buzzer, Help, Options };

inline constexpr KeyCode HelpKey = 104;    // "h"
inline constexpr KeyCode OptionsKey = 111; // "o"

// The command a typed character runs with the keys now in the scoreboard state.
KeyCommand commandForKey(KeyCode keyAscii);

// A key held down repeats; a repeat of a command key is no new command (a held start/stop key
// would toggle the clock over and over), while a held digit goes on typing into its entry.
bool isRepeatedCommand(const QKeyEvent& event);
