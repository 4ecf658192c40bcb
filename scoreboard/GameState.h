#pragma once

#include "Currency.h"

#include <QString>

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
