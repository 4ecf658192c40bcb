#include "clock/modCount.h"
#include "layout/modStretch.h"
#include "scoreboard/KeyCommands.h"
#include "scoreboard/frmScoreboard.h"
#include "scoreboard/modShowDigits.h"
#include "settings/SettingsStore.h"
#include "settings/WindowPlace.h"
#include "state/Twips.h"
#include "state/modBasketball.h"
#include "tests/support/HeldKey.h"
#include "tests/support/ManualTime.h"
#include "tests/support/ModalDriver.h"
#include "tests/support/OnScreens.h"

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

// A widget's own drawing alone, at its place in its window.
QImage drawnAlone(QWidget* widget, QWidget* window) {
    QImage image(window->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget->render(&image, widget->mapTo(window, QPoint()), QRegion(), QWidget::RenderFlags());
    return image;
}

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
    void placement_data();
    void placement();
    void heldKey_data();
    void heldKey();
    void namesStayWithinTheBoard_data();
    void namesStayWithinTheBoard();

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
    // In a window the board is as large as it opened, in proportion to its screen.
    const double ratio = fullScreen ? qMax(scale, 1.0) : m_board->height() / 453.0;
    QCOMPARE(qRound(m_board->lblHome->leftTwips()), qRound(15 * left));
    QCOMPARE(qRound(m_board->lblTitle->topTwips()), qRound(15 * top));
    QVERIFY(qAbs(m_board->lblTitle->leftTwips() - (15 * left + 120 * ratio)) < 15);
    QVERIFY(qAbs(m_board->pledTime[0]->digitSize() - 105 * ratio) <= 2);

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

void tst_BoardWindow::placement_data() {
    // seed: a place written before the board opens (in a window). keys: S Shift+F11, F F11, E Esc.
    QTest::addColumn<QString>("seed");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QSize>("size");
    // Half the desk's area holds a box of 1358 x 764, and the board's proportions 1065 x 764 in it.
    // On the 1024 x 768 projector it shrinks alike until its frame, 2 px a side here, fits.
    QTest::newRow("never placed: in proportion to the screen") << ""
                                                               << ""
                                                               << "desk" << QSize(1065, 764);
    QTest::newRow("placed before: the design size") << "projector"
                                                    << ""
                                                    << "projector" << QSize(632, 453);
    QTest::newRow("to a smaller screen, shrunk alike") << ""
                                                       << "S"
                                                       << "projector" << QSize(1020, 731);
    QTest::newRow("full screen to the next screen, then Esc") << ""
                                                              << "FSE"
                                                              << "projector" << QSize(1020, 731);
    QTest::newRow("on to a wide screen, size kept") << ""
                                                    << "SS"
                                                    << "wide" << QSize(1020, 731);
    QTest::newRow("round all screens in full screen") << ""
                                                      << "FSSSE"
                                                      << "desk" << QSize(1020, 731);
}

void tst_BoardWindow::placement() {
    QFETCH(QString, seed);
    QFETCH(QString, keys);
    QFETCH(QString, screen);
    QFETCH(QSize, size);
    if (!seed.isEmpty())
        modSettings::writeWindowPlace({seed, false});
    showBoard();
    for (const QChar key : keys) {
        QWidget* target = m_board->focusWidget();
        if (key == 'S')
            QTest::keyClick(target, Qt::Key_F11, Qt::ShiftModifier);
        else
            QTest::keyClick(target, key == 'F' ? Qt::Key_F11 : Qt::Key_Escape);
    }
    QTRY_VERIFY(!m_board->isFullScreen());
    QCOMPARE(m_board->screen()->name(), screen);
    QTRY_COMPARE(m_board->size(), size);
    const QRect area = m_board->screen()->availableGeometry();
    QVERIFY2(area.contains(m_board->frameGeometry()),
             qPrintable(QStringLiteral("%1,%2 %3x%4")
                            .arg(m_board->frameGeometry().x())
                            .arg(m_board->frameGeometry().y())
                            .arg(m_board->frameGeometry().width())
                            .arg(m_board->frameGeometry().height())));
    // The layout follows: one ratio both ways, so the board is not stretched.
    const double across = m_board->pledTime[0]->width() / double(m_board->width());
    const double down = m_board->pledTime[0]->height() / double(m_board->height());
    QVERIFY(qAbs(across * 632 / 58 - 1) < 0.05);
    QVERIFY(qAbs(down * 453 / 105 - 1) < 0.05);
}

void tst_BoardWindow::heldKey_data() {
    // where: the display typed on, or "board" for the window itself with no display focused.
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("repeats");
    QTest::addColumn<bool>("marked");
    QTest::addColumn<bool>("running");
    QTest::addColumn<int>("home"); // the home score after Enter on it, -1: not typed there
    QTest::newRow("start held on the board") << "board"
                                             << "s" << 29 << true << true << -1;
    QTest::newRow("start held, repeats unmarked") << "board"
                                                  << "s" << 29 << false << true << -1;
    QTest::newRow("start held, one repeat") << "board"
                                            << "s" << 1 << true << true << -1;
    QTest::newRow("start held on the period") << "period"
                                              << "s" << 29 << true << true << -1;
    QTest::newRow("period, repeats unmarked") << "period"
                                              << "s" << 3 << false << true << -1;
    QTest::newRow("start held on the clock display") << "clock"
                                                     << "s" << 5 << true << true << -1;
    QTest::newRow("start held on a score") << "home"
                                           << "s" << 11 << true << true << 0;
    QTest::newRow("reset held on a score") << "home"
                                           << "r" << 12 << true << false << 0;
    QTest::newRow("digit held types on") << "home"
                                         << "1" << 2 << true << false << 111;
    QTest::newRow("digit held, repeats unmarked") << "home"
                                                  << "1" << 2 << false << false << 111;
    QTest::newRow("digit held once over") << "home"
                                          << "9" << 1 << true << false << 99;
    QTest::newRow("digit held past the largest score") << "home"
                                                       << "4" << 3 << true << false << 0;
}

void tst_BoardWindow::heldKey() {
    QFETCH(QString, where);
    QFETCH(QString, key);
    QFETCH(int, repeats);
    QFETCH(bool, marked);
    QFETCH(bool, running);
    QFETCH(int, home);
    modBasketball::StartStopClockKey = modSettings::DefaultStartStopClockKey;
    showBoard();
    if (where == QLatin1String("board"))
        m_board->focusWidget()->clearFocus();
    else if (where == QLatin1String("clock"))
        m_board->pledTime[0]->setFocus();
    else if (where == QLatin1String("home"))
        m_board->pledHomeScore[0]->setFocus();
    QCOMPARE(m_board->focusWidget() == nullptr, where == QLatin1String("board"));

    holdKey(m_board->windowHandle(), key.at(0), repeats, marked);
    QCOMPARE(modCount::IsCounting(0) != FlagFalse, running);
    if (home >= 0) {
        QTest::keyClick(m_board->pledHomeScore[0], Qt::Key_Return);
        QCOMPARE(modShowDigits::ShownValue(m_board->pledHomeScore), home);
    }
    // One press more is a command again.
    holdKey(m_board->windowHandle(), QLatin1Char('s'), 0, marked);
    QCOMPARE(modCount::IsCounting(0) != FlagFalse, !running);
}

void tst_BoardWindow::namesStayWithinTheBoard_data() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("design size") << QSize(632, 453);
    QTest::newRow("wide") << QSize(1500, 453);
    QTest::newRow("tall and narrow") << QSize(420, 900);
    QTest::newRow("small") << QSize(320, 230);
    QTest::newRow("large") << QSize(1800, 1000);
}

void tst_BoardWindow::namesStayWithinTheBoard() {
    QFETCH(QSize, size);
    modBasketball::HomeText = QStringLiteral("Åsby «Ørn»");
    modBasketball::VisitorText = QStringLiteral("Västra Frölunda IF");
    modBasketball::TitleText = QStringLiteral("Regional Championship Final - Senior Men's Division, Game 7");
    modSettings::writeWindowPlace({QStringLiteral("desk"), false});
    showBoard();
    m_board->resize(size);
    QTRY_COMPARE(m_board->size(), size);

    // Inside the outline drawn round the board and clear of it, its rounded corners too, whatever
    // the window's shape.
    const QRect board = m_board->Shape2->geometry();
    const int outline = m_board->Shape2->borderWidth();
    const QImage outlineInk = drawnAlone(m_board->Shape2, m_board.get());
    for (Label* label : {m_board->lblHome, m_board->lblVisitor, m_board->lblTitle}) {
        const QImage ink = drawnAlone(label, m_board.get());
        const QRect place = label->geometry().intersected(ink.rect());
        int left = ink.width(), right = -1, onOutline = 0;
        for (int y = place.top(); y <= place.bottom(); ++y)
            for (int x = place.left(); x <= place.right(); ++x)
                if (qAlpha(ink.pixel(x, y)) > 0) {
                    left = qMin(left, x);
                    right = qMax(right, x);
                    onOutline += qAlpha(outlineInk.pixel(x, y)) > 0 ? 1 : 0;
                }
        QVERIFY2(left >= board.left() + outline && right <= board.right() - outline && onOutline == 0,
                 qPrintable(QStringLiteral("%1: ink %2..%3, board %4..%5, %6 pixels on the outline")
                                .arg(label->objectName())
                                .arg(left)
                                .arg(right)
                                .arg(board.left() + outline)
                                .arg(board.right() - outline)
                                .arg(onOutline)));
    }
    // Only the drawing is smaller: the layout keeps the size the window gives, and a short name
    // is drawn at that size.
    const double points = m_board->lblHome->fontSize();
    modBasketball::HomeText = QStringLiteral("Ås");
    m_board->UpdateLabels();
    QCOMPARE(m_board->lblHome->fontSize(), points);
    QCOMPARE(m_board->lblHome->drawnFont().pixelSize(), Twips::fontPixelSize(points));
}

int main(int argc, char** argv) {
    return execOnScreens<tst_BoardWindow>(Screens, argc, argv);
}

#include "tst_boardwindow.moc"
