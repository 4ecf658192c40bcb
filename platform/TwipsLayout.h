#pragma once

#include "state/Twips.h"

#include <QFont>
#include <QString>
#include <QWidget>

#include <utility>

// Placing standard Qt widgets (buttons, text boxes, frames) of a dialog at their design positions
// in twips, and giving them design fonts in points.
namespace TwipsLayout {

// Creates a T with the given constructor arguments followed by parent, which owns it.
template <typename T, typename... Args>
T* place(QWidget* parent, const QString& name, double left, double top, double width, double height,
         Args&&... args) {
    auto* widget = new T(std::forward<Args>(args)..., parent);
    widget->setObjectName(name);
    widget->setGeometry(Twips::toPixelRect(left, top, width, height));
    return widget;
}

inline QFont designFont(const QString& family, double points) {
    QFont font(family);
    font.setPixelSize(Twips::fontPixelSize(points));
    return font;
}

} // namespace TwipsLayout
