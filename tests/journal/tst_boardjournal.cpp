#include "app/BoardJournal.h"
#include "clock/modCount.h"
#include "scoreboard/GameBoard.h"
#include "scoreboard/frmScoreboard.h"
#include "scoreboard/modShowDigits.h"
#include "settings/GameSettingsStore.h"
#include "settings/SettingsStore.h"
#include "state/modBasketball.h"
#include "tests/support/ManualTime.h"
#include "tests/support/ModalDriver.h"

#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// What the operator sees of the game, on one line.
QString boardText(const frmScoreboard& board) {
    const game::GameState& s = board.gameBoard()->game().state();
    return QStringLiteral("%1-%2 P%3 F%4-%5 T%6-%7 L%8%9%10 C%11 S%12 U%13 %14")
        .arg(modShowDigits::ShownValue(board.pledHomeScore))
        .arg(modShowDigits::ShownValue(board.pledVisitorScore))
        .arg(board.gameBoard()->active() ? s.period : modShowDigits::ShownValue(board.pledPeriod))
        .arg(s.fouls[0])
        .arg(s.fouls[1])
        .arg(s.timeoutsLeft[0])
        .arg(s.timeoutsLeft[1])
        .arg(board.LitPoss)
        .arg(int(board.LitBonusH != FlagFalse))
        .arg(int(board.LitBonusV != FlagFalse))
        .arg(modCount::ReadCount(0).ticks())
        .arg(modCount::ReadCount(1).ticks())
        .arg(board.gameBoard()->game().undoDepth())
        .arg(modBasketball::HomeText);
}

} // namespace

// The journal on the real board: a game played with keys, the program gone without a clean end, and
// the next start taking the game up again when the operator says Yes.
class tst_BoardJournal : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup() { closeLeftoverModals(); }
    void takenUpAfterACrash_data();
    void takenUpAfterACrash();
    void exportedWithoutADisplay_data();
    void exportedWithoutADisplay();

private:
    std::unique_ptr<frmScoreboard> startBoard();
    void tick(frmScoreboard& board, int ms);

    QTemporaryDir m_store;
    QTemporaryDir m_journals;
    ManualTime m_time;
};

void tst_BoardJournal::initTestCase() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_store.path());
}

std::unique_ptr<frmScoreboard> tst_BoardJournal::startBoard() {
    modSettings::LoadSettings();
    modBasketball::BuzzerFile.clear();
    modCount::ResetAllSlots();
    auto board = std::make_unique<frmScoreboard>();
    board->show();
    return board;
}

// The board's own timer runs the ticks, at the time the test steps.
void tst_BoardJournal::tick(frmScoreboard& board, int ms) {
    for (int done = 0; done <= ms; done += 100) {
        m_time.advanceMs(100);
        board.requestTick();
        QTRY_VERIFY(board.tmrClock->remainingTime() != 0);
    }
}

void tst_BoardJournal::takenUpAfterACrash_data() {
    QTest::addColumn<bool>("gameBoard");
    QTest::addColumn<QString>("answer");
    QTest::newRow("Game board, Yes") << true << u"yes"_qs;
    QTest::newRow("Standard board with its journal, Yes") << false << u"yes"_qs;
    QTest::newRow("Game board, No") << true << u"no"_qs;
}

void tst_BoardJournal::takenUpAfterACrash() {
    QFETCH(bool, gameBoard);
    QFETCH(QString, answer);
    game::GameSettings settings;
    settings.layout = gameBoard ? game::Layout::Game : game::Layout::Standard;
    settings.journal = !gameBoard;
    settings.hornFile.clear();
    QCOMPARE(modSettings::SaveGameSettings(settings), modSettings::SaveResult::Saved);
    QDir(m_journals.path()).removeRecursively();

    std::unique_ptr<frmScoreboard> board = startBoard();
    const QString fresh = boardText(*board);
    new BoardJournal(board.get(), m_journals.path());
    modBasketball::HomeText = u"Lions"_qs;
    QTest::keyClick(board.get(), Qt::Key_S);
    tick(*board, 3000);
    QTest::keyClick(board.get(), Qt::Key_S);
    if (gameBoard) {
        for (const Qt::Key key : {Qt::Key_F3, Qt::Key_F3, Qt::Key_F4, Qt::Key_F8, Qt::Key_F5})
            QTest::keyClick(board.get(), key);
    } else {
        QTest::keyClicks(board->pledHomeScore[0], u"12"_qs);
        QTest::keyClick(board->pledHomeScore[0], Qt::Key_Return);
        QTest::keyClick(board->pledPeriod[0], Qt::Key_3);
        QTest::mouseClick(board->imgPossV, Qt::LeftButton);
        QTest::mouseClick(board->imgBonusH, Qt::LeftButton);
    }
    tick(*board, 200);
    const QString played = boardText(*board);
    QVERIFY(played != fresh);
    // Gone without closing, as a crash leaves it.
    board.reset();
    modBasketball::HomeText = u"Home"_qs;

    board = startBoard();
    QString asked;
    whenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        asked = box->text() + u' ' + box->informativeText();
        QCOMPARE(box->defaultButton(), box->button(QMessageBox::Yes));
        if (answer == u"yes")
            QTest::keyClick(box, Qt::Key_Return);
        else
            box->button(QMessageBox::No)->click();
    });
    new BoardJournal(board.get(), m_journals.path());
    QVERIFY2(asked.startsWith(u"Take the game up again? The program ended during a game: Lions "_qs),
             qPrintable(asked));
    tick(*board, 0);
    QCOMPARE(boardText(*board), answer == u"yes" ? played : fresh);
}

void tst_BoardJournal::exportedWithoutADisplay_data() {
    QTest::addColumn<bool>("played");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("written"); // the start of the file, or of what is printed
    QTest::newRow("CSV") << true << u"game.csv"_qs << 0 << u"wall time,period,game clock,event"_qs;
    QTest::newRow("JSON") << true << u"game.json"_qs << 0 << u"{\n    \"events\": ["_qs;
    QTest::newRow("no journal") << false << u"game.csv"_qs << 1 << u"There is no game to export"_qs;
}

void tst_BoardJournal::exportedWithoutADisplay() {
    QFETCH(bool, played);
    QFETCH(QString, file);
    QFETCH(int, exitCode);
    QFETCH(QString, written);
    QTemporaryDir state;
    if (played) {
        journal::Journal j(
            state.filePath(u"courtvane"_qs), [] { return qint64(0); },
            [] { return QDateTime::currentDateTimeUtc(); });
        j.startGame({});
        j.action(game::Action(game::Command::AddHomeScore, 2), {});
    }
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_STATE_HOME"_qs, state.path());
    environment.insert(u"QT_QPA_PLATFORM"_qs, u"xcb"_qs);
    environment.remove(u"DISPLAY"_qs);
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(COURTVANE_PROGRAM), {u"--export"_qs, state.filePath(file)});
    QVERIFY(program.waitForFinished(30'000));
    QCOMPARE(program.exitCode(), exitCode);
    QFile out(state.filePath(file));
    const QString text = out.open(QIODevice::ReadOnly) ? QString::fromUtf8(out.readAll())
                                                       : QString::fromUtf8(program.readAllStandardError());
    QVERIFY2(text.startsWith(written), qPrintable(text));
    QCOMPARE(text.contains(u"AddHomeScore"_qs), played);
}

QTEST_MAIN(tst_BoardJournal)
#include "tst_boardjournal.moc"
