#include "clock/ClockText.h"

#include <QList>
#include <QStringView>

#include <algorithm>
#include <cmath>
#include <limits>

namespace modCount {

namespace {

constexpr Currency LargestShown = Currency::fromSeconds(5999);

// The whole seconds of a value of at least 0.
qint16 wholeSeconds(Currency value) {
    return qint16(value.ticks() / Currency::TicksPerSecond);
}

// A part of typed clock text as a number; the text holds digits only and an empty part counts 0.
int partNumber(QStringView part) {
    return part.isEmpty() ? 0 : part.toInt();
}

} // namespace

qint16 IntDiv(Currency dividend, Currency divisor) {
    const double quotient = std::floor(dividend.toDouble() / divisor.toDouble());
    // Saturating keeps a quotient beyond 16 bits from overflowing the conversion.
    return qint16(std::clamp(quotient, double(std::numeric_limits<qint16>::min()),
                             double(std::numeric_limits<qint16>::max())));
}

ClockFace clockFace(Currency value) {
    // Four digits hold at most 99:59; beyond it the tens of minutes would need a digit above 9.
    Currency v = std::clamp(value, Currency(), LargestShown);

    // Positions 1 to 5: tens of minutes, minutes, tens of seconds, seconds, tenths.
    std::array<qint16, 6> position{};
    const bool colon = v.toDouble() > 59.9;
    // Without tenths on show, adding 0.9 before cutting the fraction shows each second from its
    // first tenth: 60.1 to 61.0 read 1:01.
    if (colon)
        v += Currency::fromTenths(9);

    const Currency unit[] = {Currency::fromSeconds(600), Currency::fromSeconds(60),
                             Currency::fromSeconds(10)};
    for (int p = 1; p <= 3; ++p) {
        const qint16 q = IntDiv(v, unit[p - 1]);
        if (q >= 1) {
            position[p] = q;
            v -= unit[p - 1] * q;
        }
    }
    const qint16 seconds = wholeSeconds(v);
    if (seconds >= 1) {
        position[4] = seconds;
        v -= Currency::fromSeconds(seconds);
    }
    position[5] = qint16(v.ticks() / Currency::TicksPerTenth);

    ClockFace face;
    face.colon = colon;
    face.digits[3] = -1;
    const int first = colon ? 1 : 3;
    const int last = colon ? 4 : 5;
    // Leading zeros stay dark, the seconds digit is always lit, and a zero after a lit digit is lit.
    for (int p = first; p <= last; ++p) {
        const int e = p - first;
        if (position[p] > 0 || p == 4)
            face.digits[e] = position[p];
        else if (p != first && face.digits[e - 1] >= 0)
            face.digits[e] = 0;
        else
            face.digits[e] = -1;
    }
    return face;
}

Currency ParseCount(const QString& text) {
    const Currency refused = Currency::fromSeconds(-1);
    if (text.size() > 8)
        return refused;
    for (const QChar c : text) {
        if (!QStringLiteral("01234567890.").contains(c))
            return refused;
    }

    const QList<QStringView> parts = QStringView(text).split(u'.');
    if (parts.size() > 2)
        return refused;

    const int minutes = partNumber(parts[0]);
    int seconds = 0;
    int tenth = 0;
    if (parts.size() == 2) {
        const QStringView second = parts[1];
        // A third digit after the point is tenths; any further digits are ignored.
        if (second.size() <= 2) {
            seconds = partNumber(second);
        } else {
            seconds = partNumber(second.left(2));
            tenth = second[2].digitValue();
        }
    }

    // Seconds take at most two digits and the tenth one, so only the minutes can exceed their limit.
    if (minutes > 99)
        return refused;
    return Currency::fromSeconds(minutes * 60 + seconds) + Currency::fromTenths(tenth);
}

} // namespace modCount
