#include "Accessible.h"
#include "BoardAccessibility.h"
#include "ManualTime.h"
#include "SettingsStore.h"
#include "frmScoreboard.h"
#include "modBasketball.h"
#include "modCount.h"
#include "modShowDigits.h"

#include <QAccessible>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

#include <memory>

namespace {

// Every accessibility event the board sends, as a screen reader would receive it.
struct Heard {
    QAccessible::Event type;
    QObject* object;
    QString text;
};
QList<Heard> heard;

void listen(QAccessibleEvent* event) {
    QString text;
    if (event->type() == QAccessible::TextUpdated)
        text = static_cast<QAccessibleTextUpdateEvent*>(event)->textInserted();
    heard.append({event->type(), event->object(), text});
}

qsizetype heardCount(QAccessible::Event type, const QObject* object) {
    return std::count_if(heard.cbegin(), heard.cend(),
                         [&](const Heard& h) { return h.type == type && h.object == object; });
}

} // namespace

// The board as screen readers and automation see it, through Qt's accessibility interfaces.
class tst_Accessibility : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void readings_data();
    void readings();
    void displays_data();
    void displays();
    void lamps_data();
    void lamps();
    void everyElementIsNamed();

private:
    void tick();

    QTemporaryDir m_store;
    std::unique_ptr<ManualTime> m_time;
    std::unique_ptr<frmScoreboard> m_board;
};

void tst_Accessibility::initTestCase() {
    QVERIFY(m_store.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_store.path());
    Accessible::install();
    QAccessible::installUpdateHandler(listen);
    // Active as when a screen reader listens, but without one: the events come to listen().
    QPlatformAccessibility* platform = QGuiApplicationPrivate::platformIntegration()->accessibility();
    QVERIFY(platform);
    platform->setActive(true);
    QVERIFY(QAccessible::isActive());
}

void tst_Accessibility::init() {
    modSettings::LoadSettings();
    modBasketball::BuzzerFile.clear();
    modCount::ResetAllSlots();
    modShowDigits::clearTypedDigits();
    m_time = std::make_unique<ManualTime>();
    m_board = std::make_unique<frmScoreboard>();
    m_board->tmrClock->stop();
    m_board->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_board.get()));
    tick();
    heard.clear();
}

void tst_Accessibility::cleanup() {
    m_board.reset();
    m_time.reset();
}

void tst_Accessibility::tick() {
    m_time->advanceMs(50);
    m_board->tmrClock_Timer();
}

void tst_Accessibility::readings_data() {
    QTest::addColumn<QList<qint16>>("digits");
    QTest::addColumn<bool>("upperDot");
    QTest::addColumn<bool>("lowerDot");
    QTest::addColumn<QString>("reading");
    QTest::newRow("minutes") << QList<qint16>{1, 0, 0, 0} << true << true << "10:00";
    QTest::newRow("one minute, tens dark") << QList<qint16>{-1, 1, 0, 6} << true << true << "1:06";
    QTest::newRow("last minute") << QList<qint16>{4, 5, 0, -1} << false << true << "45.0";
    QTest::newRow("last seconds") << QList<qint16>{-1, 0, 4, -1} << false << true << "0.4";
    QTest::newRow("time of day") << QList<qint16>{1, 4, 3, 5} << true << true << "14:35";
    QTest::newRow("dots unseen") << QList<qint16>{1, 0, 0, 0} << false << false << "1000";
}

void tst_Accessibility::readings() {
    QFETCH(QList<qint16>, digits);
    QFETCH(bool, upperDot);
    QFETCH(bool, lowerDot);
    QFETCH(QString, reading);
    QCOMPARE(BoardReading::clock({digits[0], digits[1], digits[2], digits[3]}, upperDot, lowerDot), reading);
    // The same digits as a score, most significant first: only the dark ones drop out.
    QString lit;
    for (const qint16 digit : digits)
        if (digit >= 0)
            lit += QString::number(digit);
    QCOMPARE(BoardReading::digits(digits), lit);
}

void tst_Accessibility::displays_data() {
    QTest::addColumn<QString>("display"); // the element's control
    QTest::addColumn<QString>("digit");   // a digit of the display, which answers for it when focused
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::newRow("clock at start") << "picTime"
                                    << "pledTime"
                                    << ""
                                    << "Game clock"
                                    << "10:00";
    QTest::newRow("clock in the last minute") << "picTime"
                                              << "pledTime"
                                              << "45 s"
                                              << "Game clock"
                                              << "45.0";
    QTest::newRow("clock at the time of day") << "picTime"
                                              << "pledTime"
                                              << "10:35"
                                              << "Game clock"
                                              << "10:35";
    QTest::newRow("home score 47") << "picHomeScore"
                                   << "pledHomeScore"
                                   << "47"
                                   << "Home score"
                                   << "47";
    QTest::newRow("visitor score 0") << "picVisitorScore"
                                     << "pledVisitorScore"
                                     << ""
                                     << "Visitor score"
                                     << "0";
    QTest::newRow("visitor score 105") << "picVisitorScore"
                                       << "pledVisitorScore"
                                       << "105"
                                       << "Visitor score"
                                       << "105";
    QTest::newRow("period 3") << "pledPeriod"
                              << "pledPeriod"
                              << "3"
                              << "Period"
                              << "3";
}

void tst_Accessibility::displays() {
    QFETCH(QString, display);
    QFETCH(QString, digit);
    QFETCH(QString, state);
    QFETCH(QString, name);
    QFETCH(QString, value);
    frmScoreboard& board = *m_board;
    auto* control = board.findChild<QWidget*>(display);
    auto* firstDigit = board.findChild<PolyLED*>(digit);
    QVERIFY(control && firstDigit);

    if (state == "45 s") {
        modCount::SetCount(Currency::fromSeconds(45), 0, 0);
        tick();
    } else if (state == "10:35") {
        m_time->setLocalTime(QTime(10, 35));
        board.ClockTime = FlagTrue;
        tick();
    } else if (!state.isEmpty()) {
        // Typed on the display as the operator types it; a one-digit display takes it at once.
        QTest::keyClicks(firstDigit, state);
        if (state.size() > 1)
            QTest::keyClick(firstDigit, Qt::Key_Return);
    }
    tick();

    QAccessibleInterface* element = QAccessible::queryAccessibleInterface(control);
    QVERIFY(element);
    QCOMPARE(element->text(QAccessible::Name), name);
    QCOMPARE(element->role(), QAccessible::StaticText);
    QCOMPARE(element->text(QAccessible::Description), value);
    QAccessibleTextInterface* text = element->textInterface();
    QVERIFY(text);
    QCOMPARE(text->text(0, text->characterCount()), value);
    QAccessibleValueInterface* number = element->valueInterface();
    QCOMPARE(number != nullptr, display != "picTime");
    if (number)
        QCOMPARE(number->currentValue().toInt(), value.toInt());
    // One element: the digits and dots are none of its children, and a focused digit speaks for it.
    QCOMPARE(element->childCount(), 0);
    QAccessibleInterface* digitElement = QAccessible::queryAccessibleInterface(firstDigit);
    QCOMPARE(digitElement->text(QAccessible::Name), name);
    QCOMPARE(digitElement->text(QAccessible::Description), value);
    QVERIFY(QAccessible::queryAccessibleInterface(&board)->indexOfChild(element) >= 0);

    // Announced once when it changed, and not again by the ticks that redraw the same value.
    tick();
    tick();
    const qsizetype changes = state.isEmpty() ? 0 : 1;
    QCOMPARE(heardCount(QAccessible::TextUpdated, control), changes);
    QCOMPARE(heardCount(QAccessible::ValueChanged, control), number ? changes : 0);
    if (changes)
        QCOMPARE(heard.last().object, control);
}

void tst_Accessibility::lamps_data() {
    QTest::addColumn<QStringList>("presses");
    QTest::addColumn<QString>("lit"); // imgPossH, imgPossV, imgBonusH, imgBonusV
    QTest::addColumn<int>("changes");
    QTest::newRow("home possession") << QStringList{"imgPossH"} << "1000" << 1;
    QTest::newRow("visitor then home possession") << QStringList{"imgPossV", "imgPossH"} << "1000" << 3;
    QTest::newRow("possession off again") << QStringList{"imgPossV", "imgPossV"} << "0000" << 2;
    QTest::newRow("both bonuses") << QStringList{"imgBonusH", "imgBonusV"} << "0011" << 2;
    QTest::newRow("home bonus twice") << QStringList{"imgBonusH", "imgBonusH"} << "0000" << 2;
}

void tst_Accessibility::lamps() {
    QFETCH(QStringList, presses);
    QFETCH(QString, lit);
    QFETCH(int, changes);
    const QStringList lamps{"imgPossH", "imgPossV", "imgBonusH", "imgBonusV"};
    const QStringList names{"Home possession", "Visitor possession", "Home bonus", "Visitor bonus"};
    for (qsizetype i = 0; i < presses.size(); ++i) {
        QAccessibleInterface* lamp =
            QAccessible::queryAccessibleInterface(m_board->findChild<QWidget*>(presses[i]));
        QVERIFY(lamp && lamp->actionInterface());
        // The press and the toggle action both switch the lamp.
        lamp->actionInterface()->doAction(i % 2 ? QAccessibleActionInterface::toggleAction()
                                                : QAccessibleActionInterface::pressAction());
    }
    tick();
    for (qsizetype i = 0; i < lamps.size(); ++i) {
        QAccessibleInterface* lamp =
            QAccessible::queryAccessibleInterface(m_board->findChild<QWidget*>(lamps[i]));
        QCOMPARE(lamp->role(), QAccessible::CheckBox);
        QCOMPARE(lamp->text(QAccessible::Name), names[i]);
        QVERIFY(lamp->state().checkable);
        QCOMPARE(lamp->state().checked, lit[i] == '1');
    }
    QCOMPARE(std::count_if(heard.cbegin(), heard.cend(),
                           [](const Heard& h) { return h.type == QAccessible::StateChanged; }),
             changes);
}

void tst_Accessibility::everyElementIsNamed() {
    // The board's elements are its captions, displays and lamps, each named; no loose digit,
    // dot or drawn shape among them.
    QAccessibleInterface* board = QAccessible::queryAccessibleInterface(m_board.get());
    QStringList names;
    for (int i = 0; i < board->childCount(); ++i) {
        QAccessibleInterface* element = board->child(i);
        QVERIFY(!element->text(QAccessible::Name).isEmpty());
        QCOMPARE(element->parent()->object(), m_board.get());
        names.append(element->text(QAccessible::Name));
    }
    for (const QString& name :
         {modBasketball::TitleText, modBasketball::HomeText, modBasketball::VisitorText,
          QStringLiteral("PERIOD"), QStringLiteral("BONUS"), QStringLiteral("POSS"),
          QStringLiteral("Game clock"), QStringLiteral("Period"), QStringLiteral("Home bonus")})
        QVERIFY2(names.contains(name), qPrintable(name));
    QCOMPARE(board->childCount(), 15);
}

QTEST_MAIN(tst_Accessibility)
#include "tst_accessibility.moc"
