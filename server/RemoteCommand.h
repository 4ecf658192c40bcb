#pragma once

#include "game/Game.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <variant>

namespace server {

// The largest frame a client may send; anything longer is refused unread.
inline constexpr qsizetype MaxFrameBytes = 4096;

// Starts the game clock if it is stopped and stops it if it runs; the board owns it, not the game.
struct StartStopGameClock {};

// What a client may ask the board to do: a game command through the same dispatch as a key, or
// the game clock's start and stop.
using Request = std::variant<game::Action, StartStopGameClock>;

// A command read from a client, or why it was refused.
struct ParsedCommand {
    std::optional<Request> request;
    QString error;
};

// Reads one frame, a JSON object such as {"command": "addHomeScore", "value": 2}. Only the commands
// of the allow-list pass; the score commands need a value of -1, 1, 2 or 3, the others take none.
ParsedCommand parseCommand(const QByteArray& frame);

// The answer to a refused command: {"error": "..."}.
QByteArray errorBody(const QString& error);

} // namespace server
