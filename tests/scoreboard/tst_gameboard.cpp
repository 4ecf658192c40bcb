#include "clock/modCount.h"
#include "game/GameSettings.h"
#include "game/ShotClock.h"
#include "scoreboard/GameBoard.h"
#include "scoreboard/GameLayout.h"
#include "scoreboard/frmScoreboard.h"
#include "settings/GameSettingsStore.h"
#include "settings/SettingsStore.h"
#include "sound/SoundDevice.h"
#include "state/modBasketball.h"
#include "tests/support/BoardText.h"
#include "tests/support/ManualTime.h"

#include <QAccessible>
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using game::Home;
using game::Visitor;

namespace {

// What the shot clock's display shows: "24", "4.9", or "" while dark.
QString shotFace(const GameBoard& game) {
    QAccessibleInterface* shot = QAccessible::queryAccessibleInterface(game.picShotClock());
    return shot ? shot->text(QAccessible::Value) : QStringLiteral("?");
}

QString periodFace(const frmScoreboard& board) {
    const PolyLED* mark = board.gameBoard()->pledPeriodMark();
    const auto face = [](const PolyLED* digit) {
        return !digit->letter().isNull() ? QString(digit->letter())
               : digit->caption() >= 0   ? QString::number(digit->caption())
                                         : QString();
    };
    return face(mark) + face(board.pledPeriod[0]);
}

int litLamps(const GameBoard& game, game::Team team) {
    int lit = 0;
    for (const Shape* lamp : game.shpTimeouts(team))
        lit += lamp->fillColor() == modBasketball::ScoreColor ? 1 : 0;
    return lit;
}

} // namespace

// The Game board on the real board window: its keys, its clocks and horn, undo, and the way back
// to the Standard board.
class tst_GameBoard : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void gameKeys_data();
    void gameKeys();
    void shotClockRunsWithTheGameClock();
    void shotClockResetsAndRunsAlone_data();
    void shotClockResetsAndRunsAlone();
    void blankedWhileTheGameClockShowsLess();
    void undoGivesBackALoadedClock_data();
    void undoGivesBackALoadedClock();
    void timeoutCountsDownWhereTheShotClockIs();
    void displaysReadByName();
    void standardBoardComesBackWhole();

private:
    void startBoard(const game::GameSettings& settings);
    void tick(int ms);
    void press(const QString& keys);
    Currency gameClock() const { return modCount::ReadCount(0); }
    Currency shotClock() const { return modCount::ReadCount(GameBoard::ShotSlot); }

    QTemporaryDir m_store;
    std::unique_ptr<ManualTime> m_time;
    std::unique_ptr<frmScoreboard> m_board;
    GameBoard* m_game = nullptr;
};

void tst_GameBoard::initTestCase() {
    QVERIFY(m_store.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_store.path());
}

void tst_GameBoard::startBoard(const game::GameSettings& settings) {
    QCOMPARE(modSettings::SaveGameSettings(settings), modSettings::SaveResult::Saved);
    modSettings::LoadSettings();
    modBasketball::BuzzerFile.clear();
    modCount::ResetAllSlots();
    m_time = std::make_unique<ManualTime>();
    m_board = std::make_unique<frmScoreboard>();
    m_game = m_board->gameBoard();
    // The test drives the ticks itself, with the time it steps; plays are counted, not heard.
    m_board->tmrClock->stop();
    m_board->mmcBuzzer->setFileName(QStringLiteral("counted.wav"));
    m_board->show();
    QVERIFY(QTest::qWaitForWindowActive(m_board.get()));
    m_board->tmrClock_Timer();
    m_board->tmrClock->stop();
}

void tst_GameBoard::init() {
    game::GameSettings settings;
    settings.layout = game::Layout::Game;
    settings.hornFile = QStringLiteral("counted.wav");
    startBoard(settings);
}

void tst_GameBoard::cleanup() {
    m_board.reset();
    m_time.reset();
}

void tst_GameBoard::tick(int ms) {
    // In steps no longer than a tenth, as the timer would wake.
    for (int done = 0; done < ms;) {
        const int step = std::min(ms - done, 100);
        m_time->advanceMs(step);
        done += step;
        m_board->tmrClock_Timer();
    }
    m_board->tmrClock->stop();
}

void tst_GameBoard::press(const QString& keys) {
    static const QHash<QString, std::pair<Qt::Key, Qt::KeyboardModifiers>> names{
        {"F3", {Qt::Key_F3, {}}},
        {"F4", {Qt::Key_F4, {}}},
        {"F5", {Qt::Key_F5, {}}},
        {"F6", {Qt::Key_F6, {}}},
        {"F7", {Qt::Key_F7, {}}},
        {"F8", {Qt::Key_F8, {}}},
        {"F9", {Qt::Key_F9, {}}},
        {"F10", {Qt::Key_F10, {}}},
        {"F12", {Qt::Key_F12, {}}},
        {"^Z", {Qt::Key_Z, Qt::ControlModifier}},
        {"^+Z", {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier}},
        {"s", {Qt::Key_S, {}}},
        {"r", {Qt::Key_R, {}}},
    };
    for (const QString& key : keys.split(u' ', Qt::SkipEmptyParts)) {
        // "5@clock" types 5 and Enter on the clock display, "@clock" Enter alone.
        if (key.endsWith(u"@clock")) {
            QTest::keyClicks(m_board->pledTime[0], key.chopped(6));
            QTest::keyClick(m_board->pledTime[0], Qt::Key_Return);
            continue;
        }
        QVERIFY2(names.contains(key), qPrintable(key));
        const auto [code, modifiers] = names.value(key);
        QTest::keyClick(m_board.get(), code, modifiers);
        m_board->tmrClock_Timer();
        m_board->tmrClock->stop();
    }
}

void tst_GameBoard::gameKeys_data() {
    QTest::addColumn<QString>("keys");
    // Home and visitor fouls, timeouts left, bonus lamps, arrow (0 none, 1 home, 2 visitor), period.
    QTest::addColumn<QList<int>>("fouls");
    QTest::addColumn<QList<int>>("timeouts");
    QTest::addColumn<QList<bool>>("bonus");
    QTest::addColumn<int>("poss");
    QTest::addColumn<QString>("period");
    QTest::addColumn<bool>("refused");

    const QList<int> none{0, 0};
    const QList<int> firstHalf{2, 2};
    const QList<bool> dark{false, false};
    QTest::newRow("as it opens") << "" << none << firstHalf << dark << 0 << "1" << false;
    QTest::newRow("fourth foul lights the other bonus")
        << "F3 F3 F3 F4 F3" << QList<int>{4, 1} << firstHalf << QList<bool>{false, true} << 0 << "1" << false;
    QTest::newRow("undo takes foul and lamp back")
        << "F3 F3 F3 F3 ^Z" << QList<int>{3, 0} << firstHalf << dark << 0 << "1" << false;
    QTest::newRow("redo gives them again") << "F3 F3 F3 F3 ^Z ^+Z" << QList<int>{4, 0} << firstHalf
                                           << QList<bool>{false, true} << 0 << "1" << false;
    QTest::newRow("a new action clears redo")
        << "F3 ^Z F4 ^+Z" << QList<int>{0, 1} << firstHalf << dark << 0 << "1" << true;
    QTest::newRow("undo past the first does nothing")
        << "F4 ^Z ^Z" << none << firstHalf << dark << 0 << "1" << true;
    QTest::newRow("third timeout of the half refused")
        << "F8 F8 F8" << none << QList<int>{0, 2} << dark << 0 << "1" << true;
    QTest::newRow("arrow turns") << "F12 F12 F12" << none << firstHalf << dark << 1 << "1" << false;
    QTest::newRow("interval shows the next period")
        << "F10" << none << firstHalf << dark << 0 << "2" << false;
    QTest::newRow("new period clears fouls and lamps")
        << "F3 F3 F3 F3 F10 F10" << none << firstHalf << dark << 0 << "2" << false;
    QTest::newRow("second half grants three")
        << "F8 F10 F10 F10 F10" << none << QList<int>{3, 3} << dark << 0 << "3" << false;
    QTest::newRow("overtime keeps the fourth's fouls")
        << "F10 F10 F10 F10 F10 F10 F3 F3 F3 F3 F10 F10" << QList<int>{4, 0} << QList<int>{1, 1}
        << QList<bool>{false, true} << 0 << "o1" << false;
    QTest::newRow("undo steps back out of overtime")
        << "F10 F10 F10 F10 F10 F10 F10 F10 ^Z ^Z" << none << QList<int>{3, 3} << dark << 0 << "4" << false;
}

void tst_GameBoard::gameKeys() {
    QFETCH(QString, keys);
    QFETCH(QList<int>, fouls);
    QFETCH(QList<int>, timeouts);
    QFETCH(QList<bool>, bonus);
    QFETCH(int, poss);
    QFETCH(QString, period);
    QFETCH(bool, refused);

    press(keys);
    for (const game::Team team : {Home, Visitor}) {
        QCOMPARE(m_game->pledFouls(team)->caption(), fouls[team]);
        QCOMPARE(litLamps(*m_game, team), timeouts[team]);
    }
    QCOMPARE(m_board->LitBonusH == FlagTrue, bonus[Home]);
    QCOMPARE(m_board->LitBonusV == FlagTrue, bonus[Visitor]);
    QCOMPARE(m_board->LitPoss, poss);
    QCOMPARE(periodFace(*m_board), period);
    QCOMPARE(!m_game->refusal().isEmpty(), refused);
    QCOMPARE(m_board->windowTitle() != QStringLiteral("Courtvane Standard"), refused);
}

void tst_GameBoard::shotClockRunsWithTheGameClock() {
    QCOMPARE(shotFace(*m_game), QStringLiteral("24"));
    press(QStringLiteral("s"));
    QVERIFY(modCount::IsCounting(GameBoard::ShotSlot));
    const int hornBefore = m_game->mmcHorn()->playCount();
    // Read together at every tick, the two never stand a tenth apart.
    for (int i = 0; i < 240 * 3; ++i) {
        m_time->advanceMs(37);
        m_board->tmrClock_Timer();
        const Currency gone = Currency::fromSeconds(600) - gameClock();
        if (modCount::IsCounting(GameBoard::ShotSlot))
            QCOMPARE(Currency::fromSeconds(24) - shotClock(), gone);
    }
    m_board->tmrClock->stop();
    // At 0 the shot clock stands and sounds its horn once; the game clock runs on.
    QCOMPARE(shotClock(), Currency());
    QVERIFY(!modCount::IsCounting(GameBoard::ShotSlot));
    QCOMPARE(shotFace(*m_game), QStringLiteral("0.0"));
    QCOMPARE(m_game->mmcHorn()->playCount(), hornBefore + 1);
    QVERIFY(modCount::IsCounting(0));
    tick(3000);
    QCOMPARE(m_game->mmcHorn()->playCount(), hornBefore + 1);
    // The start/stop key stops them both, and starts them both again.
    press(QStringLiteral("F5 s"));
    QVERIFY(!modCount::IsCounting(0) && !modCount::IsCounting(GameBoard::ShotSlot));
    press(QStringLiteral("s"));
    QVERIFY(modCount::IsCounting(0) && modCount::IsCounting(GameBoard::ShotSlot));
}

void tst_GameBoard::shotClockResetsAndRunsAlone_data() {
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("afterMs");
    QTest::addColumn<bool>("gameRuns");
    QTest::addColumn<bool>("shotRuns");
    QTest::addColumn<QString>("face");

    QTest::newRow("full reset runs on with the game clock") << "s" << 3050 << true << true << "21";
    QTest::newRow("short reset") << "s F6" << 0 << true << true << "14";
    QTest::newRow("short reset runs on") << "s F6" << 9200 << true << true << "4.8";
    QTest::newRow("reset of a stopped clock stands") << "F6" << 2000 << false << false << "14";
    QTest::newRow("F7 stops it alone") << "s F7" << 2000 << true << false << "24";
    QTest::newRow("F7 runs it alone") << "F7" << 1500 << false << true << "23";
    QTest::newRow("an empty clock entry leaves it running") << "F7 @clock" << 1500 << false << true << "23";
    QTest::newRow("a clock entry stops it") << "s 5@clock" << 0 << false << false << "24";
    QTest::newRow("game start takes it up") << "F7 s" << 1000 << true << true << "23";
}

void tst_GameBoard::shotClockResetsAndRunsAlone() {
    QFETCH(QString, keys);
    QFETCH(int, afterMs);
    QFETCH(bool, gameRuns);
    QFETCH(bool, shotRuns);
    QFETCH(QString, face);

    tick(3000);
    press(keys);
    tick(afterMs);
    QCOMPARE(bool(modCount::IsCounting(0)), gameRuns);
    QCOMPARE(bool(modCount::IsCounting(GameBoard::ShotSlot)), shotRuns);
    QCOMPARE(shotFace(*m_game), face);
}

void tst_GameBoard::blankedWhileTheGameClockShowsLess() {
    game::GameSettings settings;
    settings.layout = game::Layout::Game;
    settings.preset = game::RulesPreset::Custom;
    settings.rules = game::nfhsRules();
    QVERIFY(game::setFigure(settings.rules, game::Figure::ShotClock, QStringLiteral("true")));
    m_board.reset();
    startBoard(settings);
    QCOMPARE(shotFace(*m_game), QStringLiteral("35"));
    // The game clock at 0:20 shows less than the shot clock: dark, and lit again by a lower reset.
    QTest::keyClicks(m_board->pledTime[0], QStringLiteral("0.20\r"));
    m_board->tmrClock_Timer();
    QCOMPARE(shotFace(*m_game), QString());
    QVERIFY(m_game->settings().rules.shotClockBlanking);
}

void tst_GameBoard::undoGivesBackALoadedClock_data() {
    QTest::addColumn<QString>("load");
    // The clock the load is on, and what it had before and after: 30 s in, the shot clock has run out.
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::newRow("reset key") << "r" << 0 << 570 << 600;
    QTest::newRow("clock entry") << "1.30" << 0 << 570 << 90;
    QTest::newRow("shot clock reset") << "F6" << int(GameBoard::ShotSlot) << 0 << 14;
}

void tst_GameBoard::undoGivesBackALoadedClock() {
    QFETCH(QString, load);
    QFETCH(int, slot);
    QFETCH(int, before);
    QFETCH(int, after);

    press(QStringLiteral("s"));
    tick(30'000);
    if (load.startsWith(u'F') || load == u"r")
        press(load);
    else
        QTest::keyClicks(m_board->pledTime[0], load + u'\r');
    QCOMPARE(modCount::ReadCount(qint16(slot)), Currency::fromSeconds(after));
    // Run on a while: undo gives back the value before the load, stopped, whatever ran since.
    press(QStringLiteral("s"));
    tick(1000);
    press(QStringLiteral("^Z"));
    QCOMPARE(modCount::ReadCount(qint16(slot)), Currency::fromSeconds(before));
    QVERIFY(!modCount::IsCounting(qint16(slot)));
    press(QStringLiteral("^+Z"));
    QCOMPARE(modCount::ReadCount(qint16(slot)), Currency::fromSeconds(after));
}

void tst_GameBoard::timeoutCountsDownWhereTheShotClockIs() {
    press(QStringLiteral("s"));
    tick(5000);
    const int buzzes = m_board->mmcBuzzer->playCount();
    press(QStringLiteral("F9"));
    QVERIFY(!modCount::IsCounting(0) && !modCount::IsCounting(GameBoard::ShotSlot));
    QVERIFY(m_game->timeoutRunning());
    QCOMPARE(m_game->lblShotClock()->caption(), QStringLiteral("TIMEOUT"));
    QCOMPARE(shotFace(*m_game), QStringLiteral("timeout, 60"));
    tick(50'000);
    QCOMPARE(shotFace(*m_game), QStringLiteral("timeout, 10"));
    QCOMPARE(m_board->mmcBuzzer->playCount(), buzzes + 1);
    tick(10'000);
    QVERIFY(!m_game->timeoutRunning());
    QCOMPARE(m_board->mmcBuzzer->playCount(), buzzes + 2);
    QCOMPARE(m_game->lblShotClock()->caption(), QStringLiteral("SHOT CLOCK"));
    QCOMPARE(shotFace(*m_game), QStringLiteral("19"));
    QCOMPARE(litLamps(*m_game, Visitor), 1);
    // Undo of the timeout gives it back; the clocks keep the time they ran.
    press(QStringLiteral("^Z"));
    QCOMPARE(litLamps(*m_game, Visitor), 2);
    QCOMPARE(gameClock(), Currency::fromSeconds(595));
}

void tst_GameBoard::displaysReadByName() {
    press(QStringLiteral("F10 F10 F10 F10 F10 F10 F10 F10 F3 F3 F9 s"));
    const QHash<QString, QString> expected{
        {QStringLiteral("Shot clock"), QStringLiteral("24")},
        {QStringLiteral("Home fouls"), QStringLiteral("2")},
        {QStringLiteral("Visitor fouls"), QStringLiteral("0")},
        {QStringLiteral("Home timeouts"), QStringLiteral("1")},
        {QStringLiteral("Visitor timeouts"), QStringLiteral("0")},
        {QStringLiteral("Period"), QStringLiteral("overtime 1")},
    };
    QAccessibleInterface* board = QAccessible::queryAccessibleInterface(m_board.get());
    QHash<QString, QString> read;
    for (int i = 0; i < board->childCount(); ++i) {
        // One element each, named for the display with its reading: "Shot clock, 24".
        QAccessibleInterface* element = board->child(i);
        const QString display = element->text(QAccessible::Name).section(QStringLiteral(", "), 0, 0);
        if (expected.contains(display)) {
            QCOMPARE(element->text(QAccessible::Name), display + ", " + element->text(QAccessible::Value));
            read.insert(display, element->text(QAccessible::Value));
        }
    }
    QCOMPARE(read, expected);
}

void tst_GameBoard::standardBoardComesBackWhole() {
    m_board.reset();
    startBoard(game::GameSettings{});
    const auto standard = GameLayout::placesOf(*m_board);
    QVERIFY(!m_game->active());

    game::GameSettings settings;
    settings.layout = game::Layout::Game;
    m_game->applySettings(settings);
    QVERIFY(m_board->findChild<PictureBox*>(QStringLiteral("picShotClock")));
    QVERIFY(GameLayout::placesOf(*m_board) != standard);
    // A bigger window and back to the Standard board: every control at its old place, scaled.
    m_game->applySettings(game::GameSettings{});
    QVERIFY(!m_board->findChild<PictureBox*>(QStringLiteral("picShotClock")));
    QCOMPARE(GameLayout::placesOf(*m_board), standard);
    press(QStringLiteral("F3 F12"));
    QCOMPARE(m_board->LitPoss, 0);
}

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    tst_GameBoard test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gameboard.moc"
