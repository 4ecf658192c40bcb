#pragma once

#include "game/Game.h"
#include "game/GameSettings.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <array>
#include <optional>

namespace journal {

// The format's version, in the header line; a reader takes nothing from a newer one.
inline constexpr int Version = 1;

enum class EventKind {
    // A new game: the rules, the layout, the names and the scores it starts with.
    Start,
    // One command given to the game's dispatch, with the clocks it was given.
    Action,
    // A clock started or stopped: slot 0 the game clock, 1 the shot clock.
    Clock,
    // The clocks' values once a second while one runs.
    Mark,
    Names,
    // The Standard board's possession and bonus lamps.
    Lamps,
    // The Standard board's scores and period.
    Board,
    // The game ended cleanly: nothing to take up again.
    End,
};

// One line of a journal. Every event carries the board's monotonic time, the wall time and both clocks;
// the other fields belong to the kinds named beside them.
struct Event {
    EventKind kind = EventKind::Mark;
    qint64 monotonicMs = 0;
    QDateTime wall;
    game::Clocks clocks;
    // Start.
    game::GameSettings settings;
    // Start (the scores the game starts with) and Board.
    std::array<int, 2> scores{};
    // Start and Names.
    QString title;
    QString home;
    QString visitor;
    // Action.
    game::Action action{game::Command::Undo};
    // Clock.
    int slot = 0;
    bool running = false;
    // Lamps: 0 none, 1 home, 2 visitor.
    int possession = 0;
    std::array<bool, 2> bonus{};
    // Board.
    int period = 0;
};

QByteArray headerLine();
// One compact JSON object and its newline.
QByteArray eventLine(const Event& event);

// Whether a line is a header, and of which version; nothing when it is none.
std::optional<int> headerVersion(const QByteArray& line);
// The event a line holds; nothing when it holds none this version knows. newer is set when the line
// says it comes from a newer version.
std::optional<Event> parseEvent(const QByteArray& line, bool* newer = nullptr);

// The command's name in a journal ("HomeFoul"), and back.
QString commandName(game::Command command);
std::optional<game::Command> commandNamed(const QString& name);
QString kindName(EventKind kind);

} // namespace journal
