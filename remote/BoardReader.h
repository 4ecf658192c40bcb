#pragma once

#include "server/BoardState.h"

class frmScoreboard;

namespace remote {

// What the board shows now, as the server sends it; a running clock's remaining time is exact to the
// microsecond at nowUs, the state's time, so that a page counting on from there with its own clock
// shows each tenth as the board does.
server::BoardState boardState(const frmScoreboard& board, qint64 nowUs);

} // namespace remote
