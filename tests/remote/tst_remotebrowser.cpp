#include "clock/modCount.h"
#include "remote/BoardLink.h"
#include "scoreboard/frmScoreboard.h"
#include "server/Pairing.h"
#include "server/StateServer.h"
#include "settings/GameSettingsStore.h"
#include "settings/SettingsStore.h"
#include "state/modBasketball.h"
#include "tests/support/Devtools.h"

#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// A clock's text in tenths: "59.9" 599; -1 for anything else.
int tenthsOf(const QString& text) {
    const qsizetype point = text.indexOf(u'.');
    if (point < 0 || text.contains(u':'))
        return -1;
    return text.left(point).toInt() * 10 + text.mid(point + 1).toInt();
}

// What the board's clock display shows now, in tenths, while it shows them.
int boardTenths(const frmScoreboard& board) {
    if (board.shpTime[0]->fillColor() == modBasketball::BorderColor)
        return -1;
    const auto digit = [&board](int i) { return std::max<int>(0, board.pledTime[i]->caption()); };
    return (digit(0) * 10 + digit(1)) * 10 + digit(2);
}

} // namespace

// The real board, served, against the pages in headless Chromium; the board runs on real time,
// as the browser does.
class tst_RemoteBrowser : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void pagesShowAScoreTypedOnTheBoard_data();
    void pagesShowAScoreTypedOnTheBoard();
    void remoteWritesOnlyWithTheToken_data();
    void remoteWritesOnlyWithTheToken();
    void overlayClockAgreesForAMinute();

private:
    QString address(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_link->port()).arg(path);
    }
    QString text(const QString& id) {
        return m_browser->evaluate(QStringLiteral("document.getElementById('%1').textContent").arg(id))
            .toString();
    }

    QTemporaryDir m_store;
    std::unique_ptr<frmScoreboard> m_board;
    remote::BoardLink* m_link = nullptr;
    std::unique_ptr<Devtools> m_browser;
};

void tst_RemoteBrowser::initTestCase() {
    if (!QFile::exists(QString::fromLatin1(Devtools::Browser)))
        QSKIP("no /usr/bin/chromium: install the test packages (scripts/setup.sh test)");
    QVERIFY(m_store.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_store.path());
    game::GameSettings settings;
    settings.layout = game::Layout::Game;
    settings.hornFile.clear();
    QCOMPARE(modSettings::SaveGameSettings(settings), modSettings::SaveResult::Saved);
    modSettings::LoadSettings();
    modBasketball::BuzzerFile.clear();
    modCount::ResetAllSlots();
    m_board = std::make_unique<frmScoreboard>();
    m_link = new remote::BoardLink(m_board.get());
    m_link->serveOnPort(0);
    QVERIFY(m_link->server());
    m_board->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_board.get()));
    m_browser = std::make_unique<Devtools>();
    QVERIFY(m_browser->isReady());
}

void tst_RemoteBrowser::cleanupTestCase() {
    m_browser.reset();
    m_board.reset();
}

void tst_RemoteBrowser::pagesShowAScoreTypedOnTheBoard_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("score");
    QTest::newRow("overlay") << "/overlay"
                             << "47";
    QTest::newRow("board") << "/board"
                           << "52";
}

void tst_RemoteBrowser::pagesShowAScoreTypedOnTheBoard() {
    QFETCH(QString, page);
    QFETCH(QString, score);
    QVERIFY(m_browser->navigate(address(page)));
    QTest::keyClicks(m_board->pledHomeScore[0], score);
    QTest::keyClick(m_board->pledHomeScore[0], Qt::Key_Return);
    QTRY_COMPARE(text(QStringLiteral("home-score")), score);
}

void tst_RemoteBrowser::remoteWritesOnlyWithTheToken_data() {
    QTest::addColumn<bool>("paired");
    QTest::newRow("without the token") << false;
    QTest::newRow("with the token") << true;
}

void tst_RemoteBrowser::remoteWritesOnlyWithTheToken() {
    QFETCH(bool, paired);
    const QString token = m_link->server()->pairing().token();
    QVERIFY(m_browser->navigate(address(QStringLiteral("/remote")) +
                                (paired ? QStringLiteral("?token=") + token : QString())));
    const int before = m_board->game().visitor;
    QTRY_COMPARE(text(QStringLiteral("visitor-score")), QString::number(before));
    // A tap, as a phone's browser delivers it to the button; a disabled button takes none.
    m_browser->evaluate(QStringLiteral("document.getElementById('btn-addVisitorScore-3').click()"));
    if (paired) {
        QTRY_COMPARE(m_board->game().visitor, before + 3);
        QTRY_COMPARE(text(QStringLiteral("visitor-score")), QString::number(before + 3));
    } else {
        QTRY_VERIFY(
            text(QStringLiteral("status")).contains(QStringLiteral("not paired"), Qt::CaseInsensitive));
        // Whatever the page did is done once the server has answered the state again.
        QTRY_COMPARE(text(QStringLiteral("visitor-score")), QString::number(before));
        QCOMPARE(m_board->game().visitor, before);
    }
}

// Sampled for a minute of a running clock in the tenths form: the overlay never shows a tenth the
// board is not within one tenth of, read before and after the page.
void tst_RemoteBrowser::overlayClockAgreesForAMinute() {
    QVERIFY(m_browser->navigate(address(QStringLiteral("/overlay"))));
    QTest::keyClicks(m_board->pledTime[0], QStringLiteral("0.59"));
    QTest::keyClick(m_board->pledTime[0], Qt::Key_Return);
    QTRY_COMPARE(text(QStringLiteral("game-clock")), QStringLiteral("59.0"));
    QTest::keyClick(m_board.get(), char(modBasketball::StartStopClockKey));

    QElapsedTimer minute;
    minute.start();
    int samples = 0;
    int moving = 0;
    int last = -1;
    while (minute.elapsed() < 60'000) {
        const int boardBefore = boardTenths(*m_board);
        const int page = tenthsOf(text(QStringLiteral("game-clock")));
        const int boardAfter = boardTenths(*m_board);
        QVERIFY2(page >= boardAfter - 1 && page <= boardBefore + 1,
                 qPrintable(
                     QStringLiteral("page %1, board %2 then %3").arg(page).arg(boardBefore).arg(boardAfter)));
        ++samples;
        moving += page != last ? 1 : 0;
        last = page;
        QTest::qWait(37);
    }
    // The page counted down by itself, more often than the board's once-a-second messages, to the end.
    QCOMPARE(last, 0);
    QVERIFY2(moving > 60, qPrintable(QStringLiteral("%1 changes in %2 samples").arg(moving).arg(samples)));
}

QTEST_MAIN(tst_RemoteBrowser)
#include "tst_remotebrowser.moc"
