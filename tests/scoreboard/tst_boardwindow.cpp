#include "ManualTime.h"
#include "ModalDriver.h"
#include "SettingsStore.h"
#include "Twips.h"
#include "WindowPlace.h"
#include "frmScoreboard.h"
#include "modBasketball.h"
#include "modCount.h"
#include "modShowDigits.h"
#include "modStretch.h"

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

    void fullScreenFitsEachScreen_data();
    void fullScreenFitsEachScreen();
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

void tst_BoardWindow::fullScreenFitsEachScreen_data() {
    QTest::addColumn<int>("screen");
    QTest::addColumn<double>("scale");
    QTest::addColumn<double>("left"); // margins in pixels
    QTest::addColumn<double>("top");
    // The design board is 632 x 453 pixels: the height limits a wide screen, the width a 4:3 one.
    QTest::newRow("1920x1080") << 0 << 1080.0 / 453 << (1920 - 632 * 1080.0 / 453) / 2 << 0.0;
    QTest::newRow("1024x768") << 1 << 1024.0 / 632 << 0.0 << (768 - 453 * 1024.0 / 632) / 2;
    QTest::newRow("3840x1080") << 2 << 1080.0 / 453 << (3840 - 632 * 1080.0 / 453) / 2 << 0.0;
}

void tst_BoardWindow::fullScreenFitsEachScreen() {
    QFETCH(int, screen);
    QFETCH(double, scale);
    QFETCH(double, left);
    QFETCH(double, top);
    QScreen* target = QGuiApplication::screens().at(screen);
    const modStretch::Fit fit = modStretch::fitCentred(target->size(), QSizeF(632, 453));
    QCOMPARE(fit.scale, scale);
    QCOMPARE(fit.left + 1, left + 1);
    QCOMPARE(fit.top + 1, top + 1);

    // The real board, full screen there: the title keeps its place on the board and the digits
    // take the one ratio; the frame-held digits keep their place in the frame.
    showBoard();
    for (int i = 0; i < screen; ++i)
        QTest::keyClick(m_board.get(), Qt::Key_F11, Qt::ShiftModifier);
    QTest::keyClick(m_board.get(), Qt::Key_F11);
    QTRY_VERIFY(m_board->isFullScreen());
    QCOMPARE(m_board->screen(), target);
    QTRY_COMPARE(m_board->size(), target->size());
    QCOMPARE(qRound(m_board->lblTitle->leftTwips()), qRound(Twips::fromPixels(1) * (left + 8 * scale)));
    QCOMPARE(qRound(m_board->lblTitle->topTwips()), qRound(Twips::fromPixels(1) * top));
    QCOMPARE(m_board->pledTime[0]->digitSize(), qRound(105 * scale));
    QCOMPARE(qRound(m_board->pledTime[1]->leftTwips()), qRound(1560 * scale));

    // Back to a window: the proportional stretching of the design size, as before.
    QTest::keyClick(m_board->pledPeriod[0], Qt::Key_Escape);
    QTRY_VERIFY(!m_board->isFullScreen());
    QTRY_COMPARE(m_board->pledTime[0]->digitSize(), 105);
    QCOMPARE(qRound(m_board->lblTitle->leftTwips()), 120);
    QCOMPARE(m_board->lblTitle->topTwips(), 0.0);
    QCOMPARE(m_board->lblHome->leftTwips(), 0.0);
}

void tst_BoardWindow::keyboardReach_data() {
    // keys: T Tab, B Shift+Tab, F F11, E Esc, S Shift+F11, h a click on the home score's frame;
    // all typed on whatever has the focus. seed: the place written before the board opens.
    QTest::addColumn<QString>("seed");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("focused"); // BoardDisplay
    QTest::addColumn<bool>("fullScreen");
    QTest::addColumn<QString>("screen");
    QTest::addColumn<bool>("escReachedCommands");
    const int period = int(BoardDisplay::Period), clock = int(BoardDisplay::Clock),
              home = int(BoardDisplay::HomeScore), visitor = int(BoardDisplay::VisitorScore);
    QTest::newRow("opens on the period") << ""
                                         << "" << period << false << "desk" << false;
    QTest::newRow("Tab to the clock") << ""
                                      << "T" << clock << false << "desk" << false;
    QTest::newRow("Tab to the home score") << ""
                                           << "TT" << home << false << "desk" << false;
    QTest::newRow("Tab to the visitor score") << ""
                                              << "TTT" << visitor << false << "desk" << false;
    QTest::newRow("Tab round again") << ""
                                     << "TTTT" << period << false << "desk" << false;
    QTest::newRow("Shift+Tab the other way") << ""
                                             << "B" << visitor << false << "desk" << false;
    QTest::newRow("Shift+Tab past home") << ""
                                         << "BBBB" << period << false << "desk" << false;
    QTest::newRow("click on a frame") << ""
                                      << "h" << home << false << "desk" << false;
    QTest::newRow("F11 from a score") << ""
                                      << "TTF" << home << true << "desk" << false;
    QTest::newRow("Esc leaves full screen only") << ""
                                                 << "FE" << period << false << "desk" << false;
    QTest::newRow("Esc in a window goes on") << ""
                                             << "TE" << clock << false << "desk" << true;
    QTest::newRow("F11 twice") << ""
                               << "FTF" << clock << false << "desk" << false;
    QTest::newRow("next screen stays full") << ""
                                            << "FS" << period << true << "projector" << false;
    QTest::newRow("screens wrap") << ""
                                  << "TSSSF" << clock << true << "desk" << false;
    QTest::newRow("reopens where it was") << "wide"
                                          << "" << period << true << "wide" << false;
    QTest::newRow("vanished screen") << "gone"
                                     << "" << period << false << "desk" << false;
}

void tst_BoardWindow::keyboardReach() {
    QFETCH(QString, seed);
    QFETCH(QString, keys);
    QFETCH(int, focused);
    QFETCH(bool, fullScreen);
    QFETCH(QString, screen);
    QFETCH(bool, escReachedCommands);
    if (!seed.isEmpty())
        modSettings::writeWindowPlace({seed, true});

    showBoard();
    for (const QChar key : keys) {
        QWidget* target = QApplication::focusWidget();
        QVERIFY(target);
        switch (key.unicode()) {
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
        case 'h':
            QTest::mouseClick(m_board->picHomeScore, Qt::LeftButton, {},
                              {m_board->picHomeScore->width() / 2, 2});
            break;
        default:
            QFAIL("unknown key in the row");
        }
    }
    QTRY_COMPARE(m_board->isFullScreen(), fullScreen);
    QCOMPARE(m_board->screen()->name(), screen);
    QCOMPARE(int(m_board->focusedDisplay().value()), focused);
    QCOMPARE(modCount::IsCounting(0) != FlagFalse, escReachedCommands);

    // One ring is lit, around the whole display that has the focus, and as thick as it is large.
    const QList<FocusRing*> lit = [this] {
        QList<FocusRing*> rings;
        for (FocusRing* ring : m_board->findChildren<FocusRing*>())
            if (ring->isVisible())
                rings.append(ring);
        return rings;
    }();
    QCOMPARE(lit.size(), 1);
    const std::array<const QWidget*, 4> displays{m_board->pledPeriod[0], m_board->picTime,
                                                 m_board->picHomeScore, m_board->picVisitorScore};
    const QWidget* display = displays.at(std::size_t(focused));
    const QRect ring(lit.first()->mapTo(m_board.get(), QPoint()), lit.first()->size());
    QVERIFY(ring.contains(QRect(display->mapTo(m_board.get(), QPoint()), display->size())));
    QVERIFY(lit.first()->thickness() >= display->height() / 21);

    // What a board opened now would do: the place written follows the keys.
    modCount::ResetAllSlots();
    modCount::SetCount(modBasketball::ResetTime, 0, 0);
    QVERIFY(m_board->close());
    const auto place = modSettings::readWindowPlace();
    QVERIFY(place);
    QCOMPARE(*place, (modSettings::WindowPlace{screen, fullScreen}));
}

void tst_BoardWindow::closeQuestion_data() {
    QTest::addColumn<QString>("homeKeys");
    QTest::addColumn<QString>("periodKeys");
    QTest::addColumn<int>("runMs"); // the clock runs this long; negative: and is stopped again
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("summary"); // empty: no question
    QTest::addColumn<bool>("closed");
    QTest::newRow("nothing in progress") << ""
                                         << "" << 0 << ""
                                         << "" << true;
    QTest::newRow("a score back at 0") << "5\r0\r"
                                       << "" << 0 << ""
                                       << "" << true;
    QTest::newRow("clock running, No") << ""
                                       << "" << 1500 << "no"
                                       << "Home 0 - Visitor 0, period 0, clock 9:59" << false;
    QTest::newRow("clock stopped at 0:45.0, Yes") << ""
                                                  << "" << -555000 << "yes"
                                                  << "Home 0 - Visitor 0, period 0, clock 45.0" << true;
    QTest::newRow("score, Yes") << "47\r"
                                << "" << 0 << "yes"
                                << "Home 47 - Visitor 0, period 0, clock 10:00" << true;
    QTest::newRow("period, Enter is No") << ""
                                         << "3" << 0 << "enter"
                                         << "Home 0 - Visitor 0, period 3, clock 10:00" << false;
}

void tst_BoardWindow::closeQuestion() {
    QFETCH(QString, homeKeys);
    QFETCH(QString, periodKeys);
    QFETCH(int, runMs);
    QFETCH(QString, answer);
    QFETCH(QString, summary);
    QFETCH(bool, closed);
    modBasketball::StartStopClockKey = modSettings::DefaultStartStopClockKey;
    showBoard();
    QTest::keyClicks(m_board->pledHomeScore[0], homeKeys);
    QTest::keyClicks(m_board->pledPeriod[0], periodKeys);
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
