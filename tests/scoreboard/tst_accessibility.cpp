#include "clock/modCount.h"
#include "game/GameSettings.h"
#include "scoreboard/BoardAccessibility.h"
#include "scoreboard/GameBoard.h"
#include "scoreboard/frmScoreboard.h"
#include "scoreboard/modShowDigits.h"
#include "settings/GameSettingsStore.h"
#include "settings/SettingsStore.h"
#include "state/modBasketball.h"
#include "tests/support/ManualTime.h"

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
QList<std::pair<QAccessible::Event, QObject*>> heard;

qsizetype heardCount(QAccessible::Event type, const QObject* object = nullptr) {
    return std::count_if(heard.cbegin(), heard.cend(),
                         [&](const auto& h) { return h.first == type && (!object || h.second == object); });
}

} // namespace

// The board as screen readers and automation see it, through Qt's accessibility interfaces.
class tst_Accessibility : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup() { m_board.reset(); }

    void clockReading_data();
    void clockReading();
    void displays_data();
    void displays();
    void lamps_data();
    void lamps();
    void everyElementIsNamed();
    void runningShotClockReadWhenAsked();

private:
    void startBoard(const game::GameSettings& settings);
    void tick() {
        m_time.advanceMs(50);
        m_board->tmrClock_Timer();
    }

    QTemporaryDir m_store;
    ManualTime m_time;
    std::unique_ptr<frmScoreboard> m_board;
};

void tst_Accessibility::initTestCase() {
    QVERIFY(m_store.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_store.path());
    BoardAccessibility::install();
    QAccessible::installUpdateHandler([](QAccessibleEvent* event) {
        heard.append({event->type(), event->object()});
    });
    // Active as when a screen reader listens, but without one: the events come to the handler.
    QPlatformAccessibility* platform = QGuiApplicationPrivate::platformIntegration()->accessibility();
    QVERIFY(platform);
    platform->setActive(true);
}

void tst_Accessibility::init() {
    startBoard(game::GameSettings{});
}

void tst_Accessibility::startBoard(const game::GameSettings& settings) {
    m_board.reset();
    m_time.setLocalTime(QTime(12, 0));
    QCOMPARE(modSettings::SaveGameSettings(settings), modSettings::SaveResult::Saved);
    modSettings::LoadSettings();
    modBasketball::BuzzerFile.clear();
    modCount::ResetAllSlots();
    modShowDigits::clearTypedDigits();
    m_board = std::make_unique<frmScoreboard>();
    m_board->tmrClock->stop();
    m_board->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_board.get()));
    tick();
    heard.clear();
}

void tst_Accessibility::clockReading_data() {
    QTest::addColumn<QList<qint16>>("digits");
    QTest::addColumn<bool>("colon");
    QTest::addColumn<bool>("timeOfDay");
    QTest::addColumn<QString>("reading");
    QTest::addColumn<int>("seconds"); // -1: none
    QTest::newRow("one minute, tens dark") << QList<qint16>{-1, 1, 0, 6} << true << false << "1:06" << 66;
    QTest::newRow("last seconds") << QList<qint16>{-1, 0, 4, -1} << false << false << "0.4" << 0;
    QTest::newRow("last minute") << QList<qint16>{4, 5, 0, -1} << false << false << "45.0" << 45;
    QTest::newRow("time of day") << QList<qint16>{1, 4, 3, 5} << true << true << "14:35" << 52500;
    QTest::newRow("dark but its point") << QList<qint16>{-1, -1, -1, -1} << false << false << "." << -1;
}

void tst_Accessibility::clockReading() {
    QFETCH(QList<qint16>, digits);
    QFETCH(bool, colon);
    QFETCH(bool, timeOfDay);
    QFETCH(QString, reading);
    QFETCH(int, seconds);
    const std::array<qint16, 4> shown{digits[0], digits[1], digits[2], digits[3]};
    QCOMPARE(BoardReading::clock(shown, colon, true), reading);
    QCOMPARE(BoardReading::clockSeconds(shown, colon, timeOfDay).value_or(-1), seconds);
}

void tst_Accessibility::displays_data() {
    QTest::addColumn<QString>("display"); // the element's control
    QTest::addColumn<QString>("digits");  // its digits, each of which answers for it when focused
    QTest::addColumn<QString>("state");   // typed on the display, or a clock value
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("worth"); // the numeric value: a clock's in seconds
    QTest::addColumn<int>("told");  // how often the change is told to a focused listener
    QTest::newRow("clock at start") << "picTime"
                                    << "pledTime"
                                    << ""
                                    << "Game clock"
                                    << "10:00" << 600 << 0;
    QTest::newRow("clock in the last minute") << "picTime"
                                              << "pledTime"
                                              << "45 s"
                                              << "Game clock"
                                              << "45.0" << 45 << 1;
    QTest::newRow("clock at the time of day") << "picTime"
                                              << "pledTime"
                                              << "10:35"
                                              << "Time of day"
                                              << "10:35" << 38100 << 1;
    QTest::newRow("clock switched by its key") << "picTime"
                                               << "pledTime"
                                               << "c"
                                               << "Time of day"
                                               << "12:00" << 43200 << 1;
    QTest::newRow("running clock read when asked") << "picTime"
                                                   << "pledTime"
                                                   << "running"
                                                   << "Game clock"
                                                   << "9:58" << 598 << 0;
    QTest::newRow("home score 47") << "picHomeScore"
                                   << "pledHomeScore"
                                   << "47\r"
                                   << "Home score"
                                   << "47" << 47 << 1;
    QTest::newRow("home score 47 entered twice") << "picHomeScore"
                                                 << "pledHomeScore"
                                                 << "47\r47\r"
                                                 << "Home score"
                                                 << "47" << 47 << 1;
    QTest::newRow("visitor score 0") << "picVisitorScore"
                                     << "pledVisitorScore"
                                     << ""
                                     << "Visitor score"
                                     << "0" << 0 << 0;
    QTest::newRow("visitor score 105") << "picVisitorScore"
                                       << "pledVisitorScore"
                                       << "105\r"
                                       << "Visitor score"
                                       << "105" << 105 << 1;
    QTest::newRow("period 3") << "pledPeriod"
                              << "pledPeriod"
                              << "3"
                              << "Period"
                              << "3" << 3 << 1;
}

void tst_Accessibility::displays() {
    QFETCH(QString, display);
    QFETCH(QString, digits);
    QFETCH(QString, state);
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(int, worth);
    QFETCH(int, told);
    auto* control = m_board->findChild<QWidget*>(display);
    auto* digit = m_board->findChild<PolyLED*>(digits);
    if (state == "45 s") {
        modCount::SetCount(Currency::fromSeconds(45), 0, 0);
    } else if (state == "10:35") {
        m_time.setLocalTime(QTime(10, 35));
        m_board->ClockTime = FlagTrue;
    } else if (state == "running") {
        QTest::keyClick(digit, Qt::Key_S);
        for (int i = 0; i < 40; ++i)
            tick();
    } else {
        QTest::keyClicks(digit, state);
    }
    tick();

    QAccessibleInterface* element = QAccessible::queryAccessibleInterface(control);
    QAccessibleTextInterface* text = element->textInterface();
    QAccessibleValueInterface* number = element->valueInterface();
    QVERIFY(number);
    QCOMPARE(element->role(), QAccessible::StaticText);
    // The name carries the reading, as a screen reader speaks a focused label's name alone.
    for (QAccessibleInterface* reader : {element, QAccessible::queryAccessibleInterface(digit)}) {
        QCOMPARE(reader->text(QAccessible::Name), name + ", " + value);
        QCOMPARE(reader->text(QAccessible::Value), value);
    }
    QCOMPARE(text->text(0, text->characterCount()), value);
    QCOMPARE(number->currentValue(), QVariant(worth));
    // One element: its digits and dots are none of its children, and a focused digit stands in its
    // place on the board.
    QCOMPARE(element->childCount(), 0);
    QAccessibleInterface* board = QAccessible::queryAccessibleInterface(m_board.get());
    QAccessibleInterface* focused = QAccessible::queryAccessibleInterface(digit);
    QVERIFY(board->indexOfChild(element) >= 0);
    QCOMPARE(focused->parent(), board);
    QCOMPARE(board->indexOfChild(focused), board->indexOfChild(element));

    // Told once when it changed, to the digit the focus rests on as well, and not again by the
    // ticks that redraw the same value.
    tick();
    tick();
    QCOMPARE(heardCount(QAccessible::NameChanged, digit), told);
    QCOMPARE(heardCount(QAccessible::ValueChanged, digit), told);
    QCOMPARE(heardCount(QAccessible::TextUpdated, control), told);
    QCOMPARE(heardCount(QAccessible::ValueChanged, control), told);
    QCOMPARE(heardCount(QAccessible::TextUpdated), told);
}

void tst_Accessibility::lamps_data() {
    QTest::addColumn<QStringList>("presses");
    QTest::addColumn<QString>("lit"); // Home possession, Visitor possession, Home bonus, Visitor bonus
    QTest::addColumn<int>("changes");
    QTest::newRow("home possession") << QStringList{"imgPossH"} << "1000" << 1;
    QTest::newRow("visitor then home possession") << QStringList{"imgPossV", "imgPossH"} << "1000" << 3;
    QTest::newRow("possession off again") << QStringList{"imgPossV", "imgPossV"} << "0000" << 2;
    QTest::newRow("both bonuses") << QStringList{"imgBonusH", "imgBonusV"} << "0011" << 2;
}

void tst_Accessibility::lamps() {
    QFETCH(QStringList, presses);
    QFETCH(QString, lit);
    QFETCH(int, changes);
    const auto lamp = [this](const QString& area) {
        return QAccessible::queryAccessibleInterface(m_board->findChild<QWidget*>(area));
    };
    // The press and the toggle action both switch a lamp.
    for (qsizetype i = 0; i < presses.size(); ++i)
        lamp(presses[i])
            ->actionInterface()
            ->doAction(i % 2 ? QAccessibleActionInterface::toggleAction()
                             : QAccessibleActionInterface::pressAction());
    tick();
    const QStringList names{"Home possession", "Visitor possession", "Home bonus", "Visitor bonus"};
    const QStringList areas{"imgPossH", "imgPossV", "imgBonusH", "imgBonusV"};
    for (qsizetype i = 0; i < areas.size(); ++i) {
        QCOMPARE(lamp(areas[i])->role(), QAccessible::CheckBox);
        QCOMPARE(lamp(areas[i])->text(QAccessible::Name), names[i]);
        QVERIFY(lamp(areas[i])->state().checkable);
        QCOMPARE(lamp(areas[i])->state().checked, lit[i] == '1');
    }
    QCOMPARE(heardCount(QAccessible::StateChanged), changes);
}

void tst_Accessibility::everyElementIsNamed() {
    // The board's elements are its seven captions, four displays and four lamps, each named: no
    // loose digit, dot or drawn shape among them.
    QAccessibleInterface* board = QAccessible::queryAccessibleInterface(m_board.get());
    QCOMPARE(board->childCount(), 15);
    for (int i = 0; i < board->childCount(); ++i) {
        QVERIFY(!board->child(i)->text(QAccessible::Name).isEmpty());
        QCOMPARE(board->indexOfChild(board->child(i)), i);
    }
    QCOMPARE(QAccessible::queryAccessibleInterface(m_board->lblTitle)->text(QAccessible::Name),
             modBasketball::TitleText);
    m_board->lblTitle->setCaption(QStringLiteral("Final"));
    QCOMPARE(QAccessible::queryAccessibleInterface(m_board->lblTitle)->text(QAccessible::Name), "Final");
    QCOMPARE(heardCount(QAccessible::NameChanged, m_board->lblTitle), 1);
}

void tst_Accessibility::runningShotClockReadWhenAsked() {
    game::GameSettings settings;
    settings.layout = game::Layout::Game;
    startBoard(settings);
    QWidget* shot = m_board->gameBoard()->picShotClock();
    const auto name = [shot] { return QAccessible::queryAccessibleInterface(shot)->text(QAccessible::Name); };
    QCOMPARE(name(), "Shot clock, 24");
    // Three seconds with the game clock: current when asked, and never told.
    QTest::keyClick(m_board.get(), Qt::Key_S);
    for (int i = 0; i < 60; ++i)
        tick();
    QCOMPARE(name(), "Shot clock, 21");
    QCOMPARE(heardCount(QAccessible::NameChanged, shot), 0);
    QCOMPARE(heardCount(QAccessible::TextUpdated, shot), 0);
    // Stopped and reset by the operator, it is told once.
    QTest::keyClick(m_board.get(), Qt::Key_S);
    QTest::keyClick(m_board.get(), Qt::Key_F5);
    tick();
    tick();
    QCOMPARE(name(), "Shot clock, 24");
    QCOMPARE(heardCount(QAccessible::TextUpdated, shot), 1);
}

QTEST_MAIN(tst_Accessibility)
#include "tst_accessibility.moc"
