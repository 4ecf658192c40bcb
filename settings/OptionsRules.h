#pragma once

#include "state/Types.h"

#include <QString>

#include <array>

// The rules of the options and key capture dialogs that need no window.

// The name part (without folders) of the file that path names, or an empty text when no such file
// exists.
QString existingFileName(const QString& path);

// How the options dialog shows a buzzer file: a path of more than 50 characters as its first 10
// characters, " ...", the platform's path separator and the file's name (nothing when the file is
// missing); an empty path as "[No File Selected]"; any other path whole.
QString BuzzerFileCaption(const QString& path);

// A key label's text: the key's character, or its code in brackets ("[7]") when the code has no
// visible character of its own (control codes, blanks, codes outside 0 to 255). Such codes only
// come from an edited settings store.
QString keyLabelText(KeyCode key);

// Codes that the board keeps for itself: "o" opens the options, "=", ".", "-", "+", space and
// Enter serve the entry on the displays.
inline constexpr std::array<KeyCode, 7> ReservedKeys{111, 61, 46, 45, 43, 32, 13};

// The four keys the options dialog holds now: start / stop, reset, clock switch, buzzer.
using KeysInUse = std::array<KeyCode, 4>;

// Whether the key capture dialog refuses key for a command whose committed key is currentKey:
// the committed key is always taken; any other key is refused when one of the four keys in use
// or a reserved code has it.
bool keyRefused(KeyCode key, KeyCode currentKey, const KeysInUse& keysInUse);

// The key capture dialog's prompt for a command's phrase.
QString chooseKeyPrompt(const QString& action);
