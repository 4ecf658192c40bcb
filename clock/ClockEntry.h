#pragma once

#include "clock/ClockShow.h"
#include "state/Types.h"

#include <functional>

// Typing a new game-clock value on the clock display: digits and points are collected, a space
// abandons the entry, Enter loads it into the counter slot if it parses and is at most maxCount.
namespace modCount {

using KeyDispatcher = std::function<void(KeyCode)>;

// Runs one key typed on the clock display. Every key first goes to dispatch (the board's
// keyboard commands); then the entry takes it. Returns whether the key loaded the slot.
bool CountKeyPress(const KeyDispatcher& dispatch, const ControlGroup<PolyLED>& digits, KeyCode keyAscii,
                   qint32 maxCount, qint32 mode, qint16 slot, const ControlGroup<Shape>& dots);

// The entry typed so far, and forgetting it (as at program start).
QString typedCount();
void clearTypedCount();

} // namespace modCount
