#include "app/CommandLine.h"
#include "clock/modCount.h"
#include "remote/BoardLink.h"
#include "scoreboard/GameBoard.h"
#include "scoreboard/frmScoreboard.h"
#include "server/Pairing.h"
#include "server/StateServer.h"
#include "settings/GameSettingsStore.h"
#include "settings/SettingsStore.h"
#include "state/modBasketball.h"
#include "tests/support/ManualTime.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkInterface>
#include <QNetworkReply>
#include <QSettings>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// The state the server gives browsers now, as they read it at that host.
QJsonObject served(quint16 port, const QString& host = QStringLiteral("127.0.0.1")) {
    QNetworkAccessManager network;
    std::unique_ptr<QNetworkReply> reply(
        network.get(QNetworkRequest(QUrl(QStringLiteral("http://%1:%2/api/state").arg(host).arg(port)))));
    QSignalSpy done(reply.get(), &QNetworkReply::finished);
    if (!done.wait(10000))
        return {};
    return QJsonDocument::fromJson(reply->readAll()).object();
}

// A command as the remote sends it; the HTTP status of the answer.
int post(quint16 port, const QByteArray& frame, const QString& token) {
    QNetworkAccessManager network;
    QNetworkRequest request(
        QUrl(QStringLiteral("http://127.0.0.1:%1/api/command?token=%2").arg(port).arg(token)));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    std::unique_ptr<QNetworkReply> reply(network.post(request, frame));
    QSignalSpy done(reply.get(), &QNetworkReply::finished);
    done.wait(10000);
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

} // namespace

// The board served to browsers and phones: when it listens, what it sends of the board, and the
// remote's commands on the board, through real sockets.
class tst_Remote : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void commandLine_data();
    void commandLine();
    void followsTheSettings();
    void stateFollowsTheBoard_data();
    void stateFollowsTheBoard();
    void remoteCommandsNeedTheToken();

private:
    void startBoard(game::Layout layout);
    remote::BoardLink* link() const { return m_board->findChild<remote::BoardLink*>(); }

    QTemporaryDir m_store;
    std::unique_ptr<ManualTime> m_time;
    std::unique_ptr<frmScoreboard> m_board;
};

void tst_Remote::initTestCase() {
    QVERIFY(m_store.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_store.path());
}

void tst_Remote::cleanup() {
    m_board.reset();
    m_time.reset();
}

void tst_Remote::startBoard(game::Layout layout) {
    game::GameSettings settings;
    settings.layout = layout;
    settings.hornFile.clear();
    QCOMPARE(modSettings::SaveGameSettings(settings), modSettings::SaveResult::Saved);
    modSettings::LoadSettings();
    modBasketball::BuzzerFile.clear();
    modCount::ResetAllSlots();
    m_time = std::make_unique<ManualTime>();
    m_board = std::make_unique<frmScoreboard>();
    new remote::BoardLink(m_board.get());
    m_board->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_board.get()));
}

void tst_Remote::commandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("refused");

    QTest::newRow("absent") << QStringList{} << -1 << false;
    QTest::newRow("default port") << QStringList{"--serve"} << 8780 << false;
    QTest::newRow("before another option") << QStringList{"--serve", "-platform", "xcb"} << 8780 << false;
    QTest::newRow("port given") << QStringList{"--serve", "9000"} << 9000 << false;
    QTest::newRow("port joined") << QStringList{"--serve=9001"} << 9001 << false;
    QTest::newRow("zero") << QStringList{"--serve", "0"} << -1 << true;
    QTest::newRow("too large") << QStringList{"--serve", "65536"} << -1 << true;
    QTest::newRow("not a number") << QStringList{"--serve=eighty"} << -1 << true;
}

void tst_Remote::commandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(int, port);
    QFETCH(bool, refused);
    arguments.prepend(QStringLiteral("courtvane"));
    const ServeRequest request = serveRequest(arguments);
    QCOMPARE(request.port ? int(*request.port) : -1, port);
    QCOMPARE(!request.error.isEmpty(), refused);
}

void tst_Remote::followsTheSettings() {
    startBoard(game::Layout::Standard);
    remote::BoardLink* const serving = link();
    QVERIFY(!serving->server());

    // A port another program holds is named, and nothing is served.
    QTcpServer other;
    QVERIFY(other.listen(QHostAddress::LocalHost));
    game::GameSettings settings = m_board->gameBoard()->settings();
    settings.serve = true;
    settings.servePort = other.serverPort();
    m_board->gameBoard()->applySettings(settings);
    QVERIFY(!serving->server());
    QVERIFY(serving->problem().contains(QString::number(other.serverPort())));

    other.close();
    QSignalSpy changes(serving, &remote::BoardLink::servingChanged);
    m_board->gameBoard()->applySettings(settings);
    QVERIFY(serving->server());
    QVERIFY(serving->problem().isEmpty());
    QCOMPARE(serving->port(), settings.servePort);
    QCOMPARE(serving->host(), QStringLiteral("127.0.0.1"));
    QVERIFY(!serving->server()->pairing().code().isEmpty());
    QCOMPARE(serving->server()->pairing().code().size(), 6);
    QCOMPARE(changes.size(), 1);

    // Let in, the network reaches it at the address the console gives.
    settings.serveNetwork = true;
    m_board->gameBoard()->applySettings(settings);
    QVERIFY(serving->server());
    QCOMPARE(changes.size(), 2);
    QVERIFY(QNetworkInterface::allAddresses().contains(QHostAddress(serving->host())));
    QCOMPARE(served(settings.servePort, serving->host()).value(u"layout").toString(), u"standard"_qs);

    settings.serve = false;
    m_board->gameBoard()->applySettings(settings);
    QVERIFY(!serving->server());
    QCOMPARE(changes.size(), 3);

    // The command line's port holds for the run, whatever the settings say.
    serving->serveOnPort(0);
    QVERIFY(serving->server());
    m_board->gameBoard()->applySettings(settings);
    QVERIFY(serving->server());
}

void tst_Remote::stateFollowsTheBoard_data() {
    QTest::addColumn<bool>("gameLayout");
    // Keys on the board: "47@home" types on a display and Enter, others are pressed.
    QTest::addColumn<QStringList>("keys");
    // Paths into the served state and what they must read.
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("standard score typed") << false << QStringList{"47@home", "3@visitor"}
                                          << QStringList{"home.score=47", "visitor.score=3",
                                                         "gameClock.running=false", "gameClock.shown=10:00"};
    QTest::newRow("standard clock running")
        << false << QStringList{"s"}
        << QStringList{"gameClock.running=true", "gameClock.remainingTenths=6000"};
    QTest::newRow("game fouls and timeouts")
        << true << QStringList{"F3", "F3", "F9"}
        << QStringList{"home.fouls=2", "visitor.timeoutsLeft=1", "periodShown=1"};
    QTest::newRow("game shot clock") << true << QStringList{"F6"}
                                     << QStringList{"shotClock.remainingTenths=140", "shotClock.shown=14"};
}

void tst_Remote::stateFollowsTheBoard() {
    QFETCH(bool, gameLayout);
    QFETCH(QStringList, keys);
    QFETCH(QStringList, expected);
    startBoard(gameLayout ? game::Layout::Game : game::Layout::Standard);
    link()->serveOnPort(0);
    const quint16 port = link()->port();
    QVERIFY(port != 0);

    for (const QString& key : std::as_const(keys)) {
        if (key.contains(u'@')) {
            const auto& display = key.endsWith(u"home") ? m_board->pledHomeScore : m_board->pledVisitorScore;
            QTest::keyClicks(display[0], key.section(u'@', 0, 0));
            QTest::keyClick(display[0], Qt::Key_Return);
        } else if (key == u"s") {
            QTest::keyClick(m_board.get(), Qt::Key_S);
        } else {
            QTest::keyClick(m_board.get(), Qt::Key(Qt::Key_F1 + key.mid(1).toInt() - 1));
        }
    }
    for (const QString& check : std::as_const(expected)) {
        const QStringList path = check.section(u'=', 0, 0).split(u'.');
        const QString want = check.section(u'=', 1);
        const auto read = [&] {
            QJsonValue value = served(port);
            for (const QString& part : path)
                value = value.toObject().value(part);
            return value.isString() ? value.toString() : value.toVariant().toString();
        };
        QTRY_COMPARE(read(), want);
    }
}

void tst_Remote::remoteCommandsNeedTheToken() {
    startBoard(game::Layout::Game);
    link()->serveOnPort(0);
    const quint16 port = link()->port();
    const QString token = link()->server()->pairing().token();

    QCOMPARE(post(port, R"({"command": "addHomeScore", "value": 2})", QStringLiteral("0123456789abcdef")),
             403);
    QCOMPARE(post(port, R"({"command": "startStop"})", QString()), 403);
    QCOMPARE(m_board->game().home, 0);
    QVERIFY(!m_board->game().clockRunning);

    QCOMPARE(post(port, R"({"command": "addHomeScore", "value": 2})", token), 200);
    QTRY_COMPARE(m_board->game().home, 2);
    // The same dispatch as a key: undo takes the remote's points back.
    QCOMPARE(post(port, R"({"command": "undo"})", token), 200);
    QTRY_COMPARE(m_board->game().home, 0);
    QCOMPARE(post(port, R"({"command": "startStop"})", token), 200);
    QTRY_VERIFY(m_board->game().clockRunning);
    QTRY_COMPARE(served(port).value(u"gameClock").toObject().value(u"running").toBool(), true);
}

QTEST_MAIN(tst_Remote)
#include "tst_remote.moc"
