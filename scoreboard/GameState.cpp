#include "scoreboard/GameState.h"

#include "clock/ClockText.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array TabOrder{BoardDisplay::Period, BoardDisplay::Clock, BoardDisplay::HomeScore,
                              BoardDisplay::VisitorScore};

} // namespace

namespace BoardReading {

QString digits(const QList<qint16>& mostSignificantFirst) {
    QString text;
    for (const qint16 digit : mostSignificantFirst)
        if (digit >= 0 && digit <= 9)
            text += QChar(u'0' + digit);
    return text;
}

QString clock(const std::array<qint16, 4>& leftToRight, bool upperDot, bool lowerDot) {
    const QString separator = upperDot && lowerDot ? QStringLiteral(":")
                              : lowerDot           ? QStringLiteral(".")
                                                   : QString();
    return digits({leftToRight[0], leftToRight[1]}) + separator + digits({leftToRight[2], leftToRight[3]});
}

std::optional<int> clockSeconds(const std::array<qint16, 4>& leftToRight, bool colon, bool timeOfDay) {
    const auto lit = [](qint16 digit) { return digit >= 0 && digit <= 9; };
    if (std::none_of(leftToRight.begin(), leftToRight.end(), lit))
        return std::nullopt;
    const auto pair = [&](std::size_t at) {
        const auto value = [&](qint16 digit) { return lit(digit) ? int(digit) : 0; };
        return value(leftToRight.at(at)) * 10 + value(leftToRight.at(at + 1));
    };
    if (!colon)
        return pair(0);
    return timeOfDay ? pair(0) * 3600 + pair(2) * 60 : pair(0) * 60 + pair(2);
}

} // namespace BoardReading

BoardDisplay nextDisplay(std::optional<BoardDisplay> current, bool forward) {
    const int count = int(TabOrder.size());
    if (!current)
        return forward ? TabOrder.front() : TabOrder.back();
    const int at = int(*current);
    return TabOrder.at(std::size_t((at + (forward ? 1 : count - 1)) % count));
}

bool gameInProgress(const GameSnapshot& game) {
    return game.clockRunning || game.clock != game.resetTime || game.home != 0 || game.visitor != 0 ||
           game.period != 0;
}

QString gameSummary(const GameSnapshot& game, const QString& homeName, const QString& visitorName) {
    // The clock as its display reads: its lower dot is lit in both forms, the upper one with the colon.
    const ClockFace face = modCount::clockFace(game.clock);
    return QStringLiteral("%1 %2 - %3 %4, period %5, clock %6")
        .arg(homeName)
        .arg(game.home)
        .arg(visitorName)
        .arg(game.visitor)
        .arg(game.period)
        .arg(BoardReading::clock(face.digits, face.colon, true));
}
