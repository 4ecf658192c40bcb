#pragma once

#include "platform/ControlGroup.h"
#include "platform/PolyLED.h"
#include "platform/Shape.h"
#include "state/Currency.h"

namespace modCount {

// Draws a value on a four-digit display and its two dots (upper and lower). A lit dot takes the
// border colour, an unlit dot the LED background.
void ShowCount(Currency value, const ControlGroup<PolyLED>& digits, const ControlGroup<Shape>& dots);

} // namespace modCount
