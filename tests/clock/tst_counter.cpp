#include "clock/modCount.h"

#include "../support/ManualTime.h"

#include <QTest>

using namespace modCount;

// Shows both sides of a failed comparison in seconds.
char* toString(const Currency& value) {
    return qstrdup(QByteArray::number(value.toDouble(), 'f', 4).constData());
}

namespace {

Currency seconds(double s) {
    return Currency::fromDouble(s);
}

// Steps the monotonic line to the microsecond, as the system's source reads it.
class MicrosecondTime final : public ManualTime {
public:
    qint64 monotonicUs() const override { return m_us; }
    void setUs(qint64 us) { m_us = us; }

private:
    qint64 m_us = 0;
};

} // namespace

class TestCounter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { ResetAllSlots(); }

    // Loading and reading without a run.
    void neverStartedSlotReadsItsLimit();
    void countUpModeAddsElapsedTimeToTheLimit();

    // Measuring runs.
    void countsDownAcrossSteps();
    void runCountsWholeTenthsElapsed_data();
    void runCountsWholeTenthsElapsed();
    void stopKeepsTheValueOfTheLatestRead();
    void restartAccumulatesEarlierRuns();
    void startOnARunningSlotKeepsItsFirstInstant();
    void runOfManyHoursCountsCorrectly();
    void wallClockJumpsDoNotMoveARunningSlot();

    // Expiry.
    void expiredCountDownStaysAtZeroUntilLoaded();

    // Slot numbers.
    void slotsOutsideTheRangeAreNoOps_data();
    void slotsOutsideTheRangeAreNoOps();
    void slotsAreIndependent();
    void slotsStartedAtOneInstantCountTogether();
};

void TestCounter::neverStartedSlotReadsItsLimit() {
    ManualTime time;
    SetCount(seconds(600), 0, 0);
    QCOMPARE(ReadCount(0), seconds(600));
    time.advanceMs(5000);
    QCOMPARE(ReadCount(0), seconds(600));
    QCOMPARE(IsCounting(0), FlagFalse);
}

void TestCounter::countUpModeAddsElapsedTimeToTheLimit() {
    ManualTime time;
    SetCount(seconds(30), 1, 2);
    QCOMPARE(ReadCount(2), seconds(30));
    StartCount(2);
    time.advanceMs(2500);
    QCOMPARE(ReadCount(2), seconds(32.5));
    StopCount(2);
    // A stopped count-up slot reads the limit plus its finished runs.
    QCOMPARE(ReadCount(2), seconds(32.5));
    StartCount(2);
    time.advanceMs(1000);
    QCOMPARE(ReadCount(2), seconds(33.5));
}

void TestCounter::countsDownAcrossSteps() {
    ManualTime time;
    SetCount(seconds(600), 0, 0);
    StartCount(0);
    QCOMPARE(IsCounting(0), FlagTrue);
    QCOMPARE(ReadCount(0), seconds(600));
    time.advanceMs(50);
    QCOMPARE(ReadCount(0), seconds(600));
    time.advanceMs(50);
    QCOMPARE(ReadCount(0), seconds(599.9));
    time.advanceMs(59'900);
    QCOMPARE(ReadCount(0), seconds(540));
    time.advanceMs(539'999);
    QCOMPARE(ReadCount(0), seconds(0.1));
}

void TestCounter::runCountsWholeTenthsElapsed_data() {
    QTest::addColumn<qint64>("limitTenths");
    QTest::addColumn<qint64>("startUs");
    QTest::addColumn<qint64>("readUs");
    QTest::addColumn<qint64>("readTenths");
    // -1: no stop; otherwise the slot is stopped this long after the read, and read again later.
    QTest::addColumn<qint64>("stopAfterMs");

    const qint64 ms = 1000;
    QTest::newRow("from .000, 99 ms")
        << qint64(6000) << 10'000 * ms << 10'099 * ms << qint64(6000) << qint64(-1);
    QTest::newRow("from .000, at the boundary")
        << qint64(6000) << 10'000 * ms << 10'100 * ms << qint64(5999) << qint64(-1);
    QTest::newRow("from .950, 99 ms")
        << qint64(6000) << 10'950 * ms << 11'049 * ms << qint64(6000) << qint64(-1);
    QTest::newRow("from .950, at the boundary")
        << qint64(6000) << 10'950 * ms << 11'050 * ms << qint64(5999) << qint64(-1);
    QTest::newRow("from .999, 1 ms") << qint64(6000) << 10'999 * ms << 11'000 * ms << qint64(6000)
                                     << qint64(-1);
    QTest::newRow("from .999, 99 ms")
        << qint64(6000) << 10'999 * ms << 11'098 * ms << qint64(6000) << qint64(-1);
    QTest::newRow("from .999, at the boundary")
        << qint64(6000) << 10'999 * ms << 11'099 * ms << qint64(5999) << qint64(-1);
    QTest::newRow("99.2 ms across whole ms")
        << qint64(6000) << 10'000 * ms + 900 << 10'100 * ms + 100 << qint64(6000) << qint64(-1);
    QTest::newRow("whole second") << qint64(6000) << 10'000 * ms << 11'000 * ms << qint64(5990) << qint64(-1);
    QTest::newRow("1 ms short of a second")
        << qint64(6000) << 10'001 * ms << 11'000 * ms << qint64(5991) << qint64(-1);
    QTest::newRow("a minute, off the boundary")
        << qint64(6000) << 1'234 * ms << 61'234 * ms << qint64(5400) << qint64(-1);
    QTest::newRow("across zero, 1 ms") << qint64(6000) << -1 * ms << 0 * ms << qint64(6000) << qint64(-1);
    QTest::newRow("negative start, 1.1 s")
        << qint64(6000) << -2'050 * ms << -950 * ms << qint64(5989) << qint64(-1);
    // A stop keeps the value of the latest read, also when a tenth fell due in between.
    QTest::newRow("stop 40 ms after a read")
        << qint64(6000) << 10'000 * ms << 13'460 * ms << qint64(5966) << qint64(40);
    QTest::newRow("stop 99 ms after a read at .999")
        << qint64(6000) << 10'000 * ms << 13'001 * ms << qint64(5970) << qint64(99);
    // A second runs out at its true end, not a tenth early, and then stays at 0.
    QTest::newRow("1.0 s from .999, 1 ms before its end")
        << qint64(10) << 10'999 * ms << 11'998 * ms << qint64(1) << qint64(-1);
    QTest::newRow("1.0 s from .999, at its end")
        << qint64(10) << 10'999 * ms << 11'999 * ms << qint64(0) << qint64(-1);
    QTest::newRow("run out, stopped, pinned at 0")
        << qint64(10) << 10'000 * ms << 12'500 * ms << qint64(0) << qint64(10);
}

void TestCounter::runCountsWholeTenthsElapsed() {
    QFETCH(qint64, limitTenths);
    QFETCH(qint64, startUs);
    QFETCH(qint64, readUs);
    QFETCH(qint64, readTenths);
    QFETCH(qint64, stopAfterMs);

    MicrosecondTime time;
    SetCount(Currency::fromTenths(limitTenths), 0, 0);
    time.setUs(startUs);
    StartCount(0);
    time.setUs(readUs);
    QCOMPARE(ReadCount(0), Currency::fromTenths(readTenths));
    if (stopAfterMs < 0)
        return;
    time.setUs(readUs + stopAfterMs * 1000);
    StopCount(0);
    time.setUs(readUs + 60'000'000);
    QCOMPARE(ReadCount(0), Currency::fromTenths(readTenths));
}

void TestCounter::stopKeepsTheValueOfTheLatestRead() {
    ManualTime time;
    SetCount(seconds(600), 0, 0);
    StartCount(0);
    time.advanceMs(3'460);
    const Currency shown = ReadCount(0);
    QCOMPARE(shown, seconds(596.6));
    // The stop comes 40 ms later, across a tenth boundary, yet the clock keeps what was shown.
    time.advanceMs(40);
    StopCount(0);
    QCOMPARE(IsCounting(0), FlagFalse);
    QCOMPARE(ReadCount(0), shown);
    time.advanceMs(10'000);
    QCOMPARE(ReadCount(0), shown);
}

void TestCounter::restartAccumulatesEarlierRuns() {
    ManualTime time;
    SetCount(seconds(100), 0, 0);
    StartCount(0);
    time.advanceMs(10'000);
    QCOMPARE(ReadCount(0), seconds(90));
    StopCount(0);
    time.advanceMs(60'000);
    StartCount(0);
    time.advanceMs(5'300);
    QCOMPARE(ReadCount(0), seconds(84.7));
    StopCount(0);
    QCOMPARE(ReadCount(0), seconds(84.7));
}

void TestCounter::startOnARunningSlotKeepsItsFirstInstant() {
    ManualTime time;
    SetCount(seconds(600), 0, 0);
    StartCount(0);
    time.advanceMs(4'000);
    StartCount(0);
    time.advanceMs(1'000);
    QCOMPARE(ReadCount(0), seconds(595));
}

void TestCounter::runOfManyHoursCountsCorrectly() {
    ManualTime time;
    SetCount(Currency(), 1, 0);
    StartCount(0);
    time.setMonotonicMs(time.monotonicMs() + qint64(30) * 3600 * 1000 + 700);
    QCOMPARE(ReadCount(0), seconds(30 * 3600 + 0.7));

    SetCount(seconds(100'000), 0, 1);
    StartCount(1);
    time.setMonotonicMs(time.monotonicMs() + qint64(27) * 3600 * 1000);
    QCOMPARE(ReadCount(1), seconds(100'000 - 27 * 3600));
}

void TestCounter::wallClockJumpsDoNotMoveARunningSlot() {
    ManualTime time;
    time.setLocalTime(QTime(23, 59, 59, 500));
    SetCount(seconds(600), 0, 0);
    StartCount(0);
    time.advanceMs(500);
    const Currency before = ReadCount(0);
    QCOMPARE(before, seconds(599.5));

    // The wall clock jumps an hour ahead while one second passes.
    time.setLocalTime(time.localTime().addSecs(3600));
    time.setMonotonicMs(time.monotonicMs() + 1000);
    QCOMPARE(ReadCount(0), before - seconds(1));

    // And back again, as when daylight saving ends.
    time.setLocalTime(time.localTime().addSecs(-3600));
    time.setMonotonicMs(time.monotonicMs() + 1000);
    QCOMPARE(ReadCount(0), before - seconds(2));
}

void TestCounter::expiredCountDownStaysAtZeroUntilLoaded() {
    ManualTime time;
    SetCount(seconds(2), 0, 0);
    StartCount(0);
    time.advanceMs(2'500);
    QCOMPARE(ReadCount(0), Currency());
    QCOMPARE(ReadCount(0), Currency());
    // Running out does not stop the slot.
    QCOMPARE(IsCounting(0), FlagTrue);

    StopCount(0);
    QCOMPARE(ReadCount(0), Currency());
    StartCount(0);
    time.advanceMs(1'000);
    QCOMPARE(ReadCount(0), Currency());
    StopCount(0);
    QCOMPARE(ReadCount(0), Currency());

    SetCount(seconds(5), 0, 0);
    QCOMPARE(ReadCount(0), seconds(5));
    StartCount(0);
    time.advanceMs(1'000);
    QCOMPARE(ReadCount(0), seconds(4));
}

void TestCounter::slotsOutsideTheRangeAreNoOps_data() {
    QTest::addColumn<qint16>("slot");
    QTest::newRow("5") << qint16(5);
    QTest::newRow("-1") << qint16(-1);
    QTest::newRow("32767") << qint16(32767);
}

void TestCounter::slotsOutsideTheRangeAreNoOps() {
    QFETCH(qint16, slot);
    ManualTime time;
    for (qint16 s = 0; s < SlotCount; ++s)
        SetCount(seconds(10 + s), s % 2, s);
    StartCount(3);

    SetCount(seconds(50), 1, slot);
    StartCount(slot);
    time.advanceMs(1'000);
    QCOMPARE(IsCounting(slot), FlagFalse);
    QCOMPARE(ReadCount(slot), Currency());
    StopCount(slot);

    for (qint16 s = 0; s < SlotCount; ++s)
        QCOMPARE(IsCounting(s), s == 3 ? FlagTrue : FlagFalse);
    QCOMPARE(ReadCount(0), seconds(10));
    QCOMPARE(ReadCount(3), seconds(14));
    QCOMPARE(ReadCount(4), seconds(14));
}

void TestCounter::slotsAreIndependent() {
    ManualTime time;
    SetCount(seconds(600), 0, 0);
    SetCount(seconds(300), 0, 4);
    StartCount(0);
    time.advanceMs(1'000);
    StartCount(4);
    time.advanceMs(2'000);
    QCOMPARE(ReadCount(0), seconds(597));
    QCOMPARE(ReadCount(4), seconds(298));
    StopCount(0);
    time.advanceMs(1'000);
    QCOMPARE(ReadCount(0), seconds(597));
    QCOMPARE(ReadCount(4), seconds(297));
    QCOMPARE(IsCounting(4), FlagTrue);
}

void TestCounter::slotsStartedAtOneInstantCountTogether() {
    ManualTime time;
    SetCount(seconds(600), 0, 0);
    SetCount(seconds(24), 0, 1);
    const qint64 start = time.monotonicUs();
    StartCountAt(0, start);
    // A start given ahead of time holds the slot's value until then.
    StartCountAt(1, start + 100'000);
    QCOMPARE(ReadCountAt(1, start + 50'000), seconds(24));
    for (const qint64 us : {150'000, 199'999, 200'000, 7'654'321}) {
        const Currency game = ReadCountAt(0, start + us);
        const Currency shot = ReadCountAt(1, start + us);
        QCOMPARE(seconds(600) - game, seconds(24) - shot + seconds(0.1));
    }
}

QTEST_GUILESS_MAIN(TestCounter)
#include "tst_counter.moc"
