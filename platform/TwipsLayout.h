#pragma once

#include "Twips.h"

#include <QFont>
#include <QString>
#include <QWidget>

#include <utility>

// Placing standard Qt widgets (buttons, text boxes, frames) of a dialog at their design positions
// in twips, and giving them design fonts in points.
namespace TwipsLayout {

// Edges rather than sizes are rounded, so neighbouring widgets stay flush.
inline void placeTwips(QWidget* widget, double left, double top, double width, double height) {
    const int x = Twips::toPixels(left);
    const int y = Twips::toPixels(top);
    widget->setGeometry(x, y, Twips::toPixels(left + width) - x, Twips::toPixels(top + height) - y);
}

// Creates a T with the given constructor arguments followed by parent, which owns it.
template <typename T, typename... Args>
T* place(QWidget* parent, const QString& name, double left, double top, double width, double height,
         Args&&... args) {
    auto* widget = new T(std::forward<Args>(args)..., parent);
    widget->setObjectName(name);
    placeTwips(widget, left, top, width, height);
    return widget;
}

// Pixel sizes keep the text the same on every screen whatever DPI the system reports.
inline QFont designFont(const QString& family, double points) {
    QFont font(family);
    font.setPixelSize(qMax(1, qRound(Twips::pointsToPixels(points))));
    return font;
}

} // namespace TwipsLayout
