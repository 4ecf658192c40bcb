#pragma once

#include "game/GameSettings.h"
#include "scoreboard/GameState.h"
#include "state/Types.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

#include <optional>

// What the operator's console decides without a window: where it opens, what it tells the operator
// and the store key that remembers its screen.
namespace console {

// The screen the console opens on, as an index into screens: the remembered one when it is there
// and is not the board's, else the first that is not the board's. Nothing on a single screen,
// where the console would cover the board.
std::optional<int> consoleScreenIndex(const QStringList& screens, int boardScreen, const QString& remembered);

// Whether Caps Lock is on, as a typed character shows it: a letter whose case differs from the
// one Shift gives. Nothing for a key that has no case (digits, Enter, function keys).
std::optional<bool> capsLockFromKey(const QString& text, bool shift);

// The name of a command key as the console's buttons show it: the character itself, or "Space",
// "Enter", "Esc", "Tab", "Backspace", else its code in brackets.
QString keyText(KeyCode key);

// The game settings in force in one line: the board, the rules and their key figures.
QString gameSettingsText(const game::GameSettings& settings);

// The digits typed on a display before Enter, with the display's name; empty when none are.
QString entryText(std::optional<BoardDisplay> display, const QString& typed);

// The store's section and key of the console's screen.
inline const QString ConsoleSection = QStringLiteral("ConsoleSettings");
inline const QString ScreenKey = QStringLiteral("Screen");

QString rememberedScreen();
void rememberScreen(const QString& name);

// Whether a window's image can lend its pixels to a copy: 32 bits a pixel, as a window's image is.
bool canTakePixels(const QImage& image);
// Fills the pixels of part in a smaller copy, each with the pixel of the board's image under its
// centre: the same pixel whichever part it is filled with, and a fraction of the cost of smoothing.
void takeNearest(const QImage& board, QImage& copy, const QRect& part);

} // namespace console
