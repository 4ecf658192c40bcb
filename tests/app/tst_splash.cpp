#include "app/frmHelp.h"
#include "app/frmSplash.h"
#include "clock/modCount.h"
#include "platform/Label.h"
#include "scoreboard/frmScoreboard.h"
#include "settings/BuzzerFileCheck.h"
#include "settings/SettingsStore.h"
#include "settings/frmOptions.h"
#include "state/Twips.h"
#include "state/modBasketball.h"
#include "tests/support/ModalDriver.h"

#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

namespace {

int helpWindows() {
    int count = 0;
    for (const QWidget* window : QApplication::topLevelWidgets())
        count += qobject_cast<const frmHelp*>(window) && window->isVisible() ? 1 : 0;
    return count;
}

} // namespace

// The start-up window: what it shows, where it sits, and the hand-over to the board.
class tst_Splash : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void opensWithLogoVersionAndSettings();
    void everyClickTargetLeavesForTheBoard_data();
    void everyClickTargetLeavesForTheBoard();
    void optionsFromTheSplashAreInForceOnTheBoard();
    void helpFromTheSplashIsTheBoardsHelp();
    void buzzerProblemUnderTheVersion_data();
    void buzzerProblemUnderTheVersion();
    void desktopKeys_data();
    void desktopKeys();
    void commandLine_data();
    void commandLine();

private:
    // Clicks on the splash where the operator would, at a point inside target's own area.
    void clickOn(QWidget* target, QPoint at = {});

    QTemporaryDir m_store;
    QPointer<frmSplash> m_splash;
};

void tst_Splash::initTestCase() {
    QVERIFY(m_store.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_store.path());
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Courtvane"));
    store.setValue(QStringLiteral("TextSettings/HomeText"), QStringLiteral("Eagles"));
}

void tst_Splash::init() {
    modBasketball::HomeText.clear();
    m_splash = new frmSplash;
    m_splash->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_splash));
}

void tst_Splash::cleanup() {
    closeLeftoverModals();
    delete m_splash;
    delete frmSplash::scoreboard();
    for (QWidget* window : QApplication::topLevelWidgets())
        if (qobject_cast<frmHelp*>(window))
            delete window;
}

void tst_Splash::clickOn(QWidget* target, QPoint at) {
    if (at.isNull())
        at = target->rect().center();
    // The click lands on whatever lies at that point of the window, as a real one would.
    const QPoint inSplash = target->mapTo(m_splash.data(), at);
    QWidget* hit = m_splash->childAt(inSplash);
    QCOMPARE(hit ? hit : m_splash.data(), target);
    QTest::mouseClick(target, Qt::LeftButton, {}, at);
}

void tst_Splash::opensWithLogoVersionAndSettings() {
    QVERIFY(m_splash->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(m_splash->size(), QSize(Twips::toPixels(6240), Twips::toPixels(3240)));
    QCOMPARE(m_splash->frameSplash->height(), Twips::toPixels(3120));
    QCOMPARE(m_splash->lblName->caption(), QStringLiteral("Courtvane Standard"));
    QCOMPARE(m_splash->lblVersion->caption(), QStringLiteral("Version " COURTVANE_EXPECTED_VERSION));
    QVERIFY(!m_splash->lblMadeBy->caption().isEmpty());
    QCOMPARE(m_splash->picLogo->pixmap().size(), QSize(126, 126));
    QCOMPARE(m_splash->picLogo->size(), QSize(126, 126));
    // The settings are loaded before anything else can read them.
    QCOMPARE(modBasketball::HomeText, QStringLiteral("Eagles"));
    QCOMPARE(versionCaption(1, 1, 4), QStringLiteral("Version 1.1.4"));
    // Above the centre: on a screen 11520 twips high the top is at 2820.
    QCOMPARE(splashTop(11520), 2820.0);
    const QRect screen = m_splash->screen()->geometry();
    QCOMPARE(m_splash->y(), Twips::toPixels(splashTop(Twips::fromPixels(screen.height()))));
    QVERIFY(qAbs(m_splash->geometry().center().x() - screen.center().x()) <= 1);
}

void tst_Splash::everyClickTargetLeavesForTheBoard_data() {
    QTest::addColumn<QString>("target");
    for (const char* name : {"window", "frameSplash", "picLogo", "lblName", "lblMadeBy", "lblVersion",
                             "lblClick", "Label1", "Label2"})
        QTest::newRow(name) << name;
}

void tst_Splash::everyClickTargetLeavesForTheBoard() {
    QFETCH(QString, target);
    if (target == "window")
        clickOn(m_splash, QPoint(3, 3));
    else if (target == "frameSplash")
        clickOn(m_splash->frameSplash, QPoint(Twips::toPixels(150), Twips::toPixels(2000)));
    else
        clickOn(m_splash->findChild<QWidget*>(target));

    QTRY_VERIFY(m_splash.isNull());
    frmScoreboard* board = frmSplash::scoreboard();
    QVERIFY(board);
    QVERIFY(board->isVisible());
    QCOMPARE(board->lblHome->caption(), QStringLiteral("Eagles"));
}

void tst_Splash::optionsFromTheSplashAreInForceOnTheBoard() {
    whenModal([](QWidget* modal) {
        auto* options = qobject_cast<frmOptions*>(modal);
        QVERIFY(options);
        for (LimitedTextBox* box : {options->txtHomeText, options->txtVisitorText}) {
            box->selectAll();
            QTest::keyClick(box, Qt::Key_Delete);
        }
        QTest::keyClicks(options->txtHomeText, QStringLiteral("Hawks"));
        QTest::keyClicks(options->txtVisitorText, QStringLiteral("Owls"));
        options->cmdOk->click();
    });
    m_splash->cmdOptions->click();
    QVERIFY(m_splash && m_splash->isVisible());

    clickOn(m_splash->lblClick);
    QTRY_VERIFY(m_splash.isNull());
    QCOMPARE(frmSplash::scoreboard()->lblHome->caption(), QStringLiteral("Hawks"));
    QCOMPARE(frmSplash::scoreboard()->lblVisitor->caption(), QStringLiteral("Owls"));
}

void tst_Splash::helpFromTheSplashIsTheBoardsHelp() {
    m_splash->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_splash));
    QTest::keyClick(m_splash.data(), Qt::Key_H, Qt::AltModifier);
    QTRY_COMPARE(helpWindows(), 1);
    QVERIFY(m_splash->isVisible());

    clickOn(m_splash.data(), QPoint(3, 3));
    QTRY_VERIFY(m_splash.isNull());
    QCOMPARE(helpWindows(), 1);
    // The board's help key shows that same window rather than a second one.
    QTest::keyClick(frmSplash::scoreboard(), 'h');
    QCOMPARE(helpWindows(), 1);
    // The start key typed in the help window, opened before the board, starts the board's clock.
    QTest::keyClick(frmHelp::instance()->rtbHelp(), 's');
    QCOMPARE(modCount::IsCounting(0), FlagTrue);
    modCount::StopCount(0);
}

void tst_Splash::buzzerProblemUnderTheVersion_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("line");

    QTest::newRow("not a wave file") << QByteArray("Not a sound at all.")
                                     << "Buzzer: cannot be played: not a wave file";
}

void tst_Splash::buzzerProblemUnderTheVersion() {
    QFETCH(QByteArray, content);
    QFETCH(QString, line);

    const QString buzzer = m_store.filePath(QStringLiteral("buzzer.wav"));
    QFile file(buzzer);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    file.close();
    {
        QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Courtvane"));
        store.setValue(QStringLiteral("KeySettings/BuzzerFile"), buzzer);
    }
    // A splash of its own, since the one of init() loaded the store before this test wrote it.
    delete m_splash;
    m_splash = new frmSplash;
    QSignalSpy checked(m_splash->findChild<BuzzerFileCheck*>(), &BuzzerFileCheck::checked);
    m_splash->show();
    QVERIFY(checked.wait());
    QCOMPARE(m_splash->lblBuzzerProblem->caption(), line);
    QVERIFY(m_splash->lblBuzzerProblem->isVisible());
    QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Courtvane"))
        .remove(QStringLiteral("KeySettings/BuzzerFile"));

    // Only the operator sees it: nothing on the board tells the crowd.
    clickOn(m_splash->lblBuzzerProblem);
    QTRY_VERIFY(m_splash.isNull());
    for (const Label* label : frmSplash::scoreboard()->findChildren<Label*>())
        QVERIFY2(!label->caption().contains(QStringLiteral("cannot be played")),
                 qPrintable(label->objectName()));
}

void tst_Splash::desktopKeys_data() {
    // where the key is typed: the splash, the board or the help window opened from the board.
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("key");    // F1, Ctrl+Q, or a letter held with five repeats
    QTest::addColumn<bool>("game");      // a score of 5 on the board first
    QTest::addColumn<QString>("answer"); // to the close question, empty when none is to be asked
    QTest::addColumn<int>("helps");
    QTest::addColumn<bool>("boardOpen");
    QTest::addColumn<bool>("running");
    QTest::newRow("F1 on the splash") << "splash"
                                      << "F1" << false << "" << 1 << false << false;
    QTest::newRow("F1 on the board") << "board"
                                     << "F1" << false << "" << 1 << true << false;
    QTest::newRow("Ctrl+Q, no game") << "board"
                                     << "Ctrl+Q" << false << "" << 0 << false << false;
    QTest::newRow("Ctrl+Q in a game, No") << "board"
                                          << "Ctrl+Q" << true << "no" << 0 << true << false;
    QTest::newRow("Ctrl+Q in a game, Yes") << "board"
                                           << "Ctrl+Q" << true << "yes" << 0 << false << false;
    QTest::newRow("start held in the help") << "help"
                                            << "s" << false << "" << 1 << true << true;
}

void tst_Splash::desktopKeys() {
    QFETCH(QString, where);
    QFETCH(QString, key);
    QFETCH(bool, game);
    QFETCH(QString, answer);
    QFETCH(int, helps);
    QFETCH(bool, boardOpen);
    QFETCH(bool, running);
    QWidget* window = m_splash.data();
    QPointer<frmScoreboard> board;
    if (where != QLatin1String("splash")) {
        clickOn(m_splash.data(), QPoint(3, 3));
        QTRY_VERIFY(m_splash.isNull());
        board = frmSplash::scoreboard();
        window = board;
        if (game)
            QTest::keyClicks(board->pledHomeScore[0], QStringLiteral("5\r"));
    }
    if (where == QLatin1String("help"))
        QTest::keyClick(board.data(), 'h');
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));

    bool asked = false;
    if (!answer.isEmpty())
        whenModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box);
            asked = true;
            box->button(answer == QLatin1String("yes") ? QMessageBox::Yes : QMessageBox::No)->click();
        });
    if (key == QLatin1String("F1")) {
        QTest::keyClick(window, Qt::Key_F1);
    } else if (key == QLatin1String("Ctrl+Q")) {
        QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
    } else {
        // A held key: the first press and five repeats reach the help's text area, as typed there.
        QWidget* text = frmHelp::instance()->rtbHelp();
        const int code = key.toUpper().at(0).unicode();
        for (int i = 0; i < 6; ++i)
            QTest::simulateEvent(text, true, code, {}, key, i > 0);
    }
    QTRY_COMPARE(helpWindows(), helps);
    QCOMPARE(asked, !answer.isEmpty());
    QCOMPARE(!board.isNull() && board->isVisible(), boardOpen);
    QCOMPARE(modCount::IsCounting(0) != FlagFalse, running);
    modCount::StopCount(0);
}

void tst_Splash::commandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("printed"); // the start of what it prints
    QTest::addColumn<QStringList>("mentions");
    QTest::newRow("--version") << QStringList{"--version"}
                               << "Courtvane Standard " COURTVANE_EXPECTED_VERSION "\n"
                               << QStringList{};
    QTest::newRow("-v") << QStringList{"-v"} << "Courtvane Standard " COURTVANE_EXPECTED_VERSION "\n"
                        << QStringList{};
    QTest::newRow("--help") << QStringList{"--help"}
                            << "Usage: " << QStringList{"--version", "--help", "F1", "Ctrl+Q"};
    QTest::newRow("-h among Qt's own options")
        << QStringList{"-platform", "offscreen", "-h"} << "Usage: " << QStringList{"--version"};
}

void tst_Splash::commandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, printed);
    QFETCH(QStringList, mentions);
    // No display to open: the program must answer before it would need one.
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(COURTVANE_PROGRAM), arguments);
    QVERIFY(program.waitForFinished(30'000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    const QString out = QString::fromUtf8(program.readAllStandardOutput());
    QVERIFY2(out.startsWith(printed), qPrintable(out));
    for (const QString& mention : mentions)
        QVERIFY2(out.contains(mention), qPrintable(mention));
    // Without a display it could not be answered.
    QVERIFY(!out.contains(QLatin1String("--help-all")));
}

QTEST_MAIN(tst_Splash)
#include "tst_splash.moc"
