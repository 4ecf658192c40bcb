#include "server/BoardState.h"
#include "server/RemoteCommand.h"
#include "server/StateServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>
#include <QWebSocket>

using namespace server;

namespace {

BoardState sampleState() {
    BoardState s;
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

// A command as one line: "refused: <error>", "start/stop game clock" or "<command> <value>".
QString outcome(const ParsedCommand& parsed) {
    if (!parsed.request)
        return QStringLiteral("refused: ") + parsed.error;
    if (std::holds_alternative<StartStopGameClock>(*parsed.request))
        return QStringLiteral("start/stop game clock");
    const game::Action& action = std::get<game::Action>(*parsed.request);
    return QStringLiteral("%1 %2").arg(int(action.command)).arg(action.value);
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

} // namespace

class TestServer : public QObject {
    Q_OBJECT

private slots:
    void stateJson_data();
    void stateJson();
    void parseCommand_data();
    void parseCommand();
    void httpAnswers_data();
    void httpAnswers();
    void webSocketGetsStateOnConnectAndChange();
    void webSocketRefusesWrites_data();
    void webSocketRefusesWrites();
    void clientBeyondTheLimitIsRefused();
    void webSocketElsewhereIsRefused();

private:
    quint16 startServer(StateServer& server) {
        server.setState(sampleState());
        return server.listen(QHostAddress(QHostAddress::LocalHost), 0);
    }
};

void TestServer::stateJson_data() {
    // Rows named by the path of the value in the state's JSON.
    QTest::addColumn<QString>("expected");
    const std::pair<const char*, const char*> rows[] = {
        {"home/name", "Lions"},
        {"visitor/score", "45"},
        {"home/fouls", "3"},
        {"visitor/timeoutsLeft", "1"},
        {"periodShown", "O1"},
        {"gameClock/running", "true"},
        // 4.95 s left shows 4.9: the tenths count down as the display does.
        {"gameClock/remainingTenths", "49"},
        {"gameClock/shown", "4.9"},
        {"shotClock/running", "false"},
        {"shotClock/remainingTenths", "140"},
        {"lamps/homeBonus", "false"},
        {"lamps/visitorBonus", "true"},
        {"lamps/possession", "visitor"},
        {"monotonicMs", "1234567"},
        // The same values as one flat row for video mixers.
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
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("state") << "/api/state" << 200 << stateBody(sampleState());
    QTest::newRow("rows") << "/api/state/rows" << 200 << stateRowsBody(sampleState());
    QTest::newRow("nothing there") << "/api/nothing" << 404 << QByteArray();
    QTest::newRow("no files from the disk") << "/../../etc/passwd" << 404 << QByteArray();
    QTest::newRow("WebSocket without its upgrade") << "/ws" << 426 << QByteArray();
}

void TestServer::httpAnswers() {
    QFETCH(QString, path);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    StateServer server;
    const quint16 port = startServer(server);
    QVERIFY(port != 0);

    QNetworkAccessManager network;
    QUrl url(QStringLiteral("http://127.0.0.1"));
    url.setPort(port);
    url.setPath(path);
    std::unique_ptr<QNetworkReply> reply(network.get(QNetworkRequest(url)));
    QTRY_VERIFY(reply->isFinished());
    QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), status);
    if (!body.isEmpty()) {
        QCOMPARE(reply->header(QNetworkRequest::ContentTypeHeader).toString(), u"application/json"_qs);
        QCOMPARE(QJsonDocument::fromJson(reply->readAll()), QJsonDocument::fromJson(body));
    }
}

void TestServer::webSocketGetsStateOnConnectAndChange() {
    StateServer server;
    Client client(startServer(server), u"/ws"_qs);
    QTRY_COMPARE(client.received.size(), 1);
    QCOMPARE(parsedObject(client.received[0]), server::stateJson(sampleState()));
    QCOMPARE(server.clientCount(), 1);

    // Only the time of reading moves: nothing to send. Then a basket: sent at once.
    BoardState later = sampleState();
    later.monotonicMs += 100;
    server.setState(later);
    later.scores[0] += 2;
    server.setState(later);
    QTRY_COMPARE(client.received.size(), 2);
    QCOMPARE(parsedObject(client.received[1]), server::stateJson(later));

    client.socket.close();
    QTRY_COMPARE(server.clientCount(), 0);
}

void TestServer::webSocketRefusesWrites_data() {
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("error");
    QTest::newRow("unknown") << R"({"command":"quit"})"
                             << "unknown command";
    QTest::newRow("too long") << QString(int(MaxFrameBytes) + 1, u' ')
                              << "frame too long: at most 4096 bytes";
    QTest::newRow("valid but not paired") << R"({"command":"undo"})"
                                          << "not paired: writing needs the remote's token";
}

void TestServer::webSocketRefusesWrites() {
    QFETCH(QString, frame);
    QFETCH(QString, error);
    StateServer server;
    Client client(startServer(server), u"/ws"_qs);
    QTRY_COMPARE(client.received.size(), 1);

    client.socket.sendTextMessage(frame);
    QTRY_COMPARE(client.received.size(), 2);
    QCOMPARE(parsedObject(client.received[1]).value(u"error"_qs).toString(), error);
    QCOMPARE(server.state(), sampleState());
    QCOMPARE(server.clientCount(), 1);
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

QTEST_MAIN(TestServer)
#include "tst_server.moc"
