#pragma once

#include "state/Currency.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <array>

namespace server {

// A clock as the board shows it: pages draw a running one from their own clock between messages,
// starting from remaining at the board's monotonic time the state carries.
struct ClockState {
    bool running = false;
    Currency remaining;
    // What its display shows, which need not be the remaining time (the time of day, a dark clock).
    QString shown;
    bool operator==(const ClockState&) const = default;
};

enum class Possession { None, Home, Visitor };

// What the board shows, in plain values the board fills in; no window is needed to build it.
struct BoardState {
    std::array<QString, 2> names;
    std::array<int, 2> scores{};
    std::array<int, 2> fouls{};
    std::array<int, 2> timeoutsLeft{};
    std::array<bool, 2> bonus{};
    Possession possession = Possession::None;
    int period = 0;
    // The period display's text ("3", "O1").
    QString periodShown;
    ClockState gameClock;
    ClockState shotClock;
    // The board's monotonic clock when the state was read, in milliseconds.
    qint64 monotonicMs = 0;
    bool operator==(const BoardState&) const = default;
};

// The state as the server sends it: teams as "home" and "visitor", clocks with their remaining time
// in whole tenths (rounded down, as the displays count), lamps together.
QJsonObject stateJson(const BoardState& state);
QByteArray stateBody(const BoardState& state);
// The same as one flat row in a JSON array ("homeScore", "gameClock" the text shown, ...), for video
// mixers that read a table from JSON.
QByteArray stateRowsBody(const BoardState& state);

} // namespace server
