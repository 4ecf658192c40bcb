#include "ModalDriver.h"
#include "OptionsRules.h"
#include "SettingsStore.h"
#include "frmChooseKey.h"
#include "frmOptions.h"
#include "modBasketball.h"

#include <QColorDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

using Texts = QMap<QString, QString>;

namespace {

// The sixteen settings as the store writes them, read from the scoreboard state.
Texts stateTexts() {
    using namespace modBasketball;
    using modSettings::colourToText;
    using modSettings::keyToText;
    return {{"ColorSettings/FormBack", colourToText(FormBack)},
            {"ColorSettings/LEDBack", colourToText(LEDBack)},
            {"ColorSettings/TimeColor", colourToText(TimeColor)},
            {"ColorSettings/ScoreColor", colourToText(ScoreColor)},
            {"ColorSettings/PeriodColor", colourToText(PeriodColor)},
            {"ColorSettings/BorderColor", colourToText(BorderColor)},
            {"ColorSettings/HomeColor", colourToText(HomeColor)},
            {"ColorSettings/VisitorColor", colourToText(VisitorColor)},
            {"KeySettings/StartStopClockKey", keyToText(StartStopClockKey)},
            {"KeySettings/ResetClockKey", keyToText(ResetClockKey)},
            {"KeySettings/ClockSwitchKey", keyToText(ClockSwitchKey)},
            {"KeySettings/BuzzerKey", keyToText(BuzzerKey)},
            {"KeySettings/BuzzerFile", BuzzerFile},
            {"TextSettings/TitleText", TitleText},
            {"TextSettings/HomeText", HomeText},
            {"TextSettings/VisitorText", VisitorText}};
}

Texts storeTexts() {
    const QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Courtvane"));
    Texts texts;
    for (const QString& key : store.allKeys())
        texts.insert(key, store.value(key).toString());
    return texts;
}

void writeStore(const Texts& texts) {
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Courtvane"));
    for (auto it = texts.begin(); it != texts.end(); ++it)
        store.setValue(it.key(), it.value());
}

template <typename T> T* control(QWidget* dialog, const QString& name) {
    T* found = dialog->findChild<T*>(name);
    if (!found)
        qWarning("no control %s", qPrintable(name));
    return found;
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

// Opens the key capture dialog from button and types keys into it, one outcome per key:
// "a" accepted, "r" refused with the message shown, "c" closed without a choice.
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
            if (key == '\x1b')
                QTest::keyClick(chooser->cmdCancel, Qt::Key_Escape);
            else if (key == '\r')
                QTest::keyClick(chooser->cmdCancel, Qt::Key_Return);
            else
                QTest::keyClick(chooser->cmdCancel, key.toLatin1());
            if (chooser->isVisible())
                outcomes += chooser->lblUsed->isVisible() ? 'r' : '?';
            else
                outcomes += modBasketball::ChosenKey == "0" ? 'c' : 'a';
        }
    });
    control<QPushButton>(options, button)->click();
    return outcomes;
}

// One operator action on the open options dialog, "kind|target|value".
void perform(frmOptions* options, const QString& step) {
    const QStringList part = step.split(QLatin1Char('|'));
    const QString& kind = part.at(0);
    if (kind == "colour") {
        const Colour before = control<ColourSwatch>(options, part.at(2))->colour();
        whenModal([&](QWidget* modal) {
            auto* chooser = qobject_cast<QColorDialog*>(modal);
            QVERIFY(chooser);
            QCOMPARE(fromQColor(chooser->currentColor()), before & 0xFFFFFF);
            if (part.at(3) == "cancel")
                return chooser->reject();
            chooser->setCurrentColor(QColor(part.at(3)));
            chooser->accept();
        });
        control<QPushButton>(options, part.at(1))->click();
    } else if (kind == "reset") {
        whenModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box);
            const QString what = part.at(1) == "cmdResetColors" ? "colors" : "keys";
            QCOMPARE(box->text(), "Are you sure you want to reset the " + what + "?");
            QCOMPARE(box->icon(), QMessageBox::Question);
            box->button(part.at(2) == "yes" ? QMessageBox::Yes : QMessageBox::No)->click();
        });
        control<QPushButton>(options, part.at(1))->click();
    } else if (kind == "text") {
        auto* box = control<LimitedTextBox>(options, part.at(1));
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, part.at(2));
    } else if (kind == "buzzer") {
        whenModal([&](QWidget* modal) {
            auto* chooser = qobject_cast<QFileDialog*>(modal);
            QVERIFY(chooser);
            QCOMPARE(chooser->nameFilters(), QStringList{"Sounds *.wav (*.wav)"});
            if (part.at(1) == "cancel")
                return chooser->reject();
            chooser->selectFile(part.at(1));
            // Through QDialog, where accept() is public; the file dialog's own checks still run.
            static_cast<QDialog*>(chooser)->accept();
        });
        options->cmdBuzzerSound->click();
    } else if (kind == "key") {
        chooseKey(options, part.at(1), part.at(2));
    } else if (kind == "ok") {
        options->cmdOk->click();
    } else if (kind == "cancel") {
        options->cmdCancel->click();
    } else if (kind == "close") {
        options->close();
    } else {
        QFAIL(qPrintable("unknown step " + step));
    }
}

} // namespace

// The options dialog and the key capture dialog, driven as the operator does.
class tst_Options : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void opensOnTheKeyboardTab();
    void workingCopy_data();
    void workingCopy();
    void keyCapture_data();
    void keyCapture();
    void buzzerFileCaption_data();
    void buzzerFileCaption();
    void keyLabelText_data();
    void keyLabelText();

private:
    QString soundFile(const QString& name) const;

    QTemporaryDir m_store;
    QTemporaryDir m_sounds;
    Texts m_initial;
};

void tst_Options::initTestCase() {
    QVERIFY(m_store.isValid());
    QVERIFY(m_sounds.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_store.path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, m_store.filePath("system"));
    for (const char* name : {"a.wav", "b.wav"}) {
        QFile file(soundFile(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    // Values none of which is a default; the clock switch key has no character of its own and the
    // title is longer than the title box takes by typing.
    m_initial = {{"ColorSettings/FormBack", "1000"},
                 {"ColorSettings/LEDBack", "2000"},
                 {"ColorSettings/TimeColor", "3000"},
                 {"ColorSettings/ScoreColor", "4000"},
                 {"ColorSettings/PeriodColor", "5000"},
                 {"ColorSettings/BorderColor", "6000"},
                 {"ColorSettings/HomeColor", "7000"},
                 {"ColorSettings/VisitorColor", "-1"},
                 {"KeySettings/StartStopClockKey", "120"},
                 {"KeySettings/ResetClockKey", "82"},
                 {"KeySettings/ClockSwitchKey", "7"},
                 {"KeySettings/BuzzerKey", "98"},
                 {"KeySettings/BuzzerFile", soundFile("a.wav")},
                 {"TextSettings/TitleText", "The City Championship Final 2026"},
                 {"TextSettings/HomeText", "Home"},
                 {"TextSettings/VisitorText", "Visitor"}};
}

QString tst_Options::soundFile(const QString& name) const {
    return QDir::toNativeSeparators(m_sounds.filePath(name));
}

void tst_Options::init() {
    QFile::remove(m_store.filePath("Courtvane.conf"));
    modSettings::LoadSettings();
}

void tst_Options::cleanup() {
    closeLeftoverModals();
}

void tst_Options::opensOnTheKeyboardTab() {
    whenModal([](QWidget* modal) {
        auto* options = qobject_cast<frmOptions*>(modal);
        QVERIFY(options);
        QCOMPARE(options->windowTitle(), QStringLiteral("Options"));
        QCOMPARE(options->minimumSize(), options->maximumSize());
        QCOMPARE(options->size(), QSize(383, 318));
        QCOMPARE(options->SSTab1->count(), 3);
        QCOMPARE(options->SSTab1->tabText(2), QStringLiteral("Text Controls"));
        QCOMPARE(options->SSTab1->currentIndex(), 0);
        // The focus goes to OK whenever the dialog becomes the active window.
        options->cmdResetKeys->setFocus();
        options->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(options));
        QCOMPARE(QApplication::focusWidget(), options->cmdOk);
        QVERIFY(options->cmdOk->isDefault());
        // Positions on a tab count from the tab control's corner.
        QCOMPARE(options->cmdStartStopClock->mapTo(options->SSTab1, QPoint()), QPoint(48, 40));
        // Again when the key capture dialog has closed.
        options->cmdResetKeys->setFocus();
        chooseKey(options, "cmdResetClock", "\x1b");
        QVERIFY(!options->isActiveWindow());
        options->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(options));
        QCOMPARE(QApplication::focusWidget(), options->cmdOk);
        options->SSTab1->setCurrentIndex(2);
        options->reject();
    });
    frmOptions::showModal(nullptr);
}

void tst_Options::workingCopy_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("committed");
    QTest::addColumn<Texts>("changes");

    QTest::newRow("ok at once rewrites all sixteen") << QStringList{"ok"} << true << Texts{};
    QTest::newRow("cancel after changes")
        << QStringList{"colour|cmdTimeC|picTimeC|#00ff00", "key|cmdBuzzer|x", "text|txtHomeText|Hawks",
                       "buzzer|" + soundFile("b.wav"), "cancel"}
        << false << Texts{};
    QTest::newRow("close control discards") << QStringList{"text|txtTitle|Cup", "close"} << false << Texts{};
    QTest::newRow("reset colors, yes, then cancel")
        << QStringList{"reset|cmdResetColors|yes", "cancel"} << false << Texts{};
    QTest::newRow("reset colors, no, then ok")
        << QStringList{"reset|cmdResetColors|no", "ok"} << true << Texts{};
    QTest::newRow("reset colors, yes, then ok")
        << QStringList{"reset|cmdResetColors|yes", "ok"} << true
        << Texts{{"ColorSettings/FormBack", "4210752"},   {"ColorSettings/LEDBack", "0"},
                 {"ColorSettings/TimeColor", "255"},      {"ColorSettings/ScoreColor", "33023"},
                 {"ColorSettings/PeriodColor", "49152"},  {"ColorSettings/BorderColor", "16777215"},
                 {"ColorSettings/HomeColor", "16777215"}, {"ColorSettings/VisitorColor", "16777215"}};
    QTest::newRow("reset keys, yes, then ok keeps the buzzer file")
        << QStringList{"buzzer|" + soundFile("b.wav"), "reset|cmdResetKeys|yes", "ok"} << true
        << Texts{{"KeySettings/StartStopClockKey", "115"},
                 {"KeySettings/ResetClockKey", "114"},
                 {"KeySettings/ClockSwitchKey", "99"},
                 {"KeySettings/BuzzerKey", "98"},
                 {"KeySettings/BuzzerFile", soundFile("b.wav")}};
    QTest::newRow("cancelled choosers change nothing")
        << QStringList{"colour|cmdHomeC|picHomeC|cancel", "buzzer|cancel", "key|cmdBuzzer|\x1b", "ok"} << true
        << Texts{};
    QTest::newRow("every kind of change, typing stops at the limits")
        << QStringList{"colour|cmdTimeC|picTimeC|#00ff00",
                       "colour|cmdVisitorC|picVisitorC|#0000ff",
                       "key|cmdResetClock|r",
                       "text|txtTitle|Regional Cup Semi-Final Game Two",
                       "text|txtHomeText|Hawks",
                       "text|txtVisitorText|Thunderbirds",
                       "buzzer|" + soundFile("b.wav"),
                       "ok"}
        << true
        << Texts{{"ColorSettings/TimeColor", "65280"},
                 {"ColorSettings/VisitorColor", "16711680"},
                 {"KeySettings/ResetClockKey", "114"},
                 {"KeySettings/BuzzerFile", soundFile("b.wav")},
                 {"TextSettings/TitleText", "Regional Cup Semi-Final "},
                 {"TextSettings/HomeText", "Hawks"},
                 {"TextSettings/VisitorText", "Thunderbir"}};
}

void tst_Options::workingCopy() {
    QFETCH(QStringList, steps);
    QFETCH(bool, committed);
    QFETCH(Texts, changes);

    // The state holds the values an earlier run stored; the store itself starts empty, so that
    // every value found there afterwards was written by this opening.
    writeStore(m_initial);
    modSettings::LoadSettings();
    QCOMPARE(stateTexts(), m_initial);
    QFile::remove(m_store.filePath("Courtvane.conf"));

    whenModal([&](QWidget* modal) {
        auto* options = qobject_cast<frmOptions*>(modal);
        QVERIFY(options);
        QCOMPARE(labelsOf(options), QStringLiteral("x R [7] b"));
        QCOMPARE(options->txtTitle->text(), m_initial.value("TextSettings/TitleText"));
        QCOMPARE(options->lblBFile->text(), soundFile("a.wav"));
        for (const QString& step : steps)
            perform(options, step);
        QVERIFY(!options->isVisible());
    });
    frmOptions::showModal(nullptr);

    Texts expected = m_initial;
    if (committed)
        expected.insert(changes);
    QCOMPARE(stateTexts(), expected);
    QCOMPARE(storeTexts(), committed ? expected : Texts{});
}

void tst_Options::keyCapture_data() {
    QTest::addColumn<QStringList>("openings");
    QTest::addColumn<QString>("outcomes");
    QTest::addColumn<QString>("labels");

    // Each opening is "button|keys typed"; the defaults s, r, c, b are in force.
    QTest::newRow("committed key accepted") << QStringList{"cmdBuzzer|b"} << "a"
                                            << "s r c b";
    QTest::newRow("key of another label refused, then a free one") << QStringList{"cmdBuzzer|sx"} << "ra"
                                                                   << "s r c x";
    QTest::newRow("reserved keys refused") << QStringList{"cmdStartStopClock|o=.-+ \x1b"} << "rrrrrrc"
                                           << "s r c b";
    QTest::newRow("Enter closes without a choice") << QStringList{"cmdResetClock|\r"} << "c"
                                                   << "s r c b";
    QTest::newRow("h accepted") << QStringList{"cmdResetClock|h"} << "a"
                                << "s h c b";
    QTest::newRow("case differs") << QStringList{"cmdStartStopClock|S"} << "a"
                                  << "S r c b";
    QTest::newRow("committed key still accepted within one opening")
        << QStringList{"cmdStartStopClock|x", "cmdStartStopClock|xs"} << "ara"
        << "s r c b";
    QTest::newRow("a key given up is free for another command")
        << QStringList{"cmdStartStopClock|x", "cmdResetClock|s"} << "aa"
        << "x s c b";
    QTest::newRow("refused, then cancel leaves the label") << QStringList{"cmdClockSwitch|r\x1b"} << "rc"
                                                           << "s r c b";
}

void tst_Options::keyCapture() {
    QFETCH(QStringList, openings);
    QFETCH(QString, outcomes);
    QFETCH(QString, labels);

    QString seen;
    whenModal([&](QWidget* modal) {
        auto* options = qobject_cast<frmOptions*>(modal);
        QVERIFY(options);
        for (const QString& opening : openings) {
            const QStringList part = opening.split(QLatin1Char('|'));
            seen += chooseKey(options, part.at(0), part.at(1));
        }
        seen += ' ' + labelsOf(options);
        options->reject();
    });
    frmOptions::showModal(nullptr);

    QCOMPARE(seen, outcomes + ' ' + labels);
    // Nothing reaches the state until OK.
    QCOMPARE(modBasketball::StartStopClockKey, KeyCode('s'));
    QCOMPARE(modBasketball::ResetClockKey, KeyCode('r'));
    QCOMPARE(modBasketball::BuzzerKey, KeyCode('b'));
}

void tst_Options::buzzerFileCaption_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("caption");

    const QString fifty =
        QStringLiteral("/srv/sounds/horns/gym/").leftJustified(46, QLatin1Char('x')) + ".wav";
    QTest::newRow("50 characters, whole") << fifty << fifty;
    QTest::newRow("59 characters, missing file")
        << "D:\\Program Files\\Game Sounds\\Gymnasium Horns\\final horn.wav"
        << QStringLiteral("D:\\Program ...") + QDir::separator();
    // A real file behind a 59-character path, as the operator would have chosen it.
    const QString folder = m_sounds.filePath("Game Sounds");
    const QString file =
        QDir(folder).filePath(QString(59 - folder.size() - 16, QLatin1Char('g')) + "/final horn.wav");
    QVERIFY(QDir().mkpath(QFileInfo(file).path()));
    QFile(file).open(QIODevice::WriteOnly);
    QTest::newRow("59 characters, existing file")
        << file << file.left(10) + QStringLiteral(" ...") + QDir::separator() + "final horn.wav";
    QTest::newRow("empty") << QString() << "[No File Selected]";
    QTest::newRow("short") << "/x/buzzer.wav"
                           << "/x/buzzer.wav";
}

void tst_Options::buzzerFileCaption() {
    QFETCH(QString, path);
    QFETCH(QString, caption);
    QCOMPARE(BuzzerFileCaption(path), caption);
}

void tst_Options::keyLabelText_data() {
    QTest::addColumn<KeyCode>("key");
    QTest::addColumn<QString>("text");
    QTest::newRow("letter") << KeyCode('s') << "s";
    QTest::newRow("capital") << KeyCode('S') << "S";
    QTest::newRow("accented") << KeyCode(0xE9) << QStringLiteral("\u00e9");
    QTest::newRow("control code") << KeyCode(7) << "[7]";
    QTest::newRow("space") << KeyCode(32) << "[32]";
    QTest::newRow("beyond 255") << KeyCode(300) << "[300]";
    QTest::newRow("negative") << KeyCode(-5) << "[-5]";
}

void tst_Options::keyLabelText() {
    QFETCH(KeyCode, key);
    QFETCH(QString, text);
    QCOMPARE(::keyLabelText(key), text);
}

QTEST_MAIN(tst_Options)
#include "tst_options.moc"
