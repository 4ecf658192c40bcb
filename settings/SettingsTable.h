#pragma once

#include "state/Types.h"
#include "state/modBasketball.h"

#include <QString>

#include <array>
#include <stdexcept>
#include <string_view>
#include <variant>

// The sixteen settings in one place: where the store keeps each, the scoreboard-state variable it
// fills and the value it takes when the store holds none. Loading, saving, the defaults and the
// options dialog's reset buttons all read this table, so a setting is added or changed in one row.
namespace modSettings {

// The buzzer file beside the program, formed afresh at every start so that it follows the program.
QString defaultBuzzerFile();

// How a setting is stored as text: colours and key codes as plain decimal numbers, texts and the
// file path verbatim.
enum class SettingKind { Colour, Key, Text, FilePath };

struct Setting {
    std::string_view section;
    std::string_view key;
    SettingKind kind;
    std::variant<Colour*, KeyCode*, QString*> variable;
    // The file path's default depends on where the program lies, so it is a function.
    std::variant<Colour, KeyCode, const char*, QString (*)()> fallback;
};

// In the order in which they are loaded.
inline constexpr std::array<Setting, 16> Settings{{
    {"ColorSettings", "FormBack", SettingKind::Colour, &modBasketball::FormBack, Colour{4210752}},
    {"ColorSettings", "LEDBack", SettingKind::Colour, &modBasketball::LEDBack, Colour{0}},
    {"ColorSettings", "TimeColor", SettingKind::Colour, &modBasketball::TimeColor, Colour{255}},
    {"ColorSettings", "ScoreColor", SettingKind::Colour, &modBasketball::ScoreColor, Colour{33023}},
    {"ColorSettings", "PeriodColor", SettingKind::Colour, &modBasketball::PeriodColor, Colour{49152}},
    {"ColorSettings", "BorderColor", SettingKind::Colour, &modBasketball::BorderColor, Colour{16777215}},
    {"ColorSettings", "HomeColor", SettingKind::Colour, &modBasketball::HomeColor, Colour{16777215}},
    {"ColorSettings", "VisitorColor", SettingKind::Colour, &modBasketball::VisitorColor, Colour{16777215}},
    {"KeySettings", "StartStopClockKey", SettingKind::Key, &modBasketball::StartStopClockKey, KeyCode{115}},
    {"KeySettings", "ResetClockKey", SettingKind::Key, &modBasketball::ResetClockKey, KeyCode{114}},
    {"KeySettings", "ClockSwitchKey", SettingKind::Key, &modBasketball::ClockSwitchKey, KeyCode{99}},
    {"KeySettings", "BuzzerKey", SettingKind::Key, &modBasketball::BuzzerKey, KeyCode{98}},
    {"KeySettings", "BuzzerFile", SettingKind::FilePath, &modBasketball::BuzzerFile, &defaultBuzzerFile},
    {"TextSettings", "TitleText", SettingKind::Text, &modBasketball::TitleText, "Home"},
    {"TextSettings", "HomeText", SettingKind::Text, &modBasketball::HomeText, "Home"},
    {"TextSettings", "VisitorText", SettingKind::Text, &modBasketball::VisitorText, "Visitor"},
}};

// The order in which they are saved: the keys first, then the colours, then the texts.
inline constexpr std::array<std::string_view, Settings.size()> WriteOrder{
    "StartStopClockKey", "ResetClockKey", "ClockSwitchKey", "BuzzerKey",  "BuzzerFile",  "TimeColor",
    "LEDBack",           "ScoreColor",    "PeriodColor",    "FormBack",   "BorderColor", "HomeColor",
    "VisitorColor",      "TitleText",     "HomeText",       "VisitorText"};

// Key names are unique across the sections, so a key alone names a row.
constexpr const Setting& settingNamed(std::string_view key) {
    for (const Setting& setting : Settings) {
        if (setting.key == key)
            return setting;
    }
    throw std::invalid_argument("no setting of that name");
}

template <typename Value> const Setting& settingOf(const Value* variable) {
    for (const Setting& setting : Settings) {
        if (Value* const* held = std::get_if<Value*>(&setting.variable); held && *held == variable)
            return setting;
    }
    throw std::invalid_argument("no setting fills that variable");
}

inline Colour defaultOf(const Colour* variable) {
    return std::get<Colour>(settingOf(variable).fallback);
}

inline KeyCode defaultOf(const KeyCode* variable) {
    return std::get<KeyCode>(settingOf(variable).fallback);
}

// The default of a colour or key setting by its key, for constants fixed when building.
constexpr Colour defaultColour(std::string_view key) {
    return std::get<Colour>(settingNamed(key).fallback);
}

constexpr KeyCode defaultKey(std::string_view key) {
    return std::get<KeyCode>(settingNamed(key).fallback);
}

// The store's section and key of a setting, as QSettings takes them.
QString storePath(const Setting& setting);
// The default of a setting in its stored text form.
QString defaultText(const Setting& setting);

namespace detail {

// Each kind holds the variable and the default that its text form reads and writes.
constexpr bool rowFits(const Setting& setting) {
    switch (setting.kind) {
    case SettingKind::Colour:
        return std::holds_alternative<Colour*>(setting.variable) &&
               std::holds_alternative<Colour>(setting.fallback);
    case SettingKind::Key:
        return std::holds_alternative<KeyCode*>(setting.variable) &&
               std::holds_alternative<KeyCode>(setting.fallback);
    case SettingKind::Text:
        return std::holds_alternative<QString*>(setting.variable) &&
               std::holds_alternative<const char*>(setting.fallback);
    case SettingKind::FilePath:
        return std::holds_alternative<QString*>(setting.variable) &&
               std::holds_alternative<QString (*)()>(setting.fallback);
    }
    return false;
}

constexpr bool tableIsSound() {
    for (std::size_t i = 0; i < Settings.size(); ++i) {
        if (!rowFits(Settings[i]))
            return false;
        for (std::size_t j = 0; j < i; ++j) {
            if (Settings[j].key == Settings[i].key)
                return false;
        }
    }
    // Every setting is saved exactly once: the names are unique, and settingNamed stops the build
    // at a name that no row has.
    for (std::size_t i = 0; i < WriteOrder.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (WriteOrder[j] == WriteOrder[i])
                return false;
        }
        settingNamed(WriteOrder[i]);
    }
    return true;
}

static_assert(tableIsSound());

} // namespace detail

} // namespace modSettings
