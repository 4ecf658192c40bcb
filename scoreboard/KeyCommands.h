#pragma once

#include "state/Types.h"

class QEvent;

// The keyboard commands of the board. The four configurable keys are tested first, in this
// order, then the fixed help and options keys; the first match wins and comparison is exact,
// so letters are case-sensitive.
enum class KeyCommand { None, StartStop, Reset, ClockSwitch, Buzzer, Help, Options };

inline constexpr KeyCode HelpKey = 104;    // "h"
inline constexpr KeyCode OptionsKey = 111; // "o"

// The command a typed character runs with the keys now in the scoreboard state.
KeyCommand commandForKey(KeyCode keyAscii);

// Tells the repeats of a key held down from new presses: a repeat of a command key is no new
// command (a held start/stop key would toggle the clock over and over), while a held digit goes
// on typing. Qt marks repeats itself, but on X11 only when the repeat's release and press both
// wait when it looks, which a busy program misses; the two then share one time stamp, which
// two presses of a finger never do.
class KeyRepeat {
public:
    // Takes every event a window's key filter sees, in turn; true for a repeat of a command key,
    // which the window drops.
    bool isRepeatedCommand(const QEvent& event);

private:
    int m_releasedKey = 0;
    quint64 m_releasedAt = 0;
};
