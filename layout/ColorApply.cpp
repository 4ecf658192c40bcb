#include "layout/ColorApply.h"

#include "platform/Control.h"
#include "state/modBasketball.h"

#include <QSet>
#include <QVariant>
#include <QWidget>

#include <string_view>

namespace modColor {

void ColorLED(const ControlGroup<PolyLED>& display, Colour lit) {
    for (PolyLED* element : display)
        ColorLED(element, lit);
}

void ColorLED(PolyLED* element, Colour lit) {
    element->setBackColor(modBasketball::LEDBack);
    element->setLitColor(lit);
}

void ColorForm(QWidget* form, const QList<QWidget*>& skipControls) {
    // Skipping goes by name, so listing one member of a control group skips the whole group. The
    // names are compared whole: a name containing "|" cannot match pieces of other names.
    QSet<QString> skipped;
    for (const QWidget* control : skipControls)
        skipped.insert(control->objectName());

    const QList<Control*> controls = form->findChildren<Control*>();
    for (Control* control : controls) {
        if (skipped.contains(control->objectName()))
            continue;
        const std::string_view kind = control->metaObject()->className();
        if (kind == "Label")
            control->setProperty("ForeColor", modBasketball::BorderColor);
        else if (kind == "PictureBox")
            control->setProperty("BackColor", modBasketball::LEDBack);
        else if (kind == "Shape")
            control->setProperty("BorderColor", modBasketball::BorderColor);
    }
}

} // namespace modColor
