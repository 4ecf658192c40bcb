#include "clock/ClockShow.h"

#include "clock/ClockText.h"
#include "state/modBasketball.h"

namespace modCount {

void ShowCount(Currency value, const ControlGroup<PolyLED>& digits, const ControlGroup<Shape>& dots) {
    const ClockFace face = clockFace(value);
    dots[1]->setFillColor(modBasketball::BorderColor);
    dots[0]->setFillColor(face.colon ? modBasketball::BorderColor : modBasketball::LEDBack);
    for (int i = 0; i < 4; ++i)
        digits[i]->setCaption(face.digits[i]);
}

} // namespace modCount
