#pragma once

#include "server/BoardState.h"

#include <QHostAddress>
#include <QObject>

#include <memory>
#include <vector>

class QHttpServer;
class QWebSocket;

namespace server {

// The server inside the program: /api/state answers the board's state as JSON, /api/state/rows the
// same as a row in an array, and a WebSocket on /ws gets the whole state on connect and again on
// each change. Qt's HTTP server is a technology preview in Qt 6.4, so the rest of the program knows
// only this class.
class StateServer : public QObject {
    Q_OBJECT
public:
    static constexpr quint16 DefaultPort = 8780;
    static constexpr int MaxClients = 64;
    // A client that leaves this much unread is dropped rather than waited for.
    static constexpr qint64 MaxBacklogBytes = 256 * 1024;

    explicit StateServer(QObject* parent = nullptr);
    ~StateServer() override;

    // Listens on this machine alone unless told otherwise; port 0 takes a free one. Returns the port
    // listened on, 0 when it could not listen.
    quint16 listen(const QHostAddress& address = QHostAddress(QHostAddress::LocalHost),
                   quint16 port = DefaultPort);

    // The board's state now; the WebSocket clients get it when more than the time of reading changed.
    void setState(const BoardState& state);
    const BoardState& state() const { return m_state; }
    int clientCount() const { return int(m_clients.size()); }

private:
    void acceptClients();
    void receive(QWebSocket* client, const QString& message);
    void send(QWebSocket* client, const QByteArray& body);
    void drop(QWebSocket* client);

    QHttpServer* m_http;
    BoardState m_state;
    QByteArray m_body;
    std::vector<std::unique_ptr<QWebSocket>> m_clients;
};

} // namespace server
