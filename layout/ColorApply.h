#pragma once

#include "platform/ControlGroup.h"
#include "platform/PolyLED.h"
#include "state/Types.h"

#include <QList>

class QWidget;

// Applying the colour settings to a window by kind of control.
namespace modColor {

// Gives every digit of the display the LED background and the lit colour.
void ColorLED(const ControlGroup<PolyLED>& display, Colour lit);
void ColorLED(PolyLED* element, Colour lit);

// Colours every label (text: border colour), picture box (background: LED background) and shape
// (outline: border colour) of the window, except controls whose name matches one of skip.
void ColorForm(QWidget* form, const QList<QWidget*>& skipControls);

} // namespace modColor
