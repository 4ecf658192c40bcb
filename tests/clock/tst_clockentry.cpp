#include "clock/ClockEntry.h"
#include "clock/ClockTick.h"
#include "clock/modCount.h"
#include "state/modBasketball.h"

#include "../support/ManualTime.h"

#include <QTest>
#include <QWidget>

using namespace modCount;

char* toString(const Currency& value) {
    return qstrdup(QByteArray::number(value.toDouble(), 'f', 4).constData());
}

namespace {

constexpr qint32 MaxCount = 5999;
constexpr KeyCode Enter = 13;

// The clock display of the board: four digits and the two dots between them.
struct ClockDisplay {
    QWidget window;
    ControlGroup<PolyLED> digits;
    ControlGroup<Shape> dots{QStringLiteral("shpTime")};
    QList<KeyCode> dispatched;
    // Whether any key loaded the slot.
    bool loaded = false;

    explicit ClockDisplay(const QString& name = QStringLiteral("pledTime")) : digits(name) {
        for (int i = 0; i < 4; ++i)
            digits.add(new PolyLED(&window, name, i));
        for (int i = 0; i < 2; ++i)
            dots.add(new Shape(&window, dots.name(), i));
    }

    void press(KeyCode key) {
        loaded |=
            CountKeyPress([this](KeyCode k) { dispatched.append(k); }, digits, key, MaxCount, 0, 0, dots);
    }

    // Types a text; "\r" is Enter.
    void type(const QString& keys) {
        for (const QChar c : keys)
            press(KeyCode(c.unicode()));
    }

    QString shown() const {
        QString text;
        for (int i = 0; i < 4; ++i) {
            if (i == 2)
                text += dots[0]->fillColor() == modBasketball::BorderColor ? u':' : u'.';
            const qint16 caption = digits[i]->caption();
            text += caption < 0 ? QChar(u'_') : QChar(u'0' + caption);
        }
        return text;
    }
};

} // namespace

class TestClockEntry : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    // Typing a value on the clock display.
    void entersTypedValues_data();
    void entersTypedValues();
    void enteringWhileRunningStopsTheClock();
    void refusedEntryLeavesARunningClockRunning();
    void keysFromAnotherDisplayStartANewEntry();
    void everyKeyReachesTheDispatcherOnce();
    void heldDownKeyStaysBoundedAndIsRefused();

    // Buzzer decision on each tick.
    void buzzerSoundsOncePerExpiry_data();
    void buzzerSoundsOncePerExpiry();

    // When the tick must run next.
    void nextChange_data();
    void nextChange();

    // Time-of-day value.
    void timeOfDayValue_data();
    void timeOfDayValue();
    void twelveHourFormats_data();
    void twelveHourFormats();

private:
    ManualTime m_time;
};

void TestClockEntry::init() {
    ResetAllSlots();
    clearTypedCount();
    modBasketball::BorderColor = 0x00FFFFFF;
    modBasketball::LEDBack = 0x00202020;
    SetCount(Currency::fromSeconds(600), 0, 0);
    modBasketball::ResetTime = Currency::fromSeconds(600);
}

void TestClockEntry::entersTypedValues_data() {
    QTest::addColumn<QString>("keys");
    QTest::addColumn<double>("clock");
    QTest::addColumn<QString>("shown");

    // A refused or empty entry leaves the clock at 10:00 and the display untouched (still _0.0_
    // from the caller's zero draw below).
    QTest::newRow("5.30") << "5.30\r" << 330.0 << "_5:30";
    QTest::newRow("99.59") << "99.59\r" << 5999.0 << "99:59";
    QTest::newRow("minutes only") << "2\r" << 120.0 << "_2:00";
    QTest::newRow("seconds only") << ".45\r" << 45.0 << "45.0_";
    QTest::newRow("zero") << "0\r" << 0.0 << "_0.0_";
    QTest::newRow("tenth") << "0.123\r" << 12.3 << "12.3_";
    QTest::newRow("other keys ignored") << "x5y.3z0\r" << 330.0 << "_5:30";
    QTest::newRow("space discards") << "12 3\r" << 180.0 << "_3:00";
    QTest::newRow("trailing space discards") << "12 \r" << 600.0 << "_0.0_";
    QTest::newRow("100 refused") << "100\r" << 600.0 << "_0.0_";
    QTest::newRow("99.99 refused") << "99.99\r" << 600.0 << "_0.0_";
    QTest::newRow("two points refused") << "1.2.3\r" << 600.0 << "_0.0_";
    QTest::newRow("nine characters refused") << "000000001\r" << 600.0 << "_0.0_";
    QTest::newRow("nothing typed") << "\r" << 600.0 << "_0.0_";
    QTest::newRow("no Enter") << "5.30" << 600.0 << "_0.0_";
}

void TestClockEntry::entersTypedValues() {
    QFETCH(QString, keys);
    QFETCH(double, clock);
    QFETCH(QString, shown);

    ClockDisplay display;
    ShowCount(Currency(), display.digits, display.dots);
    display.type(keys);

    const Currency expected = Currency::fromDouble(clock);
    QCOMPARE(ReadCount(0), expected);
    QCOMPARE(IsCounting(0), FlagFalse);
    QCOMPARE(modBasketball::ResetTime, expected);
    QCOMPARE(display.shown(), shown);
    // No row loads 10:00, the value before.
    QCOMPARE(display.loaded, expected != Currency::fromSeconds(600));
    if (keys.endsWith(u'\r'))
        QCOMPARE(typedCount(), QString());
}

void TestClockEntry::enteringWhileRunningStopsTheClock() {
    ClockDisplay display;
    StartCount(0);
    m_time.advanceMs(3'000);
    QCOMPARE(ReadCount(0), Currency::fromSeconds(597));

    display.type(QStringLiteral("1.00\r"));
    QCOMPARE(IsCounting(0), FlagFalse);
    m_time.advanceMs(3'000);
    QCOMPARE(ReadCount(0), Currency::fromSeconds(60));
    QCOMPARE(display.shown(), QStringLiteral("_1:00"));
}

void TestClockEntry::refusedEntryLeavesARunningClockRunning() {
    ClockDisplay display;
    StartCount(0);
    display.type(QStringLiteral("99.99\r"));
    QCOMPARE(IsCounting(0), FlagTrue);
    m_time.advanceMs(1'000);
    QCOMPARE(ReadCount(0), Currency::fromSeconds(599));
    QCOMPARE(modBasketball::ResetTime, Currency::fromSeconds(600));
}

void TestClockEntry::keysFromAnotherDisplayStartANewEntry() {
    ClockDisplay clock;
    ClockDisplay other(QStringLiteral("pledOther"));

    clock.type(QStringLiteral("7"));
    QCOMPARE(typedCount(), QStringLiteral("7"));
    other.press(Enter);
    QCOMPARE(typedCount(), QString());
    QCOMPARE(ReadCount(0), Currency::fromSeconds(600));

    clock.type(QStringLiteral("1"));
    other.type(QStringLiteral("2\r"));
    QCOMPARE(ReadCount(0), Currency::fromSeconds(120));
}

void TestClockEntry::everyKeyReachesTheDispatcherOnce() {
    ClockDisplay display;
    const QList<KeyCode> keys = {'5', '.', '3', ' ', 's', 'S', '0', Enter, Enter, 27, 8};
    for (const KeyCode key : keys)
        display.press(key);
    QCOMPARE(display.dispatched, keys);
}

void TestClockEntry::heldDownKeyStaysBoundedAndIsRefused() {
    ClockDisplay display;
    for (int i = 0; i < 100'000; ++i)
        display.press('1');
    QVERIFY(typedCount().size() <= 9);
    QVERIFY(typedCount().size() > 8);

    display.press(Enter);
    QCOMPARE(typedCount(), QString());
    QCOMPARE(ReadCount(0), Currency::fromSeconds(600));
    QCOMPARE(modBasketball::ResetTime, Currency::fromSeconds(600));
    QCOMPARE(display.dispatched.size(), 100'001);
}

void TestClockEntry::buzzerSoundsOncePerExpiry_data() {
    QTest::addColumn<QList<double>>("reads");
    QTest::addColumn<QString>("sounds");

    // One character per tick: "x" sounds the buzzer, "." does not.
    QTest::newRow("runs out") << QList<double>{0.2, 0.1, 0.0, 0.0, 0.0} << "..x..";
    QTest::newRow("zero on the first tick") << QList<double>{0.0, 0.0} << "x.";
    QTest::newRow("below zero counts as zero") << QList<double>{-0.1, 0.0} << "x.";
    QTest::newRow("reset and run out again") << QList<double>{0.0, 600.0, 0.1, 0.0, 0.0} << "x..x.";
    QTest::newRow("never at zero") << QList<double>{600.0, 0.1} << "..";
}

void TestClockEntry::buzzerSoundsOncePerExpiry() {
    QFETCH(QList<double>, reads);
    QFETCH(QString, sounds);

    Flag buzzerSounded = FlagFalse;
    QString heard;
    for (const double read : reads)
        heard += ClockTick::buzzerDue(Currency::fromDouble(read), buzzerSounded) ? u'x' : u'.';
    QCOMPARE(heard, sounds);
    QCOMPARE(buzzerSounded, reads.last() > 0 ? FlagFalse : FlagTrue);
}

void TestClockEntry::nextChange_data() {
    QTest::addColumn<qint64>("clockTenths");
    QTest::addColumn<qint64>("usIntoRun"); // -1: the game clock stands
    QTest::addColumn<bool>("timeOfDay");
    QTest::addColumn<int>("localMs");
    QTest::addColumn<int>("wakeMs"); // -1: no tick until something else changes the clock

    // Seconds and tenths: the next tenth of the run, rounded up to the millisecond.
    QTest::newRow("45.0, 30 ms into a tenth") << qint64(450) << qint64(1'230'000) << false << 0 << 70;
    QTest::newRow("45.0, on a boundary") << qint64(450) << qint64(1'200'000) << false << 0 << 100;
    QTest::newRow("45.0, part of a ms") << qint64(450) << qint64(1'230'400) << false << 0 << 70;
    QTest::newRow("0.1, the last tenth") << qint64(1) << qint64(50'000) << false << 0 << 50;
    QTest::newRow("59.9") << qint64(599) << qint64(0) << false << 0 << 100;
    // Minutes: the shown second changes when the value reaches a whole second.
    QTest::newRow("61.0 shows 1:01 until 60.0") << qint64(610) << qint64(0) << false << 0 << 1000;
    QTest::newRow("60.5, 20 ms into a tenth") << qint64(605) << qint64(20'000) << false << 0 << 480;
    QTest::newRow("60.1 shows 1:01, 60.0 shows 1:00") << qint64(601) << qint64(0) << false << 0 << 100;
    QTest::newRow("60.0 shows 1:00, 59.9 the tenths") << qint64(600) << qint64(99'000) << false << 0 << 1;
    QTest::newRow("600.5 shows 10:01") << qint64(6005) << qint64(0) << false << 0 << 500;
    // Nothing can change.
    QTest::newRow("stopped in the tenths") << qint64(450) << qint64(-1) << false << 0 << -1;
    QTest::newRow("stopped in the minutes") << qint64(6000) << qint64(-1) << false << 0 << -1;
    QTest::newRow("run out, still running") << qint64(0) << qint64(5'000'000) << false << 0 << -1;
    // Time of day: its next second, or the game clock's run-out when that comes first.
    QTest::newRow("time of day, game stopped") << qint64(6000) << qint64(-1) << true << 250 << 750;
    QTest::newRow("time of day, on its second") << qint64(6000) << qint64(-1) << true << 0 << 1000;
    QTest::newRow("time of day, game runs out first") << qint64(3) << qint64(40'000) << true << 100 << 260;
    QTest::newRow("time of day, game runs on") << qint64(6000) << qint64(40'000) << true << 990 << 10;
    QTest::newRow("time of day, game run out") << qint64(0) << qint64(9'000'000) << true << 0 << 1000;
}

void TestClockEntry::nextChange() {
    QFETCH(qint64, clockTenths);
    QFETCH(qint64, usIntoRun);
    QFETCH(bool, timeOfDay);
    QFETCH(int, localMs);
    QFETCH(int, wakeMs);

    const ClockTick::TickView view{Currency::fromTenths(clockTenths),
                                   usIntoRun < 0 ? std::nullopt : std::optional<qint64>(usIntoRun), timeOfDay,
                                   localMs};
    QCOMPARE(ClockTick::msUntilNextChange(view).value_or(-1), wakeMs);
}

void TestClockEntry::timeOfDayValue_data() {
    QTest::addColumn<QTime>("time");
    QTest::addColumn<bool>("twelveHour");
    QTest::addColumn<qint64>("seconds");

    QTest::newRow("0:35 24h") << QTime(0, 35) << false << qint64(35);
    QTest::newRow("14:35 24h") << QTime(14, 35, 59) << false << qint64(875);
    QTest::newRow("23:59 24h") << QTime(23, 59) << false << qint64(1439);
    QTest::newRow("14:35 12h") << QTime(14, 35) << true << qint64(155);
    QTest::newRow("0:05 12h") << QTime(0, 5) << true << qint64(725);
    QTest::newRow("12:00 12h") << QTime(12, 0) << true << qint64(720);
    QTest::newRow("11:59 12h") << QTime(11, 59) << true << qint64(719);
    QTest::newRow("1:00 12h") << QTime(1, 0) << true << qint64(60);
}

void TestClockEntry::timeOfDayValue() {
    QFETCH(QTime, time);
    QFETCH(bool, twelveHour);
    QFETCH(qint64, seconds);
    QCOMPARE(ClockTick::timeOfDayValue(time, twelveHour), Currency::fromSeconds(seconds));
}

void TestClockEntry::twelveHourFormats_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("twelveHour");

    QTest::newRow("US") << "h:mm AP" << true;
    QTest::newRow("lower-case marker") << "h:mm ap" << true;
    QTest::newRow("marker first") << "Ah:mm" << true;
    QTest::newRow("24-hour") << "HH:mm" << false;
    QTest::newRow("quoted letters") << "HH 'heures' mm" << false;
    QTest::newRow("quoted a, then marker") << "h 'a' mm a" << true;
}

void TestClockEntry::twelveHourFormats() {
    QFETCH(QString, format);
    QFETCH(bool, twelveHour);
    QCOMPARE(ClockTick::formatUsesTwelveHour(format), twelveHour);
}

QTEST_MAIN(TestClockEntry)
#include "tst_clockentry.moc"
