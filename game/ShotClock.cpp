#include "game/ShotClock.h"

#include <algorithm>

namespace game {

Currency shotClockReset(const GameRules& rules, ShotReset reset) {
    return reset == ShotReset::Full ? rules.shotClockFull : rules.shotClockShort;
}

QString shotClockText(Currency value) {
    const qint64 tenths = std::max<qint64>(0, value.ticks() / Currency::TicksPerTenth);
    if (tenths < 50)
        return QStringLiteral("%1.%2").arg(tenths / 10).arg(tenths % 10);
    return QString::number((tenths + 9) / 10);
}

std::optional<int> msUntilFaceChange(Currency value, qint64 usIntoRun) {
    constexpr qint64 UsPerTenth = 100'000;
    const qint64 tenths = value.ticks() / Currency::TicksPerTenth;
    if (tenths <= 0)
        return std::nullopt;
    // Whole seconds, rounded up, change as the count passes a whole second; under 5 s every tenth shows.
    const qint64 target = tenths > 50 ? std::max<qint64>(50, 10 * ((tenths + 9) / 10 - 1)) : tenths - 1;
    const qint64 intoTenth = ((usIntoRun % UsPerTenth) + UsPerTenth) % UsPerTenth;
    const qint64 us = (tenths - target) * UsPerTenth - intoTenth;
    return int((us + 999) / 1000);
}

bool shotClockBlank(const GameRules& rules, Currency gameClock, Currency shotClock) {
    return !rules.shotClockOn || (rules.shotClockBlanking && gameClock < shotClock);
}

bool reachedZero(Currency before, Currency now) {
    return before > Currency() && now <= Currency();
}

bool timeoutSignalDue(const GameRules& rules, Currency before, Currency now) {
    if (rules.timeoutSignal <= Currency())
        return false;
    const Currency point = rules.timeoutLength - rules.timeoutSignal;
    return before > point && now <= point;
}

} // namespace game
