#include "clock/ClockTick.h"

#include "clock/ClockText.h"

#include <QLocale>

#include <algorithm>

namespace ClockTick {

namespace {

constexpr qint64 UsPerTenth = 100'000;
constexpr qint64 UsPerMs = 1'000;
// Beyond 99:59 the display holds still; looking a minute ahead is enough to wake again in time.
constexpr qint64 LongestLookTenths = 600;

// Tenths the game clock must still run until its face changes or it runs out.
qint64 tenthsUntilFaceChanges(Currency value) {
    const ClockFace shown = modCount::clockFace(value);
    for (qint64 k = 1; k < LongestLookTenths; ++k) {
        const Currency next = value - Currency::fromTenths(k);
        if (next <= Currency() || modCount::clockFace(next) != shown)
            return k;
    }
    return LongestLookTenths;
}

// Tenths the game clock must still run until it reads 0: a part of a tenth counts whole.
qint64 tenthsUntilRunOut(Currency value) {
    return (value.ticks() + Currency::TicksPerTenth - 1) / Currency::TicksPerTenth;
}

} // namespace

std::optional<int> msUntilNextChange(const TickView& view) {
    std::optional<qint64> wakeUs;
    if (view.usIntoRun && view.gameClock > Currency()) {
        const qint64 intoTenth = ((*view.usIntoRun % UsPerTenth) + UsPerTenth) % UsPerTenth;
        const qint64 tenths =
            view.timeOfDay ? tenthsUntilRunOut(view.gameClock) : tenthsUntilFaceChanges(view.gameClock);
        wakeUs = (tenths - 1) * UsPerTenth + (UsPerTenth - intoTenth);
    }
    if (view.timeOfDay) {
        const qint64 nextSecondUs = (1000 - std::clamp(view.localMs, 0, 999)) * UsPerMs;
        wakeUs = wakeUs ? std::min(*wakeUs, nextSecondUs) : nextSecondUs;
    }
    if (!wakeUs)
        return std::nullopt;
    return int((*wakeUs + UsPerMs - 1) / UsPerMs);
}

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
