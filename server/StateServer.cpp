#include "server/StateServer.h"

#include "server/RemoteCommand.h"

#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QHttpServerResponse>
#include <QWebSocket>

#include <algorithm>

namespace server {

namespace {

// Large enough for a frame over the command limit to be answered with its error, small enough that
// a client cannot make the board hold much.
constexpr qint64 MaxIncomingBytes = 64 * 1024;

const QString WebSocketPath = QStringLiteral("/ws");

} // namespace

StateServer::StateServer(QObject* parent)
    : QObject(parent), m_http(new QHttpServer(this)), m_body(stateBody(m_state)) {
    m_http->route(QStringLiteral("/api/state"),
                  [this] { return QHttpServerResponse(QByteArrayLiteral("application/json"), m_body); });
    m_http->route(QStringLiteral("/api/state/rows"), [this] {
        return QHttpServerResponse(QByteArrayLiteral("application/json"), stateRowsBody(m_state));
    });
    // Qt's server upgrades a request to a WebSocket only when a route takes it; this one answers nothing
    // then.
    m_http->route(WebSocketPath, [](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
        if (request.value(QByteArrayLiteral("upgrade")).compare("websocket", Qt::CaseInsensitive) != 0)
            responder.write(QHttpServerResponder::StatusCode::UpgradeRequired);
    });
    connect(m_http, &QHttpServer::newWebSocketConnection, this, &StateServer::acceptClients);
}

StateServer::~StateServer() {
    // Sockets going away tell of their end, and this object is half gone by then.
    for (const auto& client : m_clients)
        client->disconnect(this);
}

quint16 StateServer::listen(const QHostAddress& address, quint16 port) {
    return m_http->listen(address, port);
}

void StateServer::setState(const BoardState& state) {
    BoardState unchanged = state;
    unchanged.monotonicMs = m_state.monotonicMs;
    const bool changed = !(unchanged == m_state);
    m_state = state;
    m_body = stateBody(m_state);
    if (!changed)
        return;
    // A copy, since a client can be dropped while the state goes out.
    std::vector<QWebSocket*> clients;
    for (const auto& client : m_clients)
        clients.push_back(client.get());
    for (QWebSocket* client : clients)
        send(client, m_body);
}

void StateServer::acceptClients() {
    while (m_http->hasPendingWebSocketConnections()) {
        std::unique_ptr<QWebSocket> client = m_http->nextPendingWebSocketConnection();
        // Qt upgrades a request on any route that answers it, after the answer has gone out.
        if (client->requestUrl().path() != WebSocketPath) {
            client->abort();
            client.release()->deleteLater();
            continue;
        }
        if (clientCount() >= MaxClients) {
            client->sendTextMessage(
                QString::fromUtf8(errorBody(QStringLiteral("too many clients, try later"))));
            client->close(QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("too many clients"));
            client.release()->deleteLater();
            continue;
        }
        QWebSocket* const socket = client.get();
        socket->setMaxAllowedIncomingMessageSize(quint64(MaxIncomingBytes));
        socket->setMaxAllowedIncomingFrameSize(quint64(MaxIncomingBytes));
        connect(socket, &QWebSocket::textMessageReceived, this,
                [this, socket](const QString& message) { receive(socket, message); });
        connect(socket, &QWebSocket::binaryMessageReceived, this,
                [this, socket] { send(socket, errorBody(QStringLiteral("commands are text frames"))); });
        connect(socket, &QWebSocket::disconnected, this, [this, socket] { drop(socket); });
        m_clients.push_back(std::move(client));
        send(socket, m_body);
    }
}

void StateServer::receive(QWebSocket* client, const QString& message) {
    const ParsedCommand parsed = parseCommand(message.toUtf8());
    // Writing needs a paired remote's token, and no remote is paired yet: a valid command is refused
    // as well, and changes nothing.
    send(client, errorBody(parsed.request ? QStringLiteral("not paired: writing needs the remote's token")
                                          : parsed.error));
}

void StateServer::send(QWebSocket* client, const QByteArray& body) {
    if (client->bytesToWrite() > MaxBacklogBytes) {
        client->abort();
        drop(client);
        return;
    }
    client->sendTextMessage(QString::fromUtf8(body));
}

void StateServer::drop(QWebSocket* client) {
    const auto it = std::find_if(m_clients.begin(), m_clients.end(),
                                 [client](const auto& owned) { return owned.get() == client; });
    if (it == m_clients.end())
        return;
    // Deleted later, since the socket may be the sender of the signal being handled.
    it->release()->deleteLater();
    m_clients.erase(it);
}

} // namespace server
