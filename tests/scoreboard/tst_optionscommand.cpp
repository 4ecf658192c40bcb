#include "clock/modCount.h"
#include "layout/modStretch.h"
#include "scoreboard/frmScoreboard.h"
#include "settings/SettingsStore.h"
#include "settings/frmOptions.h"
#include "state/Twips.h"
#include "state/modBasketball.h"
#include "tests/support/BoardText.h"
#include "tests/support/ManualTime.h"
#include "tests/support/ModalDriver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The "o" key on the board: the options dialog over a running board, and what the board takes up
// once it has closed.
class tst_OptionsCommand : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void boardTakesUpTheSettingsHoweverClosed_data();
    void boardTakesUpTheSettingsHoweverClosed();
    void clockRunsAndBuzzerSoundsWhileOpen();
    void maximisedBoardBecomesTheBaseline();

private:
    QString storeFile() const { return m_store.filePath(QStringLiteral("Courtvane.conf")); }

    QTemporaryDir m_store;
    std::unique_ptr<ManualTime> m_time;
    std::unique_ptr<frmScoreboard> m_board;
};

void tst_OptionsCommand::initTestCase() {
    QVERIFY(m_store.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_store.path());
}

void tst_OptionsCommand::init() {
    QFile::remove(storeFile());
    modSettings::LoadSettings();
    modCount::ResetAllSlots();
    m_time = std::make_unique<ManualTime>();
    m_board = std::make_unique<frmScoreboard>();
}

void tst_OptionsCommand::cleanup() {
    closeLeftoverModals();
    m_board.reset();
    m_time.reset();
    QDir(storeFile()).removeRecursively();
}

void tst_OptionsCommand::boardTakesUpTheSettingsHoweverClosed_data() {
    QTest::addColumn<QString>("close");
    QTest::addColumn<bool>("storeWritable");
    QTest::newRow("ok") << "ok" << true;
    QTest::newRow("cancel") << "cancel" << true;
    QTest::newRow("close control") << "close" << true;
    // A folder where the store's file belongs: no one, not even an administrator, can write it.
    QTest::newRow("ok, store cannot be written") << "ok" << false;
}

void tst_OptionsCommand::boardTakesUpTheSettingsHoweverClosed() {
    QFETCH(QString, close);
    QFETCH(bool, storeWritable);
    if (!storeWritable)
        QVERIFY(QDir().mkpath(storeFile()));
    // Changed in the state alone, as nothing but the options command shows them on the board.
    const QString horn = QCoreApplication::applicationDirPath() + QStringLiteral("/buzzer.wav");
    modBasketball::TitleText = QStringLiteral("Cup Final");
    modBasketball::BorderColor = 0x00FF00;
    modBasketball::BuzzerFile = horn;
    m_board->mmcBuzzer->setFileName(QStringLiteral("old.wav"));

    QString message;
    whenModal([&](QWidget* modal) {
        auto* options = qobject_cast<frmOptions*>(modal);
        QVERIFY(options);
        QCOMPARE(options->parentWidget(), m_board.get());
        QTest::keyClicks(options->txtHomeText, QStringLiteral("s"));
        whenModal([&](QWidget* answer) {
            auto* box = qobject_cast<QMessageBox*>(answer);
            QVERIFY(box);
            message = box->text();
            box->button(QMessageBox::Ok)->click();
        });
        if (close == "ok")
            options->cmdOk->click();
        else if (close == "cancel")
            options->cmdCancel->click();
        else
            options->close();
    });
    QTest::keyClick(m_board.get(), 'o');

    QCOMPARE(m_board->lblTitle->caption(), QStringLiteral("Cup Final"));
    QCOMPARE(m_board->lblHome->caption(), close == "ok" ? QStringLiteral("Homes") : QStringLiteral("Home"));
    QCOMPARE(modBasketball::HomeText, m_board->lblHome->caption());
    QCOMPARE(m_board->lblTitle->foreColor(), 0x00FF00);
    QCOMPARE(m_board->mmcBuzzer->fileName(), horn);
    QVERIFY(m_board->mmcBuzzer->isOpen());
    QCOMPARE(QFileInfo(storeFile()).isFile(), close == "ok" && storeWritable);
    // Only a failed save brings a message, and it names the file.
    QCOMPARE(message.contains(QDir::toNativeSeparators(storeFile())), !storeWritable);
    QCOMPARE(message.isEmpty(), storeWritable);
}

void tst_OptionsCommand::clockRunsAndBuzzerSoundsWhileOpen() {
    modCount::SetCount(Currency::fromSeconds(2), 0, 0);
    m_board->mmcBuzzer->setFileName(QStringLiteral("counted.wav"));
    QTest::keyClick(m_board.get(), 's');
    bool seen = false;
    whenModal([&](QWidget* modal) {
        // The board's own timer keeps ticking inside the dialog's loop.
        m_time->advanceMs(1000);
        QTRY_COMPARE(shown(m_board->pledTime), QStringLiteral("_10_"));
        m_time->advanceMs(1500);
        QTRY_COMPARE(m_board->mmcBuzzer->playCount(), 1);
        seen = true;
        qobject_cast<QDialog*>(modal)->reject();
    });
    QTest::keyClick(m_board.get(), 'o');

    QVERIFY(seen);
    QCOMPARE(m_board->mmcBuzzer->playCount(), 1);
    QCOMPARE(modCount::ReadCount(0), Currency());
}

void tst_OptionsCommand::maximisedBoardBecomesTheBaseline() {
    m_board->showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(m_board.get()));
    QTRY_VERIFY(m_board->width() > Twips::toPixels(9480));
    const double titleFont = m_board->lblTitle->fontSize();
    QVERIFY(titleFont > 32.5);

    whenModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    QTest::keyClick(m_board.get(), 'o');

    const QRect outer = m_board->frameGeometry();
    QCOMPARE(modStretch::OrigWidth(), qRound(Twips::fromPixels(outer.width())));
    QCOMPARE(modStretch::OrigHeight(), qRound(Twips::fromPixels(outer.height())));
    // Restoring shrinks everything from the maximised layout back to about the design.
    m_board->showNormal();
    QTRY_VERIFY(m_board->lblTitle->fontSize() < titleFont);
    QVERIFY(qAbs(m_board->lblTitle->fontSize() - 32) < 1);
}

QTEST_MAIN(tst_OptionsCommand)
#include "tst_optionscommand.moc"
