#pragma once

#include "journal/JournalEvent.h"

#include <QList>

namespace journal {

// What a journal gives back: the game as it stood at its last event.
struct Restored {
    // A start event was read: there is a game at all.
    bool started = false;
    game::GameSettings settings;
    QString title;
    QString home;
    QString visitor;
    // The game rebuilt by replaying its actions: state and undo history.
    game::Game game;
    // Both clocks at their last journaled values; they come back stopped.
    game::Clocks clocks;
    // What the Standard board showed: scores, period, lamps. On the Game board the game holds them.
    std::array<int, 2> scores{};
    int period = 0;
    int possession = 0;
    std::array<bool, 2> bonus{};
    // The journal has no end line: the program stopped without a clean end.
    bool unclean = false;
    // Something happened after the start: a command, a clock run, a change of the board.
    bool inProgress = false;
    // Events replayed into this value.
    int events = 0;
};

// Takes one more event into the value; a start begins it afresh.
void replay(Restored& restored, const Event& event);
// Replays the events from the last start on.
Restored restore(const QList<Event>& events);

// The game taken up, for the question that offers it: "Home 47 - Visitor 45, period 3, clock 4:12".
QString summary(const Restored& restored);

// A clock value as the board shows it: "10:00", "4:12" (from 4:11.1 on), under a minute "45.3".
QString clockText(Currency value);

} // namespace journal
