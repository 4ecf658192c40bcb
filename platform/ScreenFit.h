#pragma once

#include <QMargins>
#include <QObject>
#include <QRect>
#include <QSize>
#include <QString>

class QScreen;
class QWidget;

// Every window lies within a screen: whatever size it asks for, however large the screen's scale,
// and wherever the window system first puts it.
namespace ScreenFit {

// The screen of that name, or nullptr when none is connected now.
QScreen* screenNamed(const QString& name);

// The largest size of the proportions of size that fits within area.
QSize scaledWithin(QSize size, QSize area);
// The size a board designed at design opens at on a screen with this free area: of its
// proportions, filling about half the area, never below the design size unless the area is smaller.
QSize openingSize(QSize design, QSize available);

// Where a window whose outer rectangle is outer goes on a screen whose free area is available: no
// larger than that area, and moved into it where it sticks out. frame is what the window's frame
// adds around its client area; a window that keeps its proportions shrinks its client area in
// both directions alike.
QRect fitOnScreen(const QRect& outer, const QRect& available, const QMargins& frame = {},
                  bool keepProportions = false);

// A window that shrinks in proportion when it does not fit, as a board does.
void setKeepsProportions(QWidget* window);
// Fits a window into its screen's free area now; a full-screen, maximised or minimised window is
// left to the window system.
void fitWindow(QWidget* window);

// Fits every window as it is shown, and again when the window system first places it (the frame
// is known only then). One is installed on the application.
class WindowFitter : public QObject {
    Q_OBJECT

public:
    explicit WindowFitter(QObject* parent = nullptr);
    // Fits the window at its next placing by the window system, as when it leaves full screen:
    // until then its size is still the one it is leaving.
    static void fitWhenPlaced(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace ScreenFit
