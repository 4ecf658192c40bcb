#pragma once

#include "server/BoardState.h"
#include "server/CommandBucket.h"
#include "server/Pairing.h"
#include "server/RemoteCommand.h"

#include <QHostAddress>
#include <QMutex>
#include <QObject>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QHttpServer;
class QHttpServerRequest;
class QHttpServerResponse;
class QTimer;
class QWebSocket;

namespace server {

// The server inside the program. Pages from the program's resources (/overlay, /board, /remote);
// /api/state answers the board's state as JSON, /api/state/rows the same as a row in an array; a
// WebSocket on /ws gets the whole state on connect and again on each change. Writes (POST
// /api/command, or a frame on /ws) need the token of a paired remote (POST /api/pair trades the
// console's code for it) and are slowed to CommandBucket::PerSecond per client; an accepted command
// is answered at once and carried out in its turn. Qt's HTTP server is a technology preview in Qt 6.4,
// so the rest of the program knows only this class.
//
// It runs on the thread it lives in, which in the program is a thread of its own, so the board's event
// loop never watches the clients' sockets. From any other thread only offer(), pairing(), clientCount()
// and remoteUrl() may be called. Every client's work per message is
// bounded, and a slow reader is dropped, not waited for. HTTP and the WebSocket share one port, so a
// page can open ws://its-own-host/ws.
class StateServer : public QObject {
    Q_OBJECT
public:
    static constexpr quint16 DefaultPort = 8780;
    static constexpr int MaxClients = 64;
    // A client that leaves this much unread is dropped rather than waited for.
    static constexpr qint64 MaxBacklogBytes = 256 * 1024;
    // While a clock runs the state goes out this often anyway, so a page that missed a message or
    // drifted is put right.
    static constexpr int ResyncMs = 5000;
    // More frames than this in a second is a flood, whatever they hold: the rest of that second's are
    // dropped unread and unanswered, and a client that sends ten times as many is cut off.
    static constexpr int MaxFramesPerSecond = 400;

    explicit StateServer(QObject* parent = nullptr);
    // Reads time from nowMs (monotonic milliseconds) for pairing codes and the flood limit.
    explicit StateServer(std::function<qint64()> nowMs, QObject* parent = nullptr);
    ~StateServer() override;

    // Listens on this machine alone unless told otherwise; port 0 takes a free one. Returns the port
    // listened on, 0 when it could not listen.
    quint16 listen(const QHostAddress& address = QHostAddress(QHostAddress::LocalHost),
                   quint16 port = DefaultPort);

    // The board's state now. The WebSocket clients get it when it changed beyond running clocks
    // moving on as time passes, which pages draw themselves.
    void setState(const BoardState& state);
    // The same from any thread, as often as the board likes: this server's thread is woken only when
    // the state changed beyond time passing, and answers a request with the latest state offered.
    void offer(const BoardState& state);
    const BoardState& state() const { return m_state; }
    int clientCount() const { return m_clientCount.load(); }

    Pairing& pairing() { return *m_pairing; }
    // The remote's address on this host with the current token, for the console's QR code.
    QString remoteUrl(const QString& host) const;

signals:
    // A paired client's command whose turn has come; the board carries it out as if keyed.
    void requested(const server::Request& request);
    void pairingChanged();

private:
    struct Client {
        std::unique_ptr<QWebSocket> socket;
        QString token;
        CommandBucket bucket;
        int lost = 0;
        // The second being counted, and the frames in it.
        qint64 frameSecondMs = 0;
        int frames = 0;
    };

    void addRoutes();
    // Sets the state last offered, if it was not set yet.
    void takeOffer();
    void resync();
    QHttpServerResponse command(const QHttpServerRequest& request);
    QHttpServerResponse pair(const QHttpServerRequest& request) const;
    void acceptClients();
    void receive(QWebSocket* socket, const QString& message);
    // The state with its running clocks moved on to now, as the board would read it.
    QByteArray bodyNow() const;
    void sendState();
    void send(QWebSocket* socket, const QByteArray& body);
    void send(QWebSocket* socket, const QString& text);
    void drop(QWebSocket* socket);
    Client* clientOf(const QWebSocket* socket);
    void runDue();
    void updateTimers();

    std::function<qint64()> m_nowMs;
    QHttpServer* m_http;
    Pairing* m_pairing;
    QTimer* m_resync;
    QTimer* m_drain;
    quint16 m_port = 0;
    BoardState m_state;
    // When the state was set, on this server's clock.
    qint64 m_stateAtMs = 0;
    BoardState m_sent;
    QByteArray m_body;
    std::vector<Client> m_clients;
    // Its size, for other threads.
    std::atomic<int> m_clientCount = 0;
    // What offer() left for this thread, and the last offer that woke it.
    QMutex m_offerMutex;
    std::optional<BoardState> m_offered;
    BoardState m_wokenFor;
    // HTTP writers by peer address.
    std::map<QString, CommandBucket> m_httpBuckets;
};

} // namespace server
