#include "game/Periods.h"

namespace game {

bool isOvertime(const GameRules& rules, int period) {
    return period > rules.periods;
}

int overtimeNumber(const GameRules& rules, int period) {
    return isOvertime(rules, period) ? period - rules.periods : 0;
}

int secondHalfStart(const GameRules& rules) {
    return rules.periods / 2 + 1;
}

Phase breakBefore(const GameRules& rules, int period) {
    return rules.periods >= 2 && period == secondHalfStart(rules) ? Phase::HalfTime : Phase::Interval;
}

Currency breakLength(const GameRules& rules, int period) {
    return breakBefore(rules, period) == Phase::HalfTime ? rules.halfTimeLength : rules.intervalLength;
}

Currency playingLength(const GameRules& rules, int period) {
    return isOvertime(rules, period) ? rules.overtimeLength : rules.periodLength;
}

QString periodText(const GameRules& rules, int period) {
    const int overtime = overtimeNumber(rules, period);
    if (overtime == 0)
        return QString::number(period);
    return overtime <= 9 ? QStringLiteral("O%1").arg(overtime) : QStringLiteral("OT");
}

QString periodReading(const GameRules& rules, int period) {
    const int overtime = overtimeNumber(rules, period);
    return overtime == 0 ? QString::number(period) : QStringLiteral("overtime %1").arg(overtime);
}

} // namespace game
