#pragma once

#include "platform/Control.h"

// An image without a picture: it draws nothing and serves as a click area over other controls.
class Image : public Control {
    Q_OBJECT

public:
    Image(QWidget* parent, const QString& name, int index = -1);

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};
