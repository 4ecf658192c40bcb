#include "settings/GameSettingsStore.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsTable.h"
#include "settings/WindowPlace.h"
#include "state/modBasketball.h"
#include "tests/settings/HostileFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <string_view>

namespace {

bool isNumber(const modSettings::Setting& setting) {
    return setting.kind == modSettings::SettingKind::Colour || setting.kind == modSettings::SettingKind::Key;
}

// What LoadSettings put into a colour's or key's variable.
qint64 loadedNumber(const modSettings::Setting& setting) {
    if (setting.kind == modSettings::SettingKind::Colour)
        return *std::get<Colour*>(setting.variable);
    return *std::get<KeyCode*>(setting.variable);
}

qint64 defaultNumber(const modSettings::Setting& setting) {
    return modSettings::defaultText(setting).toLongLong();
}

// Values that are none of the defaults, so a load that leaves a variable alone is caught.
void fillWithStaleValues() {
    using namespace modBasketball;
    FormBack = LEDBack = TimeColor = ScoreColor = 1234567;
    PeriodColor = BorderColor = HomeColor = VisitorColor = 7654321;
    StartStopClockKey = ResetClockKey = ClockSwitchKey = BuzzerKey = 1;
    BuzzerFile = TitleText = HomeText = VisitorText = QStringLiteral("stale");
}

// Writes straight into the store, as an earlier run or a hand edit would have left it.
void writeRaw(const QString& path, const QString& text) {
    QSettings raw(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Courtvane"));
    raw.setValue(path, text);
}

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    // The table of settings
    void tableOrder_data();
    void tableOrder();

    // Loading
    void emptyStoreGivesEveryDefault();
    void loadingLeavesStoreUnwritten();
    void partialStoreMixesStoredValuesAndDefaults();
    void emptyBuzzerFileStaysEmpty();
    void upperCaseKeyIsDistinctFromLowerCase();
    void unusableNumberFallsBackForThatKeyOnly_data();
    void unusableNumberFallsBackForThatKeyOnly();
    void plainDecimalTextIsRead_data();
    void plainDecimalTextIsRead();

    // Saving
    void saveWritesAllSixteenAsText();
    void saveLaysOutExactlyThreeSections();
    void roundTripRestoresEveryValue_data();
    void roundTripRestoresEveryValue();

    // Text forms
    void colourTextForm_data();
    void colourTextForm();
    void keyTextForm_data();
    void keyTextForm();

    // The board's place, kept beside the store
    void windowPlaceFileIsUsedOnlyWhenSafe_data();
    void windowPlaceFileIsUsedOnlyWhenSafe();

    // The game's own section, beside the sixteen
    void gameSectionBesideTheSixteen_data();
    void gameSectionBesideTheSixteen();

private:
    QString storeFile() const { return m_dir.filePath(QStringLiteral("Courtvane.conf")); }

    QTemporaryDir m_dir;
};

void TestSettingsStore::initTestCase() {
    QVERIFY(m_dir.isValid());
    // Never touch the user's own store, nor let a machine-wide one leak into the defaults.
    const QString userDir = m_dir.path();
    const QString systemDir = m_dir.filePath(QStringLiteral("system"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, userDir);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, userDir);
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, systemDir);
    QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, systemDir);
}

void TestSettingsStore::init() {
    QFile::remove(storeFile());
    QVERIFY(!QFile::exists(storeFile()));
    fillWithStaleValues();
}

void TestSettingsStore::tableOrder_data() {
    QTest::addColumn<bool>("saving");
    QTest::addColumn<QStringList>("paths");

    QTest::newRow("load") << false
                          << QStringList{"ColorSettings/FormBack",        "ColorSettings/LEDBack",
                                         "ColorSettings/TimeColor",       "ColorSettings/ScoreColor",
                                         "ColorSettings/PeriodColor",     "ColorSettings/BorderColor",
                                         "ColorSettings/HomeColor",       "ColorSettings/VisitorColor",
                                         "KeySettings/StartStopClockKey", "KeySettings/ResetClockKey",
                                         "KeySettings/ClockSwitchKey",    "KeySettings/BuzzerKey",
                                         "KeySettings/BuzzerFile",        "TextSettings/TitleText",
                                         "TextSettings/HomeText",         "TextSettings/VisitorText"};
    QTest::newRow("save") << true << QStringList{"KeySettings/StartStopClockKey", "KeySettings/ResetClockKey",
                                                 "KeySettings/ClockSwitchKey",    "KeySettings/BuzzerKey",
                                                 "KeySettings/BuzzerFile",        "ColorSettings/TimeColor",
                                                 "ColorSettings/LEDBack",         "ColorSettings/ScoreColor",
                                                 "ColorSettings/PeriodColor",     "ColorSettings/FormBack",
                                                 "ColorSettings/BorderColor",     "ColorSettings/HomeColor",
                                                 "ColorSettings/VisitorColor",    "TextSettings/TitleText",
                                                 "TextSettings/HomeText",         "TextSettings/VisitorText"};
}

void TestSettingsStore::tableOrder() {
    QFETCH(bool, saving);

    QStringList paths;
    if (saving) {
        for (const std::string_view key : modSettings::WriteOrder)
            paths << modSettings::storePath(modSettings::settingNamed(key));
    } else {
        for (const modSettings::Setting& setting : modSettings::Settings)
            paths << modSettings::storePath(setting);
    }
    QTEST(paths, "paths");
}

void TestSettingsStore::emptyStoreGivesEveryDefault() {
    modSettings::LoadSettings();

    QCOMPARE(modBasketball::FormBack, 4210752);
    QCOMPARE(modBasketball::LEDBack, 0);
    QCOMPARE(modBasketball::TimeColor, 255);
    QCOMPARE(modBasketball::ScoreColor, 33023);
    QCOMPARE(modBasketball::PeriodColor, 49152);
    QCOMPARE(modBasketball::BorderColor, 16777215);
    QCOMPARE(modBasketball::HomeColor, 16777215);
    QCOMPARE(modBasketball::VisitorColor, 16777215);
    QCOMPARE(modBasketball::StartStopClockKey, KeyCode('s'));
    QCOMPARE(modBasketball::ResetClockKey, KeyCode('r'));
    QCOMPARE(modBasketball::ClockSwitchKey, KeyCode('c'));
    QCOMPARE(modBasketball::BuzzerKey, KeyCode('b'));
    QCOMPARE(modBasketball::BuzzerFile,
             QCoreApplication::applicationDirPath().replace(QLatin1Char('/'), QDir::separator()) +
                 QDir::separator() + QStringLiteral("buzzer.wav"));
    QCOMPARE(modBasketball::TitleText, QStringLiteral("Home"));
    QCOMPARE(modBasketball::HomeText, QStringLiteral("Home"));
    QCOMPARE(modBasketball::VisitorText, QStringLiteral("Visitor"));
}

void TestSettingsStore::loadingLeavesStoreUnwritten() {
    modSettings::LoadSettings();
    QVERIFY(!QFile::exists(storeFile()));
}

void TestSettingsStore::partialStoreMixesStoredValuesAndDefaults() {
    writeRaw(QStringLiteral("ColorSettings/TimeColor"), QStringLiteral("65280"));
    writeRaw(QStringLiteral("KeySettings/BuzzerKey"), QStringLiteral("122"));
    writeRaw(QStringLiteral("TextSettings/HomeText"), QStringLiteral("Eagles"));

    modSettings::LoadSettings();

    QCOMPARE(modBasketball::TimeColor, 65280);
    QCOMPARE(modBasketball::BuzzerKey, KeyCode('z'));
    QCOMPARE(modBasketball::HomeText, QStringLiteral("Eagles"));
    QCOMPARE(modBasketball::ScoreColor, 33023);
    QCOMPARE(modBasketball::FormBack, 4210752);
    QCOMPARE(modBasketball::StartStopClockKey, KeyCode('s'));
    QCOMPARE(modBasketball::TitleText, QStringLiteral("Home"));
    QCOMPARE(modBasketball::VisitorText, QStringLiteral("Visitor"));
    QVERIFY(modBasketball::BuzzerFile.endsWith(QStringLiteral("buzzer.wav")));
}

void TestSettingsStore::emptyBuzzerFileStaysEmpty() {
    writeRaw(QStringLiteral("KeySettings/BuzzerFile"), QString());
    modSettings::LoadSettings();
    QVERIFY(modBasketball::BuzzerFile.isEmpty());
}

void TestSettingsStore::upperCaseKeyIsDistinctFromLowerCase() {
    writeRaw(QStringLiteral("KeySettings/StartStopClockKey"), QStringLiteral("83"));
    modSettings::LoadSettings();
    QCOMPARE(modBasketball::StartStopClockKey, KeyCode('S'));
    QVERIFY(modBasketball::StartStopClockKey != KeyCode('s'));
}

void TestSettingsStore::unusableNumberFallsBackForThatKeyOnly_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");

    QTest::newRow("letters") << "TimeColor"
                             << "abc";
    QTest::newRow("empty") << "ScoreColor"
                           << "";
    QTest::newRow("leading blank") << "PeriodColor"
                                   << " 5";
    QTest::newRow("trailing blank") << "BorderColor"
                                    << "5 ";
    QTest::newRow("plus sign") << "FormBack"
                               << "+5";
    QTest::newRow("hex") << "HomeColor"
                         << "0x10";
    QTest::newRow("fraction") << "VisitorColor"
                              << "1.5";
    QTest::newRow("lone minus") << "LEDBack"
                                << "-";
    QTest::newRow("other script digits") << "TimeColor" << QStringLiteral("\u0661\u0662");
    QTest::newRow("colour far too large") << "TimeColor"
                                          << "99999999999";
    QTest::newRow("colour just too large") << "ScoreColor"
                                           << "2147483648";
    QTest::newRow("colour too small") << "PeriodColor"
                                      << "-2147483649";
    QTest::newRow("colour beyond 64 bits") << "FormBack"
                                           << "123456789012345678901234567890";
    QTest::newRow("key too large") << "StartStopClockKey"
                                   << "40000";
    QTest::newRow("key just too large") << "ResetClockKey"
                                        << "32768";
    QTest::newRow("key too small") << "ClockSwitchKey"
                                   << "-32769";
    QTest::newRow("key as letter") << "BuzzerKey"
                                   << "b";
    QTest::newRow("negative colour") << "TimeColor"
                                     << "-255";
    QTest::newRow("colour minus one") << "LEDBack"
                                      << "-1";
    QTest::newRow("colour beyond 24 bits") << "BorderColor"
                                           << "16777216";
    QTest::newRow("largest 32-bit colour") << "FormBack"
                                           << "2147483647";
    QTest::newRow("key zero") << "StartStopClockKey"
                              << "0";
    QTest::newRow("key minus one") << "BuzzerKey"
                                   << "-1";
    QTest::newRow("smallest 16-bit key") << "ResetClockKey"
                                         << "-32768";
}

void TestSettingsStore::unusableNumberFallsBackForThatKeyOnly() {
    QFETCH(QString, key);
    QFETCH(QString, stored);

    // Every numeric key holds a usable value apart from the one under test.
    {
        QSettings raw(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Courtvane"));
        for (const modSettings::Setting& setting : modSettings::Settings) {
            if (isNumber(setting))
                raw.setValue(modSettings::storePath(setting),
                             setting.key == key.toStdString() ? stored
                                                              : QString::number(defaultNumber(setting) ^ 7));
        }
    }

    modSettings::LoadSettings();

    for (const modSettings::Setting& setting : modSettings::Settings) {
        if (!isNumber(setting))
            continue;
        const qint64 expected =
            setting.key == key.toStdString() ? defaultNumber(setting) : defaultNumber(setting) ^ 7;
        QVERIFY2(loadedNumber(setting) == expected, qPrintable(QStringLiteral("%1 loaded as %2 instead of %3")
                                                                   .arg(modSettings::storePath(setting))
                                                                   .arg(loadedNumber(setting))
                                                                   .arg(expected)));
    }
}

void TestSettingsStore::plainDecimalTextIsRead_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<qint64>("expected");

    QTest::newRow("largest colour") << "FormBack"
                                    << "16777215" << qint64{16777215};
    QTest::newRow("leading zeros") << "ScoreColor"
                                   << "007" << qint64{7};
    QTest::newRow("zero") << "BorderColor"
                          << "0" << qint64{0};
    QTest::newRow("minus zero") << "HomeColor"
                                << "-0" << qint64{0};
    QTest::newRow("largest key") << "StartStopClockKey"
                                 << "32767" << qint64{32767};
    QTest::newRow("smallest key") << "ResetClockKey"
                                  << "1" << qint64{1};
}

void TestSettingsStore::plainDecimalTextIsRead() {
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(qint64, expected);

    const modSettings::Setting& setting = modSettings::settingNamed(key.toStdString());
    QVERIFY(isNumber(setting));
    writeRaw(modSettings::storePath(setting), stored);

    modSettings::LoadSettings();

    QCOMPARE(loadedNumber(setting), expected);
}

void TestSettingsStore::saveWritesAllSixteenAsText() {
    modSettings::LoadSettings();
    modBasketball::StartStopClockKey = 'x';
    modBasketball::TimeColor = 65280;
    modBasketball::HomeText = QStringLiteral("Hawks");

    modSettings::SaveSettings();

    QFile file(storeFile());
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    QVERIFY(lines.contains(QStringLiteral("StartStopClockKey=120")));
    QVERIFY(lines.contains(QStringLiteral("TimeColor=65280")));
    QVERIFY(lines.contains(QStringLiteral("BorderColor=16777215")));
    QVERIFY(lines.contains(QStringLiteral("HomeText=Hawks")));

    // Unchanged values are written too, defaults included.
    const QSettings raw(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Courtvane"));
    QCOMPARE(raw.value("KeySettings/StartStopClockKey").toString(), QStringLiteral("120"));
    QCOMPARE(raw.value("KeySettings/ResetClockKey").toString(), QStringLiteral("114"));
    QCOMPARE(raw.value("KeySettings/ClockSwitchKey").toString(), QStringLiteral("99"));
    QCOMPARE(raw.value("KeySettings/BuzzerKey").toString(), QStringLiteral("98"));
    QVERIFY(raw.value("KeySettings/BuzzerFile").toString().endsWith(QStringLiteral("buzzer.wav")));
    QCOMPARE(raw.value("ColorSettings/FormBack").toString(), QStringLiteral("4210752"));
    QCOMPARE(raw.value("ColorSettings/LEDBack").toString(), QStringLiteral("0"));
    QCOMPARE(raw.value("ColorSettings/TimeColor").toString(), QStringLiteral("65280"));
    QCOMPARE(raw.value("ColorSettings/ScoreColor").toString(), QStringLiteral("33023"));
    QCOMPARE(raw.value("ColorSettings/PeriodColor").toString(), QStringLiteral("49152"));
    QCOMPARE(raw.value("ColorSettings/BorderColor").toString(), QStringLiteral("16777215"));
    QCOMPARE(raw.value("ColorSettings/HomeColor").toString(), QStringLiteral("16777215"));
    QCOMPARE(raw.value("ColorSettings/VisitorColor").toString(), QStringLiteral("16777215"));
    QCOMPARE(raw.value("TextSettings/TitleText").toString(), QStringLiteral("Home"));
    QCOMPARE(raw.value("TextSettings/HomeText").toString(), QStringLiteral("Hawks"));
    QCOMPARE(raw.value("TextSettings/VisitorText").toString(), QStringLiteral("Visitor"));
}

void TestSettingsStore::saveLaysOutExactlyThreeSections() {
    modSettings::LoadSettings();
    modSettings::SaveSettings();

    QFile file(storeFile());
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QStringList sections;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('[')))
            sections << line;
    }
    sections.sort();
    QCOMPARE(sections, (QStringList{"[ColorSettings]", "[KeySettings]", "[TextSettings]"}));

    QSettings raw(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Courtvane"));
    QVERIFY(raw.childKeys().isEmpty());
    raw.beginGroup(QStringLiteral("ColorSettings"));
    QCOMPARE(raw.childKeys().size(), 8);
    raw.endGroup();
    raw.beginGroup(QStringLiteral("KeySettings"));
    QCOMPARE(raw.childKeys().size(), 5);
    QVERIFY(raw.contains(QStringLiteral("BuzzerFile")));
    raw.endGroup();
    raw.beginGroup(QStringLiteral("TextSettings"));
    QCOMPARE(raw.childKeys().size(), 3);
    raw.endGroup();
}

void TestSettingsStore::roundTripRestoresEveryValue_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("visitor");
    QTest::addColumn<QString>("buzzer");

    QTest::newRow("plain") << "City Final"
                           << "Lions"
                           << "Tigers"
                           << "/opt/court vane/horn 2.wav";
    QTest::newRow("unicode") << QStringLiteral("Pokal der Stadt \u2014 Finale")
                             << QStringLiteral("Z\u00fcrich") << QStringLiteral("\u6771\u4eac")
                             << QStringLiteral("/home/ana/M\u00fasica/bocina final.wav");
    QTest::newRow("punctuation") << "Home, sweet home"
                                 << "\"Bulls\""
                                 << "a=b;c"
                                 << "C:\\Program Files\\Courtvane\\buzzer.wav";
    QTest::newRow("blanks kept") << "  spaced  "
                                 << " "
                                 << ""
                                 << "";
    QTest::newRow("store syntax") << "@Variant(x)"
                                  << "#hash"
                                  << "[Section]"
                                  << "/tmp/x.wav";
}

void TestSettingsStore::roundTripRestoresEveryValue() {
    QFETCH(QString, title);
    QFETCH(QString, home);
    QFETCH(QString, visitor);
    QFETCH(QString, buzzer);

    using namespace modBasketball;
    FormBack = 1;
    LEDBack = 16777215;
    TimeColor = 16777214;
    ScoreColor = 2;
    PeriodColor = 3;
    BorderColor = 4;
    HomeColor = 5;
    VisitorColor = 6;
    StartStopClockKey = 'S';
    ResetClockKey = 'R';
    ClockSwitchKey = ' ';
    BuzzerKey = 13;
    BuzzerFile = buzzer;
    TitleText = title;
    HomeText = home;
    VisitorText = visitor;

    modSettings::SaveSettings();
    fillWithStaleValues();
    modSettings::LoadSettings();

    QCOMPARE(FormBack, 1);
    QCOMPARE(LEDBack, 16777215);
    QCOMPARE(TimeColor, 16777214);
    QCOMPARE(ScoreColor, 2);
    QCOMPARE(PeriodColor, 3);
    QCOMPARE(BorderColor, 4);
    QCOMPARE(HomeColor, 5);
    QCOMPARE(VisitorColor, 6);
    QCOMPARE(StartStopClockKey, KeyCode('S'));
    QCOMPARE(ResetClockKey, KeyCode('R'));
    QCOMPARE(ClockSwitchKey, KeyCode(' '));
    QCOMPARE(BuzzerKey, KeyCode(13));
    QCOMPARE(BuzzerFile, buzzer);
    QCOMPARE(TitleText, title);
    QCOMPARE(HomeText, home);
    QCOMPARE(VisitorText, visitor);
}

void TestSettingsStore::colourTextForm_data() {
    QTest::addColumn<Colour>("colour");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Colour>("readBack");

    QTest::newRow("white") << Colour{16777215} << "16777215" << Colour{16777215};
    QTest::newRow("black") << Colour{0} << "0" << Colour{0};
    QTest::newRow("orange") << Colour{33023} << "33023" << Colour{33023};
    // Written as it is, but read back as the fallback: no board can show it.
    QTest::newRow("negative") << Colour{-1} << "-1" << Colour{42};
    QTest::newRow("beyond 24 bits") << Colour{16777216} << "16777216" << Colour{42};
}

void TestSettingsStore::colourTextForm() {
    QFETCH(Colour, colour);
    QFETCH(QString, text);

    QCOMPARE(modSettings::colourToText(colour), text);
    QTEST(modSettings::colourFromText(text, 42), "readBack");
}

void TestSettingsStore::keyTextForm_data() {
    QTest::addColumn<KeyCode>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<KeyCode>("readBack");

    QTest::newRow("s") << KeyCode('s') << "115" << KeyCode('s');
    QTest::newRow("S") << KeyCode('S') << "83" << KeyCode('S');
    QTest::newRow("smallest") << KeyCode{1} << "1" << KeyCode{1};
    // Written as it is, but read back as the fallback: no key produces it.
    QTest::newRow("none") << KeyCode{0} << "0" << KeyCode{42};
    QTest::newRow("negative") << KeyCode{-1} << "-1" << KeyCode{42};
}

void TestSettingsStore::keyTextForm() {
    QFETCH(KeyCode, key);
    QFETCH(QString, text);

    QCOMPARE(modSettings::keyToText(key), text);
    QTEST(modSettings::keyFromText(text, 42), "readBack");
}

void TestSettingsStore::windowPlaceFileIsUsedOnlyWhenSafe_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("used");

    for (const char* kind : {"fifo", "directory", "device", "2 MB", "lock fifo", "lock directory"})
        QTest::newRow(kind) << kind << false;
    QTest::newRow("first run") << "missing" << true;
}

void TestSettingsStore::windowPlaceFileIsUsedOnlyWhenSafe() {
    QFETCH(QString, kind);
    QFETCH(bool, used);

    QCOMPARE(modSettings::windowPlaceFileName(), m_dir.filePath(QStringLiteral("Courtvane-window.ini")));
    // The file itself, or the lock file QSettings takes beside it when it writes.
    const bool onLock = kind.startsWith("lock ");
    const QString file = modSettings::windowPlaceFileName() + (onLock ? ".lock" : "");
    QVERIFY(makeHostile(onLock ? kind.mid(5) : kind, file));
    const QString before = fingerprint(file);
    const modSettings::WindowPlace place{QStringLiteral("HDMI-1"), true};
    {
        PipeRelease release(file);
        QCOMPARE(modSettings::readWindowPlace(), std::nullopt);
        modSettings::writeWindowPlace(place);
        QCOMPARE(modSettings::readWindowPlace(), used ? std::optional(place) : std::nullopt);
        QVERIFY2(!release.released(), "waited on the named pipe");
    }
    QCOMPARE(fingerprint(file) == before, !used);
    QFileInfo(file).isDir() ? QDir(file).removeRecursively() : QFile::remove(file);
}

void TestSettingsStore::gameSectionBesideTheSixteen_data() {
    QTest::addColumn<bool>("usable");
    QTest::addColumn<int>("result");

    QTest::newRow("usable store") << true << int(modSettings::SaveResult::Saved);
    QTest::newRow("directory in the file's place") << false << int(modSettings::SaveResult::StoreNotAFile);
}

void TestSettingsStore::gameSectionBesideTheSixteen() {
    QFETCH(bool, usable);
    QFETCH(int, result);

    const auto sixteen = [] {
        QSettings raw(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Courtvane"));
        QStringList texts;
        for (const QString& key : raw.allKeys())
            texts << key + u'=' + raw.value(key).toString();
        return texts.filter(QRegularExpression(u"^(Color|Key|Text)Settings/"_qs));
    };
    modSettings::LoadSettings();
    modBasketball::HomeText = QStringLiteral("Hawks");
    QCOMPARE(modSettings::SaveSettings(), modSettings::SaveResult::Saved);
    const QStringList before = sixteen();
    QCOMPARE(before.size(), 16);
    if (!usable) {
        QVERIFY(QFile::remove(storeFile()));
        QVERIFY(makeHostile("directory", storeFile()));
    }

    game::GameSettings custom;
    custom.layout = game::Layout::Game;
    custom.preset = game::RulesPreset::Custom;
    custom.rules.periods = 6;
    custom.rules.shotClockFull = Currency::fromSeconds(30);
    custom.rules.foulReset = game::FoulReset::EachHalf;
    custom.hornFile = QStringLiteral("/srv/horns/shot clock.wav");
    QCOMPARE(modSettings::LoadGameSettings(), game::GameSettings{});
    QCOMPARE(int(modSettings::SaveGameSettings(custom)), result);
    QCOMPARE(modSettings::LoadGameSettings(), usable ? custom : game::GameSettings{});
    QCOMPARE(sixteen(), usable ? before : QStringList{});
    QCOMPARE(fingerprint(storeFile()) == QStringLiteral("directory"), !usable);
    QDir(storeFile()).removeRecursively();
}

QTEST_GUILESS_MAIN(TestSettingsStore)

#include "tst_settingsstore.moc"
