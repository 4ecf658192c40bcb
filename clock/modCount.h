#pragma once

#include "state/Currency.h"
#include "state/Types.h"

#include <optional>

// The stopwatch engine behind the game clock: five independent counter slots, numbered 0 to 4.
// A slot is loaded with a limit and a mode, then started and stopped any number of times; each
// read computes its value afresh: the whole tenths of a second that really passed. Mode 0 counts down from
// the limit and pins at 0; any other mode counts up from it. A slot number outside 0 to 4 is a no-op.
namespace modCount {

inline constexpr int SlotCount = 5;

void SetCount(Currency limit, qint32 mode, qint16 slot);
void StartCount(qint16 slot);
void StopCount(qint16 slot);
Flag IsCounting(qint16 slot);
Currency ReadCount(qint16 slot);

// The same at a given instant on the clock source's monotonic line, in microseconds: slots read
// or started at one instant count their tenths together, so two clocks never show a tenth apart.
Currency ReadCountAt(qint16 slot, qint64 nowUs);
void StartCountAt(qint16 slot, qint64 nowUs);

// The instant, in microseconds on the clock source's monotonic line, at which the slot's current
// run began; nothing while the slot is not running. Its tenths fall due 100 ms apart from there.
std::optional<qint64> RunStartUs(qint16 slot);

// Empties every slot, as at program start.
void ResetAllSlots();

} // namespace modCount
