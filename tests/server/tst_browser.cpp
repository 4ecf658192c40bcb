#include "clock/ClockText.h"
#include "game/ShotClock.h"
#include "server/StateServer.h"
#include "tests/support/Devtools.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QTest>

using namespace server;

namespace {

BoardState gameState() {
    BoardState s;
    s.layout = Layout::Game;
    s.title = QStringLiteral("City Cup");
    s.colors = {u"#404040"_qs, u"#000000"_qs, u"#ff0000"_qs, u"#ff8000"_qs,
                u"#00c000"_qs, u"#ffffff"_qs, u"#ffffff"_qs, u"#ffffff"_qs};
    s.names = {QStringLiteral("Lions"), QStringLiteral("Eagles")};
    s.scores = {47, 45};
    s.fouls = {3, 4};
    s.timeoutsLeft = {2, 3};
    s.period = 4;
    s.periodShown = QStringLiteral("4");
    s.gameClock = {false, Currency::fromSeconds(596), QStringLiteral("9:56")};
    s.shotClock = {false, Currency::fromSeconds(14), QStringLiteral("14")};
    return s;
}

// An element's text as the page shows it, or "hidden" when it is not on show.
QString shownText(const QString& id) {
    return QStringLiteral("(() => { const e = document.getElementById('%1');"
                          " return e.offsetParent === null ? 'hidden' : e.textContent; })()")
        .arg(id);
}

// The game clock's text as its display reads, dark digits left out.
QString boardClockText(Currency value) {
    const ClockFace face = modCount::clockFace(value);
    QString text;
    for (int i = 0; i < 4; ++i) {
        if (face.digits.at(std::size_t(i)) >= 0)
            text += QString::number(face.digits.at(std::size_t(i)));
        if (i == 1)
            text += face.colon ? u':' : u'.';
    }
    return text;
}

} // namespace

// The pages in a real browser against a server this test feeds; one Chromium for them all.
class TestBrowser : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void pagesWriteClocksAsTheBoard_data();
    void pagesWriteClocksAsTheBoard();
    void overlayShowsAChangedScore();
    void overlayDrawsARunningClockItself();
    void boardShowsItsLayout_data();
    void boardShowsItsLayout();
    void remoteWritesOnlyWithTheToken_data();
    void remoteWritesOnlyWithTheToken();

private:
    QString address(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
    }
    QString text(const QString& id) { return m_browser->evaluate(shownText(id)).toString(); }

    std::unique_ptr<StateServer> m_server;
    std::unique_ptr<Devtools> m_browser;
    quint16 m_port = 0;
    QStringList m_requested;
};

void TestBrowser::initTestCase() {
    if (!QFile::exists(QString::fromLatin1(Devtools::Browser)))
        QSKIP("no /usr/bin/chromium: install the test packages (scripts/setup.sh test)");
    m_server = std::make_unique<StateServer>();
    m_port = m_server->listen(QHostAddress(QHostAddress::LocalHost), 0);
    QVERIFY(m_port != 0);
    connect(m_server.get(), &StateServer::requested, this, [this](const Request& request) {
        const auto* action = std::get_if<game::Action>(&request);
        m_requested << (action ? QStringLiteral("%1 %2").arg(int(action->command)).arg(action->value)
                               : QStringLiteral("start/stop"));
    });
    m_browser = std::make_unique<Devtools>();
    QVERIFY(m_browser->isReady());
}

void TestBrowser::cleanupTestCase() {
    m_browser.reset();
    m_server.reset();
}

void TestBrowser::init() {
    m_server->setState(gameState());
    m_requested.clear();
}

void TestBrowser::pagesWriteClocksAsTheBoard_data() {
    QTest::addColumn<QString>("function");
    QTest::addColumn<int>("fromMs");
    QTest::addColumn<int>("toMs");
    QTest::addColumn<int>("stepMs");
    QTest::newRow("game clock, tenths") << "clockText" << 0 << 61'000 << 10;
    QTest::newRow("game clock, minutes") << "clockText" << 59'000 << 6'010'000 << 300;
    QTest::newRow("shot clock") << "shotClockText" << 0 << 35'000 << 10;
}

// The pages' script counts running clocks down itself; every text it writes is the board's.
void TestBrowser::pagesWriteClocksAsTheBoard() {
    QFETCH(QString, function);
    QFETCH(int, fromMs);
    QFETCH(int, toMs);
    QFETCH(int, stepMs);
    QVERIFY(m_browser->navigate(address(u"/overlay"_qs)));
    const QJsonArray texts =
        m_browser
            ->evaluate(QStringLiteral(
                           "(() => { const t = []; for (let ms = %1; ms <= %2; ms += %3) t.push(Live.%4(ms));"
                           " return t; })()")
                           .arg(fromMs)
                           .arg(toMs)
                           .arg(stepMs)
                           .arg(function))
            .toArray();
    QCOMPARE(texts.size(), (toMs - fromMs) / stepMs + 1);
    for (int i = 0; i < texts.size(); ++i) {
        const Currency value =
            Currency::fromTicks(qint64(fromMs + i * stepMs) * (Currency::TicksPerSecond / 1000));
        const QString board = function == u"clockText" ? boardClockText(value) : game::shotClockText(value);
        QVERIFY2(texts.at(i).toString() == board, qPrintable(QStringLiteral("%1 ms: page %2, board %3")
                                                                 .arg(fromMs + i * stepMs)
                                                                 .arg(texts.at(i).toString(), board)));
    }
}

void TestBrowser::overlayShowsAChangedScore() {
    QVERIFY(m_browser->navigate(address(u"/overlay"_qs)));
    QTRY_COMPARE(text(u"home-score"_qs), u"47"_qs);
    QCOMPARE(text(u"visitor-name"_qs), u"Eagles"_qs);
    BoardState basket = gameState();
    basket.scores[0] = 49;
    m_server->setState(basket);
    QTRY_COMPARE(text(u"home-score"_qs), u"49"_qs);
}

// Only the start goes out; the page counts down from its own clock, in the board's text.
void TestBrowser::overlayDrawsARunningClockItself() {
    QVERIFY(m_browser->navigate(address(u"/overlay"_qs)));
    QTRY_COMPARE(text(u"game-clock"_qs), u"9:56"_qs);
    BoardState running = gameState();
    running.gameClock = {true, Currency::fromTenths(612), QStringLiteral("1:02")};
    m_server->setState(running);
    QTRY_COMPARE(text(u"game-clock"_qs), u"1:01"_qs);
    // Below a minute the tenths show; the poll may miss any one of them.
    QTRY_VERIFY(QRegularExpression(u"^5[0-9]\\.[0-9]$"_qs).match(text(u"game-clock"_qs)).hasMatch());
}

void TestBrowser::boardShowsItsLayout_data() {
    QTest::addColumn<bool>("game");
    QTest::addColumn<QString>("shotClock");
    QTest::addColumn<QString>("fouls");
    QTest::newRow("game") << true << "14"
                          << "3";
    QTest::newRow("standard") << false << "hidden"
                              << "hidden";
}

void TestBrowser::boardShowsItsLayout() {
    QFETCH(bool, game);
    QFETCH(QString, shotClock);
    QFETCH(QString, fouls);
    BoardState state = gameState();
    state.layout = game ? Layout::Game : Layout::Standard;
    m_server->setState(state);
    QVERIFY(m_browser->navigate(address(u"/board"_qs)));
    QTRY_COMPARE(text(u"game-clock"_qs), u"9:56"_qs);
    QCOMPARE(text(u"shot-clock"_qs), shotClock);
    QCOMPARE(text(u"home-fouls"_qs), fouls);
    QCOMPARE(text(u"visitor-score"_qs), u"45"_qs);
}

void TestBrowser::remoteWritesOnlyWithTheToken_data() {
    QTest::addColumn<bool>("withToken");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("requested");
    QTest::newRow("with the token") << true << "Paired"
                                    << QStringList{
                                           QStringLiteral("%1 2").arg(int(game::Command::AddHomeScore))};
    QTest::newRow("without") << false << "Not paired: scan the console's QR code or type its pairing code"
                             << QStringList();
}

void TestBrowser::remoteWritesOnlyWithTheToken() {
    QFETCH(bool, withToken);
    QFETCH(QString, status);
    QFETCH(QStringList, requested);
    m_server->pairing().start();
    // A token kept from an earlier page would pair this one.
    QVERIFY(m_browser->navigate(address(u"/overlay"_qs)));
    m_browser->evaluate(u"sessionStorage.clear()"_qs);
    const QUrl url = withToken ? QUrl(m_server->remoteUrl(u"127.0.0.1"_qs)) : QUrl(address(u"/remote"_qs));
    QVERIFY(m_browser->navigate(url.toString()));
    QTRY_COMPARE(text(u"status"_qs), status);
    QTRY_COMPARE(text(u"home-score"_qs), u"47"_qs);

    m_browser->evaluate(u"document.getElementById('btn-addHomeScore-2').click()"_qs);
    if (withToken)
        QTRY_COMPARE(m_requested, requested);
    QCOMPARE(m_requested, requested);
    QCOMPARE(m_browser->evaluate(u"document.getElementById('btn-addHomeScore-2').disabled"_qs).toBool(),
             !withToken);
}

QTEST_MAIN(TestBrowser)
#include "tst_browser.moc"
