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
