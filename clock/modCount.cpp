#include "modCount.h"

#include "TimeSource.h"

#include <array>

namespace modCount {

namespace {

template <typename T> using Slots = std::array<T, SlotCount>;

Slots<Flag> CountRunning{};
Slots<Currency> CountLimit{};
Slots<Currency> CountTotal{};
// The current run's time as the latest ReadCount measured it; a stop adds this, not the time
// of the stop, so a stopped clock keeps the value that was last shown.
Slots<Currency> CountRun{};
Slots<qint32> CountMode{};
// The instant the current run began, on the monotonic line: a change of the wall clock or of
// daylight saving while the game clock runs must not move it.
Slots<qint64> CountStartMs{};
Slots<bool> CountStarted{};

bool isSlot(qint16 slot) {
    return slot >= 0 && slot < SlotCount;
}

// The tenth of a second that a millisecond instant falls in, rounded towards minus infinity so
// that every tenth is 100 ms long on both sides of 0.
qint64 tenthOf(qint64 ms) {
    const qint64 quotient = ms / 100;
    return (ms % 100 < 0) ? quotient - 1 : quotient;
}

} // namespace

void SetCount(Currency limit, qint32 mode, qint16 slot) {
    if (!isSlot(slot))
        return;
    CountLimit[slot] = limit;
    CountTotal[slot] = Currency();
    CountRun[slot] = Currency();
    StopCount(slot);
    CountMode[slot] = mode;
}

void StartCount(qint16 slot) {
    if (!isSlot(slot) || CountRunning[slot] != FlagFalse)
        return;
    CountStartMs[slot] = Clock::source().monotonicMs();
    CountStarted[slot] = true;
    CountRunning[slot] = FlagTrue;
}

void StopCount(qint16 slot) {
    if (!isSlot(slot) || CountRunning[slot] == FlagFalse)
        return;
    CountTotal[slot] += CountRun[slot];
    CountRunning[slot] = FlagFalse;
}

Flag IsCounting(qint16 slot) {
    return isSlot(slot) ? CountRunning[slot] : FlagFalse;
}

Currency ReadCount(qint16 slot) {
    if (!isSlot(slot))
        return Currency();

    // A run counts the tenth-of-a-second boundaries crossed since its start, so it is always a
    // whole number of tenths and less than a tenth away from the true elapsed time.
    if (CountStarted[slot] && CountRunning[slot] != FlagFalse) {
        const qint64 nowMs = Clock::source().monotonicMs();
        CountRun[slot] = Currency::fromTenths(tenthOf(nowMs) - tenthOf(CountStartMs[slot]));
    } else {
        CountRun[slot] = Currency();
    }

    const Currency remaining = CountLimit[slot] - CountTotal[slot] - CountRun[slot];
    if (remaining <= Currency() && CountMode[slot] == 0) {
        // Pinning the total at the limit keeps an expired count-down at 0 through later reads,
        // stops and restarts, until SetCount loads a new limit.
        CountTotal[slot] = CountLimit[slot];
        return Currency();
    }
    if (CountMode[slot] != 0)
        return CountLimit[slot] + CountTotal[slot] + CountRun[slot];
    return remaining;
}

void ResetAllSlots() {
    CountRunning.fill(FlagFalse);
    CountLimit.fill(Currency());
    CountTotal.fill(Currency());
    CountRun.fill(Currency());
    CountMode.fill(0);
    CountStartMs.fill(0);
    CountStarted.fill(false);
}

} // namespace modCount
