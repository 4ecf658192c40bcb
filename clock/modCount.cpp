#include "clock/modCount.h"

#include "clock/TimeSource.h"

#include <algorithm>
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
// The instant the current run began, in microseconds on the monotonic line: a change of the wall
// clock or of daylight saving while the game clock runs must not move it.
Slots<qint64> CountStartUs{};
Slots<bool> CountStarted{};

constexpr qint64 UsPerTenth = 100'000;

bool isSlot(qint16 slot) {
    return slot >= 0 && slot < SlotCount;
}

// The whole tenths in a stretch of time, rounded towards minus infinity.
qint64 wholeTenths(qint64 us) {
    const qint64 quotient = us / UsPerTenth;
    return (us % UsPerTenth < 0) ? quotient - 1 : quotient;
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
    StartCountAt(slot, Clock::source().monotonicUs());
}

void StartCountAt(qint16 slot, qint64 nowUs) {
    if (!isSlot(slot) || CountRunning[slot] != FlagFalse)
        return;
    CountStartUs[slot] = nowUs;
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
    return ReadCountAt(slot, Clock::source().monotonicUs());
}

Currency ReadCountAt(qint16 slot, qint64 nowUs) {
    if (!isSlot(slot))
        return Currency();

    // A run counts the whole tenths of the time that really passed since its start, cut short
    // rather than rounded: the clock never shows a tenth, nor reaches 0, before its time.
    if (CountStarted[slot] && CountRunning[slot] != FlagFalse) {
        CountRun[slot] = Currency::fromTenths(wholeTenths(std::max<qint64>(0, nowUs - CountStartUs[slot])));
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

std::optional<qint64> RunStartUs(qint16 slot) {
    if (!isSlot(slot) || !CountStarted[slot] || CountRunning[slot] == FlagFalse)
        return std::nullopt;
    return CountStartUs[slot];
}

void ResetAllSlots() {
    CountRunning.fill(FlagFalse);
    CountLimit.fill(Currency());
    CountTotal.fill(Currency());
    CountRun.fill(Currency());
    CountMode.fill(0);
    CountStartUs.fill(0);
    CountStarted.fill(false);
}

} // namespace modCount
