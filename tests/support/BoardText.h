#pragma once

#include "platform/ControlGroup.h"
#include "platform/PolyLED.h"
#include "platform/Shape.h"
#include "state/modBasketball.h"

#include <QString>

// A display as the crowd reads it, element 0 first: digits, and "_" for a dark digit.
inline QString shown(const ControlGroup<PolyLED>& display) {
    QString text;
    for (const PolyLED* element : display)
        text += element->caption() < 0 ? QChar('_') : QChar('0' + element->caption());
    return text;
}

// The clock display: its four digits with the separator between them, ":" when the upper dot is
// lit (a colon) and "." when only the lower one is (a decimal point).
inline QString clockText(const ControlGroup<PolyLED>& digits, const ControlGroup<Shape>& dots) {
    const QString text = shown(digits);
    const bool colon = dots[0]->fillColor() == modBasketball::BorderColor;
    return text.left(2) + (colon ? ':' : '.') + text.mid(2);
}
