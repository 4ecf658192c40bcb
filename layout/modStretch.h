#pragma once

#include <QtGlobal>

class QWidget;

// Proportional stretching: StretchForm records the layout of a window's controls, ResizeForm
// scales that recorded layout to the window's current outer size. Horizontal measures follow the
// width ratio; vertical measures, font sizes, outline widths and digit sizes the height ratio.
namespace modStretch {

void StretchForm(QWidget* form);
void ResizeForm(QWidget* form);
double AtLeastOne(double x);

// Rounds to the nearest whole number, halves to the even neighbour, as values are recorded.
qint32 roundHalfEven(double x);

} // namespace modStretch
