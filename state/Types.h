#pragma once

#include <QColor>
#include <QtGlobal>

// A colour as the settings store and the controls hold it: 0x00BBGGRR, red in the low byte.
using Colour = qint32;
// The character code a typed key produces; command keys match it exactly, so "s" and "S" differ.
using KeyCode = qint16;
// A truth value where true is -1 (all bits set), so that a bitwise inversion toggles it.
using Flag = qint16;

// Keys that the displays' entries act on.
inline constexpr KeyCode KeyEnter = 13;
inline constexpr KeyCode KeySpace = 32;

inline constexpr Flag FlagTrue = -1;
inline constexpr Flag FlagFalse = 0;

inline QColor toQColor(Colour c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

inline Colour fromQColor(const QColor& c) {
    return Colour(c.red() | (c.green() << 8) | (c.blue() << 16));
}
