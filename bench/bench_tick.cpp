#include "bench/PaintCounter.h"
#include "clock/modCount.h"
#include "scoreboard/frmScoreboard.h"
#include "state/modBasketball.h"
#include "tests/support/ManualTime.h"

#include <QEvent>
#include <QTest>

#include <memory>

// The clock tick runs whenever the clock display can change, for a whole game: how long one tick
// takes, and how often it runs and repaints in each form of the clock.
class bench_Tick : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void tickWhileCounting();
    void tickWhileStopped();
    void ticksAndPaintsPerSecondOfGame_data();
    void ticksAndPaintsPerSecondOfGame();

private:
    std::unique_ptr<ManualTime> m_time;
    std::unique_ptr<frmScoreboard> m_board;
};

void bench_Tick::init() {
    modBasketball::BorderColor = 0xFFFFFF;
    modBasketball::TimeColor = 255;
    modBasketball::StartStopClockKey = 's';
    modBasketball::ClockSwitchKey = 'c';
    modCount::ResetAllSlots();
    m_time = std::make_unique<ManualTime>();
    m_board = std::make_unique<frmScoreboard>();
    m_board->tmrClock->stop();
}

void bench_Tick::cleanup() {
    m_board.reset();
    m_time.reset();
}

void bench_Tick::tickWhileCounting() {
    m_board->AllKeyPress(modBasketball::StartStopClockKey);
    QBENCHMARK {
        m_time->advanceMs(100);
        m_board->tmrClock_Timer();
    }
}

void bench_Tick::tickWhileStopped() {
    QBENCHMARK {
        m_board->tmrClock_Timer();
    }
}

void bench_Tick::ticksAndPaintsPerSecondOfGame_data() {
    QTest::addColumn<int>("startSeconds");
    QTest::addColumn<bool>("running");
    QTest::addColumn<bool>("timeOfDay");
    QTest::newRow("minutes form, running") << 600 << true << false;
    QTest::newRow("tenths form, running") << 59 << true << false;
    QTest::newRow("stopped") << 600 << false << false;
    QTest::newRow("time of day, game running") << 600 << true << true;
}

void bench_Tick::ticksAndPaintsPerSecondOfGame() {
    QFETCH(int, startSeconds);
    QFETCH(bool, running);
    QFETCH(bool, timeOfDay);
    m_board->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_board.get()));
    modCount::SetCount(Currency::fromSeconds(startSeconds), 0, 0);
    if (running)
        m_board->AllKeyPress(modBasketball::StartStopClockKey);
    if (timeOfDay)
        m_board->AllKeyPress(modBasketball::ClockSwitchKey);
    m_board->tmrClock_Timer();
    QCoreApplication::processEvents();
    PaintCounter counter;
    for (QWidget* widget : m_board->findChildren<QWidget*>())
        widget->installEventFilter(&counter);

    // A minute of game on the stepped time, each tick when the board's timer is aimed; the timer
    // itself is stopped so that only these ticks run.
    constexpr qint64 GameMs = 58'000;
    qint64 elapsed = 0;
    int ticks = 0;
    while (m_board->tmrClock->isActive() && elapsed + m_board->tmrClock->interval() <= GameMs) {
        const int wait = m_board->tmrClock->interval();
        m_board->tmrClock->stop();
        m_time->advanceMs(wait);
        elapsed += wait;
        m_board->tmrClock_Timer();
        QCoreApplication::processEvents();
        ++ticks;
    }
    const double seconds = GameMs / 1000.0;
    qInfo("%s: %.1f ticks and %.1f paint events per second of game", QTest::currentDataTag(), ticks / seconds,
          counter.paints / seconds);
}

QTEST_MAIN(bench_Tick)
#include "bench_tick.moc"
