#pragma once

#include <QRect>
#include <QtGlobal>

// Layouts are measured in twips, 1440 to the inch; Qt lays out in device-independent pixels at
// 96 to the inch, so one pixel is 15 twips. Qt itself scales pixels for high-DPI screens.
namespace Twips {

inline constexpr double PerPixel = 15.0;

inline int toPixels(double twips) {
    return qRound(twips / PerPixel);
}

inline double fromPixels(int pixels) {
    return pixels * PerPixel;
}

// Font sizes are given in points; a point is 1/72 inch, 4/3 of a device-independent pixel.
inline double pointsToPixels(double points) {
    return points * 96.0 / 72.0;
}

// A font's pixel size for a size in points: pixel sizes keep the text the same on every screen
// whatever DPI the system reports.
inline int fontPixelSize(double points) {
    return qMax(1, qRound(pointsToPixels(points)));
}

// The pixel rectangle of a box placed in twips. Edges rather than sizes are rounded, so neighbours
// stay flush at any scale; a box is never less than a pixel wide or high.
inline QRect toPixelRect(double left, double top, double width, double height) {
    const int x = toPixels(left);
    const int y = toPixels(top);
    return {x, y, qMax(1, toPixels(left + width) - x), qMax(1, toPixels(top + height) - y)};
}

} // namespace Twips
