#pragma once

#include "state/Currency.h"

#include <QString>

#include <array>

// What the clock display shows for one value: the captions of its four digits, left to right
// (-1 dark), and whether the upper dot is lit (a colon) or only the lower one (a decimal point).
struct ClockFace {
    std::array<qint16, 4> digits{};
    bool colon = false;
    bool operator==(const ClockFace&) const = default;
};

namespace modCount {

// The whole part, rounded down, of dividend / divisor, computed in double precision.
qint16 IntDiv(Currency dividend, Currency divisor);

// The face for a value in seconds: MM:SS above 59.9 s, SS.T from there down. Values outside
// 0 to 5999 s are shown as the nearest of those two.
ClockFace clockFace(Currency value);

// Reads typed clock text: minutes, then optionally a point and seconds (a third digit after the
// point is tenths). Returns the value in seconds, or -1 when the text is not acceptable.
Currency ParseCount(const QString& text);

} // namespace modCount
