#include "Control.h"

#include "Twips.h"

Control::Control(QWidget* parent, const QString& name, int index) : QWidget(parent), m_index(index) {
    setObjectName(name);
}

void Control::setLeftTwips(double twips) {
    m_left = twips;
    placeWidget();
}

void Control::setTopTwips(double twips) {
    m_top = twips;
    placeWidget();
}

void Control::setWidthTwips(double twips) {
    m_width = twips;
    placeWidget();
}

void Control::setHeightTwips(double twips) {
    m_height = twips;
    placeWidget();
}

void Control::setBoundsTwips(double left, double top, double width, double height) {
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
    placeWidget();
}

void Control::placeWidget() {
    // Edges rather than sizes are rounded, so neighbouring controls stay flush at any scale.
    const int x = Twips::toPixels(m_left);
    const int y = Twips::toPixels(m_top);
    const int right = Twips::toPixels(m_left + m_width);
    const int bottom = Twips::toPixels(m_top + m_height);
    setGeometry(x, y, qMax(1, right - x), qMax(1, bottom - y));
}
