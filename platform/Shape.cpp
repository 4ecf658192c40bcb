#include "platform/Shape.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

Shape::Shape(QWidget* parent, const QString& name, int index) : Control(parent, name, index) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
}

void Shape::setKind(Kind kind) {
    if (kind == m_kind)
        return;
    m_kind = kind;
    update();
}

void Shape::setBorderWidth(double pixels) {
    // Bounded before the conversion, so no value (not even NaN) can overflow it.
    const int width = int(std::nearbyint(std::clamp(std::isnan(pixels) ? 1.0 : pixels, 1.0, 32767.0)));
    if (width == m_borderWidth)
        return;
    m_borderWidth = width;
    update();
}

void Shape::setBorderColor(Colour colour) {
    if (colour == m_borderColor)
        return;
    m_borderColor = colour;
    update();
}

void Shape::setHasBorder(bool visible) {
    if (visible == m_hasBorder)
        return;
    m_hasBorder = visible;
    update();
}

void Shape::setFillColor(Colour colour) {
    if (colour == m_fillColor)
        return;
    m_fillColor = colour;
    update();
}

void Shape::setFilled(bool filled) {
    if (filled == m_filled)
        return;
    m_filled = filled;
    update();
}

QPainterPath Shape::figure(double pen) const {
    // The outline is drawn inside the control's bounds, as a frame of the given width.
    QRectF area = QRectF(rect()).adjusted(pen / 2, pen / 2, -pen / 2, -pen / 2);
    if (m_kind == Kind::Circle) {
        const double side = qMin(area.width(), area.height());
        area = QRectF(area.center().x() - side / 2, area.center().y() - side / 2, side, side);
    }

    QPainterPath path;
    switch (m_kind) {
    case Kind::Rectangle:
        path.addRect(area);
        break;
    case Kind::Oval:
    case Kind::Circle:
        path.addEllipse(area);
        break;
    case Kind::RoundedRectangle: {
        const double radius = qMin(area.width(), area.height()) / 10.0;
        path.addRoundedRect(area, radius, radius);
        break;
    }
    }
    return path;
}

void Shape::makePaths(double pen) {
    m_path = figure(pen);
    m_stroke = pen > 0 ? QPainterPathStroker(QPen(Qt::black, pen)).createStroke(m_path) : QPainterPath();
}

QRectF Shape::insideAt(double y) const {
    const double pen = m_hasBorder ? m_borderWidth : 0.0;
    QPainterPath inside = figure(pen);
    if (pen > 0)
        inside = inside.subtracted(QPainterPathStroker(QPen(Qt::black, pen)).createStroke(inside));
    QPainterPath row;
    row.addRect(QRectF(0, y, width(), 1));
    return inside.intersected(row).boundingRect();
}

void Shape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double pen = m_hasBorder ? m_borderWidth : 0.0;
    const PathKey key{size(), m_kind, pen};
    if (key != m_pathKey) {
        m_pathKey = key;
        makePaths(pen);
    }
    if (m_filled)
        painter.fillPath(m_path, toQColor(m_fillColor));
    if (m_hasBorder)
        painter.fillPath(m_stroke, toQColor(m_borderColor));
}
