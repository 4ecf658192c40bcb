#include "app/frmHelp.h"
#include "app/frmSplash.h"
#include "clock/ClockEntry.h"
#include "clock/modCount.h"
#include "console/BoardMirror.h"
#include "console/ConsoleRules.h"
#include "console/frmConsole.h"
#include "scoreboard/GameBoard.h"
#include "scoreboard/frmScoreboard.h"
#include "scoreboard/modShowDigits.h"
#include "settings/SettingsStore.h"
#include "settings/WindowPlace.h"
#include "state/modBasketball.h"
#include "tests/support/HeldKey.h"
#include "tests/support/ManualTime.h"
#include "tests/support/ModalDriver.h"
#include "tests/support/OnScreens.h"

#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// A hall's projector, the operator's laptop and a third screen, side by side.
const char* const Screens = R"({"screens": [
    {"name": "hall", "x": 0, "y": 0, "width": 1920, "height": 1080, "logicalDpi": 96},
    {"name": "laptop", "x": 1920, "y": 0, "width": 1366, "height": 768, "logicalDpi": 96},
    {"name": "side", "x": 3286, "y": 0, "width": 1280, "height": 1024, "logicalDpi": 96}]})";

QImage pixels(const QImage& picture) {
    return picture.convertToFormat(QImage::Format_RGB32);
}

QImage pixels(const QPixmap& picture) {
    return pixels(picture.toImage());
}

// The whole board drawn afresh and copied at once at the size of its copy.
QImage wholeBoard(QWidget* board, QSize size) {
    QImage copy(size, QImage::Format_RGB32);
    console::takeNearest(board->grab().toImage().convertToFormat(QImage::Format_RGB32), copy, copy.rect());
    return copy;
}

} // namespace

// The operator's console beside a real board, both opened by the start-up window as in the program.
class tst_Console : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void screenChoice_data();
    void screenChoice();
    void capsLock_data();
    void capsLock();
    void facts_data();
    void facts();
    void mirror_data();
    void mirror();
    void operate_data();
    void operate();
    void f2Toggles();
    void heldKey_data();
    void heldKey();
    void placement_data();
    void placement();
    void dialogs_data();
    void dialogs();

private:
    void open(bool gameBoard = false, const QString& boardScreen = QStringLiteral("hall"));
    void type(QWidget* target, const QString& keys);

    QTemporaryDir m_store;
    std::unique_ptr<ManualTime> m_time;
    frmScoreboard* m_board = nullptr;
    frmConsole* m_console = nullptr;
};

void tst_Console::initTestCase() {
    QVERIFY(m_store.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_store.path());
    QCOMPARE(QGuiApplication::screens().size(), 3);
}

void tst_Console::init() {
    QFile::remove(modSettings::settingsFileName());
    QFile::remove(modSettings::windowPlaceFileName());
    modCount::ResetAllSlots();
    modShowDigits::clearTypedDigits();
    modCount::clearTypedCount();
    m_time = std::make_unique<ManualTime>();
}

void tst_Console::cleanup() {
    closeLeftoverModals();
    if (frmHelp* help = frmHelp::instance())
        help->close();
    QTRY_VERIFY(!frmHelp::instance());
    delete frmSplash::scoreboard();
    // The console goes with the board.
    QTRY_VERIFY(!frmSplash::console());
    m_board = nullptr;
    m_console = nullptr;
    m_time.reset();
}

void tst_Console::open(bool gameBoard, const QString& boardScreen) {
    modSettings::writeWindowPlace({boardScreen, false});
    auto* splash = new frmSplash;
    modBasketball::BuzzerFile.clear();
    m_board = splash->GoScore();
    m_board->tmrClock->stop();
    m_console = frmSplash::console();
    QVERIFY(m_console);
    if (gameBoard) {
        game::GameSettings settings;
        settings.layout = game::Layout::Game;
        settings.hornFile.clear();
        m_board->gameBoard()->applySettings(settings);
    }
    QVERIFY(QTest::qWaitForWindowExposed(m_board));
    QVERIFY(QTest::qWaitForWindowExposed(m_console));
    m_console->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_console));
}

// Keys as a person types them, one token each: a character, or Enter, Tab, Esc, F1 to F12, ^Z.
void tst_Console::type(QWidget* target, const QString& keys) {
    for (const QString& token : keys.split(u' ', Qt::SkipEmptyParts)) {
        if (token == QLatin1String("Enter"))
            QTest::keyClick(target, Qt::Key_Return);
        else if (token == QLatin1String("Tab"))
            QTest::keyClick(target, Qt::Key_Tab);
        else if (token == QLatin1String("Esc"))
            QTest::keyClick(target, Qt::Key_Escape);
        else if (token == QLatin1String("^Z"))
            QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier);
        else if (token.size() > 1 && token.startsWith(u'F'))
            QTest::keyClick(target, Qt::Key(Qt::Key_F1 + token.mid(1).toInt() - 1));
        else
            for (const QChar c : token)
                QTest::keyClick(target, c.toLatin1());
    }
}

void tst_Console::screenChoice_data() {
    QTest::addColumn<QStringList>("screens");
    QTest::addColumn<int>("board");
    QTest::addColumn<QString>("remembered");
    QTest::addColumn<int>("console"); // -1: none

    const QStringList three{"hall", "laptop", "side"};
    QTest::newRow("one screen: none") << QStringList{"hall"} << 0 << "hall" << -1;
    QTest::newRow("first beside the board") << three << 0 << "" << 1;
    QTest::newRow("board on the first other") << three << 1 << "" << 0;
    QTest::newRow("remembered one") << three << 0 << "side" << 2;
    QTest::newRow("remembered one is the board's") << three << 2 << "side" << 0;
    QTest::newRow("remembered one is gone") << three << 1 << "beamer" << 0;
}

void tst_Console::screenChoice() {
    QFETCH(QStringList, screens);
    QFETCH(int, board);
    QFETCH(QString, remembered);
    QFETCH(int, console);
    QCOMPARE(console::consoleScreenIndex(screens, board, remembered).value_or(-1), console);
}

void tst_Console::capsLock_data() {
    QTest::addColumn<bool>("onBoard");
    QTest::addColumn<char>("key");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<int>("caps"); // -1 unknown, 0 off, 1 on

    QTest::newRow("command letter") << false << 's' << false << 0;
    QTest::newRow("capital without Shift") << false << 'S' << false << 1;
    QTest::newRow("capital with Shift") << false << 'S' << true << 0;
    QTest::newRow("small letter with Shift") << false << 's' << true << 1;
    QTest::newRow("digit tells nothing") << false << '7' << false << -1;
    QTest::newRow("typed on the board") << true << 'R' << false << 1;
}

void tst_Console::capsLock() {
    QFETCH(bool, onBoard);
    QFETCH(char, key);
    QFETCH(bool, shift);
    QFETCH(int, caps);
    open();
    QVERIFY(!m_console->capsLock());
    QTest::keyClick(onBoard ? static_cast<QWidget*>(m_board) : m_console, key,
                    shift ? Qt::ShiftModifier : Qt::NoModifier);
    QCOMPARE(m_console->capsLock().has_value(), caps >= 0);
    if (caps < 0)
        return;
    QCOMPARE(*m_console->capsLock(), caps == 1);
    QTRY_COMPARE(m_console->lblCapsLock->text().startsWith(QLatin1String("ON")), caps == 1);
}

void tst_Console::facts_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("shown"); // object name of the line or button
    QTest::addColumn<QString>("says");

    const auto row = [](const char* name, const char* change, const char* shown, const char* says) {
        QTest::newRow(name) << QString::fromUtf8(change) << QString::fromUtf8(shown)
                            << QString::fromUtf8(says);
    };
    row("buzzer plays", "buzzer.wav", "lblBuzzer", "buzzer.wav, plays");
    row("buzzer missing", "gone.wav", "lblBuzzer", "gone.wav: file not found");
    row("no buzzer", "", "lblBuzzer", "none chosen");
    row("Standard board", "buzzer.wav", "lblGameSettings", "Standard board");
    row("Game board", "game", "lblGameSettings", "Game board, FIBA rules, 4 × 10:00 periods");
    row("start key changed", "key x", "cmdStartStop", "Start / Stop   x");
    row("options key", "buzzer.wav", "cmdOptions", "Options   o");
}

void tst_Console::facts() {
    QFETCH(QString, change);
    QFETCH(QString, shown);
    QFETCH(QString, says);
    open(change == QLatin1String("game"));
    const QString folder = QCoreApplication::applicationDirPath() + u'/';
    if (change.startsWith(QLatin1String("key ")))
        modBasketball::StartStopClockKey = KeyCode(change.back().unicode());
    else if (change.endsWith(QLatin1String(".wav")) || change.isEmpty())
        modBasketball::BuzzerFile = change.isEmpty() ? QString() : folder + change;
    // As the options dialog leaves the board once closed.
    m_board->UpdateLabels();
    m_board->UpdateFormColors();
    QWidget* line = m_console->findChild<QWidget*>(shown);
    QVERIFY(line);
    QTRY_VERIFY2(line->property("text").toString().startsWith(says),
                 qPrintable(line->property("text").toString()));
}

void tst_Console::mirror_data() {
    QTest::addColumn<bool>("gameBoard");
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("hidden"); // the console hidden while the board changes

    QTest::newRow("home score") << false << "home" << false;
    QTest::newRow("period") << false << "period" << false;
    QTest::newRow("possession lamp") << false << "poss" << false;
    QTest::newRow("clock ticks") << false << "tick" << false;
    QTest::newRow("team name") << false << "names" << false;
    QTest::newRow("game board foul") << true << "foul" << false;
    QTest::newRow("game board shot clock") << true << "shot" << false;
    QTest::newRow("score while hidden") << false << "home" << true;
    QTest::newRow("foul while hidden") << true << "foul" << true;
}

void tst_Console::mirror() {
    QFETCH(bool, gameBoard);
    QFETCH(QString, change);
    QFETCH(bool, hidden);
    open(gameBoard);
    BoardMirror* mirror = m_console->mirror();
    QTRY_COMPARE(pixels(mirror->picture()), wholeBoard(m_board, mirror->picture().size()));
    const QImage before = pixels(mirror->picture());
    const QImage viewBefore = pixels(mirror->grab());
    const int copies = mirror->copies();
    if (hidden)
        m_console->hide();

    if (change == QLatin1String("home")) {
        m_board->pledHomeScore[0]->setFocus();
        type(m_board->pledHomeScore[0], QStringLiteral("47 Enter"));
    } else if (change == QLatin1String("period")) {
        type(m_board->pledPeriod[0], QStringLiteral("3"));
    } else if (change == QLatin1String("poss")) {
        QTest::mouseClick(m_board->imgPossV, Qt::LeftButton);
    } else if (change == QLatin1String("tick")) {
        m_board->AllKeyPress(modBasketball::StartStopClockKey);
        m_time->advanceMs(1000);
        m_board->tmrClock_Timer();
        m_board->tmrClock->stop();
    } else if (change == QLatin1String("names")) {
        modBasketball::HomeText = QStringLiteral("Lions");
        m_board->UpdateLabels();
    } else if (change == QLatin1String("foul")) {
        m_board->gameBoard()->dispatch(game::Action(game::Command::HomeFoul));
    } else if (change == QLatin1String("shot")) {
        m_board->gameBoard()->dispatch(game::Action(game::Command::ShotClockShort));
    }

    // Hidden, the console copies nothing, and shown again it catches up.
    if (hidden) {
        QTest::qWait(0);
        QCOMPARE(mirror->copies(), copies);
        m_console->showOnOperatorScreen();
    }
    // The copy, drawn in parts as the board changed, is the whole board drawn afresh, and the console's
    // view shows it.
    QTRY_VERIFY(pixels(mirror->picture()) != before);
    QTRY_COMPARE(pixels(mirror->picture()), wholeBoard(m_board, mirror->picture().size()));
    QTRY_VERIFY(pixels(mirror->grab()) != viewBefore);
}

void tst_Console::operate_data() {
    QTest::addColumn<bool>("gameBoard");
    QTest::addColumn<QString>("input"); // "@home" lights a display, "cmd..." clicks a button, else a key
    QTest::addColumn<QString>("state"); // clock, possession, bonuses, scores, home fouls, window, «entry»

    const auto row = [](const char* name, bool gameBoard, const char* input, const char* state) {
        QTest::newRow(name) << gameBoard << QString::fromUtf8(input) << QString::fromUtf8(state);
    };
    row("digits wait for Enter", false, "@home 4 2", "stop 0 00 0-0 0 window «Home score: 42_»");
    row("Enter sets the score", false, "@home 4 2 Enter", "stop 0 00 42-0 0 window");
    row("plus adds at once", false, "@home + 3", "stop 0 00 3-0 0 window");
    row("Tab goes on to the visitor", false, "@home Tab 5 Enter", "stop 0 00 0-5 0 window");
    row("command key on a display", false, "@home s", "run 0 00 0-0 0 window");
    row("command key on no display", false, "s", "run 0 00 0-0 0 window");
    row("F11 fills the board's screen", false, "F11", "stop 0 00 0-0 0 full");
    row("Esc leaves it", false, "F11 Esc", "stop 0 00 0-0 0 window");
    row("game keys", true, "F3 F3 F3 ^Z", "stop 0 00 0-0 2 window");
    row("no game keys on the Standard board", false, "F3", "stop 0 00 0-0 0 window");
    row("start and stop buttons", false, "cmdStartStop cmdStartStop", "stop 0 00 0-0 0 window");
    row("possession button", false, "cmdPossHome", "stop 1 00 0-0 0 window");
    row("bonus button", false, "cmdBonusVisitor", "stop 0 01 0-0 0 window");
    row("keypad", false, "@home cmdPad1 cmdPad2", "stop 0 00 0-0 0 window «Home score: 12_»");
    row("keypad Enter", false, "@home cmdPad1 cmdPad2 cmdPadEnter", "stop 0 00 12-0 0 window");
    row("foul and undo buttons", true, "cmdHomeFoul cmdHomeFoul cmdUndo", "stop 0 00 0-0 1 window");
    row("no foul button on the Standard board", false, "cmdHomeFoul", "stop 0 00 0-0 0 window");
    row("full screen button", false, "cmdFullScreen", "stop 0 00 0-0 0 full");
}

void tst_Console::operate() {
    QFETCH(bool, gameBoard);
    QFETCH(QString, input);
    QFETCH(QString, state);
    open(gameBoard);
    if (QWidget* focused = m_board->focusWidget())
        focused->clearFocus();

    for (const QString& token : input.split(u' ')) {
        if (token == QLatin1String("@home")) {
            m_board->pledHomeScore[0]->setFocus();
        } else if (token.startsWith(QLatin1String("cmd"))) {
            QPushButton* button = m_console->button(token);
            QVERIFY2(button, qPrintable(token));
            QTest::mouseClick(button, Qt::LeftButton);
        } else {
            type(m_console, token);
        }
    }
    const auto now = [this] {
        const GameSnapshot game = m_board->game();
        const QString entry = m_console->lblEntry->text().section(u' ', 0, 2);
        return QStringLiteral("%1 %2 %3%4 %5-%6 %7 %8%9")
            .arg(game.clockRunning ? "run" : "stop")
            .arg(m_board->LitPoss)
            .arg(m_board->LitBonusH ? 1 : 0)
            .arg(m_board->LitBonusV ? 1 : 0)
            .arg(game.home)
            .arg(game.visitor)
            .arg(m_board->gameBoard()->game().state().fouls[game::Home])
            .arg(m_board->isFullScreen() ? "full" : "window")
            .arg(entry.isEmpty() ? QString() : QStringLiteral(" «%1»").arg(entry));
    };
    QTRY_COMPARE(now(), state);
}

void tst_Console::heldKey_data() {
    QTest::addColumn<bool>("marked");
    QTest::newRow("repeats marked") << true;
    QTest::newRow("repeats unmarked") << false;
}

// A held command key runs once from the console too, however the window system hands on its repeats.
void tst_Console::heldKey() {
    QFETCH(bool, marked);
    open();
    holdKey(m_console->windowHandle(), modBasketball::StartStopClockKey, 5, marked);
    QVERIFY(m_board->game().clockRunning);
}

void tst_Console::f2Toggles() {
    open();
    // Two screens and more: the console opens by itself.
    QVERIFY(m_console->isVisible());
    m_board->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_board));
    QTest::keyClick(m_board, Qt::Key_F2);
    QTRY_VERIFY(!m_console->isVisible());
    QTest::keyClick(m_board, Qt::Key_F2);
    QTRY_VERIFY(m_console->isVisible());
    QVERIFY(QTest::qWaitForWindowActive(m_console));
    QTest::keyClick(m_console, Qt::Key_F2);
    QTRY_VERIFY(!m_console->isVisible());
    // Closing the console hides it; the board carries on.
    m_console->show();
    m_console->close();
    QVERIFY(!m_console->isVisible());
    QVERIFY(frmSplash::console());
    QVERIFY(m_board->isVisible());
}

void tst_Console::placement_data() {
    QTest::addColumn<QString>("board");
    QTest::addColumn<QString>("remembered");
    QTest::addColumn<QString>("console");
    QTest::addColumn<QString>("afterBoardMoved");

    const auto row = [](const char* name, const char* board, const char* remembered, const char* console,
                        const char* afterBoardMoved) {
        QTest::newRow(name) << QString(board) << QString(remembered) << QString(console)
                            << QString(afterBoardMoved);
    };
    row("beside the board", "hall", "", "laptop", "hall");
    row("where it was left", "hall", "side", "side", "hall");
    row("never on the board's", "side", "side", "hall", "side");
}

void tst_Console::placement() {
    QFETCH(QString, board);
    QFETCH(QString, remembered);
    QFETCH(QString, console);
    QFETCH(QString, afterBoardMoved);
    if (!remembered.isEmpty())
        console::rememberScreen(remembered);
    open(false, board);
    QCOMPARE(m_board->screen()->name(), board);
    QCOMPARE(m_console->screen()->name(), console);
    QVERIFY(m_board->screen()->geometry().contains(m_board->geometry()));
    QVERIFY(m_console->screen()->availableGeometry().contains(m_console->geometry()));

    // The board taken on to the console's screen, the console makes way.
    const QString taken = m_console->screen()->name();
    for (int moves = 0; moves < 3 && m_board->screen()->name() != taken; ++moves)
        m_board->moveToNextScreen();
    QCOMPARE(m_board->screen()->name(), taken);
    QTRY_VERIFY(m_console->screen() != m_board->screen());
    QCOMPARE(m_console->screen()->name(), afterBoardMoved);
    QTRY_COMPARE(console::rememberedScreen(), afterBoardMoved);
}

void tst_Console::dialogs_data() {
    QTest::addColumn<QString>("opened");
    QTest::addColumn<bool>("consoleShown");

    QTest::newRow("options") << "options" << true;
    QTest::newRow("game settings") << "game settings" << true;
    QTest::newRow("close question") << "close" << true;
    QTest::newRow("help") << "help" << true;
    QTest::newRow("options over a hidden console") << "options" << false;
    QTest::newRow("help over a hidden console") << "help" << false;
}

void tst_Console::dialogs() {
    QFETCH(QString, opened);
    QFETCH(bool, consoleShown);
    open();
    m_board->toggleFullScreen();
    QTRY_VERIFY(m_board->isFullScreen());
    if (!consoleShown)
        m_console->hide();
    // A game in progress, so that closing asks.
    m_board->AllKeyPress(modBasketball::StartStopClockKey);

    QString dialogScreen;
    const auto note = [&dialogScreen](QWidget* modal) { dialogScreen = modal->screen()->name(); };
    if (opened == QLatin1String("help")) {
        type(m_board, QStringLiteral("h"));
        QVERIFY(frmHelp::instance());
        QVERIFY(QTest::qWaitForWindowExposed(frmHelp::instance()));
        dialogScreen = frmHelp::instance()->screen()->name();
    } else if (opened == QLatin1String("close")) {
        whenModal([&](QWidget* modal) {
            QVERIFY(qobject_cast<QMessageBox*>(modal));
            note(modal);
        });
        QVERIFY(!m_board->close());
    } else {
        whenModal(note);
        if (opened == QLatin1String("options"))
            m_board->OptionsCommand();
        else
            m_board->GameSettingsCommand();
    }
    QVERIFY(m_console->isVisible());
    QCOMPARE(dialogScreen, m_console->screen()->name());
    QVERIFY(dialogScreen != m_board->screen()->name());
}

int main(int argc, char** argv) {
    return execOnScreens<tst_Console>(Screens, argc, argv);
}

#include "tst_console.moc"
