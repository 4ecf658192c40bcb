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
#include <QPointer>
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

QTEST_MAIN(tst_Splash)
#include "tst_splash.moc"
