#pragma once

#include "platform/ControlGroup.h"
#include "platform/PolyLED.h"
#include "state/Types.h"

#include <QString>
#include <QStringView>

#include <functional>
#include <optional>

// Typing scores and the period straight onto their displays. Digits collect into one pending
// entry for the whole program; Enter applies it as an absolute value, a "+" or "-" followed by
// one digit adjusts the value shown at once, and a one-digit display takes a plain digit at once.
// Out-of-range values and entries that are not numbers are dropped silently.
namespace modShowDigits {

using KeyDispatcher = std::function<void(KeyCode)>;

// Runs one key typed on a display. Every key first goes to dispatch (the board's keyboard
// commands); then the entry takes it.
void DigitKeyPress(const KeyDispatcher& dispatch, const ControlGroup<PolyLED>& display, KeyCode keyAscii,
                   qint16 minValue, qint16 maxValue);

// Turns an entry into a value and shows it on the display, when it is a number within range.
void ApplyDigitEntry(const ControlGroup<PolyLED>& display, const QString& entry, qint16 minValue,
                     qint16 maxValue);

// The number a display shows, its digits running from the units up; dark digits count for nothing.
int ShownValue(const ControlGroup<PolyLED>& unitsFirst);
// Shows a number of at most as many digits as the display has, its leading zeros dark.
void ShowValue(const ControlGroup<PolyLED>& unitsFirst, int value);

// The whole part, rounded down, of the number the text begins with: an optional sign, digits and
// an optional decimal point with more digits, read from the left up to the first character that
// cannot continue it. Empty when no digit follows the sign. Digit runs too long for a double read
// as an infinity of that sign, which every range rejects.
std::optional<double> leadingWholeNumber(QStringView text);

// The longest entry kept. Leading zeros are not collected either, so by this length the number
// has ended or is far out of every range, and the keys left out cannot change the outcome.
inline constexpr qsizetype MaxEntryLength = 32;

// The entry typed so far, and forgetting it (as at program start).
QString typedDigits();
void clearTypedDigits();

} // namespace modShowDigits
