#pragma once

#include "game/GameSettings.h"
#include "remote/ServerThread.h"
#include "server/RemoteCommand.h"

#include <QHostAddress>
#include <QObject>
#include <QTimer>

#include <optional>

class frmScoreboard;

namespace server {
class StateServer;
}

namespace remote {

// Serves the board to browsers and phones while the game settings or the command line ask for it:
// every change of the board reaches the server within the turn of the event loop it was painted in,
// and the remote's commands reach the board as its keys do. The server runs on a thread of its own,
// so the board's tick never shares a turn of its event loop with the clients' sockets.
class BoardLink : public QObject {
    Q_OBJECT

public:
    explicit BoardLink(frmScoreboard* board);

    // Serves as the settings say: on or off, on this machine alone or on the network, and where.
    // A port given on the command line holds for the whole run, on whatever the settings say.
    void follow(const game::GameSettings& settings);
    void serveOnPort(quint16 port);

    // The server while it listens, else nullptr. It lives on its own thread: see which of its members
    // another thread may call.
    server::StateServer* server() const { return m_thread.server(); }
    // Why the server is not listening although asked to; empty when it listens or was not asked.
    const QString& problem() const { return m_problem; }
    // The address another device opens: this machine's address on the network when the network is
    // let in, else the loopback one.
    QString host() const;
    quint16 port() const { return m_port; }
    // Whether other devices on the network may connect.
    bool network() const { return m_network; }

    // Reads the board into the server now; changes reach it by themselves.
    void readBoard();

Q_SIGNALS:
    // The server started, stopped, or could not listen.
    void servingChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void listen(bool network, quint16 port);
    void stop();
    // Closes the server, if any, without a word: a new one follows.
    void shutDown();
    void carryOut(const server::Request& request);

    frmScoreboard* const m_board;
    ServerThread m_thread;
    QTimer m_read;
    // Reads the board now and then while serving: a board that is not on show paints nothing.
    QTimer m_resync;
    std::optional<quint16> m_commandLinePort;
    bool m_network = false;
    quint16 m_port = 0;
    QString m_problem;
};

} // namespace remote
