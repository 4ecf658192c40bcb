#include "settings/BuzzerFileCheck.h"
#include "settings/OptionsRules.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsTable.h"
#include "settings/frmChooseKey.h"
#include "settings/frmOptions.h"
#include "state/modBasketball.h"
#include "tests/settings/HostileFile.h"
#include "tests/support/ModalDriver.h"

#include <QAccessible>
#include <QColorDialog>
#include <QDataStream>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

using Texts = QMap<QString, QString>;

namespace {

Texts storeTexts() {
    const QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Courtvane"));
    Texts texts;
    for (const QString& key : store.allKeys())
        texts.insert(key, store.value(key).toString());
    return texts;
}

// The store's text of every default of one kind, as the reset buttons put them back.
Texts defaultsOf(modSettings::SettingKind kind) {
    Texts texts;
    for (const modSettings::Setting& setting : modSettings::Settings) {
        if (setting.kind == kind)
            texts.insert(modSettings::storePath(setting), modSettings::defaultText(setting));
    }
    return texts;
}

QString labelsOf(const frmOptions* options) {
    return QStringList{options->lblStartStopClock->text(), options->lblResetClock->text(),
                       options->lblClockSwitch->text(), options->lblBuzzer->text()}
        .join(QLatin1Char(' '));
}

const Texts Phrases{{"cmdStartStopClock", "start / stop the clock"},
                    {"cmdResetClock", "reset the clock"},
                    {"cmdClockSwitch", "switch between clock and game time"},
                    {"cmdBuzzer", "sound the buzzer"}};

// Opens the key capture dialog from button and types keys into it (Esc as \x1b, Enter as \r).
// One outcome per key: "a" accepted, "r" refused with the message shown, "c" closed, no choice.
QString chooseKey(frmOptions* options, const QString& button, const QString& keys) {
    QString outcomes;
    whenModal([&](QWidget* modal) {
        auto* chooser = qobject_cast<frmChooseKey*>(modal);
        QVERIFY(chooser);
        // As on a desktop, the dialog on top is the active window.
        chooser->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), chooser);
        QCOMPARE(QApplication::focusWidget(), chooser->cmdCancel);
        QCOMPARE(chooser->windowTitle(), QStringLiteral("Choose Key"));
        QCOMPARE(chooser->lblChoose->text(),
                 "Press the key you would like to " + Phrases.value(button) + ".");
        QVERIFY(!chooser->lblUsed->isVisible());
        for (const QChar key : keys) {
            QVERIFY2(chooser->isVisible(), "a key after the dialog closed");
            const auto code = key == '\x1b' ? Qt::Key_Escape : key == '\r' ? Qt::Key_Return : Qt::Key(0);
            if (code)
                QTest::keyClick(chooser->cmdCancel, code);
            else
                QTest::keyClick(chooser->cmdCancel, key.toLatin1());
            if (chooser->isVisible())
                outcomes += chooser->lblUsed->isVisible() ? 'r' : '?';
            else
                outcomes += modBasketball::ChosenKey == "0" ? 'c' : 'a';
        }
    });
    options->findChild<QPushButton*>(button)->click();
    return outcomes;
}

// One operator action on the open options dialog, "kind|target|value".
// The answers run later, from the dialog's own loop, after the block that set them up has ended:
// they hold copies of what they need, never references to locals.
void perform(frmOptions* options, const QString& step) {
    const QStringList part = step.split(QLatin1Char('|'));
    const QString& kind = part.at(0);
    if (kind == "colour") {
        const Colour before = options->findChild<ColourSwatch*>(part.at(2))->colour();
        whenModal([part, before](QWidget* modal) {
            auto* chooser = qobject_cast<QColorDialog*>(modal);
            QVERIFY(chooser);
            QCOMPARE(fromQColor(chooser->currentColor()), before & 0xFFFFFF);
            if (part.at(3) == "cancel")
                return chooser->reject();
            chooser->setCurrentColor(QColor(part.at(3)));
            chooser->accept();
        });
    } else if (kind == "reset") {
        whenModal([part](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box);
            const QString what = part.at(1) == "cmdResetColors" ? "colors" : "keys";
            QCOMPARE(box->text(), "Are you sure you want to reset the " + what + "?");
            QCOMPARE(box->icon(), QMessageBox::Question);
            box->button(part.at(2) == "yes" ? QMessageBox::Yes : QMessageBox::No)->click();
        });
    } else if (kind == "buzzer") {
        whenModal([part](QWidget* modal) {
            auto* chooser = qobject_cast<QFileDialog*>(modal);
            QVERIFY(chooser);
            QCOMPARE(chooser->nameFilters(), QStringList{"Sounds *.wav (*.wav)"});
            if (part.at(2) == "cancel")
                return chooser->reject();
            chooser->selectFile(part.at(2));
            // Through QDialog, where accept() is public; the file dialog's own checks still run.
            static_cast<QDialog*>(chooser)->accept();
        });
    } else if (kind == "text") {
        auto* box = options->findChild<LimitedTextBox*>(part.at(1));
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        return QTest::keyClicks(box, part.at(2));
    } else if (kind == "key") {
        chooseKey(options, part.at(1), part.at(2));
        return;
    } else if (kind == "close") {
        options->close();
        return;
    }
    options->findChild<QPushButton*>(part.at(1))->click();
}

} // namespace

// The options dialog and the key capture dialog, driven as the operator does.
class tst_Options : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup() { closeLeftoverModals(); }

    void opensWithTheFocusOnOk();
    void workingCopy_data();
    void workingCopy();
    void keyCapture_data();
    void keyCapture();
    void captions_data();
    void captions();
    void hostileStore_data();
    void hostileStore();
    void buzzerProblemLine_data();
    void buzzerProblemLine();

private:
    QString sound(const QString& name) const { return QDir::toNativeSeparators(m_sounds.filePath(name)); }

    QTemporaryDir m_store;
    QTemporaryDir m_sounds;
};

void tst_Options::initTestCase() {
    QVERIFY(m_store.isValid() && m_sounds.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_store.path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, m_store.filePath("system"));
    for (const char* name : {"a.wav", "b.wav"})
        QVERIFY(QFile(sound(name)).open(QIODevice::WriteOnly));
    // A tenth of a second of 8-bit mono silence, and a text under a wave file's name.
    QFile good(sound("good.wav"));
    QVERIFY(good.open(QIODevice::WriteOnly));
    QDataStream wave(&good);
    wave.setByteOrder(QDataStream::LittleEndian);
    wave.writeRawData("RIFF", 4);
    wave << quint32(36 + 800);
    wave.writeRawData("WAVEfmt ", 8);
    wave << quint32(16) << quint16(1) << quint16(1) << quint32(8000) << quint32(8000) << quint16(1)
         << quint16(8);
    wave.writeRawData("data", 4);
    wave << quint32(800);
    wave.writeRawData(QByteArray(800, '\x80').constData(), 800);
    QFile text(sound("text.wav"));
    QVERIFY(text.open(QIODevice::WriteOnly) && text.write("Not a sound at all.") > 0);
}

void tst_Options::init() {
    QFile::remove(m_store.filePath("Courtvane.conf"));
    modSettings::LoadSettings();
}

void tst_Options::opensWithTheFocusOnOk() {
    whenModal([](QWidget* modal) {
        auto* options = qobject_cast<frmOptions*>(modal);
        QVERIFY(options);
        QCOMPARE(options->windowTitle(), QStringLiteral("Options"));
        QCOMPARE(options->minimumSize(), options->maximumSize());
        QCOMPARE(options->size(), QSize(383, 318));
        QCOMPARE(options->SSTab1->tabText(2), QStringLiteral("Text Controls"));
        // Positions on a tab count from the tab control's corner.
        QCOMPARE(options->cmdStartStopClock->mapTo(options->SSTab1, QPoint()), QPoint(48, 40));
        // The focus goes to OK whenever the dialog becomes the active window, so again after
        // the key capture dialog.
        for (int opening = 0; opening < 2; ++opening) {
            options->cmdResetKeys->setFocus();
            if (opening == 1)
                chooseKey(options, "cmdResetClock", "\x1b");
            QVERIFY(!options->isActiveWindow() || opening == 0);
            options->activateWindow();
            QTRY_VERIFY(options->isActiveWindow());
            QCOMPARE(QApplication::focusWidget(), options->cmdOk);
        }
        options->reject();
    });
    frmOptions::showModal(nullptr);
}

void tst_Options::workingCopy_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("committed");
    QTest::addColumn<Texts>("changes");

    const QString b = "buzzer|cmdBuzzerSound|" + sound("b.wav");
    QTest::newRow("ok at once rewrites all sixteen") << QStringList{"ok|cmdOk"} << true << Texts{};
    QTest::newRow("cancel after changes")
        << QStringList{"colour|cmdTimeC|picTimeC|#00ff00", "key|cmdBuzzer|x", "text|txtHomeText|Hawks", b,
                       "ok|cmdCancel"}
        << false << Texts{};
    QTest::newRow("close control discards") << QStringList{"text|txtTitle|Cup", "close"} << false << Texts{};
    QTest::newRow("reset colors, yes, then cancel")
        << QStringList{"reset|cmdResetColors|yes", "ok|cmdCancel"} << false << Texts{};
    QTest::newRow("reset colors, no")
        << QStringList{"reset|cmdResetColors|no", "ok|cmdOk"} << true << Texts{};
    QTest::newRow("reset colors, yes, then ok") << QStringList{"reset|cmdResetColors|yes", "ok|cmdOk"} << true
                                                << defaultsOf(modSettings::SettingKind::Colour);
    Texts keysReset = defaultsOf(modSettings::SettingKind::Key);
    keysReset.insert("KeySettings/BuzzerFile", sound("b.wav"));
    QTest::newRow("reset keys, yes, then ok keeps the buzzer file")
        << QStringList{b, "reset|cmdResetKeys|yes", "ok|cmdOk"} << true << keysReset;
    QTest::newRow("cancelled choosers change nothing")
        << QStringList{"colour|cmdHomeC|picHomeC|cancel", "buzzer|cmdBuzzerSound|cancel",
                       "key|cmdBuzzer|\x1b", "ok|cmdOk"}
        << true << Texts{};
    QTest::newRow("every kind of change; typing stops at the limits")
        << QStringList{"colour|cmdTimeC|picTimeC|#00ff00",
                       "colour|cmdVisitorC|picVisitorC|#0000ff",
                       "key|cmdResetClock|r",
                       "text|txtTitle|Regional Cup Semi-Final Game Two",
                       "text|txtHomeText|Hawks",
                       "text|txtVisitorText|Thunderbirds",
                       b,
                       "ok|cmdOk"}
        << true
        << Texts{{"ColorSettings/TimeColor", "65280"},
                 {"ColorSettings/VisitorColor", "16711680"},
                 {"KeySettings/ResetClockKey", "114"},
                 {"KeySettings/BuzzerFile", sound("b.wav")},
                 {"TextSettings/TitleText", "Regional Cup Semi-Final "},
                 {"TextSettings/HomeText", "Hawks"},
                 {"TextSettings/VisitorText", "Thunderbir"}};
}

void tst_Options::workingCopy() {
    QFETCH(QStringList, steps);
    QFETCH(bool, committed);
    QFETCH(Texts, changes);

    // An earlier run's values, none of them a default: a clock switch key with no character of its
    // own, a title longer than the box lets anyone type. Once loaded, the store is emptied, so that
    // whatever is found there afterwards was written by this opening.
    const Texts initial{{"ColorSettings/FormBack", "1000"},
                        {"ColorSettings/LEDBack", "2000"},
                        {"ColorSettings/TimeColor", "3000"},
                        {"ColorSettings/ScoreColor", "4000"},
                        {"ColorSettings/PeriodColor", "5000"},
                        {"ColorSettings/BorderColor", "6000"},
                        {"ColorSettings/HomeColor", "7000"},
                        {"ColorSettings/VisitorColor", "8000"},
                        {"KeySettings/StartStopClockKey", "120"},
                        {"KeySettings/ResetClockKey", "82"},
                        {"KeySettings/ClockSwitchKey", "7"},
                        {"KeySettings/BuzzerKey", "98"},
                        {"KeySettings/BuzzerFile", sound("a.wav")},
                        {"TextSettings/TitleText", "The City Championship Final 2026"},
                        {"TextSettings/HomeText", "Home"},
                        {"TextSettings/VisitorText", "Visitor"}};
    {
        QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Courtvane"));
        for (auto it = initial.begin(); it != initial.end(); ++it)
            store.setValue(it.key(), it.value());
    }
    modSettings::LoadSettings();
    QFile::remove(m_store.filePath("Courtvane.conf"));

    whenModal([&](QWidget* modal) {
        auto* options = qobject_cast<frmOptions*>(modal);
        QVERIFY(options);
        QCOMPARE(options->SSTab1->currentIndex(), 0);
        QCOMPARE(labelsOf(options), QStringLiteral("x R [7] b"));
        QCOMPARE(options->txtTitle->text(), initial.value("TextSettings/TitleText"));
        QCOMPARE(options->lblBFile->text(), sound("a.wav"));
        for (const QString& step : steps)
            perform(options, step);
        QVERIFY(!options->isVisible());
    });
    frmOptions::showModal(nullptr);

    Texts expected = initial;
    if (committed)
        expected.insert(changes);
    QCOMPARE(storeTexts(), committed ? expected : Texts{});
    // What the state holds now, through the store's own writer.
    QCOMPARE(modSettings::SaveSettings(), modSettings::SaveResult::Saved);
    QCOMPARE(storeTexts(), expected);
}

void tst_Options::keyCapture_data() {
    QTest::addColumn<QStringList>("openings");
    QTest::addColumn<QString>("outcomes");

    // Each opening is "button|keys typed", with the defaults s, r, c, b in force; the outcomes
    // end in the four labels shown afterwards.
    QTest::newRow("committed key accepted") << QStringList{"cmdBuzzer|b"} << "a s r c b";
    QTest::newRow("key in another label refused") << QStringList{"cmdBuzzer|sx"} << "ra s r c x";
    QTest::newRow("reserved keys refused")
        << QStringList{"cmdStartStopClock|o=.-+ \x1b"} << "rrrrrrc s r c b";
    QTest::newRow("Enter closes without a choice") << QStringList{"cmdResetClock|\r"} << "c s r c b";
    QTest::newRow("h accepted") << QStringList{"cmdResetClock|h"} << "a s h c b";
    QTest::newRow("case differs") << QStringList{"cmdStartStopClock|S"} << "a S r c b";
    QTest::newRow("committed key still accepted within one opening")
        << QStringList{"cmdStartStopClock|x", "cmdStartStopClock|xs"} << "ara s r c b";
    QTest::newRow("a key given up is free for another command")
        << QStringList{"cmdStartStopClock|x", "cmdResetClock|s"} << "aa x s c b";
    QTest::newRow("refused, then cancel") << QStringList{"cmdClockSwitch|r\x1b"} << "rc s r c b";
}

void tst_Options::keyCapture() {
    QFETCH(QStringList, openings);
    QFETCH(QString, outcomes);

    QString seen;
    whenModal([&](QWidget* modal) {
        auto* options = qobject_cast<frmOptions*>(modal);
        QVERIFY(options);
        for (const QString& opening : openings)
            seen += chooseKey(options, opening.section('|', 0, 0), opening.section('|', 1));
        seen += ' ' + labelsOf(options);
        // Each key button is read with the key its label shows.
        const QStringList captions{"Start / Stop Clock", "Reset Clock", "Game / Clock Switch", "Buzzer"};
        const QStringList labels = labelsOf(options).split(' ');
        const QList<QPushButton*> buttons{options->cmdStartStopClock, options->cmdResetClock,
                                          options->cmdClockSwitch, options->cmdBuzzer};
        for (qsizetype i = 0; i < buttons.size(); ++i)
            QCOMPARE(QAccessible::queryAccessibleInterface(buttons[i])->text(QAccessible::Name),
                     captions[i] + ", " + labels[i]);
        options->reject();
    });
    frmOptions::showModal(nullptr);

    QCOMPARE(seen, outcomes);
    // Nothing reaches the state until OK.
    QCOMPARE(modBasketball::StartStopClockKey, KeyCode('s'));
    QCOMPARE(modBasketball::ResetClockKey, KeyCode('r'));
}

void tst_Options::captions_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<KeyCode>("key");
    QTest::addColumn<QString>("caption");

    const QString fifty = QStringLiteral("/srv/sounds/horns/gym/").leftJustified(46, 'x') + ".wav";
    QTest::newRow("50 characters, whole") << fifty << KeyCode() << fifty;
    QTest::newRow("59 characters, missing file")
        << "D:\\Program Files\\Game Sounds\\Gymnasium Horns\\final horn.wav" << KeyCode()
        << QStringLiteral("D:\\Program ...") + QDir::separator();
    // A real file behind a 59-character path.
    const QString folder = m_sounds.filePath("Game Sounds/") + QString(59 - 15 - 12, 'g');
    const QString file = folder.left(59 - 15) + "/final horn.wav";
    QDir().mkpath(QFileInfo(file).path());
    QFile(file).open(QIODevice::WriteOnly);
    QTest::newRow("59 characters, existing file")
        << file << KeyCode() << file.left(10) + " ..." + QDir::separator() + "final horn.wav";
    QTest::newRow("empty") << QString() << KeyCode() << "[No File Selected]";
    // Key labels: a character, or the code in brackets when it has no visible one.
    QTest::newRow("key S") << QString() << KeyCode('S') << "S";
    QTest::newRow("key 233") << QString() << KeyCode(233) << QStringLiteral("\u00e9");
    QTest::newRow("key 7") << QString() << KeyCode(7) << "[7]";
    QTest::newRow("key space") << QString() << KeyCode(32) << "[32]";
    QTest::newRow("key 300") << QString() << KeyCode(300) << "[300]";
    QTest::newRow("key -5") << QString() << KeyCode(-5) << "[-5]";
}

void tst_Options::captions() {
    QFETCH(QString, path);
    QFETCH(KeyCode, key);
    QFETCH(QString, caption);
    QCOMPARE(key ? keyLabelText(key) : BuzzerFileCaption(path), caption);
}

void tst_Options::hostileStore_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("told");
    QTest::addColumn<bool>("written");

    QTest::newRow("first run") << "missing" << QString() << true;
    QTest::newRow("garbage") << "garbage" << QString() << true;
    QTest::newRow("named pipe") << "fifo"
                                << "is not a regular file" << false;
    QTest::newRow("directory") << "directory"
                               << "is not a regular file" << false;
    QTest::newRow("endless device") << "device"
                                    << "is not a regular file" << false;
    QTest::newRow("2 MB") << "2 MB"
                          << "is larger than 1 MB" << false;
    QTest::newRow("folder that cannot be made") << "unwritable folder"
                                                << "could not be saved to" << false;
    QTest::newRow("lock that is a named pipe") << "lock fifo"
                                               << "lock file" << false;
    QTest::newRow("lock that is a directory") << "lock directory"
                                              << "lock file" << false;
}

void tst_Options::hostileStore() {
    QFETCH(QString, kind);
    QFETCH(QString, told);
    QFETCH(bool, written);

    // Root may write anywhere, so the folder that cannot be written is one below a plain file.
    const bool blocked = kind == "unwritable folder";
    const QString folder = blocked ? m_store.filePath("plain/settings") : m_store.path();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    const QString file = QDir(folder).filePath("Courtvane.conf");
    // The store itself, or the lock file QSettings takes beside it when it writes.
    const bool onLock = kind.startsWith("lock ");
    const QString target = onLock ? file + ".lock" : file;
    const auto clear = [&] {
        for (const QString& path : {file, file + ".lock"})
            QFileInfo(path).isDir() ? QDir(path).removeRecursively() : QFile::remove(path);
        QFile::remove(m_store.filePath("plain"));
    };
    clear(); // what a failed row before left behind
    QVERIFY(!blocked || QFile(m_store.filePath("plain")).open(QIODevice::WriteOnly));
    QCOMPARE(modSettings::settingsFileName(), QDir::toNativeSeparators(file));
    QVERIFY(makeHostile(blocked ? "missing" : onLock ? kind.mid(5) : kind, target));
    const QString before = fingerprint(target);

    PipeRelease release(target);
    modBasketball::HomeText = modBasketball::TitleText = "stale";
    modBasketball::TimeColor = 7;
    modSettings::LoadSettings();
    QCOMPARE(modBasketball::HomeText, QStringLiteral("Home"));
    QCOMPARE(modBasketball::TitleText, QStringLiteral("Home"));
    QCOMPARE(modBasketball::TimeColor, 255);

    QString message = "none";
    whenModal([&message](QWidget* modal) {
        auto* options = qobject_cast<frmOptions*>(modal);
        QVERIFY(options);
        perform(options, "text|txtHomeText|Hawks");
        whenModal([&message](QWidget* box) {
            auto* warning = qobject_cast<QMessageBox*>(box);
            QVERIFY(warning);
            QCOMPARE(warning->windowTitle(), QStringLiteral("Settings Not Saved"));
            message = warning->text();
        });
        options->cmdOk->click();
    });
    frmOptions::showModal(nullptr);
    QVERIFY2(!release.released(), "waited on the named pipe");

    if (told.isEmpty())
        QCOMPARE(message, QStringLiteral("none"));
    else
        QVERIFY2(message.contains(told) && message.contains(QDir::toNativeSeparators(file)),
                 qPrintable(message));
    if (written) {
        QVERIFY(QFileInfo(file).isFile());
        QFile stored(file);
        QVERIFY(stored.open(QIODevice::ReadOnly));
        QVERIFY(stored.readAll().contains("HomeText=Hawks"));
    } else {
        QCOMPARE(fingerprint(target), before);
    }
    // Still in force for this run.
    QCOMPARE(modBasketball::HomeText, QStringLiteral("Hawks"));

    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_store.path());
    clear();
}

void tst_Options::buzzerProblemLine_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("storedLine");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("chosenLine");

    const QString notWave = "cannot be played: not a wave file";
    QTest::newRow("missing") << sound("gone.wav") << "file not found" << QString() << QString();
    QTest::newRow("not a wave file") << sound("text.wav") << notWave << QString() << QString();
    QTest::newRow("playable") << sound("good.wav") << QString() << QString() << QString();
    QTest::newRow("no file chosen") << QString() << QString() << QString() << QString();
    QTest::newRow("a playable file picked") << sound("text.wav") << notWave << sound("good.wav") << QString();
    QTest::newRow("an unplayable file picked")
        << sound("good.wav") << QString() << sound("text.wav") << notWave;
}

void tst_Options::buzzerProblemLine() {
    QFETCH(QString, stored);
    QFETCH(QString, storedLine);
    QFETCH(QString, chosen);
    QFETCH(QString, chosenLine);

    modBasketball::BuzzerFile = stored;
    frmOptions options(nullptr);
    auto* check = options.findChild<BuzzerFileCheck*>();
    QVERIFY(check);
    QSignalSpy checked(check, &BuzzerFileCheck::checked);
    options.show();
    // An empty path is told at once, before the spy could see it.
    QVERIFY(stored.isEmpty() || checked.wait());
    QCOMPARE(options.lblBuzzerProblem->text(), storedLine);
    if (!chosen.isEmpty()) {
        checked.clear();
        perform(&options, "buzzer|cmdBuzzerSound|" + chosen);
        QVERIFY(checked.count() > 0 || checked.wait());
        QCOMPARE(options.lblBuzzerProblem->text(), chosenLine);
    }
}

QTEST_MAIN(tst_Options)
#include "tst_options.moc"
