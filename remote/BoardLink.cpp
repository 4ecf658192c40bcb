#include "remote/BoardLink.h"

#include "clock/TimeSource.h"
#include "remote/BoardReader.h"
#include "scoreboard/GameBoard.h"
#include "scoreboard/frmScoreboard.h"
#include "server/StateServer.h"
#include "state/modBasketball.h"

#include <QCoreApplication>
#include <QEvent>
#include <QNetworkInterface>
#include <QUdpSocket>

namespace remote {

namespace {

// A board out of sight still reaches its pages this often.
constexpr int ResyncMs = 1000;

} // namespace

BoardLink::BoardLink(frmScoreboard* board) : QObject(board), m_board(board) {
    m_read.setSingleShot(true);
    m_read.setInterval(0);
    connect(&m_read, &QTimer::timeout, this, &BoardLink::readBoard);
    m_resync.setInterval(ResyncMs);
    connect(&m_resync, &QTimer::timeout, this, &BoardLink::readBoard);
    connect(board->gameBoard(), &GameBoard::settingsApplied, this,
            [this] { follow(m_board->gameBoard()->settings()); });
    // Whatever the board shows anew, it paints; its window hears of every such paint first.
    board->installEventFilter(this);
    m_thread.setObjectName(QStringLiteral("server"));
    // The board may outlive the event loop; its server's thread must not.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &BoardLink::shutDown);
    follow(board->gameBoard()->settings());
}

void BoardLink::follow(const game::GameSettings& settings) {
    if (m_commandLinePort)
        listen(settings.serveNetwork, *m_commandLinePort);
    else if (settings.serve)
        listen(settings.serveNetwork, quint16(settings.servePort));
    else
        stop();
}

void BoardLink::serveOnPort(quint16 port) {
    m_commandLinePort = port;
    listen(m_board->gameBoard()->settings().serveNetwork, port);
}

QString BoardLink::host() const {
    if (!m_network)
        return QHostAddress(QHostAddress::LocalHost).toString();
    // The address this machine would send from towards the outside, which is the venue's network
    // rather than a container's or a virtual machine's bridge. Connecting a UDP socket sends nothing.
    QUdpSocket probe;
    probe.connectToHost(QHostAddress(QStringLiteral("192.0.2.1")), 9);
    if (probe.waitForConnected(100) && !probe.localAddress().isLoopback() &&
        probe.localAddress().protocol() == QAbstractSocket::IPv4Protocol)
        return probe.localAddress().toString();
    // A network without a route out: any address of this machine's.
    for (const QHostAddress& address : QNetworkInterface::allAddresses())
        if (!address.isLoopback() && address.protocol() == QAbstractSocket::IPv4Protocol)
            return address.toString();
    return QHostAddress(QHostAddress::LocalHost).toString();
}

void BoardLink::listen(bool network, quint16 port) {
    if (server() && network == m_network && port == m_port)
        return;
    shutDown();
    const QHostAddress address(network ? QHostAddress::Any : QHostAddress::LocalHost);
    const quint16 listening = m_thread.serve(address, port, [] { return Clock::source().monotonicMs(); });
    if (listening == 0) {
        m_problem =
            tr("The server could not listen on port %1: it may be in use by another program.").arg(port);
        Q_EMIT servingChanged();
        return;
    }
    m_network = network;
    // Port 0 asked for any free one.
    m_port = listening;
    m_problem.clear();
    connect(server(), &server::StateServer::requested, this, &BoardLink::carryOut);
    server()->pairing().start();
    readBoard();
    m_resync.start();
    Q_EMIT servingChanged();
}

void BoardLink::stop() {
    const bool wasServing = server() || !m_problem.isEmpty();
    shutDown();
    m_problem.clear();
    if (wasServing)
        Q_EMIT servingChanged();
}

void BoardLink::shutDown() {
    m_resync.stop();
    m_thread.stop();
    m_port = 0;
}

void BoardLink::readBoard() {
    if (server::StateServer* const served = server())
        served->offer(boardState(*m_board, Clock::source().monotonicUs()));
}

bool BoardLink::eventFilter(QObject* watched, QEvent* event) {
    if (server() && event->type() == QEvent::UpdateRequest && !m_read.isActive())
        m_read.start();
    return QObject::eventFilter(watched, event);
}

void BoardLink::carryOut(const server::Request& request) {
    if (std::holds_alternative<server::StartStopGameClock>(request))
        m_board->AllKeyPress(modBasketball::StartStopClockKey);
    else
        m_board->gameBoard()->dispatch(std::get<game::Action>(request));
}

} // namespace remote
