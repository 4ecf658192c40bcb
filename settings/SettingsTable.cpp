#include "settings/SettingsTable.h"

#include "settings/SettingsStore.h"
#include "state/DataFolder.h"

#include <QDir>

namespace modSettings {

QString defaultBuzzerFile() {
    return QDir::toNativeSeparators(dataFolder() + QStringLiteral("/buzzer.wav"));
}

QString storePath(const Setting& setting) {
    const auto latin1 = [](std::string_view name) {
        return QLatin1StringView(name.data(), qsizetype(name.size()));
    };
    return latin1(setting.section) + QLatin1Char('/') + latin1(setting.key);
}

QString defaultText(const Setting& setting) {
    switch (setting.kind) {
    case SettingKind::Colour:
        return colourToText(std::get<Colour>(setting.fallback));
    case SettingKind::Key:
        return keyToText(std::get<KeyCode>(setting.fallback));
    case SettingKind::Text:
        return QString::fromUtf8(std::get<const char*>(setting.fallback));
    case SettingKind::FilePath:
        return std::get<QString (*)()>(setting.fallback)();
    }
    return {};
}

} // namespace modSettings
