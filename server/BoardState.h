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
    // The display shows the time of day: pages show shown, whatever the clock does.
    bool timeOfDay = false;
    bool operator==(const ClockState&) const = default;
};

enum class Possession { None, Home, Visitor };

// Standard shows the title, names, scores, period, game clock and the lamps; Game adds the shot clock,
// fouls, timeouts and the period's overtime text.
enum class Layout { Standard, Game };

// The board's colours as "#rrggbb": form is the window's background, led the digits' background,
// time, score and period the digits' colours, border the frame's, home and visitor the team names'.
struct BoardColors {
    QString form, led, time, score, period, border, home, visitor;
    bool operator==(const BoardColors&) const = default;
};

// What the board shows, in plain values the board fills in; no window is needed to build it.
struct BoardState {
    Layout layout = Layout::Standard;
    QString title;
    BoardColors colors;
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

// Whether after differs from before by more than time passing: a clock running in both whose
// remaining time moved on with the monotonic time (to a tenth) has not changed, and neither has its
// shown text. Any other difference is a change.
bool changedBeyondTime(const BoardState& before, const BoardState& after);

// The state as the server sends it: teams as "home" and "visitor", clocks with their remaining time
// in whole tenths (rounded down, as the displays count) and in milliseconds (for pages that draw a
// running clock themselves), lamps together.
QJsonObject stateJson(const BoardState& state);
QByteArray stateBody(const BoardState& state);
// The same as one flat row in a JSON array ("homeScore", "gameClock" the text shown, ...), for video
// mixers that read a table from JSON.
QByteArray stateRowsBody(const BoardState& state);

} // namespace server
