#include "platform/Image.h"

#include <QMouseEvent>

Image::Image(QWidget* parent, const QString& name, int index) : Control(parent, name, index) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
}

void Image::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        Q_EMIT clicked();
}
