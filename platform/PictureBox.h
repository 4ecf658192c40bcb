#pragma once

#include "platform/Control.h"

#include "state/Types.h"

// A frame with a background colour that holds other controls and can take the keyboard focus.
// Children are clipped to it.
class PictureBox : public Control {
    Q_OBJECT
    Q_PROPERTY(int BackColor READ backColor WRITE setBackColor)

public:
    PictureBox(QWidget* parent, const QString& name, int index = -1);

    Colour backColor() const { return m_backColor; }
    void setBackColor(Colour colour);

Q_SIGNALS:
    void gotFocus();

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    Colour m_backColor = 0;
};
