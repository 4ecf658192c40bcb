#include "clock/ClockEntry.h"
#include "clock/modCount.h"
#include "scoreboard/frmScoreboard.h"
#include "settings/SettingsStore.h"
#include "state/modBasketball.h"
#include "tests/support/BoardText.h"
#include "tests/support/ManualTime.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

QString clockText(const frmScoreboard& board) {
    return clockText(board.pledTime, board.shpTime);
}

} // namespace

// The keyboard commands, the clock tick and the clock entry, typed on the real board.
class tst_Keys : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void commandKeys_data();
    void commandKeys();
    void commandKeyAlsoADigit();
    void capitalsAreOtherKeys();
    void firstOfTwoCommandsOnOneKeyWins();
    void reset_data();
    void reset();
    void everyKeyReachesTheDispatcherOnce_data();
    void everyKeyReachesTheDispatcherOnce();
    void helpKeyAsksForHelp();

    void tickCountsDownAcrossTheMinute();
    void buzzerSoundsOnceAtZero_data();
    void buzzerSoundsOnceAtZero();
    void buzzerSoundsAgainOnlyAfterANewExpiry();
    void enteredZeroSoundsOnceWhileStopped();
    void timeOfDayShownWhileGameClockRuns();
    void tickSleepsUnlessTheDisplayCanChange_data();
    void tickSleepsUnlessTheDisplayCanChange();

    void clockEntry_data();
    void clockEntry();
    void clockEntryDroppedBySpace();

private:
    void tick(int ms);

    QTemporaryDir m_store;
    std::unique_ptr<ManualTime> m_time;
    std::unique_ptr<frmScoreboard> m_board;
};

void tst_Keys::initTestCase() {
    QVERIFY(m_store.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_store.path());
}

void tst_Keys::init() {
    modSettings::LoadSettings();
    modBasketball::BuzzerFile.clear();
    modCount::ResetAllSlots();
    modCount::clearTypedCount();
    m_time = std::make_unique<ManualTime>();
    m_board = std::make_unique<frmScoreboard>();
    // The test drives the ticks itself, with the time it steps.
    m_board->tmrClock->stop();
    m_board->mmcBuzzer->setFileName(QStringLiteral("counted.wav"));
}

void tst_Keys::cleanup() {
    m_board.reset();
    m_time.reset();
}

void tst_Keys::tick(int ms) {
    for (int elapsed = 0; elapsed < ms; elapsed += 50) {
        m_time->advanceMs(50);
        m_board->tmrClock_Timer();
    }
}

void tst_Keys::commandKeys_data() {
    QTest::addColumn<QString>("target");
    QTest::newRow("window") << "window";
    QTest::newRow("period") << "pledPeriod";
    QTest::newRow("home score") << "pledHomeScore";
    QTest::newRow("visitor score") << "pledVisitorScore";
    QTest::newRow("clock") << "pledTime";
}

void tst_Keys::commandKeys() {
    QFETCH(QString, target);
    QWidget* widget = m_board.get();
    if (target != "window")
        widget = m_board->findChild<PolyLED*>(target);
    QVERIFY(widget);

    QTest::keyClick(widget, 's');
    QCOMPARE(modCount::IsCounting(0), FlagTrue);
    tick(2000);
    QCOMPARE(clockText(*m_board), QStringLiteral("_9:58"));
    QTest::keyClick(widget, 's');
    QCOMPARE(modCount::IsCounting(0), FlagFalse);

    QTest::keyClick(widget, 'c');
    QCOMPARE(m_board->ClockTime, FlagTrue);
    QTest::keyClick(widget, 'c');
    QCOMPARE(m_board->ClockTime, FlagFalse);

    const int plays = m_board->mmcBuzzer->playCount();
    QTest::keyClick(widget, 'b');
    QCOMPARE(m_board->mmcBuzzer->playCount(), plays + 1);

    QTest::keyClick(widget, 'r');
    QCOMPARE(modCount::ReadCount(0), Currency::fromSeconds(600));
    QCOMPARE(clockText(*m_board), QStringLiteral("10:00"));
}

void tst_Keys::commandKeyAlsoADigit() {
    modBasketball::StartStopClockKey = '5';
    QTest::keyClick(m_board->pledHomeScore[0], '5');
    QTest::keyClick(m_board->pledHomeScore[0], Qt::Key_Return);
    QCOMPARE(modCount::IsCounting(0), FlagTrue);
    QCOMPARE(shown(m_board->pledHomeScore), QStringLiteral("5__"));
}

void tst_Keys::capitalsAreOtherKeys() {
    for (const char key : {'S', 'R', 'C', 'B', 'H', 'O'})
        QTest::keyClick(m_board.get(), key);
    QCOMPARE(modCount::IsCounting(0), FlagFalse);
    QCOMPARE(m_board->ClockTime, FlagFalse);
    QCOMPARE(m_board->mmcBuzzer->playCount(), 0);
}

void tst_Keys::firstOfTwoCommandsOnOneKeyWins() {
    modBasketball::ResetClockKey = modBasketball::StartStopClockKey;
    QTest::keyClick(m_board.get(), 's');
    QCOMPARE(modCount::IsCounting(0), FlagTrue);
    tick(3000);
    QTest::keyClick(m_board.get(), 's');
    QCOMPARE(modCount::IsCounting(0), FlagFalse);
    // The reset never runs, so the clock keeps what it showed.
    QCOMPARE(modCount::ReadCount(0), Currency::fromSeconds(597));
}

void tst_Keys::reset_data() {
    QTest::addColumn<bool>("running");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("shownAfterReset");
    QTest::newRow("stopped") << false << QString() << "10:00";
    QTest::newRow("running") << true << QString() << "10:00";
    QTest::newRow("after an entry, stopped") << false << "5.30\r"
                                             << "_5:30";
    QTest::newRow("after an entry, running") << true << "5.30\r"
                                             << "_5:30";
}

void tst_Keys::reset() {
    QFETCH(bool, running);
    QFETCH(QString, entry);
    QFETCH(QString, shownAfterReset);

    for (const QChar key : entry)
        QTest::keyClick(m_board->pledTime[0], key.toLatin1());
    QTest::keyClick(m_board.get(), 's');
    tick(4000);
    if (!running)
        QTest::keyClick(m_board.get(), 's');
    QTest::keyClick(m_board.get(), 'r');
    QCOMPARE(modCount::IsCounting(0), FlagFalse);
    QCOMPARE(clockText(*m_board), shownAfterReset);

    // The next start counts down from the reset value.
    QTest::keyClick(m_board.get(), 's');
    tick(1000);
    QCOMPARE(modCount::ReadCount(0), modBasketball::ResetTime - Currency::fromSeconds(1));
}

void tst_Keys::everyKeyReachesTheDispatcherOnce_data() {
    commandKeys_data();
}

void tst_Keys::everyKeyReachesTheDispatcherOnce() {
    QFETCH(QString, target);
    QWidget* widget = m_board.get();
    if (target != "window")
        widget = m_board->findChild<PolyLED*>(target);
    // Three presses of the switch key leave it switched; a key handled twice would not.
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(widget, 'c');
    QCOMPARE(m_board->ClockTime, FlagTrue);
}

void tst_Keys::helpKeyAsksForHelp() {
    QSignalSpy help(m_board.get(), &frmScoreboard::helpRequested);
    QTest::keyClick(m_board->pledPeriod[0], 'h');
    QTest::keyClick(m_board.get(), 'H');
    QCOMPARE(help.count(), 1);

    // A configurable key on "h" takes its place.
    modBasketball::BuzzerKey = 'h';
    QTest::keyClick(m_board.get(), 'h');
    QCOMPARE(help.count(), 1);
    QCOMPARE(m_board->mmcBuzzer->playCount(), 1);
}

void tst_Keys::tickCountsDownAcrossTheMinute() {
    modCount::SetCount(Currency::fromSeconds(61), 0, 0);
    QTest::keyClick(m_board.get(), 's');
    const QStringList expected{"_1:01", "_1:01", "_1:00", "59.9_", "59.8_"};
    QStringList seen;
    for (int step = 0; step < 5; ++step) {
        m_board->tmrClock_Timer();
        seen << clockText(*m_board);
        tick(step < 2 ? 500 : 100);
    }
    // 61.0 and 60.5 show 1:01, 60.0 shows 1:00, then tenths.
    QCOMPARE(seen, expected);
}

void tst_Keys::buzzerSoundsOnceAtZero_data() {
    QTest::addColumn<bool>("timeOfDay");
    QTest::newRow("game clock shown") << false;
    QTest::newRow("time of day shown") << true;
}

void tst_Keys::buzzerSoundsOnceAtZero() {
    QFETCH(bool, timeOfDay);
    modCount::SetCount(Currency::fromSeconds(2), 0, 0);
    m_board->tmrClock_Timer();
    if (timeOfDay)
        QTest::keyClick(m_board.get(), 'c');
    QTest::keyClick(m_board.get(), 's');
    tick(1950);
    QCOMPARE(m_board->mmcBuzzer->playCount(), 0);
    tick(50);
    QCOMPARE(m_board->mmcBuzzer->playCount(), 1);
    tick(5000);
    QCOMPARE(m_board->mmcBuzzer->playCount(), 1);
    if (!timeOfDay)
        QCOMPARE(clockText(*m_board), QStringLiteral("_0.0_"));
}

void tst_Keys::buzzerSoundsAgainOnlyAfterANewExpiry() {
    modCount::SetCount(Currency::fromSeconds(1), 0, 0);
    QTest::keyClick(m_board.get(), 's');
    tick(2000);
    QCOMPARE(m_board->mmcBuzzer->playCount(), 1);

    // Stopping and starting an expired clock leaves it at 0 without another buzzer.
    QTest::keyClick(m_board.get(), 's');
    QTest::keyClick(m_board.get(), 's');
    tick(1000);
    QCOMPARE(m_board->mmcBuzzer->playCount(), 1);

    modBasketball::ResetTime = Currency::fromSeconds(1);
    QTest::keyClick(m_board.get(), 'r');
    tick(50);
    QCOMPARE(m_board->mmcBuzzer->playCount(), 1);
    QTest::keyClick(m_board.get(), 's');
    tick(1000);
    QCOMPARE(m_board->mmcBuzzer->playCount(), 2);
}

void tst_Keys::enteredZeroSoundsOnceWhileStopped() {
    tick(100);
    QTest::keyClick(m_board->pledTime[2], '0');
    QTest::keyClick(m_board->pledTime[2], Qt::Key_Enter);
    QCOMPARE(clockText(*m_board), QStringLiteral("_0.0_"));
    QCOMPARE(m_board->mmcBuzzer->playCount(), 0);
    tick(500);
    QCOMPARE(m_board->mmcBuzzer->playCount(), 1);
    QCOMPARE(modCount::IsCounting(0), FlagFalse);
}

void tst_Keys::timeOfDayShownWhileGameClockRuns() {
    m_time->setLocalTime(QTime(14, 35, 10));
    QTest::keyClick(m_board.get(), 's');
    QTest::keyClick(m_board.get(), 'c');
    tick(3000);
    const QString shownTime = clockText(*m_board);
    QVERIFY2(shownTime == "14:35" || shownTime == "_2:35", qPrintable(shownTime));
    QCOMPARE(modCount::ReadCount(0), Currency::fromSeconds(597));
    QTest::keyClick(m_board.get(), 'c');
    tick(50);
    QCOMPARE(clockText(*m_board), QStringLiteral("_9:57"));
}

void tst_Keys::tickSleepsUnlessTheDisplayCanChange_data() {
    // Keys typed on the clock display, a pause without any tick, more keys; then the tick they ask
    // for runs, and the timer is aimed at the display's next change or left asleep (-1).
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("pauseMs");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("wakeMs");
    QTest::addColumn<QString>("shownText");
    QTest::addColumn<qint64>("clockTenths");
    QTest::addColumn<int>("plays");

    QTest::newRow("stopped at 10:00") << "" << 0 << "" << -1 << "10:00" << qint64(6000) << 0;
    QTest::newRow("started at 10:00") << "s" << 0 << "" << 1000 << "10:00" << qint64(6000) << 0;
    QTest::newRow("started at 45.0") << "0.45\r" << 0 << "s" << 100 << "45.0_" << qint64(450) << 0;
    // The stop takes the time that passed since the start, not the start's own read.
    QTest::newRow("stopped 3.46 s after the start")
        << "s" << 3460 << "s" << -1 << "_9:57" << qint64(5966) << 0;
    QTest::newRow("stopped 0.999 s after the start")
        << "s" << 999 << "s" << -1 << "10:00" << qint64(5991) << 0;
    QTest::newRow("reset while running") << "s" << 2000 << "r" << -1 << "10:00" << qint64(6000) << 0;
    QTest::newRow("time of day") << "" << 250 << "c" << 750 << "12:00" << qint64(6000) << 0;
    QTest::newRow("time of day, 0.3 s to run") << "0.003\rs" << 0 << "c" << 300 << "12:00" << qint64(3) << 0;
    QTest::newRow("back to the stopped game clock") << "c" << 0 << "c" << -1 << "10:00" << qint64(6000) << 0;
    QTest::newRow("0 entered while stopped") << "0\r" << 0 << "" << -1 << "_0.0_" << qint64(0) << 1;
}

void tst_Keys::tickSleepsUnlessTheDisplayCanChange() {
    QFETCH(QString, before);
    QFETCH(int, pauseMs);
    QFETCH(QString, after);
    QFETCH(int, wakeMs);
    QFETCH(QString, shownText);
    QFETCH(qint64, clockTenths);
    QFETCH(int, plays);

    // As at the board's start; the keys below ask for their own ticks.
    m_board->requestTick();
    QTest::keyClicks(m_board->pledTime[0], before);
    m_time->advanceMs(pauseMs);
    QTest::keyClicks(m_board->pledTime[0], after);
    QTRY_VERIFY(!m_board->tmrClock->isActive() || m_board->tmrClock->interval() > 0);

    QCOMPARE(m_board->tmrClock->isActive() ? m_board->tmrClock->interval() : -1, wakeMs);
    QCOMPARE(clockText(*m_board), shownText);
    QCOMPARE(modCount::ReadCount(0), Currency::fromTenths(clockTenths));
    QCOMPARE(m_board->mmcBuzzer->playCount(), plays);
}

void tst_Keys::clockEntry_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<qint64>("resetTenths");
    QTest::newRow("5.30") << "5.30\r"
                          << "_5:30" << qint64(3300);
    QTest::newRow("99.59") << "99.59\r"
                           << "99:59" << qint64(59990);
    QTest::newRow("100 refused") << "100\r"
                                 << "10:00" << qint64(6000);
    QTest::newRow("99.99 refused") << "99.99\r"
                                   << "10:00" << qint64(6000);
    QTest::newRow("two points refused") << "1.2.3\r"
                                        << "10:00" << qint64(6000);
    QTest::newRow("seconds past 59") << "1.75\r"
                                     << "_2:15" << qint64(1350);
    QTest::newRow("tenths") << "0.455\r"
                            << "45.5_" << qint64(455);
    QTest::newRow("Enter alone") << "\r"
                                 << "10:00" << qint64(6000);
}

void tst_Keys::clockEntry() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(qint64, resetTenths);

    QTest::keyClick(m_board.get(), 's');
    tick(1000);
    for (const QChar key : typed)
        QTest::keyClick(m_board->pledTime[1], key.toLatin1());
    const bool accepted = resetTenths != 6000;
    if (accepted) {
        QCOMPARE(modCount::IsCounting(0), FlagFalse);
        QCOMPARE(clockText(*m_board), shown);
    } else {
        QCOMPARE(modCount::IsCounting(0), FlagTrue);
    }
    QCOMPARE(modBasketball::ResetTime, Currency::fromTenths(resetTenths));
    QCOMPARE(modCount::typedCount(), QString());
}

void tst_Keys::clockEntryDroppedBySpace() {
    for (const char key : {'1', '2', ' ', '3', '\r'})
        QTest::keyClick(m_board->pledTime[0], key);
    QCOMPARE(clockText(*m_board), QStringLiteral("_3:00"));
}

QTEST_MAIN(tst_Keys)
#include "tst_keys.moc"
