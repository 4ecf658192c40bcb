#include "ManualTime.h"
#include "PaintCounter.h"
#include "frmScoreboard.h"
#include "modBasketball.h"
#include "modCount.h"

#include <QEvent>
#include <QTest>

#include <memory>

// The clock tick runs twenty times a second for a whole game: how long one tick takes, and how
// much it repaints.
class bench_Tick : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void tickWhileCounting();
    void tickWhileStopped();
    void paintsPerSecondOfGame();

private:
    std::unique_ptr<ManualTime> m_time;
    std::unique_ptr<frmScoreboard> m_board;
};

void bench_Tick::init() {
    modBasketball::BorderColor = 0xFFFFFF;
    modBasketball::TimeColor = 255;
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
        m_time->advanceMs(50);
        m_board->tmrClock_Timer();
    }
}

void bench_Tick::tickWhileStopped() {
    QBENCHMARK {
        m_board->tmrClock_Timer();
    }
}

void bench_Tick::paintsPerSecondOfGame() {
    m_board->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_board.get()));
    PaintCounter counter;
    for (QWidget* widget : m_board->findChildren<QWidget*>())
        widget->installEventFilter(&counter);
    // One minute of game in the last minute's form, where a digit changes every tenth.
    modCount::SetCount(Currency::fromSeconds(59), 0, 0);
    m_board->AllKeyPress(modBasketball::StartStopClockKey);
    for (int tick = 0; tick < 20 * 60; ++tick) {
        m_time->advanceMs(50);
        m_board->tmrClock_Timer();
        QCoreApplication::processEvents();
    }
    qInfo("paint events in 60 s of game clock: %d (%.1f per second)", counter.paints, counter.paints / 60.0);
}

QTEST_MAIN(bench_Tick)
#include "bench_tick.moc"
