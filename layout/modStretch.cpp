#include "layout/modStretch.h"

#include "platform/Control.h"
#include "platform/PolyLED.h"
#include "state/Twips.h"

#include <QVariant>
#include <QWidget>

#include <cmath>
#include <string_view>

namespace modStretch {

namespace {

std::vector<StretchInfo> stretchList;
// 32-bit rather than 16-bit: a maximised window on a large screen (2200 pixels are 33000 twips)
// would overflow a 16-bit measure and turn every ratio negative.
qint32 origWidth = 0;
qint32 origHeight = 0;
// What the window's frame added to its outer size when the layout was recorded.
QSize recordedFrame;
// FitForm has moved the window's own controls by the board's corner since the last record.
bool fitted = false;

qint32 recorded(const QObject* control, const char* property) {
    return roundHalfEven(control->property(property).toDouble());
}

// The window's outer size, frame included, as the layout is measured against it.
QSize outerTwips(const QWidget* form) {
    const QRect outer = form->frameGeometry();
    return {roundHalfEven(Twips::fromPixels(outer.width())),
            roundHalfEven(Twips::fromPixels(outer.height()))};
}

template <typename T> void write(QObject& control, const char* property, const std::optional<T>& value) {
    if (value)
        control.setProperty(property, QVariant::fromValue(*value));
}

// The new values of one control, its position and size in a single geometry change: each move of
// a widget on its own sends its events and marks the areas it leaves and enters.
// Every record is of a Control, as StretchForm takes only those.
void apply(Control& control, const StretchValues& values) {
    write(control, "FontSize", values.FontSize);
    write(control, "BorderWidth", values.BorderWidth);
    const double left = values.Left ? double(*values.Left) : control.leftTwips();
    const double top = values.Top ? double(*values.Top) : control.topTwips();
    auto* digit = qobject_cast<PolyLED*>(&control);
    if (digit && values.Size)
        digit->setPlacement(left, top, *values.Size);
    else
        control.setBoundsTwips(left, top, values.Width.value_or(control.widthTwips()),
                               values.Height.value_or(control.heightTwips()));
}

QSize frameTwips(const QWidget* form) {
    const QSize extra = form->frameGeometry().size() - form->size();
    return {roundHalfEven(Twips::fromPixels(extra.width())),
            roundHalfEven(Twips::fromPixels(extra.height()))};
}

// The controls' layout as it is now, measured against a window of the given outer size.
void record(QWidget* form, QSize outer) {
    stretchList.clear();
    fitted = false;
    origWidth = outer.width();
    origHeight = outer.height();
    recordedFrame = frameTwips(form);

    // The window's control collection: every control under it, depth first in the order the
    // controls were created, so a frame comes just before the controls it holds.
    const QList<Control*> controls = form->findChildren<Control*>();
    for (Control* control : controls) {
        const std::string_view kind = control->metaObject()->className();
        StretchInfo info;
        if (kind == "PolyLED") {
            // An LED digit's width and height follow from its size.
            info.Size = recorded(control, "Size");
        } else if (kind == "PictureBox" || kind == "Image") {
            info.Height = recorded(control, "Height");
            info.Width = recorded(control, "Width");
        } else if (kind == "Label") {
            info.Height = recorded(control, "Height");
            info.Width = recorded(control, "Width");
            info.FontSize = recorded(control, "FontSize");
        } else if (kind == "Shape") {
            info.Height = recorded(control, "Height");
            info.Width = recorded(control, "Width");
            info.BorderWidth = recorded(control, "BorderWidth");
        } else {
            continue;
        }
        info.control = control;
        info.Left = recorded(control, "Left");
        info.Top = recorded(control, "Top");
        stretchList.push_back(info);
    }
}

} // namespace

qint32 roundHalfEven(double x) {
    // The default rounding mode sends halves to the even neighbour.
    return qint32(std::nearbyint(x));
}

double AtLeastOne(double x) {
    return x >= 1 ? x : 1.0;
}

void StretchForm(QWidget* form) {
    record(form, outerTwips(form));
}

void StretchFormFor(QWidget* form, QSize clientTwips) {
    record(form, clientTwips + frameTwips(form));
}

StretchValues scaleRecord(const StretchInfo& info, double widthRatio, double heightRatio) {
    StretchValues values;
    if (info.Left != 0)
        values.Left = float(widthRatio * info.Left);
    if (info.Top != 0)
        values.Top = float(heightRatio * info.Top);
    if (info.Width != 0)
        values.Width = AtLeastOne(widthRatio * info.Width);
    if (info.Height != 0)
        values.Height = AtLeastOne(heightRatio * info.Height);
    if (info.FontSize != 0)
        values.FontSize = AtLeastOne(heightRatio * info.FontSize);
    if (info.BorderWidth != 0)
        values.BorderWidth = AtLeastOne(heightRatio * info.BorderWidth);
    if (info.Size != 0)
        values.Size = AtLeastOne(heightRatio * info.Size);
    return values;
}

void ResizeForm(QWidget* form) {
    // A minimised window has no layout to show; before any record there is no baseline to scale.
    if (form->isMinimized() || origWidth == 0 || origHeight == 0)
        return;

    // A window's frame is known only once the window is shown. A layout recorded before then is
    // counted with the frame the window turned out to have, so that showing the window does not
    // stretch the board by the size of its title bar.
    const QSize frame = frameTwips(form);
    if (frame != recordedFrame) {
        origWidth += frame.width() - recordedFrame.width();
        origHeight += frame.height() - recordedFrame.height();
        recordedFrame = frame;
    }

    const QSize outer = outerTwips(form);
    const double widthRatio = double(outer.width()) / origWidth;
    const double heightRatio = double(outer.height()) / origHeight;

    // Painting is suspended rather than the window hidden, so no intermediate layout is drawn and
    // the window keeps the keyboard focus, which hiding it would take away. Enabling it again asks
    // for one paint of the whole window, which comes once the resize has been handled.
    form->setUpdatesEnabled(false);
    for (const StretchInfo& info : stretchList) {
        // A control destroyed since the record leaves an empty reference behind.
        if (auto* control = qobject_cast<Control*>(info.control.data()))
            apply(*control, scaleRecord(info, widthRatio, heightRatio));
    }
    form->setUpdatesEnabled(true);
}

Fit fitCentred(QSizeF area, QSizeF board) {
    if (board.isEmpty() || area.isEmpty())
        return {};
    const double scale = qMin(area.width() / board.width(), area.height() / board.height());
    return {scale, (area.width() - scale * board.width()) / 2, (area.height() - scale * board.height()) / 2};
}

void FitForm(QWidget* form) {
    if (form->isMinimized() || origWidth == 0 || origHeight == 0)
        return;
    // The board as recorded is the client area of that moment: the outer size less its frame.
    const QSizeF board(origWidth - recordedFrame.width(), origHeight - recordedFrame.height());
    const QSizeF area(Twips::fromPixels(form->width()), Twips::fromPixels(form->height()));
    const Fit fit = fitCentred(area, board);

    form->setUpdatesEnabled(false);
    for (const StretchInfo& info : stretchList) {
        auto* control = qobject_cast<Control*>(info.control.data());
        if (!control)
            continue;
        StretchValues values = scaleRecord(info, fit.scale, fit.scale);
        // Controls placed on the window itself move with the board's corner, even from a recorded
        // 0; those inside a frame keep their place in it.
        if (control->parent() == form) {
            values.Left = float(fit.scale * info.Left + fit.left);
            values.Top = float(fit.scale * info.Top + fit.top);
        }
        apply(*control, values);
    }
    fitted = true;
    form->setUpdatesEnabled(true);
}

void UnfitForm(QWidget* form) {
    if (!fitted)
        return;
    fitted = false;
    for (const StretchInfo& info : stretchList) {
        auto* control = qobject_cast<Control*>(info.control.data());
        if (!control || control->parent() != form || (info.Left != 0 && info.Top != 0))
            continue;
        control->setBoundsTwips(info.Left == 0 ? 0.0 : control->leftTwips(),
                                info.Top == 0 ? 0.0 : control->topTwips(), control->widthTwips(),
                                control->heightTwips());
    }
}

const std::vector<StretchInfo>& StretchList() {
    return stretchList;
}

qint32 OrigWidth() {
    return origWidth;
}

qint32 OrigHeight() {
    return origHeight;
}

} // namespace modStretch
