#include "platform/PictureBox.h"

#include <QPainter>

PictureBox::PictureBox(QWidget* parent, const QString& name, int index) : Control(parent, name, index) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::setBackColor(Colour colour) {
    if (colour == m_backColor)
        return;
    m_backColor = colour;
    update();
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), toQColor(m_backColor));
}

void PictureBox::focusInEvent(QFocusEvent* event) {
    Control::focusInEvent(event);
    Q_EMIT gotFocus();
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    Control::mousePressEvent(event);
}
