#include "platform/Control.h"

#include "state/Twips.h"

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
    setGeometry(Twips::toPixelRect(m_left, m_top, m_width, m_height));
}
