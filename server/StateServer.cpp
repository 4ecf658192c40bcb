#include "server/StateServer.h"

#include "server/QrCode.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QHttpServerResponse>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <QUrlQuery>
#include <QWebSocket>

#include <algorithm>
#include <utility>

// The pages live in this static library's resources, which the linker keeps only when asked for.
static void loadPages() {
    Q_INIT_RESOURCE(pages);
}

namespace server {

namespace {

// Large enough for a frame over the command limit to be answered with its error, small enough that
// a client cannot make the board hold much.
constexpr qint64 MaxIncomingBytes = 64 * 1024;
// How often queued commands are looked at: the pace of the flood limit.
constexpr int DrainMs = 1000 / CommandBucket::PerSecond;

const QString WebSocketPath = QStringLiteral("/ws");
const QString NotPaired = QStringLiteral("not paired: writing needs the remote's token");
const QString TooMany = QStringLiteral("too many commands: slow down");

struct Page {
    const char* path;
    const char* resource;
    const char* type;
};

const Page Pages[] = {
    {"/overlay", ":/server/pages/overlay.html", "text/html; charset=utf-8"},
    {"/board", ":/server/pages/board.html", "text/html; charset=utf-8"},
    {"/remote", ":/server/pages/remote.html", "text/html; charset=utf-8"},
    {"/live.js", ":/server/pages/live.js", "text/javascript; charset=utf-8"},
    {"/pages.css", ":/server/pages/pages.css", "text/css; charset=utf-8"},
};

QByteArray resource(const char* path) {
    QFile file(QString::fromLatin1(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QHttpServerResponse json(const QByteArray& body, QHttpServerResponse::StatusCode status) {
    return QHttpServerResponse(QByteArrayLiteral("application/json"), body, status);
}

QHttpServerResponse refusal(const QString& error, QHttpServerResponse::StatusCode status) {
    return json(errorBody(error), status);
}

// The token a request carries, as ?token= or as a bearer token.
QString tokenOf(const QHttpServerRequest& request) {
    const QString query = request.query().queryItemValue(QStringLiteral("token"));
    if (!query.isEmpty())
        return query;
    const QByteArray authorization = request.value(QByteArrayLiteral("authorization"));
    const QByteArray bearer = QByteArrayLiteral("Bearer ");
    return authorization.startsWith(bearer) ? QString::fromLatin1(authorization.mid(bearer.size()))
                                            : QString();
}

bool anyClockRuns(const BoardState& state) {
    return state.gameClock.running || state.shotClock.running;
}

std::function<qint64()> monotonicClock() {
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    return [timer] { return timer->elapsed(); };
}

} // namespace

StateServer::StateServer(QObject* parent) : StateServer(monotonicClock(), parent) {}

StateServer::StateServer(std::function<qint64()> nowMs, QObject* parent)
    : QObject(parent), m_nowMs(std::move(nowMs)), m_http(new QHttpServer(this)),
      m_pairing(new Pairing(m_nowMs, this)), m_resync(new QTimer(this)), m_drain(new QTimer(this)),
      m_body(stateBody(m_state)) {
    loadPages();
    addRoutes();
    connect(m_http, &QHttpServer::newWebSocketConnection, this, &StateServer::acceptClients);
    connect(m_pairing, &Pairing::changed, this, &StateServer::pairingChanged);
    m_resync->setInterval(ResyncMs);
    connect(m_resync, &QTimer::timeout, this, &StateServer::resync);
    m_drain->setInterval(DrainMs);
    connect(m_drain, &QTimer::timeout, this, &StateServer::runDue);
}

StateServer::~StateServer() {
    // Sockets going away tell of their end, and this object is half gone by then.
    for (const Client& client : m_clients)
        client.socket->disconnect(this);
}

void StateServer::addRoutes() {
    for (const Page& page : Pages) {
        m_http->route(QString::fromLatin1(page.path), QHttpServerRequest::Method::Get,
                      [page] { return QHttpServerResponse(QByteArray(page.type), resource(page.resource)); });
    }
    m_http->route(QStringLiteral("/api/state"), QHttpServerRequest::Method::Get, [this] {
        takeOffer();
        return QHttpServerResponse(QByteArrayLiteral("application/json"), bodyNow());
    });
    m_http->route(QStringLiteral("/api/state/rows"), QHttpServerRequest::Method::Get, [this] {
        takeOffer();
        return QHttpServerResponse(QByteArrayLiteral("application/json"), stateRowsBody(m_state));
    });
    m_http->route(QStringLiteral("/api/command"), QHttpServerRequest::Method::Post,
                  [this](const QHttpServerRequest& request) { return command(request); });
    m_http->route(QStringLiteral("/api/pair"), QHttpServerRequest::Method::Post,
                  [this](const QHttpServerRequest& request) { return pair(request); });
    // Qt's server upgrades a request to a WebSocket only when a route takes it; this one answers nothing
    // then.
    m_http->route(WebSocketPath, [](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
        if (request.value(QByteArrayLiteral("upgrade")).compare("websocket", Qt::CaseInsensitive) != 0)
            responder.write(QHttpServerResponder::StatusCode::UpgradeRequired);
    });
}

quint16 StateServer::listen(const QHostAddress& address, quint16 port) {
    m_port = m_http->listen(address, port);
    return m_port;
}

QString StateServer::remoteUrl(const QString& host) const {
    return remoteAddress(host, m_port, m_pairing->token());
}

void StateServer::setState(const BoardState& state) {
    m_state = state;
    m_stateAtMs = m_nowMs();
    m_body = stateBody(m_state);
    if (changedBeyondTime(m_sent, m_state))
        sendState();
    updateTimers();
}

void StateServer::offer(const BoardState& state) {
    QMutexLocker lock(&m_offerMutex);
    m_offered = state;
    if (!changedBeyondTime(m_wokenFor, state))
        return;
    m_wokenFor = state;
    lock.unlock();
    QMetaObject::invokeMethod(this, &StateServer::takeOffer, Qt::QueuedConnection);
}

void StateServer::takeOffer() {
    QMutexLocker lock(&m_offerMutex);
    if (!m_offered)
        return;
    const BoardState state = *std::exchange(m_offered, std::nullopt);
    lock.unlock();
    setState(state);
}

void StateServer::resync() {
    const BoardState sent = m_sent;
    takeOffer();
    // Unless it just went out.
    if (m_sent == sent)
        sendState();
}

QByteArray StateServer::bodyNow() const {
    const qint64 elapsedMs = m_nowMs() - m_stateAtMs;
    if (elapsedMs <= 0 || !anyClockRuns(m_state))
        return m_body;
    // Pages draw a running clock from the remaining time at the message's monotonic time, so an older
    // state is sent as it stands now.
    BoardState now = m_state;
    now.monotonicMs += elapsedMs;
    for (ClockState* clock : {&now.gameClock, &now.shotClock}) {
        if (clock->running)
            clock->remaining =
                std::max(Currency(), clock->remaining -
                                         Currency::fromTicks(elapsedMs * (Currency::TicksPerSecond / 1000)));
    }
    return stateBody(now);
}

void StateServer::sendState() {
    m_sent = m_state;
    // Made text once for every client.
    const QString body = QString::fromUtf8(bodyNow());
    // A copy, since a client can be dropped while the state goes out.
    std::vector<QWebSocket*> sockets;
    for (const Client& client : m_clients)
        sockets.push_back(client.socket.get());
    for (QWebSocket* socket : sockets)
        send(socket, body);
}

QHttpServerResponse StateServer::command(const QHttpServerRequest& request) {
    if (!m_pairing->isValid(tokenOf(request)))
        return refusal(NotPaired, QHttpServerResponse::StatusCode::Forbidden);
    const ParsedCommand parsed = parseCommand(request.body());
    if (!parsed.request)
        return refusal(parsed.error, QHttpServerResponse::StatusCode::BadRequest);
    const qint64 now = m_nowMs();
    const QString peer = request.remoteAddress().toString();
    auto bucket = m_httpBuckets.try_emplace(peer, now).first;
    if (!bucket->second.offer(*parsed.request))
        return refusal(TooMany, QHttpServerResponse::StatusCode::TooManyRequests);
    // Commands within the rate go at once; the answer says the command was taken, in its turn.
    runDue();
    return json(QByteArrayLiteral(R"({"ok":true})"), QHttpServerResponse::StatusCode::Ok);
}

QHttpServerResponse StateServer::pair(const QHttpServerRequest& request) const {
    const QJsonValue code =
        QJsonDocument::fromJson(request.body().left(MaxFrameBytes)).object().value(u"code");
    const QString token = code.isString() ? m_pairing->exchange(code.toString()) : QString();
    if (token.isEmpty())
        return refusal(QStringLiteral("wrong or expired code"), QHttpServerResponse::StatusCode::Forbidden);
    return json(QJsonDocument(QJsonObject{{QStringLiteral("token"), token}}).toJson(QJsonDocument::Compact),
                QHttpServerResponse::StatusCode::Ok);
}

void StateServer::acceptClients() {
    takeOffer();
    while (m_http->hasPendingWebSocketConnections()) {
        std::unique_ptr<QWebSocket> socket = m_http->nextPendingWebSocketConnection();
        // Qt upgrades a request on any route that answers it, after the answer has gone out.
        if (socket->requestUrl().path() != WebSocketPath) {
            socket->abort();
            socket.release()->deleteLater();
            continue;
        }
        if (clientCount() >= MaxClients) {
            socket->sendTextMessage(
                QString::fromUtf8(errorBody(QStringLiteral("too many clients, try later"))));
            socket->close(QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("too many clients"));
            socket.release()->deleteLater();
            continue;
        }
        QWebSocket* const raw = socket.get();
        raw->setMaxAllowedIncomingMessageSize(quint64(MaxIncomingBytes));
        raw->setMaxAllowedIncomingFrameSize(quint64(MaxIncomingBytes));
        connect(raw, &QWebSocket::textMessageReceived, this,
                [this, raw](const QString& message) { receive(raw, message); });
        connect(raw, &QWebSocket::binaryMessageReceived, this,
                [this, raw] { send(raw, errorBody(QStringLiteral("commands are text frames"))); });
        connect(raw, &QWebSocket::disconnected, this, [this, raw] { drop(raw); });
        const QString token = QUrlQuery(raw->requestUrl()).queryItemValue(QStringLiteral("token"));
        m_clients.push_back(Client{std::move(socket), token, CommandBucket(m_nowMs()), 0});
        m_clientCount = int(m_clients.size());
        send(raw, bodyNow());
    }
    updateTimers();
}

void StateServer::receive(QWebSocket* socket, const QString& message) {
    Client* const client = clientOf(socket);
    if (!client)
        return;
    const qint64 now = m_nowMs();
    if (now - client->frameSecondMs >= 1000) {
        client->frameSecondMs = now;
        client->frames = 0;
    }
    if (++client->frames > MaxFramesPerSecond) {
        if (client->frames > 10 * MaxFramesPerSecond)
            socket->abort();
        return;
    }
    const ParsedCommand parsed = parseCommand(message.toUtf8());
    if (!parsed.request) {
        send(socket, errorBody(parsed.error));
        return;
    }
    // The token is checked at each command, so a revoked one stops writing at once.
    if (!m_pairing->isValid(client->token)) {
        send(socket, errorBody(NotPaired));
        return;
    }
    if (!client->bucket.offer(*parsed.request)) {
        // Past a second queue's worth of lost commands the client is not slowing down.
        if (++client->lost >= CommandBucket::MaxQueued) {
            socket->close(QWebSocketProtocol::CloseCodePolicyViolated, TooMany);
            return;
        }
        send(socket, errorBody(TooMany));
        return;
    }
    runDue();
}

void StateServer::runDue() {
    const qint64 now = m_nowMs();
    // Gathered first: whoever carries them out may set a new state, and that may drop a client.
    std::vector<Request> due;
    for (Client& client : m_clients) {
        for (const Request& request : client.bucket.due(now))
            due.push_back(request);
    }
    for (auto it = m_httpBuckets.begin(); it != m_httpBuckets.end();) {
        for (const Request& request : it->second.due(now))
            due.push_back(request);
        it = it->second.rested(now) ? m_httpBuckets.erase(it) : std::next(it);
    }
    updateTimers();
    for (const Request& request : due)
        emit requested(request);
}

void StateServer::updateTimers() {
    const bool waiting =
        !m_httpBuckets.empty() ||
        std::any_of(m_clients.begin(), m_clients.end(), [](const Client& c) { return !c.bucket.empty(); });
    if (waiting && !m_drain->isActive())
        m_drain->start();
    else if (!waiting)
        m_drain->stop();
    const bool resync = anyClockRuns(m_state) && !m_clients.empty();
    if (resync && !m_resync->isActive())
        m_resync->start();
    else if (!resync)
        m_resync->stop();
}

void StateServer::send(QWebSocket* socket, const QByteArray& body) {
    send(socket, QString::fromUtf8(body));
}

void StateServer::send(QWebSocket* socket, const QString& text) {
    if (socket->bytesToWrite() > MaxBacklogBytes) {
        socket->abort();
        drop(socket);
        return;
    }
    socket->sendTextMessage(text);
}

StateServer::Client* StateServer::clientOf(const QWebSocket* socket) {
    const auto it = std::find_if(m_clients.begin(), m_clients.end(),
                                 [socket](const Client& client) { return client.socket.get() == socket; });
    return it == m_clients.end() ? nullptr : &*it;
}

void StateServer::drop(QWebSocket* socket) {
    const auto it = std::find_if(m_clients.begin(), m_clients.end(),
                                 [socket](const Client& client) { return client.socket.get() == socket; });
    if (it == m_clients.end())
        return;
    // Deleted later, since the socket may be the sender of the signal being handled.
    it->socket.release()->deleteLater();
    m_clients.erase(it);
    m_clientCount = int(m_clients.size());
    updateTimers();
}

} // namespace server
