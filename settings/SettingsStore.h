#pragma once

#include "settings/SettingsTable.h"
#include "state/Types.h"

#include <QHash>
#include <QString>

#include <functional>

class QSettings;

// The sixteen settings kept per user under the application name "Courtvane", in the sections
// ColorSettings, KeySettings and TextSettings. Every value is stored as text.
namespace modSettings {

// The largest store file the program reads or writes: its sixteen settings take a few hundred
// bytes, and anything much larger was not written by it.
inline constexpr qint64 MaxStoreBytes = 1024 * 1024;

// Reads every setting into the scoreboard state; a missing or unusable value takes its default.
// A store file that is no regular file, is larger than MaxStoreBytes or cannot be read is not
// opened at all: every setting takes its default.
void LoadSettings();

// What became of a save. A store file that cannot be used is left exactly as it is; so is a lock
// file beside it that is no regular file, which would hold the write for good.
enum class SaveResult { Saved, StoreNotAFile, StoreTooLarge, StoreUnreadable, LockNotAFile, WriteFailed };

// Writes all sixteen settings from the scoreboard state, unless the store file cannot be used.
SaveResult SaveSettings();
// Hands the store to write and saves what it set, unless the store file cannot be used; the other
// sections of the store, and the sixteen settings, are kept as they are.
SaveResult WriteStore(const std::function<void(QSettings&)>& write);
// Every key of a section of the store with its text; none when the store file cannot be used.
QHash<QString, QString> ReadStoreSection(const QString& section);
// What the operator is told of a save that did not happen, naming the store's file; empty for Saved.
QString saveProblemText(SaveResult result);
// Whether a file may be handed to QSettings: none there yet, or a regular file of at most
// MaxStoreBytes that can be read. Anything else could hold it for good or flood it.
bool storeFileUsable(const QString& path);
// Whether QSettings can take the lock beside the file it is to write to fileName.
bool lockFileUsable(const QString& fileName);
// Where the store keeps the settings: its file, or its registry path on Windows. Found without
// opening the store.
QString settingsFileName();

// The default values, as the settings table gives them.
inline constexpr Colour DefaultFormBack = defaultColour("FormBack");
inline constexpr Colour DefaultLEDBack = defaultColour("LEDBack");
inline constexpr Colour DefaultTimeColor = defaultColour("TimeColor");
inline constexpr Colour DefaultScoreColor = defaultColour("ScoreColor");
inline constexpr Colour DefaultPeriodColor = defaultColour("PeriodColor");
inline constexpr Colour DefaultBorderColor = defaultColour("BorderColor");
inline constexpr Colour DefaultHomeColor = defaultColour("HomeColor");
inline constexpr Colour DefaultVisitorColor = defaultColour("VisitorColor");
inline constexpr KeyCode DefaultStartStopClockKey = defaultKey("StartStopClockKey");
inline constexpr KeyCode DefaultResetClockKey = defaultKey("ResetClockKey");
inline constexpr KeyCode DefaultClockSwitchKey = defaultKey("ClockSwitchKey");
inline constexpr KeyCode DefaultBuzzerKey = defaultKey("BuzzerKey");
inline const QString DefaultTitleText = defaultText(settingNamed("TitleText"));
inline const QString DefaultHomeText = defaultText(settingNamed("HomeText"));
inline const QString DefaultVisitorText = defaultText(settingNamed("VisitorText"));

// Text forms. A stored text that is not a decimal integer in range gives the fallback: a colour
// must lie in 0 to 16777215, a key code be 1 or more.
QString colourToText(Colour colour);
Colour colourFromText(const QString& text, Colour fallback);
QString keyToText(KeyCode key);
KeyCode keyFromText(const QString& text, KeyCode fallback);

} // namespace modSettings
