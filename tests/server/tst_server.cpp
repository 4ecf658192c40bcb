#include "server/BoardState.h"
#include "server/QrCode.h"
#include "server/RemoteCommand.h"
#include "server/StateServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QWebSocket>

using namespace server;

namespace {

BoardState sampleState() {
    BoardState s;
    s.layout = Layout::Game;
    s.title = QStringLiteral("City Cup");
    s.colors = {u"#404040"_qs, u"#000000"_qs, u"#ff0000"_qs, u"#ff8000"_qs,
                u"#00c000"_qs, u"#ffffff"_qs, u"#ffff00"_qs, u"#00ffff"_qs};
    s.names = {QStringLiteral("Lions"), QStringLiteral("Bears")};
    s.scores = {47, 45};
    s.fouls = {3, 5};
    s.timeoutsLeft = {2, 1};
    s.bonus = {false, true};
    s.possession = Possession::Visitor;
    s.period = 5;
    s.periodShown = QStringLiteral("O1");
    s.gameClock = {true, Currency::fromTicks(49'500), QStringLiteral("4.9")};
    s.shotClock = {false, Currency::fromSeconds(14), QStringLiteral("14")};
    s.monotonicMs = 1'234'567;
    return s;
}

// The value at a path such as "home/score" in the state's JSON, as text.
QString valueAt(const QJsonObject& root, const QString& path) {
    QJsonValue value = root;
    for (const QString& key : path.split(u'/'))
        value = value.toObject().value(key);
    return value.isBool() ? QString::fromLatin1(value.toBool() ? "true" : "false")
                          : value.toVariant().toString();
}

// A request as one line: "start/stop game clock" or "<command> <value>".
QString describe(const Request& request) {
    if (std::holds_alternative<StartStopGameClock>(request))
        return QStringLiteral("start/stop game clock");
    const game::Action& action = std::get<game::Action>(request);
    return QStringLiteral("%1 %2").arg(int(action.command)).arg(action.value);
}

// A parsed command as one line: "refused: <error>" or what it asks for.
QString outcome(const ParsedCommand& parsed) {
    return parsed.request ? describe(*parsed.request) : QStringLiteral("refused: ") + parsed.error;
}

// An undo padded with spaces to exactly this many bytes.
QByteArray paddedUndo(qsizetype bytes) {
    QByteArray frame = R"({"command":"undo"})";
    frame.insert(1, QByteArray(bytes - frame.size(), ' '));
    return frame;
}

// A WebSocket client of the server on this machine, keeping every message it gets.
struct Client {
    Client(quint16 port, const QString& path) {
        QObject::connect(&socket, &QWebSocket::textMessageReceived, &socket,
                         [this](const QString& message) { received << message; });
        socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1%2").arg(port).arg(path)));
    }
    QWebSocket socket;
    QStringList received;
};

QJsonObject parsedObject(const QString& text) {
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

// Whether the client has the answer to an empty command, which tests send after others to know when
// the server has read those.
bool answeredLast(const Client& client) {
    return parsedObject(client.received.last()).value(u"error"_qs).toString() == u"no \"command\" string"_qs;
}

} // namespace

// Posts a body to the server on this machine and waits for the answer.
struct Post {
    Post(QNetworkAccessManager& network, quint16 port, const QString& pathAndQuery, const QByteArray& body,
         const QByteArray& authorization = {}) {
        QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(pathAndQuery)));
        request.setHeader(QNetworkRequest::ContentTypeHeader, u"application/json"_qs);
        if (!authorization.isEmpty())
            request.setRawHeader("Authorization", authorization);
        reply.reset(network.post(request, body));
    }
    std::unique_ptr<QNetworkReply> reply;
};

class TestServer : public QObject {
    Q_OBJECT

private slots:
    void init();
    void stateJson_data();
    void stateJson();
    void changedBeyondTime_data();
    void changedBeyondTime();
    void parseCommand_data();
    void parseCommand();
    void httpAnswers_data();
    void httpAnswers();
    void commandAnswers_data();
    void commandAnswers();
    void pairAnswers_data();
    void pairAnswers();
    void webSocketSendsOnlyChanges();
    void webSocketGetsRunningClocksAsTheyStand();
    void offersFromAnotherThread();
    void webSocketRefusesWrites_data();
    void webSocketRefusesWrites();
    void webSocketWriterIsSlowedDown_data();
    void webSocketWriterIsSlowedDown();
    void floodedFramesGoUnread_data();
    void floodedFramesGoUnread();
    void clientBeyondTheLimitIsRefused();
    void webSocketElsewhereIsRefused();
    void qrImage();

private:
    quint16 startServer(StateServer& server) {
        server.setState(sampleState());
        return server.listen(QHostAddress(QHostAddress::LocalHost), 0);
    }
    // Every request the server emitted, described.
    QStringList* collect(StateServer& server) {
        QObject::connect(&server, &StateServer::requested, &server,
                         [this](const Request& request) { m_requested << describe(request); });
        return &m_requested;
    }

    qint64 m_now = 0;
    std::function<qint64()> m_time = [this] { return m_now; };
    QStringList m_requested;
};

void TestServer::init() {
    m_now = 0;
    m_requested.clear();
}

void TestServer::stateJson_data() {
    // Rows named by the path of the value in the state's JSON.
    QTest::addColumn<QString>("expected");
    const std::pair<const char*, const char*> rows[] = {
        {"layout", "game"},
        {"title", "City Cup"},
        {"colors/led", "#000000"},
        {"colors/visitor", "#00ffff"},
        {"home/name", "Lions"},
        {"visitor/score", "45"},
        {"home/fouls", "3"},
        {"visitor/timeoutsLeft", "1"},
        {"periodShown", "O1"},
        {"gameClock/running", "true"},
        // 4.95 s left shows 4.9: the tenths count down as the display does.
        {"gameClock/remainingTenths", "49"},
        {"gameClock/remainingMs", "4950"},
        {"gameClock/shown", "4.9"},
        {"shotClock/running", "false"},
        {"shotClock/remainingTenths", "140"},
        {"lamps/homeBonus", "false"},
        {"lamps/visitorBonus", "true"},
        {"lamps/possession", "visitor"},
        {"monotonicMs", "1234567"},
        // The same values as one flat row for video mixers.
        {"rows:layout", "game"},
        {"rows:homeName", "Lions"},
        {"rows:visitorTimeoutsLeft", "1"},
        {"rows:gameClock", "4.9"},
        {"rows:gameClockTenths", "49"},
        {"rows:shotClockRunning", "false"},
        {"rows:visitorBonus", "true"},
        {"rows:periodShown", "O1"},
    };
    for (const auto& [path, expected] : rows)
        QTest::newRow(path) << QString::fromLatin1(expected);
}

void TestServer::stateJson() {
    QFETCH(QString, expected);
    QString path = QString::fromLatin1(QTest::currentDataTag());
    const QJsonObject root =
        path.startsWith(u"rows:")
            ? QJsonDocument::fromJson(stateRowsBody(sampleState())).array().at(0).toObject()
            : QJsonDocument::fromJson(stateBody(sampleState())).object();
    QCOMPARE(valueAt(root, path.remove(u"rows:"_qs)), expected);
}

void TestServer::changedBeyondTime_data() {
    // The sample's game clock runs with 4.95 s left, its shot clock is stopped at 14 s.
    QTest::addColumn<int>("elapsedMs");
    QTest::addColumn<bool>("gameRunning");
    QTest::addColumn<int>("gameMs");
    QTest::addColumn<QString>("gameShown");
    QTest::addColumn<int>("shotMs");
    QTest::addColumn<int>("homeScore");
    QTest::addColumn<bool>("changed");
    QTest::newRow("time alone") << 100 << true << 4950 << "4.9" << 14000 << 47 << false;
    QTest::newRow("running clock moves on") << 500 << true << 4450 << "4.4" << 14000 << 47 << false;
    QTest::newRow("within a tenth of time") << 500 << true << 4380 << "4.3" << 14000 << 47 << false;
    QTest::newRow("run out and held at zero") << 6000 << true << 0 << "0.0" << 14000 << 47 << false;
    QTest::newRow("set while running") << 500 << true << 24000 << "24.0" << 14000 << 47 << true;
    QTest::newRow("stopped") << 500 << false << 4450 << "4.4" << 14000 << 47 << true;
    QTest::newRow("stopped clock set") << 0 << true << 4950 << "4.9" << 24000 << 47 << true;
    QTest::newRow("basket") << 500 << true << 4450 << "4.4" << 14000 << 49 << true;
}

void TestServer::changedBeyondTime() {
    QFETCH(int, elapsedMs);
    QFETCH(bool, gameRunning);
    QFETCH(int, gameMs);
    QFETCH(QString, gameShown);
    QFETCH(int, shotMs);
    QFETCH(int, homeScore);
    QFETCH(bool, changed);
    BoardState after = sampleState();
    after.monotonicMs += elapsedMs;
    after.gameClock = {gameRunning, Currency::fromTicks(gameMs * 10), gameShown};
    after.shotClock.remaining = Currency::fromTicks(shotMs * 10);
    after.scores[0] = homeScore;
    QCOMPARE(server::changedBeyondTime(sampleState(), after), changed);
}

void TestServer::parseCommand_data() {
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("expected");
    const auto command = [](game::Command c, int value = 0) {
        return QStringLiteral("%1 %2").arg(int(c)).arg(value);
    };
    QTest::newRow("start/stop") << QByteArray(R"({"command":"startStop"})") << "start/stop game clock";
    QTest::newRow("shot clock short")
        << QByteArray(R"({"command":"shotClockShort"})") << command(game::Command::ShotClockShort);
    QTest::newRow("home +3") << QByteArray(R"({"command":"addHomeScore","value":3})")
                             << command(game::Command::AddHomeScore, 3);
    QTest::newRow("visitor -1") << QByteArray(R"({"command":"addVisitorScore","value":-1})")
                                << command(game::Command::AddVisitorScore, -1);
    QTest::newRow("undo at the limit") << paddedUndo(MaxFrameBytes) << command(game::Command::Undo);
    QTest::newRow("over the limit") << paddedUndo(MaxFrameBytes + 1)
                                    << "refused: frame too long: at most 4096 bytes";
    QTest::newRow("malformed") << QByteArray(R"({"command":undo})")
                               << "refused: malformed JSON: illegal number";
    QTest::newRow("empty") << QByteArray() << "refused: malformed JSON: illegal value";
    QTest::newRow("array") << QByteArray(R"(["undo"])") << "refused: a command is a JSON object";
    QTest::newRow("no command") << QByteArray(R"({"value":2})") << "refused: no \"command\" string";
    QTest::newRow("command not a string")
        << QByteArray(R"({"command":3})") << "refused: no \"command\" string";
    // The game has this command, but a client may not type a score in.
    QTest::newRow("not allowed") << QByteArray(R"({"command":"setHomeScore","value":90})")
                                 << "refused: unknown command";
    QTest::newRow("unknown") << QByteArray(R"({"command":"quit"})") << "refused: unknown command";
    for (const char* value : {"0", "4", "-2", "2.5", "\"2\"", "null"})
        QTest::addRow("points %s", value) << QByteArray(R"({"command":"addHomeScore","value":)") + value + '}'
                                          << "refused: addHomeScore needs a value of -1, 1, 2 or 3";
    QTest::newRow("points missing") << QByteArray(R"({"command":"addVisitorScore"})")
                                    << "refused: addVisitorScore needs a value of -1, 1, 2 or 3";
    QTest::newRow("value where none is taken")
        << QByteArray(R"({"command":"homeFoul","value":1})") << "refused: homeFoul takes no value";
}

void TestServer::parseCommand() {
    QFETCH(QByteArray, frame);
    QFETCH(QString, expected);
    QCOMPARE(outcome(server::parseCommand(frame)), expected);
}

void TestServer::httpAnswers_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("type");
    // A page is checked by a piece of its text.
    QTest::addColumn<QByteArray>("body");
    const QString json = u"application/json"_qs;
    const QString html = u"text/html; charset=utf-8"_qs;
    QTest::newRow("state") << "/api/state" << 200 << json << stateBody(sampleState());
    QTest::newRow("rows") << "/api/state/rows" << 200 << json << stateRowsBody(sampleState());
    QTest::newRow("overlay") << "/overlay" << 200 << html << QByteArray("id=\"home-score\"");
    QTest::newRow("board") << "/board" << 200 << html << QByteArray("id=\"shot-clock\"");
    QTest::newRow("remote") << "/remote" << 200 << html << QByteArray("data-command=\"startStop\"");
    QTest::newRow("script") << "/live.js" << 200 << u"text/javascript; charset=utf-8"_qs
                            << QByteArray("function clockText");
    QTest::newRow("style") << "/pages.css" << 200 << u"text/css; charset=utf-8"_qs << QByteArray(".led");
    QTest::newRow("nothing there") << "/api/nothing" << 404 << QString() << QByteArray();
    QTest::newRow("pages by name only") << "/pages/overlay.html" << 404 << QString() << QByteArray();
    QTest::newRow("no files from the disk") << "/../../etc/passwd" << 404 << QString() << QByteArray();
    QTest::newRow("commands are posted") << "/api/command" << 404 << QString() << QByteArray();
    QTest::newRow("WebSocket without its upgrade") << "/ws" << 426 << QString() << QByteArray();
}

void TestServer::httpAnswers() {
    QFETCH(QString, path);
    QFETCH(int, status);
    QFETCH(QString, type);
    QFETCH(QByteArray, body);
    // Time stands still, so a running clock in the state is answered as it was set.
    StateServer server([] { return qint64(1000); });
    const quint16 port = startServer(server);
    QVERIFY(port != 0);

    QNetworkAccessManager network;
    QUrl url(QStringLiteral("http://127.0.0.1"));
    url.setPort(port);
    url.setPath(path);
    std::unique_ptr<QNetworkReply> reply(network.get(QNetworkRequest(url)));
    QTRY_VERIFY(reply->isFinished());
    QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), status);
    if (type.isEmpty())
        return;
    QCOMPARE(reply->header(QNetworkRequest::ContentTypeHeader).toString(), type);
    const QByteArray answer = reply->readAll();
    if (type == u"application/json")
        QCOMPARE(QJsonDocument::fromJson(answer), QJsonDocument::fromJson(body));
    else
        QVERIFY(answer.contains(body));
}

void TestServer::commandAnswers_data() {
    // How the token goes: "query", "bearer", "none", or a wrong one.
    QTest::addColumn<QString>("tokenBy");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("emitted");
    const QByteArray basket = R"({"command":"addHomeScore","value":2})";
    const QString ok = u"ok: true"_qs;
    const QString points = QStringLiteral("%1 2").arg(int(game::Command::AddHomeScore));
    QTest::newRow("token in the query") << "query" << basket << 200 << ok << points;
    QTest::newRow("bearer token") << "bearer" << basket << 200 << ok << points;
    QTest::newRow("start/stop") << "query" << QByteArray(R"({"command":"startStop"})") << 200 << ok
                                << "start/stop game clock";
    QTest::newRow("no token") << "none" << basket << 403
                              << "error: not paired: writing needs the remote's token" << QString();
    QTest::newRow("wrong token") << "wrong" << basket << 403
                                 << "error: not paired: writing needs the remote's token" << QString();
    QTest::newRow("a bad frame, checked after the token")
        << "none" << QByteArray("{") << 403 << "error: not paired: writing needs the remote's token"
        << QString();
    QTest::newRow("bad frame") << "bearer" << QByteArray(R"({"command":"quit"})") << 400
                               << "error: unknown command" << QString();
    QTest::newRow("over the limit") << "query" << paddedUndo(MaxFrameBytes + 1) << 400
                                    << "error: frame too long: at most 4096 bytes" << QString();
}

void TestServer::commandAnswers() {
    QFETCH(QString, tokenBy);
    QFETCH(QByteArray, frame);
    QFETCH(int, status);
    QFETCH(QString, answer);
    QFETCH(QString, emitted);
    StateServer server(m_time);
    const quint16 port = startServer(server);
    const QStringList* requested = collect(server);
    server.pairing().start();
    const QString token = tokenBy == u"wrong" ? QString(32, u'0') : server.pairing().token();

    QNetworkAccessManager network;
    const QString query = tokenBy == u"query" || tokenBy == u"wrong" ? u"?token="_qs + token : QString();
    const QByteArray bearer = tokenBy == u"bearer" ? "Bearer " + token.toLatin1() : QByteArray();
    Post post(network, port, u"/api/command"_qs + query, frame, bearer);
    QTRY_VERIFY(post.reply->isFinished());
    QCOMPARE(post.reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), status);
    const QJsonObject body = QJsonDocument::fromJson(post.reply->readAll()).object();
    const QString key = body.keys().value(0);
    QCOMPARE(key + u": "_qs + (body.value(key).isBool() ? u"true"_qs : body.value(key).toString()), answer);
    QCOMPARE(requested->join(u'\n'), emitted);
}

void TestServer::pairAnswers_data() {
    QTest::addColumn<int>("wrongCodesFirst");
    QTest::addColumn<int>("laterMs");
    QTest::addColumn<int>("status");
    QTest::newRow("the code") << 0 << 0 << 200;
    QTest::newRow("the code after wrong ones") << Pairing::MaxWrongCodes - 1 << 0 << 200;
    QTest::newRow("the code, near its end") << 0 << int(Pairing::CodeLifetimeMs) - 1 << 200;
    QTest::newRow("the code, expired") << 0 << int(Pairing::CodeLifetimeMs) << 403;
    QTest::newRow("voided by wrong codes") << Pairing::MaxWrongCodes << 0 << 403;
}

void TestServer::pairAnswers() {
    QFETCH(int, wrongCodesFirst);
    QFETCH(int, laterMs);
    QFETCH(int, status);
    StateServer server(m_time);
    const quint16 port = startServer(server);
    QSignalSpy changed(&server, &StateServer::pairingChanged);
    server.pairing().start();
    const QString code = server.pairing().code();
    QCOMPARE(code.size(), 6);
    const QString wrong = QStringLiteral("%1").arg((code.toInt() + 1) % 1'000'000, 6, 10, QLatin1Char('0'));

    QNetworkAccessManager network;
    for (int i = 0; i < wrongCodesFirst; ++i) {
        Post post(network, port, u"/api/pair"_qs, R"({"code":")" + wrong.toLatin1() + R"("})");
        QTRY_VERIFY(post.reply->isFinished());
        QCOMPARE(post.reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 403);
    }
    m_now += laterMs;
    Post post(network, port, u"/api/pair"_qs, R"({"code":")" + code.toLatin1() + R"("})");
    QTRY_VERIFY(post.reply->isFinished());
    QCOMPARE(post.reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), status);
    const QString token = QJsonDocument::fromJson(post.reply->readAll()).object().value(u"token").toString();
    QCOMPARE(token, status == 200 ? server.pairing().token() : QString());
    QVERIFY(status != 200 || server.pairing().isValid(token));
    QCOMPARE(changed.size(), wrongCodesFirst >= Pairing::MaxWrongCodes ? 2 : 1);

    // A new pairing ends the old token; revoking ends every one.
    const QString old = server.pairing().token();
    server.pairing().start();
    QVERIFY(!server.pairing().isValid(old));
    QVERIFY(server.pairing().isValid(server.pairing().token()));
    server.pairing().revoke();
    QVERIFY(!server.pairing().isValid(QString()));
    QVERIFY(server.pairing().code().isEmpty());
}

void TestServer::webSocketSendsOnlyChanges() {
    StateServer server(m_time);
    Client client(startServer(server), u"/ws"_qs);
    QTRY_COMPARE(client.received.size(), 1);
    QCOMPARE(parsedObject(client.received[0]), server::stateJson(sampleState()));
    QCOMPARE(server.clientCount(), 1);

    // The running game clock moves on with time: nothing to send. Then it stops: sent at once.
    BoardState later = sampleState();
    later.monotonicMs += 500;
    later.gameClock.remaining = Currency::fromTicks(44'500);
    later.gameClock.shown = u"4.4"_qs;
    server.setState(later);
    later.gameClock.running = false;
    server.setState(later);
    QTRY_COMPARE(client.received.size(), 2);
    QCOMPARE(parsedObject(client.received[1]), server::stateJson(later));

    client.socket.close();
    QTRY_COMPARE(server.clientCount(), 0);
}

// A client that comes while a clock runs gets it as it stands then, not as it was last set.
void TestServer::webSocketGetsRunningClocksAsTheyStand() {
    StateServer server(m_time);
    const quint16 port = startServer(server);
    m_now += 700;
    Client client(port, u"/ws"_qs);
    QTRY_COMPARE(client.received.size(), 1);
    BoardState expected = sampleState();
    expected.monotonicMs += 700;
    expected.gameClock.remaining = Currency::fromTicks(42'500);
    QCOMPARE(parsedObject(client.received[0]), server::stateJson(expected));
}

// The board offers its state from its own thread at every paint: requests answer the latest one,
// and a change beyond time passing reaches the WebSocket clients without a request.
void TestServer::offersFromAnotherThread() {
    StateServer server(m_time);
    const quint16 port = startServer(server);
    Client client(port, u"/ws"_qs);
    QTRY_COMPARE(client.received.size(), 1);
    BoardState later = sampleState();
    later.monotonicMs += 500;
    later.gameClock.remaining = Currency::fromTicks(44'500);
    later.gameClock.shown = u"4.4"_qs;
    const auto offerElsewhere = [&server](const BoardState& state) {
        std::unique_ptr<QThread> board(QThread::create([&server, state] { server.offer(state); }));
        board->start();
        board->wait();
    };
    offerElsewhere(later);

    QNetworkAccessManager network;
    std::unique_ptr<QNetworkReply> reply(
        network.get(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1/api/state/rows").arg(port)))));
    QTRY_VERIFY(reply->isFinished());
    QCOMPARE(QJsonDocument::fromJson(reply->readAll()), QJsonDocument::fromJson(stateRowsBody(later)));

    later.gameClock.running = false;
    offerElsewhere(later);
    QTRY_COMPARE(client.received.size(), 2);
    QCOMPARE(parsedObject(client.received[1]), server::stateJson(later));
}

void TestServer::webSocketRefusesWrites_data() {
    QTest::addColumn<bool>("withToken");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("emitted");
    QTest::newRow("unknown") << true << R"({"command":"quit"})"
                             << "unknown command" << QString();
    QTest::newRow("too long") << true << QString(int(MaxFrameBytes) + 1, u' ')
                              << "frame too long: at most 4096 bytes" << QString();
    QTest::newRow("valid without a token") << false << R"({"command":"undo"})"
                                           << "not paired: writing needs the remote's token" << QString();
    QTest::newRow("valid with the token") << true << R"({"command":"undo"})" << QString()
                                          << QStringLiteral("%1 0").arg(int(game::Command::Undo));
}

void TestServer::webSocketRefusesWrites() {
    QFETCH(bool, withToken);
    QFETCH(QString, frame);
    QFETCH(QString, error);
    QFETCH(QString, emitted);
    StateServer server(m_time);
    const quint16 port = startServer(server);
    const QStringList* requested = collect(server);
    server.pairing().start();
    Client client(port, withToken ? u"/ws?token="_qs + server.pairing().token() : u"/ws"_qs);
    QTRY_COMPARE(client.received.size(), 1);

    client.socket.sendTextMessage(frame);
    // An unknown command after it marks when the server has read the frame.
    client.socket.sendTextMessage(u"{}"_qs);
    QTRY_VERIFY(answeredLast(client));
    const QStringList errors = client.received.mid(1, client.received.size() - 2);
    QCOMPARE(errors.isEmpty() ? QString() : parsedObject(errors.value(0)).value(u"error"_qs).toString(),
             error);
    QCOMPARE(requested->join(u'\n'), emitted);
    QCOMPARE(server.clientCount(), 1);
}

void TestServer::webSocketWriterIsSlowedDown_data() {
    QTest::addColumn<int>("sent");
    QTest::addColumn<int>("atOnce");
    QTest::addColumn<int>("afterASecond");
    QTest::addColumn<int>("afterTwo");
    QTest::addColumn<int>("refused");
    QTest::addColumn<bool>("closed");
    QTest::newRow("a second's worth") << 50 << 50 << 50 << 50 << 0 << false;
    QTest::newRow("beyond the rate") << 60 << 50 << 60 << 60 << 0 << false;
    QTest::newRow("beyond the queue") << 160 << 50 << 100 << 150 << 10 << false;
    // Closed, its queue goes with it.
    QTest::newRow("flooding past the queue")
        << 50 + 2 * CommandBucket::MaxQueued << 50 << 50 << 50 << CommandBucket::MaxQueued - 1 << true;
}

void TestServer::webSocketWriterIsSlowedDown() {
    QFETCH(int, sent);
    QFETCH(int, atOnce);
    QFETCH(int, afterASecond);
    QFETCH(int, afterTwo);
    QFETCH(int, refused);
    QFETCH(bool, closed);
    StateServer server(m_time);
    const quint16 port = startServer(server);
    const QStringList* requested = collect(server);
    server.pairing().start();
    Client client(port, u"/ws?token="_qs + server.pairing().token());
    QSignalSpy disconnected(&client.socket, &QWebSocket::disconnected);
    QTRY_COMPARE(client.received.size(), 1);

    for (int i = 0; i < sent; ++i)
        client.socket.sendTextMessage(u"{\"command\":\"homeFoul\"}"_qs);
    // An unknown command after them marks when the server has read them all.
    client.socket.sendTextMessage(u"{}"_qs);
    if (closed)
        QTRY_COMPARE(disconnected.size(), 1);
    else
        QTRY_VERIFY(answeredLast(client));
    QCOMPARE(requested->size(), atOnce);
    QCOMPARE(client.received.count(u"{\"error\":\"too many commands: slow down\"}"_qs), refused);

    // The queued commands go in their turn, a second's worth a second.
    m_now += 1000;
    QTRY_COMPARE(requested->size(), afterASecond);
    m_now += 1000;
    QTRY_COMPARE(requested->size(), afterTwo);
}

void TestServer::floodedFramesGoUnread_data() {
    QTest::addColumn<int>("sent");
    QTest::addColumn<int>("answered");
    QTest::addColumn<bool>("closed");
    QTest::newRow("within a second's frames")
        << StateServer::MaxFramesPerSecond << StateServer::MaxFramesPerSecond << false;
    QTest::newRow("beyond them") << StateServer::MaxFramesPerSecond + 50 << StateServer::MaxFramesPerSecond
                                 << false;
    QTest::newRow("ten times as many") << 10 * StateServer::MaxFramesPerSecond + 1 << 0 << true;
}

// Frames beyond a second's worth are neither read nor answered, whatever they hold.
void TestServer::floodedFramesGoUnread() {
    QFETCH(int, sent);
    QFETCH(int, answered);
    QFETCH(bool, closed);
    StateServer server(m_time);
    const quint16 port = startServer(server);
    Client client(port, u"/ws"_qs);
    QSignalSpy disconnected(&client.socket, &QWebSocket::disconnected);
    QTRY_COMPARE(client.received.size(), 1);

    for (int i = 0; i < sent; ++i)
        client.socket.sendTextMessage(u"{not json"_qs);
    if (closed) {
        QTRY_COMPARE(disconnected.size(), 1);
        return;
    }
    // In the next second the server reads again; the marker shows it has read the flood.
    QTRY_COMPARE(client.received.size(), 1 + answered);
    m_now += 1000;
    client.socket.sendTextMessage(u"{}"_qs);
    QTRY_VERIFY(answeredLast(client));
    QCOMPARE(client.received.size(), 1 + answered + 1);
}

void TestServer::clientBeyondTheLimitIsRefused() {
    StateServer server;
    const quint16 port = startServer(server);
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < StateServer::MaxClients; ++i)
        clients.push_back(std::make_unique<Client>(port, u"/ws"_qs));
    QTRY_COMPARE(server.clientCount(), StateServer::MaxClients);

    Client last(port, u"/ws"_qs);
    QSignalSpy closed(&last.socket, &QWebSocket::disconnected);
    QTRY_COMPARE(closed.size(), 1);
    QCOMPARE(last.received.size(), 1);
    QCOMPARE(parsedObject(last.received[0]).value(u"error"_qs).toString(), u"too many clients, try later"_qs);
    QCOMPARE(server.clientCount(), StateServer::MaxClients);
}

// Qt's server would upgrade a request on any of its routes.
void TestServer::webSocketElsewhereIsRefused() {
    StateServer server;
    Client client(startServer(server), u"/api/state"_qs);
    QSignalSpy refused(&client.socket, qOverload<QAbstractSocket::SocketError>(&QWebSocket::error));
    QTRY_COMPARE(refused.size(), 1);
    QVERIFY(client.received.isEmpty());
    QCOMPARE(server.clientCount(), 0);
}

// The remote's address as a QR code: square, black on white, its quiet zone white, and as many modules
// as a QR version has.
void TestServer::qrImage() {
    const int moduleSize = 3;
    const QImage image = server::qrImage(
        server::remoteAddress(u"192.168.1.20"_qs, 8780, QString(32, u'a')).toUtf8(), moduleSize);
    QVERIFY(!image.isNull());
    QCOMPARE(image.width(), image.height());
    QCOMPARE(image.width() % moduleSize, 0);
    const int modules = image.width() / moduleSize;
    QVERIFY(modules > 8 + 17 && (modules - 8 - 17) % 4 == 0);
    QSet<QRgb> colors;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colors.insert(image.pixel(x, y));
    QCOMPARE(colors, (QSet<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)}));
    const int quiet = 4 * moduleSize;
    QCOMPARE(image.pixel(quiet - 1, quiet - 1), qRgb(255, 255, 255));
    // The corner of a finder pattern.
    QCOMPARE(image.pixel(quiet, quiet), qRgb(0, 0, 0));
    QCOMPARE(server::remoteAddress(u"192.168.1.20"_qs, 8780, u"ab12"_qs),
             u"http://192.168.1.20:8780/remote?token=ab12"_qs);
}

QTEST_MAIN(TestServer)
#include "tst_server.moc"
