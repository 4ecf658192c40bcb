#pragma once

#include <QObject>
#include <QPointer>
#include <QSizeF>
#include <QtGlobal>

#include <optional>
#include <vector>

class QWidget;

// Proportional stretching: StretchForm records the layout of a window's controls, ResizeForm
// scales that recorded layout to the window's current outer size. Horizontal measures follow the
// width ratio; vertical measures, font sizes, outline widths and digit sizes the height ratio.
namespace modStretch {

// What is kept of one control's layout, in twips, whole points, outline units or digit size.
// A field holding 0 was not recorded and is never written back.
// The measures are 32-bit: a maximised window on a large screen is wider than 32767 twips.
struct StretchInfo {
    QPointer<QObject> control;
    qint32 Left = 0;
    qint32 Top = 0;
    qint32 Height = 0;
    qint32 Width = 0;
    qint32 FontSize = 0;
    qint32 BorderWidth = 0;
    qint32 Size = 0;
};

// The values one record takes on a window widthRatio times as wide and heightRatio times as high
// as when it was recorded; a field left empty was not recorded and is not to be written.
// Positions are single precision and may be any value; measures are at least 1.
struct StretchValues {
    std::optional<float> Left;
    std::optional<float> Top;
    std::optional<double> Width;
    std::optional<double> Height;
    std::optional<double> FontSize;
    std::optional<double> BorderWidth;
    std::optional<double> Size;
};

void StretchForm(QWidget* form);
// Records the controls as they are placed now, for a client area of the given size in twips (the
// window's frame added), whatever size the window has: a board laid out afresh at its design size
// while shown larger is then scaled to the window by ResizeForm or FitForm.
void StretchFormFor(QWidget* form, QSize clientTwips);
void ResizeForm(QWidget* form);
// Full screen: the recorded layout scaled by one ratio in both directions, the smaller of the
// two, and centred in the window, so the board keeps its proportions and the window background
// shows around it.
void FitForm(QWidget* form);
// Leaving full screen: the controls that FitForm moved off a recorded 0 go back to it, for
// ResizeForm leaves a recorded 0 alone. Does nothing when the layout is not fitted.
void UnfitForm(QWidget* form);

// A board of the given size fitted into an area: the one ratio it is scaled by and the offset of
// its top left corner that centres it, in the area's units.
struct Fit {
    double scale = 1;
    double left = 0;
    double top = 0;
};
Fit fitCentred(QSizeF area, QSizeF board);
double AtLeastOne(double x);

// Rounds to the nearest whole number, halves to the even neighbour, as values are recorded.
qint32 roundHalfEven(double x);

StretchValues scaleRecord(const StretchInfo& info, double widthRatio, double heightRatio);

// The layout last recorded: one record per recorded control in the window's control collection
// order, and the window's outer width and height in twips at that moment (0 before any record).
const std::vector<StretchInfo>& StretchList();
qint32 OrigWidth();
qint32 OrigHeight();

} // namespace modStretch
