#pragma once

#include "state/Currency.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>

// The board's displays in the order Tab reaches them; Shift+Tab goes the other way round.
enum class BoardDisplay { Period, Clock, HomeScore, VisitorScore };

// The display Tab (forward) or Shift+Tab moves to from the one that has the focus; from none,
// the first or the last.
BoardDisplay nextDisplay(std::optional<BoardDisplay> current, bool forward);

// What the board shows of a game, read off its displays.
struct GameSnapshot {
    bool clockRunning = false;
    Currency clock;
    Currency resetTime;
    int home = 0;
    int visitor = 0;
    int period = 0;
};

// A game is in progress once the clock runs or has left its reset value, or a score or the period
// has left 0: closing the board then loses it.
bool gameInProgress(const GameSnapshot& game);

// The score as the close question shows it: "Home 47 - Visitor 45, period 3, clock 4:12".
QString gameSummary(const GameSnapshot& game, const QString& homeName, const QString& visitorName);

namespace BoardReading {

// Digits as a person reads them, most significant first (-1 for a dark digit): dark digits are
// left out, so a score with tens 4 and units 7 and a dark hundreds digit reads "47".
QString digits(const QList<qint16>& mostSignificantFirst);

// The clock display: its four digits left to right with the separator that its dots show, a colon
// when both are lit ("10:00", the time of day "14:35") and a point when only the lower one is
// ("45.0"); dark digits are left out.
QString clock(const std::array<qint16, 4>& leftToRight, bool upperDot, bool lowerDot);
// What the clock display shows in whole seconds: "10:00" 600, "45.0" 45 (its tenth left out), the
// time of day "14:35" 52500; none while every digit is dark.
std::optional<int> clockSeconds(const std::array<qint16, 4>& leftToRight, bool colon, bool timeOfDay);

} // namespace BoardReading
