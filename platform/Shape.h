#pragma once

#include "platform/Control.h"

#include "state/Types.h"

#include <QPainterPath>

// A drawn figure: circle, oval or rounded rectangle, with an outline and an optional solid fill.
// It never takes mouse input, so click areas and controls behind it receive the clicks.
class Shape : public Control {
    Q_OBJECT
    Q_PROPERTY(double BorderWidth READ borderWidth WRITE setBorderWidth)
    Q_PROPERTY(int BorderColor READ borderColor WRITE setBorderColor)
    Q_PROPERTY(int FillColor READ fillColor WRITE setFillColor)

public:
    enum class Kind { Rectangle, Oval, Circle, RoundedRectangle };

    Shape(QWidget* parent, const QString& name, int index = -1);

    Kind kind() const { return m_kind; }
    void setKind(Kind kind);

    // Outline width in pixels; written as a real number and rounded, halves to even, never below 1.
    double borderWidth() const { return m_borderWidth; }
    void setBorderWidth(double pixels);
    Colour borderColor() const { return m_borderColor; }
    void setBorderColor(Colour colour);
    bool hasBorder() const { return m_hasBorder; }
    void setHasBorder(bool visible);

    Colour fillColor() const { return m_fillColor; }
    void setFillColor(Colour colour);
    bool isFilled() const { return m_filled; }
    void setFilled(bool filled);

    // The stretch of the row of pixels at height y that lies inside the outline, in the control's
    // own coordinates: narrower where a rounded corner bends in, empty where the row misses the
    // inside.
    QRectF insideAt(double y) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // What the figure depends on: its area and outline are built again only when one of these
    // changes.
    struct PathKey {
        QSize size;
        Kind kind = Kind::Rectangle;
        double pen = -1;
        bool operator==(const PathKey&) const = default;
    };
    void makePaths(double pen);
    // The figure's area with an outline of the given width drawn inside the control's bounds.
    QPainterPath figure(double pen) const;

    Kind m_kind = Kind::Rectangle;
    int m_borderWidth = 1;
    Colour m_borderColor = 0;
    bool m_hasBorder = true;
    Colour m_fillColor = 0;
    bool m_filled = false;
    PathKey m_pathKey;
    QPainterPath m_path;
    // The outline's stroke as a shape of its own, filled in the border colour.
    QPainterPath m_stroke;
};
