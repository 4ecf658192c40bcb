#include "ClockTick.h"

#include <QLocale>

namespace ClockTick {

bool buzzerDue(Currency gameClock, Flag& buzzerSounded) {
    if (gameClock > Currency()) {
        buzzerSounded = FlagFalse;
        return false;
    }
    if (buzzerSounded == FlagFalse) {
        buzzerSounded = FlagTrue;
        return true;
    }
    return false;
}

Currency timeOfDayValue(const QTime& time, bool twelveHour) {
    int hour = time.hour();
    if (twelveHour) {
        hour %= 12;
        if (hour == 0)
            hour = 12;
    }
    return Currency::fromSeconds(hour * 60 + time.minute());
}

bool formatUsesTwelveHour(const QString& format) {
    // Text between single quotes is literal, so an "a" there is no AM/PM marker.
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        else if (!quoted && (c == u'a' || c == u'A'))
            return true;
    }
    return false;
}

bool localeUsesTwelveHour() {
    return formatUsesTwelveHour(QLocale::system().timeFormat(QLocale::ShortFormat));
}

} // namespace ClockTick
