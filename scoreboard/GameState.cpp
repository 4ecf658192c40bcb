#include "GameState.h"

#include "ClockText.h"

#include <array>

namespace {

constexpr std::array TabOrder{BoardDisplay::Period, BoardDisplay::Clock, BoardDisplay::HomeScore,
                              BoardDisplay::VisitorScore};

// The clock as its display reads, dark digits left out: "4:12", "45.0".
QString clockReading(Currency value) {
    const ClockFace face = modCount::clockFace(value);
    QString text;
    for (std::size_t i = 0; i < face.digits.size(); ++i) {
        if (i == 2)
            text += face.colon ? u':' : u'.';
        if (face.digits.at(i) >= 0)
            text += QChar(u'0' + face.digits.at(i));
    }
    return text;
}

} // namespace

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
    return QStringLiteral("%1 %2 - %3 %4, period %5, clock %6")
        .arg(homeName)
        .arg(game.home)
        .arg(visitorName)
        .arg(game.visitor)
        .arg(game.period)
        .arg(clockReading(game.clock));
}
