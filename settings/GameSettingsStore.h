#pragma once

#include "game/GameSettings.h"
#include "settings/SettingsStore.h"

// The game's settings in their own section of the store, beside the sixteen of the board.
namespace modSettings {

// What the store holds; a store that cannot be used, or a missing or refused value, gives the
// default (the Standard board, FIBA's rules, the shipped horn).
game::GameSettings LoadGameSettings();

// Writes every key of the section; the rest of the store stays as it is.
SaveResult SaveGameSettings(const game::GameSettings& settings);

} // namespace modSettings
