#include "gamesettings/frmGameSettings.h"
#include "platform/ScreenFit.h"
#include "settings/BuzzerFileCheck.h"
#include "settings/GameSettingsStore.h"
#include "settings/SettingsTable.h"
#include "sound/SoundDevice.h"
#include "sound/WaveFile.h"
#include "tests/settings/HostileFile.h"
#include "tests/support/ModalDriver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

using game::Figure;
using Texts = QMap<QString, QString>;

namespace {

Figure figureNamed(const QString& name) {
    for (const Figure figure : game::allFigures())
        if (game::figureName(figure) == name)
            return figure;
    qFatal("no figure %s", qPrintable(name));
}

// "Key=text Key=text ...": the texts of some keys of the game's section.
Texts texts(const QString& pairs) {
    Texts texts;
    for (const QString& pair : pairs.split(u' ', Qt::SkipEmptyParts))
        texts.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
    return texts;
}

Texts texts(const game::GameSettings& settings) {
    Texts texts;
    for (const auto& [key, text] : game::writeGameSettings(settings))
        texts.insert(key, text);
    return texts;
}

Texts gameSection() {
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Courtvane"));
    store.beginGroup(game::GameSettingsSection);
    Texts texts;
    for (const QString& key : store.childKeys())
        texts.insert(key, store.value(key).toString());
    return texts;
}

void writeGameSection(const Texts& texts) {
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Courtvane"));
    for (auto it = texts.begin(); it != texts.end(); ++it)
        store.setValue(game::GameSettingsSection + u'/' + it.key(), it.value());
}

// Picks from a drop-down list by keys, as the operator does: Home and End go straight to the first
// and the last item, the arrows step through those between.
void pick(QComboBox* box, const QString& wanted) {
    const int target = qMax(box->findText(wanted), box->findData(wanted));
    QVERIFY2(target >= 0, qPrintable(wanted));
    if (target == 0 || target == box->count() - 1)
        QTest::keyClick(box, target == 0 ? Qt::Key_Home : Qt::Key_End);
    for (int step = 0; step < box->count() && box->currentIndex() != target; ++step)
        QTest::keyClick(box, target > box->currentIndex() ? Qt::Key_Down : Qt::Key_Up);
    QCOMPARE(box->currentIndex(), target);
}

void retype(QLineEdit* field, const QString& text) {
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

// One operator action: "Rules=NFHS", "Layout=Game", "HornFile=path" (typed), "Browse=path" (picked
// in the file dialog), "<figure name>=text" (typed, ticked or picked as the field takes it), the
// server's "Serve=true", "ServeNetwork=true", "ServePort=9000", or a button: "OK", "Cancel", "Close".
void perform(frmGameSettings* window, const QString& step) {
    const QString key = step.section(u'=', 0, 0);
    const QString value = step.section(u'=', 1);
    if (key == u"OK")
        return window->cmdOk->click();
    if (key == u"Cancel")
        return window->cmdCancel->click();
    if (key == u"Close") {
        window->close();
        return;
    }
    if (key == u"Rules")
        return pick(window->cboRules, value);
    if (key == u"Layout")
        return (value == u"Game" ? window->optGame : window->optStandard)->click();
    if (key == u"HornFile")
        return retype(window->txtHornFile, value);
    if (key == u"ServePort") {
        window->txtServePort->selectAll();
        return QTest::keyClicks(window->txtServePort, value);
    }
    if (key == u"Serve" || key == u"ServeNetwork") {
        QCheckBox* check = key == u"Serve" ? window->chkServe : window->chkServeNetwork;
        if (check->isChecked() != (value == u"true"))
            QTest::keyClick(check, Qt::Key_Space);
        return;
    }
    if (key == u"Browse") {
        whenModal([value](QWidget* modal) {
            auto* chooser = qobject_cast<QFileDialog*>(modal);
            QVERIFY(chooser);
            QCOMPARE(chooser->nameFilters(), QStringList{"Wave files (*.wav)"});
            chooser->selectFile(value);
            static_cast<QDialog*>(chooser)->accept();
        });
        return window->cmdBrowse->click();
    }
    QWidget* field = window->figureField(figureNamed(key));
    if (auto* text = qobject_cast<QLineEdit*>(field))
        return retype(text, value);
    if (auto* check = qobject_cast<QCheckBox*>(field)) {
        if (check->isChecked() != (value == u"true"))
            QTest::keyClick(check, Qt::Key_Space);
        return;
    }
    pick(qobject_cast<QComboBox*>(field), value);
}

// What a figure's field shows, in the form of the steps above.
QString shownBy(const frmGameSettings* window, Figure figure) {
    QWidget* field = window->figureField(figure);
    if (auto* text = qobject_cast<QLineEdit*>(field))
        return text->text();
    if (auto* check = qobject_cast<QCheckBox*>(field))
        return check->isChecked() ? QStringLiteral("true") : QStringLiteral("false");
    return qobject_cast<QComboBox*>(field)->currentData().toString();
}

// The typed figure's refusal line as "Name: reason" when it shows one.
QStringList refusalsShown(const frmGameSettings* window) {
    QStringList shown;
    for (const Figure figure : game::allFigures()) {
        const QLabel* line = window->refusalLine(figure);
        if (line && !line->isHidden())
            shown << game::figureName(figure) + QStringLiteral(": ") + line->text();
    }
    return shown;
}

} // namespace

// The game settings window, driven as the operator does, over a real store in a temporary folder.
class tst_GameSettingsWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup() { closeLeftoverModals(); }

    void typedFigures_data();
    void typedFigures();
    void presetFigures_data();
    void presetFigures();
    void confirmOrDiscard_data();
    void confirmOrDiscard();
    void unusableStoreIsReportedAndTheChoiceHolds();
    void hornLine_data();
    void hornLine();
    void shippedHornIsASoundOfItsOwn();
    void fitsASmallLaptopScreen();
    void fitsAScreenTooSmallForIt();
    void tabGoesAsTheEyeDoes();

private:
    QString storeFile() const { return m_store.filePath(QStringLiteral("Courtvane.conf")); }
    QString textFile() const { return m_store.filePath(QStringLiteral("text.wav")); }

    QTemporaryDir m_store;
};

void tst_GameSettingsWindow::initTestCase() {
    QVERIFY(m_store.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_store.path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, m_store.filePath("system"));
    QFile text(textFile());
    QVERIFY(text.open(QIODevice::WriteOnly) && text.write("Not a sound at all.") > 0);
}

void tst_GameSettingsWindow::init() {
    QFileInfo(storeFile()).isDir() ? QDir(storeFile()).removeRecursively() : QFile::remove(storeFile());
}

void tst_GameSettingsWindow::typedFigures_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("refused");

    QTest::newRow("minutes and seconds, or seconds") << "PeriodLength=12:00;OvertimeLength=90"
                                                     << "";
    QTest::newRow("period of 0") << "PeriodLength=0"
                                 << "PeriodLength: A period cannot be 0.";
    QTest::newRow("longest period") << "PeriodLength=99:59"
                                    << "";
    QTest::newRow("period over 99:59") << "PeriodLength=6000"
                                       << "PeriodLength: A period cannot be over 99:59.";
    QTest::newRow("shot clock over 99") << "ShotClockFull=100"
                                        << "ShotClockFull: The shot clock cannot be over 99 s.";
    QTest::newRow("negative count") << "TimeoutsFirstHalf=-1"
                                    << "TimeoutsFirstHalf: First-half timeouts cannot be negative.";
    QTest::newRow("words") << "Periods=four"
                           << "Periods: The number of periods must be a whole number from 1 to 9.";
    QTest::newRow("refused, then put right") << "Periods=0;Periods=5"
                                             << "";
    QTest::newRow("short reset above the full one")
        << "ShotClockShort=30"
        << "ShotClockShort: The short reset cannot be above the full one (24 s).";
    QTest::newRow("a sooner warning lets the waiting timeout length in") << "TimeoutLength=40;TimeoutSignal=9"
                                                                         << "";
    QTest::newRow("two refused, one put right") << "HalfTimeLength=-5;TimeoutLength=100;HalfTimeLength=10:00"
                                                << "TimeoutLength: A timeout cannot be over 99 s.";
    QTest::newRow("another preset drops what was refused") << "Periods=0;Rules=FIBA"
                                                           << "";
}

void tst_GameSettingsWindow::typedFigures() {
    QFETCH(QString, steps);
    QFETCH(QString, refused);

    frmGameSettings window(nullptr);
    window.show();
    perform(&window, "Rules=Custom");
    for (const QString& step : steps.split(u';'))
        perform(&window, step);

    QCOMPARE(refusalsShown(&window), refused.isEmpty() ? QStringList{} : QStringList{refused});
    QCOMPARE(window.cmdOk->isEnabled(), refused.isEmpty());
    // A screen reader hears the reason with the field.
    if (!refused.isEmpty())
        QCOMPARE(window.figureField(figureNamed(refused.section(u':', 0, 0)))->accessibleDescription(),
                 refused.section(QStringLiteral(": "), 1));
}

void tst_GameSettingsWindow::presetFigures_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<Texts>("shown");
    QTest::addColumn<bool>("editable");

    const Texts fiba =
        texts("Periods=4 PeriodLength=10:00 OvertimeLength=5:00 IntervalLength=2:00 "
              "HalfTimeLength=15:00 ShotClock=true ShotClockFull=24 ShotClockShort=14 "
              "ShotClockBlanking=false FoulLimit=4 FoulReset=Period OvertimeKeepsFouls=true "
              "TimeoutsFirstHalf=2 TimeoutsSecondHalf=3 TimeoutsLateCap=2 TimeoutsLateWindow=2:00 "
              "TimeoutsPerOvertime=1 TimeoutsCarried=false TimeoutLength=60 TimeoutSignal=50");
    Texts nfhs = fiba;
    nfhs.insert(texts("PeriodLength=8:00 OvertimeLength=4:00 IntervalLength=1:00 HalfTimeLength=10:00 "
                      "ShotClock=false ShotClockFull=35 ShotClockShort=35 ShotClockBlanking=true "
                      "TimeoutsFirstHalf=5 TimeoutsSecondHalf=0 TimeoutsLateCap=0 TimeoutsCarried=true"));

    QTest::newRow("FIBA opens first") << "" << fiba << false;
    QTest::newRow("NFHS") << "Rules=NFHS" << nfhs << false;
    QTest::newRow("Custom starts from the NFHS figures on show") << "Rules=NFHS;Rules=Custom" << nfhs << true;
    QTest::newRow("back to FIBA from Custom")
        << "Rules=Custom;Periods=2;ShotClock=false;Rules=FIBA" << fiba << false;
    QTest::newRow("a locked figure takes no typing")
        << "Rules=NFHS;Periods=7;ShotClockBlanking=false" << nfhs << false;
}

void tst_GameSettingsWindow::presetFigures() {
    QFETCH(QString, steps);
    QFETCH(Texts, shown);
    QFETCH(bool, editable);

    frmGameSettings window(nullptr);
    window.show();
    for (const QString& step : steps.split(u';', Qt::SkipEmptyParts))
        perform(&window, step);

    Texts seen;
    QSet<QString> names;
    for (const Figure figure : game::allFigures()) {
        seen.insert(game::figureName(figure), shownBy(&window, figure));
        QCOMPARE(window.figureField(figure)->isEnabled(), editable);
        names.insert(window.figureField(figure)->accessibleName());
    }
    QCOMPARE(seen, shown);
    // Every field has a name of its own for a screen reader.
    QVERIFY(!names.contains(QString()));
    QCOMPARE(names.size(), game::FigureCount);
}

void tst_GameSettingsWindow::confirmOrDiscard_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<bool>("confirmed");
    QTest::addColumn<QString>("changes");

    const QString horn = game::defaultHornFile();
    const QString custom =
        "Rules=Custom;PeriodLength=12:00;ShotClockFull=30;ShotClockShort=20;ShotClock=false;"
        "FoulReset=Half;TimeoutSignal=0;Layout=Game;HornFile=;Browse=" +
        horn;
    const QString earlier = "Layout=Game Rules=Custom Periods=2 HalfTimeLength=0 HornFile=";

    QTest::newRow("custom figures, board and horn saved")
        << "" << custom + ";OK" << true
        << "Layout=Game Rules=Custom PeriodLength=720 ShotClockFull=30 ShotClockShort=20 ShotClock=false "
           "FoulReset=Half TimeoutSignal=0 HornFile=" +
               horn;
    QTest::newRow("earlier custom figures open as stored") << earlier << "OK" << true << "";
    QTest::newRow("earlier custom figures changed")
        << earlier << "Periods=3;Layout=Standard;HornFile=" + textFile() + ";OK" << true
        << "Periods=3 Layout=Standard HornFile=" + textFile();
    QTest::newRow("server on the network, another port")
        << ""
        << "Serve=true;ServeNetwork=true;ServePort=9000;OK" << true
        << "Serve=true ServeNetwork=true ServePort=9000";
    QTest::newRow("server switched off") << "Serve=true ServePort=9001"
                                         << "Serve=false;OK" << true << "Serve=false";
    QTest::newRow("cancel discards") << "" << custom + ";Cancel" << false << "";
    QTest::newRow("close control discards") << earlier << "Periods=3;Close" << false << "";
    QTest::newRow("refused figure holds OK back") << ""
                                                  << "Rules=Custom;Periods=0;OK" << false << "";
}

void tst_GameSettingsWindow::confirmOrDiscard() {
    QFETCH(QString, stored);
    QFETCH(QString, steps);
    QFETCH(bool, confirmed);
    QFETCH(QString, changes);

    writeGameSection(texts(stored));
    // Everything the opening shows, as the store's own writer has it.
    Texts expected = confirmed ? texts(modSettings::LoadGameSettings()) : texts(stored);
    expected.insert(texts(changes));

    game::GameSettings chosen;
    whenModal([&steps](QWidget* modal) {
        auto* window = qobject_cast<frmGameSettings*>(modal);
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QStringLiteral("Game Settings"));
        for (const QString& step : steps.split(u';'))
            perform(window, step);
    });
    QCOMPARE(frmGameSettings::showModal(nullptr, chosen), confirmed);

    QCOMPARE(gameSection(), expected);
    // What was saved reads back as what was confirmed.
    if (confirmed)
        QCOMPARE(texts(modSettings::LoadGameSettings()), texts(chosen));
}

void tst_GameSettingsWindow::unusableStoreIsReportedAndTheChoiceHolds() {
    QVERIFY(makeHostile("directory", storeFile()));
    QString warned;
    game::GameSettings chosen;
    whenModal([&warned](QWidget* modal) {
        auto* window = qobject_cast<frmGameSettings*>(modal);
        QVERIFY(window);
        for (const char* step : {"Rules=Custom", "Periods=6", "Layout=Game"})
            perform(window, step);
        whenModal([&warned](QWidget* box) {
            auto* warning = qobject_cast<QMessageBox*>(box);
            QVERIFY(warning);
            QCOMPARE(warning->windowTitle(), QStringLiteral("Settings Not Saved"));
            warned = warning->text();
        });
        perform(window, "OK");
    });
    QVERIFY(frmGameSettings::showModal(nullptr, chosen));

    QVERIFY2(warned.contains(QStringLiteral("is not a regular file")), qPrintable(warned));
    QCOMPARE(fingerprint(storeFile()), QStringLiteral("directory"));
    QCOMPARE(chosen.layout, game::Layout::Game);
    QCOMPARE(chosen.preset, game::RulesPreset::Custom);
    QCOMPARE(chosen.rules.periods, 6);
}

void tst_GameSettingsWindow::hornLine_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("line");

    const QString notWave = "cannot be played: not a wave file";
    const QString shipped = game::defaultHornFile();
    QTest::newRow("the shipped horn") << shipped << ""
                                      << "";
    QTest::newRow("missing") << shipped + ".gone"
                             << ""
                             << "file not found";
    QTest::newRow("not a wave file") << textFile() << "" << notWave;
    QTest::newRow("no horn") << ""
                             << ""
                             << "";
    QTest::newRow("a playable file browsed to") << textFile() << "Browse=" + shipped << "";
    QTest::newRow("an unplayable path typed") << shipped << "HornFile=" + textFile() << notWave;
}

void tst_GameSettingsWindow::hornLine() {
    QFETCH(QString, stored);
    QFETCH(QString, step);
    QFETCH(QString, line);

    writeGameSection({{"HornFile", stored}});
    frmGameSettings window(nullptr);
    QSignalSpy checked(window.findChild<BuzzerFileCheck*>(), &BuzzerFileCheck::checked);
    window.show();
    QCOMPARE(window.txtHornFile->text(), stored);
    if (!step.isEmpty()) {
        perform(&window, step);
        // Only the look at the final path is still to be told; an empty path is told at once.
        checked.clear();
    }
    const QString path = window.txtHornFile->text();
    QVERIFY(path.isEmpty() || checked.count() > 0 || checked.wait());
    QCOMPARE(window.lblHornProblem->text(), line);
    QCOMPARE(window.lblHornProblem->isHidden(), line.isEmpty());

    // Test plays the file on show once, whether or not a sound output is there; no file, no test.
    auto* horn = window.findChild<SoundDevice*>();
    QCOMPARE(window.cmdTest->isEnabled(), !path.isEmpty());
    window.cmdTest->click();
    QCOMPARE(horn->playCount(), path.isEmpty() ? 0 : 1);
    QCOMPARE(horn->fileName(), path);
}

void tst_GameSettingsWindow::shippedHornIsASoundOfItsOwn() {
    const WaveLoad horn = loadWaveFile(game::defaultHornFile());
    const WaveLoad buzzer = loadWaveFile(modSettings::defaultBuzzerFile());
    QVERIFY(horn.sound && buzzer.sound);
    QCOMPARE(horn.sound->format, SampleFormat::S16);
    QCOMPARE(horn.sound->channels, 1);
    QCOMPARE(horn.sound->sampleRate, 44100);
    QVERIFY(horn.sound->samples != buzzer.sound->samples);

    // Higher than the buzzer by far: its waveform crosses zero more than twice as often.
    const auto crossingsPerFrame = [](const WaveSound& sound) {
        const auto* samples = reinterpret_cast<const qint16*>(sound.samples.constData());
        qsizetype crossings = 0;
        for (qsizetype i = 1; i < sound.frames(); ++i)
            crossings += (samples[i - 1] < 0) != (samples[i] < 0);
        return double(crossings) / double(sound.frames());
    };
    QVERIFY(crossingsPerFrame(*horn.sound) > 2 * crossingsPerFrame(*buzzer.sound));
}

void tst_GameSettingsWindow::fitsASmallLaptopScreen() {
    // With every typed figure refused at once, the tallest the window gets, it still leaves room
    // on a 1366 x 768 screen for a title bar and a panel.
    frmGameSettings window(nullptr);
    window.show();
    perform(&window, "Rules=Custom");
    for (const Figure figure : game::allFigures()) {
        if (window.refusalLine(figure))
            perform(&window, game::figureName(figure) + QStringLiteral("=x"));
    }
    QCOMPARE(refusalsShown(&window).size(), 15);
    const QSize unscrolled = window.sizeHint();
    QVERIFY2(unscrolled.width() <= 1366 && unscrolled.height() <= 768 - 80,
             qPrintable(QStringLiteral("%1 x %2").arg(unscrolled.width()).arg(unscrolled.height())));
    // Each reason has the room its wrapped lines need.
    for (const Figure figure : game::allFigures()) {
        if (const QLabel* line = window.refusalLine(figure))
            QVERIFY2(line->height() >= line->heightForWidth(line->width()), qPrintable(line->text()));
    }
}

void tst_GameSettingsWindow::fitsAScreenTooSmallForIt() {
    // The offscreen platform's screen, 800 x 600, is narrower than the settings side by side, as
    // a laptop at a large scale is: the window fits it, its settings scroll, its buttons show.
    ScreenFit::WindowFitter fitter;
    qApp->installEventFilter(&fitter);
    frmGameSettings window(nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(window.screen()->availableGeometry().contains(window.frameGeometry()));
    qApp->removeEventFilter(&fitter);
    for (const QPushButton* button : {window.cmdOk, window.cmdCancel})
        QVERIFY(window.rect().contains(QRect(button->mapTo(&window, QPoint()), button->size())));
    QVERIFY(window.findChild<QScrollArea*>()->horizontalScrollBar()->isVisible());
}

void tst_GameSettingsWindow::tabGoesAsTheEyeDoes() {
    frmGameSettings window(nullptr);
    QList<QWidget*> expected{window.optStandard, window.optGame, window.cboRules};
    for (const Figure figure : game::allFigures())
        expected << window.figureField(figure);
    expected << window.txtHornFile << window.cmdBrowse << window.cmdTest << window.cmdOk << window.cmdCancel;

    QList<QWidget*> order{window.optStandard};
    for (QWidget* next = window.optStandard->nextInFocusChain(); next != window.optStandard;
         next = next->nextInFocusChain()) {
        if (expected.contains(next))
            order << next;
    }
    QCOMPARE(order, expected);
}

QTEST_MAIN(tst_GameSettingsWindow)
#include "tst_gamesettingswindow.moc"
