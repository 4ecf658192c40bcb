#pragma once

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

} // namespace Twips
