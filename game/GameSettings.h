#pragma once

#include "game/GameRules.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

#include <functional>
#include <optional>

namespace game {

// The board the audience sees: the Standard one stays the default.
enum class Layout { Standard, Game };

// The shot clock's horn shipped beside the program, formed afresh at every start so that it follows
// the program.
QString defaultHornFile();

// The port the server listens on unless the operator chooses another.
inline constexpr int DefaultServePort = 8780;

// What the store keeps of the game: the board, the rules' preset and, for Custom, every figure, and
// the shot clock's own horn (empty: none).
struct GameSettings {
    Layout layout = Layout::Standard;
    RulesPreset preset = RulesPreset::Fiba;
    GameRules rules = fibaRules();
    QString hornFile = defaultHornFile();
    // The server for browsers and phones: off unless chosen, and on this machine alone unless the
    // operator lets the other devices on the network in.
    bool serve = false;
    bool serveNetwork = false;
    int servePort = DefaultServePort;
    // The Standard board writes a journal of the game only when asked; the Game board always does.
    bool journal = false;
    bool operator==(const GameSettings&) const = default;
};

// The store's section for these keys: Layout (Standard or Game), Rules (FIBA, NFHS or Custom), then
// one key per figure named by figureName, in the text form of figureText, HornFile, and the server's
// Serve, ServeNetwork (true or false) and ServePort (1 to 65535), and Journal (true or false).
inline const QString GameSettingsSection = QStringLiteral("GameSettings");

// The stored text of a key in that section, or nothing when the key is absent.
using StoreLookup = std::function<std::optional<QString>(const QString& key)>;

// A missing or refused value loads the default: Standard, FIBA, and the preset's figure. FIBA and NFHS
// load their presets whole and ignore stored figures; Custom's missing figures are FIBA's. Only a
// missing HornFile takes the shipped horn: an empty one is a deliberate "no horn".
GameSettings readGameSettings(const StoreLookup& lookup);
GameSettings readGameSettings(const QHash<QString, QString>& stored);

// Every key of the section with its text, Layout and Rules first.
QList<QPair<QString, QString>> writeGameSettings(const GameSettings& settings);

} // namespace game
