#include "SettingsStore.h"

#include "DataFolder.h"
#include "modBasketball.h"

#include <QDir>
#include <QSettings>

#include <limits>

namespace modSettings {

namespace {

// Organisation "Courtvane" with no application name puts the three sections directly under
// "Courtvane": the registry key on Windows, <config>/Courtvane.conf on Linux.
const QString StoreName = QStringLiteral("Courtvane");
const QString ColorSection = QStringLiteral("ColorSettings");
const QString KeySection = QStringLiteral("KeySettings");
const QString TextSection = QStringLiteral("TextSettings");

// Only plain decimal digits with an optional leading minus count as a number: toLongLong alone
// would also take surrounding blanks, a plus sign and digits of other scripts, none of which the
// program ever writes.
bool isPlainDecimal(const QString& text) {
    const qsizetype first = text.startsWith(QLatin1Char('-')) ? 1 : 0;
    if (text.size() == first)
        return false;
    for (qsizetype i = first; i < text.size(); ++i) {
        if (text[i] < QLatin1Char('0') || text[i] > QLatin1Char('9'))
            return false;
    }
    return true;
}

template <typename Number> Number numberFromText(const QString& text, Number fallback) {
    if (!isPlainDecimal(text))
        return fallback;
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok || value < std::numeric_limits<Number>::min() || value > std::numeric_limits<Number>::max())
        return fallback;
    return static_cast<Number>(value);
}

Colour readColour(const QSettings& store, const QString& key, Colour fallback) {
    return colourFromText(store.value(key, colourToText(fallback)).toString(), fallback);
}

KeyCode readKey(const QSettings& store, const QString& key, KeyCode fallback) {
    return keyFromText(store.value(key, keyToText(fallback)).toString(), fallback);
}

QString readText(const QSettings& store, const QString& key, const QString& fallback) {
    return store.value(key, fallback).toString();
}

} // namespace

QString defaultBuzzerFile() {
    return QDir::toNativeSeparators(dataFolder() + QStringLiteral("/buzzer.wav"));
}

QString colourToText(Colour colour) {
    return QString::number(colour);
}

// The store may have been edited by hand: a colour outside 24 bits draws nothing (an invisible
// clock), so it takes the default, as unreadable text does.
Colour colourFromText(const QString& text, Colour fallback) {
    const Colour colour = numberFromText(text, fallback);
    return colour >= 0 && colour <= 0xFFFFFF ? colour : fallback;
}

QString keyToText(KeyCode key) {
    return QString::number(key);
}

// No key produces a code below 1: such a command key could never be pressed and would lock the
// operator out of its command, so it takes the default too.
KeyCode keyFromText(const QString& text, KeyCode fallback) {
    const KeyCode key = numberFromText(text, fallback);
    return key >= 1 ? key : fallback;
}

void LoadSettings() {
    using namespace modBasketball;
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, StoreName);

    store.beginGroup(ColorSection);
    FormBack = readColour(store, QStringLiteral("FormBack"), DefaultFormBack);
    LEDBack = readColour(store, QStringLiteral("LEDBack"), DefaultLEDBack);
    TimeColor = readColour(store, QStringLiteral("TimeColor"), DefaultTimeColor);
    ScoreColor = readColour(store, QStringLiteral("ScoreColor"), DefaultScoreColor);
    PeriodColor = readColour(store, QStringLiteral("PeriodColor"), DefaultPeriodColor);
    BorderColor = readColour(store, QStringLiteral("BorderColor"), DefaultBorderColor);
    HomeColor = readColour(store, QStringLiteral("HomeColor"), DefaultHomeColor);
    VisitorColor = readColour(store, QStringLiteral("VisitorColor"), DefaultVisitorColor);
    store.endGroup();

    store.beginGroup(KeySection);
    StartStopClockKey = readKey(store, QStringLiteral("StartStopClockKey"), DefaultStartStopClockKey);
    ResetClockKey = readKey(store, QStringLiteral("ResetClockKey"), DefaultResetClockKey);
    ClockSwitchKey = readKey(store, QStringLiteral("ClockSwitchKey"), DefaultClockSwitchKey);
    BuzzerKey = readKey(store, QStringLiteral("BuzzerKey"), DefaultBuzzerKey);
    // An empty stored path is a deliberate "no file"; only a missing value takes the default.
    BuzzerFile = readText(store, QStringLiteral("BuzzerFile"), defaultBuzzerFile());
    store.endGroup();

    store.beginGroup(TextSection);
    TitleText = readText(store, QStringLiteral("TitleText"), DefaultTitleText);
    HomeText = readText(store, QStringLiteral("HomeText"), DefaultHomeText);
    VisitorText = readText(store, QStringLiteral("VisitorText"), DefaultVisitorText);
    store.endGroup();
}

bool SaveSettings() {
    using namespace modBasketball;
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, StoreName);

    store.beginGroup(KeySection);
    store.setValue(QStringLiteral("StartStopClockKey"), keyToText(StartStopClockKey));
    store.setValue(QStringLiteral("ResetClockKey"), keyToText(ResetClockKey));
    store.setValue(QStringLiteral("ClockSwitchKey"), keyToText(ClockSwitchKey));
    store.setValue(QStringLiteral("BuzzerKey"), keyToText(BuzzerKey));
    store.setValue(QStringLiteral("BuzzerFile"), BuzzerFile);
    store.endGroup();

    store.beginGroup(ColorSection);
    store.setValue(QStringLiteral("TimeColor"), colourToText(TimeColor));
    store.setValue(QStringLiteral("LEDBack"), colourToText(LEDBack));
    store.setValue(QStringLiteral("ScoreColor"), colourToText(ScoreColor));
    store.setValue(QStringLiteral("PeriodColor"), colourToText(PeriodColor));
    store.setValue(QStringLiteral("FormBack"), colourToText(FormBack));
    store.setValue(QStringLiteral("BorderColor"), colourToText(BorderColor));
    store.setValue(QStringLiteral("HomeColor"), colourToText(HomeColor));
    store.setValue(QStringLiteral("VisitorColor"), colourToText(VisitorColor));
    store.endGroup();

    store.beginGroup(TextSection);
    store.setValue(QStringLiteral("TitleText"), TitleText);
    store.setValue(QStringLiteral("HomeText"), HomeText);
    store.setValue(QStringLiteral("VisitorText"), VisitorText);
    store.endGroup();

    // A store that cannot be written (read-only file or folder, full disk) would lose the operator's
    // choices at the next start, so the caller learns of it.
    store.sync();
    return store.status() == QSettings::NoError;
}

QString settingsFileName() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, StoreName).fileName();
}

} // namespace modSettings
