#include "clock/modCount.h"
#include "layout/modStretch.h"
#include "scoreboard/frmScoreboard.h"
#include "scoreboard/modShowDigits.h"
#include "settings/SettingsStore.h"
#include "settings/WindowPlace.h"
#include "state/modBasketball.h"
#include "tests/support/ManualTime.h"
#include "tests/support/ModalDriver.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <memory>

// Three screens side by side on the offscreen platform: a desktop, a projector and a wide one.
namespace {

const char* const Screens = R"({"screens": [
    {"name": "desk", "x": 0, "y": 0, "width": 1920, "height": 1080, "logicalDpi": 96},
    {"name": "projector", "x": 1920, "y": 0, "width": 1024, "height": 768, "logicalDpi": 96},
    {"name": "wide", "x": 2944, "y": 0, "width": 3840, "height": 1080, "logicalDpi": 96}]})";

} // namespace

// The board in a venue: full screen on any screen, every display reached from the keyboard, and
// a question before a game in progress is closed.
class tst_BoardWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void keyboardReach_data();
    void keyboardReach();
    void closeQuestion_data();
    void closeQuestion();

private:
    void showBoard();

    QTemporaryDir m_store;
    std::unique_ptr<ManualTime> m_time;
    std::unique_ptr<frmScoreboard> m_board;
};

void tst_BoardWindow::initTestCase() {
    QVERIFY(m_store.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_store.path());
    QCOMPARE(QGuiApplication::screens().size(), 3);
}

void tst_BoardWindow::init() {
    QFile::remove(modSettings::windowPlaceFileName());
    modSettings::LoadSettings();
    modBasketball::BuzzerFile.clear();
    // Esc as the start/stop key shows whether Esc reached the keyboard commands.
    modBasketball::StartStopClockKey = 27;
    modCount::ResetAllSlots();
    modShowDigits::clearTypedDigits();
    m_time = std::make_unique<ManualTime>();
}

void tst_BoardWindow::cleanup() {
    closeLeftoverModals();
    m_board.reset();
    m_time.reset();
}

void tst_BoardWindow::showBoard() {
    m_board = std::make_unique<frmScoreboard>();
    m_board->tmrClock->stop();
    m_board->show();
    m_board->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_board.get()));
}

void tst_BoardWindow::keyboardReach_data() {
    // keys: T Tab, B Shift+Tab, F F11, E Esc, S Shift+F11, h a click on the home score's frame;
    // each typed on whatever has the focus. seed: the screen written before the board opens.
    // scale: the full-screen ratio, the smaller of the two against the 632 x 453 design board.
    QTest::addColumn<QString>("seed");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("focused"); // BoardDisplay
    QTest::addColumn<QString>("screen");
    QTest::addColumn<double>("scale"); // 0: a window
    QTest::addColumn<bool>("escReachedCommands");
    const int period = 0, clock = 1, home = 2, visitor = 3;
    const double wide = 1080.0 / 453, narrow = 1024.0 / 632;
    QTest::newRow("opens on the period") << ""
                                         << "" << period << "desk" << 0.0 << false;
    QTest::newRow("Tab to the clock") << ""
                                      << "T" << clock << "desk" << 0.0 << false;
    QTest::newRow("Tab to the home score") << ""
                                           << "TT" << home << "desk" << 0.0 << false;
    QTest::newRow("Tab to the visitor score") << ""
                                              << "TTT" << visitor << "desk" << 0.0 << false;
    QTest::newRow("Tab round again") << ""
                                     << "TTTT" << period << "desk" << 0.0 << false;
    QTest::newRow("Shift+Tab the other way") << ""
                                             << "B" << visitor << "desk" << 0.0 << false;
    QTest::newRow("Shift+Tab past home") << ""
                                         << "BBBB" << period << "desk" << 0.0 << false;
    QTest::newRow("Tab on a board that is not the active window") << ""
                                                                  << "ITT" << home << "desk" << 0.0 << false;
    QTest::newRow("click on a frame") << ""
                                      << "h" << home << "desk" << 0.0 << false;
    QTest::newRow("1920x1080 from a score") << ""
                                            << "TTF" << home << "desk" << wide << false;
    QTest::newRow("1024x768, next screen") << ""
                                           << "FS" << period << "projector" << narrow << false;
    QTest::newRow("3840x1080") << ""
                               << "TFSS" << clock << "wide" << wide << false;
    QTest::newRow("screens wrap") << ""
                                  << "TSSSF" << clock << "desk" << wide << false;
    QTest::newRow("Esc leaves full screen only") << ""
                                                 << "FSE" << period << "projector" << 0.0 << false;
    QTest::newRow("Esc in a window goes on") << ""
                                             << "TE" << clock << "desk" << 0.0 << true;
    QTest::newRow("F11 twice") << ""
                               << "FTF" << clock << "desk" << 0.0 << false;
    QTest::newRow("reopens where it was") << "wide"
                                          << "" << period << "wide" << wide << false;
    QTest::newRow("vanished screen") << "gone"
                                     << "" << period << "desk" << 0.0 << false;
}

void tst_BoardWindow::keyboardReach() {
    QFETCH(QString, seed);
    QFETCH(QString, keys);
    QFETCH(int, focused);
    QFETCH(QString, screen);
    QFETCH(double, scale);
    QFETCH(bool, escReachedCommands);
    if (!seed.isEmpty())
        modSettings::writeWindowPlace({seed, true});

    showBoard();
    QWidget other;
    for (const QChar key : keys) {
        // Keys go to the board's focus, active or not, as the window system delivers them.
        QWidget* target = m_board->focusWidget();
        QVERIFY(target);
        switch (key.unicode()) {
        case 'I':
            other.show();
            other.activateWindow();
            QTRY_VERIFY(other.isActiveWindow());
            break;
        case 'T':
            QTest::keyClick(target, Qt::Key_Tab);
            break;
        case 'B':
            QTest::keyClick(target, Qt::Key_Backtab, Qt::ShiftModifier);
            break;
        case 'F':
            QTest::keyClick(target, Qt::Key_F11);
            break;
        case 'S':
            QTest::keyClick(target, Qt::Key_F11, Qt::ShiftModifier);
            break;
        case 'E':
            QTest::keyClick(target, Qt::Key_Escape);
            break;
        default:
            QTest::mouseClick(m_board->picHomeScore, Qt::LeftButton, {}, {20, 2});
            break;
        }
    }
    const bool fullScreen = scale > 0;
    QTRY_COMPARE(m_board->isFullScreen(), fullScreen);
    QCOMPARE(m_board->screen()->name(), screen);
    QCOMPARE(int(m_board->focusedDisplay().value()), focused);
    QCOMPARE(modCount::IsCounting(0) != FlagFalse, escReachedCommands);

    // Full screen: one ratio, the board centred; in a window, the design layout as ever.
    const QSize area = m_board->screen()->size();
    if (fullScreen) {
        QTRY_COMPARE(m_board->size(), area);
        QCOMPARE(modStretch::fitCentred(area, QSizeF(632, 453)).scale, scale);
    }
    const double left = fullScreen ? (area.width() - 632 * scale) / 2 : 0;
    const double top = fullScreen ? (area.height() - 453 * scale) / 2 : 0;
    QCOMPARE(qRound(m_board->lblHome->leftTwips()), qRound(15 * left));
    QCOMPARE(qRound(m_board->lblTitle->topTwips()), qRound(15 * top));
    QCOMPARE(qRound(m_board->lblTitle->leftTwips()), qRound(15 * left + 120 * qMax(scale, 1.0)));
    QCOMPARE(m_board->pledTime[0]->digitSize(), qRound(105 * qMax(scale, 1.0)));

    // One ring is lit, around the whole display that has the focus, and as thick as it is large.
    QList<FocusRing*> lit = m_board->findChildren<FocusRing*>();
    lit.removeIf([](const FocusRing* ring) { return !ring->isVisible(); });
    QCOMPARE(lit.size(), 1);
    const std::array<const QWidget*, 4> displays{m_board->pledPeriod[0], m_board->picTime,
                                                 m_board->picHomeScore, m_board->picVisitorScore};
    const QWidget* display = displays.at(std::size_t(focused));
    const QRect ring(lit.first()->mapTo(m_board.get(), QPoint()), lit.first()->size());
    QVERIFY(ring.contains(QRect(display->mapTo(m_board.get(), QPoint()), display->size())));
    QVERIFY(lit.first()->thickness() >= display->height() / 21);

    // Closing writes the place a board opened next would take.
    modCount::SetCount(modBasketball::ResetTime, 0, 0);
    QVERIFY(m_board->close());
    QCOMPARE(modSettings::readWindowPlace(), (modSettings::WindowPlace{screen, fullScreen}));
}

void tst_BoardWindow::closeQuestion_data() {
    QTest::addColumn<int>("home"); // typed on the home score after a 5, so 0 is a score put back
    QTest::addColumn<int>("period");
    QTest::addColumn<int>("runMs"); // the clock runs this long; negative: and is stopped again
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("summary"); // empty: no question
    QTest::addColumn<bool>("closed");
    const QString none;
    QTest::newRow("nothing in progress") << 0 << 0 << 0 << none << none << true;
    QTest::newRow("clock running, No") << 0 << 0 << 1500 << "no"
                                       << "Home 0 - Visitor 0, period 0, clock 9:59" << false;
    QTest::newRow("clock stopped, Yes") << 0 << 0 << -555000 << "yes"
                                        << "Home 0 - Visitor 0, period 0, clock 45.0" << true;
    QTest::newRow("score, Yes") << 47 << 0 << 0 << "yes"
                                << "Home 47 - Visitor 0, period 0, clock 10:00" << true;
    QTest::newRow("period, Enter is No") << 0 << 3 << 0 << "enter"
                                         << "Home 0 - Visitor 0, period 3, clock 10:00" << false;
}

void tst_BoardWindow::closeQuestion() {
    QFETCH(int, home);
    QFETCH(int, period);
    QFETCH(int, runMs);
    QFETCH(QString, answer);
    QFETCH(QString, summary);
    QFETCH(bool, closed);
    modBasketball::StartStopClockKey = modSettings::DefaultStartStopClockKey;
    showBoard();
    QTest::keyClicks(m_board->pledHomeScore[0], QStringLiteral("5\r%1\r").arg(home));
    QTest::keyClicks(m_board->pledPeriod[0], QString::number(period));
    if (runMs != 0) {
        QTest::keyClick(m_board.get(), 's');
        m_time->advanceMs(qAbs(runMs));
        m_board->tmrClock_Timer();
        if (runMs < 0)
            QTest::keyClick(m_board.get(), 's');
    }

    QString asked;
    whenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        asked = box->informativeText();
        QCOMPARE(box->text(), frmScoreboard::closeQuestion());
        if (answer == QLatin1String("enter"))
            QTest::keyClick(box, Qt::Key_Return);
        else
            box->button(answer == QLatin1String("yes") ? QMessageBox::Yes : QMessageBox::No)->click();
    });
    QCOMPARE(m_board->close(), closed);
    QCOMPARE(asked, summary);
    QCOMPARE(m_board->isVisible(), !closed);
}

int main(int argc, char** argv) {
    QTemporaryDir folder;
    QFile config(folder.filePath(QStringLiteral("screens.json")));
    if (!config.open(QIODevice::WriteOnly) || config.write(Screens) < 0)
        return 1;
    config.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
    QApplication app(argc, argv);
    tst_BoardWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_boardwindow.moc"
