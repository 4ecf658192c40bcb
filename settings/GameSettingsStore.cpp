#include "settings/GameSettingsStore.h"

#include <QSettings>

namespace modSettings {

game::GameSettings LoadGameSettings() {
    return game::readGameSettings(ReadStoreSection(game::GameSettingsSection));
}

SaveResult SaveGameSettings(const game::GameSettings& settings) {
    return WriteStore([&settings](QSettings& store) {
        store.beginGroup(game::GameSettingsSection);
        for (const auto& [key, text] : game::writeGameSettings(settings))
            store.setValue(key, text);
        store.endGroup();
    });
}

} // namespace modSettings
