#include "platform/ScreenFit.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace ScreenFit {

namespace {

constexpr const char* KeepsProportions = "screenFitKeepsProportions";
constexpr const char* PlacingAwaited = "screenFitPlacingAwaited";
// A board opening in a box of this share of each side of the screen takes about half its area.
constexpr double OpeningShare = 0.7071;

bool fitsItsScreenAlone(const QWidget* window) {
    return window->isMinimized() || window->isMaximized() || window->isFullScreen();
}

// Dialogs and windows; menus, tool tips and other pop-ups place themselves.
bool isPlacedWindow(const QObject* object) {
    const auto* widget = qobject_cast<const QWidget*>(object);
    return widget && widget->isWindow() &&
           (widget->windowType() == Qt::Window || widget->windowType() == Qt::Dialog);
}

} // namespace

QScreen* screenNamed(const QString& name) {
    for (QScreen* screen : QGuiApplication::screens())
        if (screen->name() == name)
            return screen;
    return nullptr;
}

QSize scaledWithin(QSize size, QSize area) {
    if (size.isEmpty() || area.isEmpty())
        return {};
    // Whole pixels, rounded down on the side that does not fill the area.
    const qint64 wide = qint64(size.width()) * area.height();
    const qint64 high = qint64(area.width()) * size.height();
    if (wide <= high)
        return {std::max(1, int(wide / size.height())), area.height()};
    return {area.width(), std::max(1, int(qint64(size.height()) * area.width() / size.width()))};
}

QSize openingSize(QSize design, QSize available) {
    const QSize half = scaledWithin(design, (QSizeF(available) * OpeningShare).toSize());
    const QSize opening = half.width() > design.width() ? half : design;
    return opening.width() > available.width() || opening.height() > available.height()
               ? scaledWithin(design, available)
               : opening;
}

QRect fitOnScreen(const QRect& outer, const QRect& available, const QMargins& frame, bool keepProportions) {
    QSize size = outer.size().boundedTo(available.size());
    if (keepProportions && size != outer.size()) {
        const QSize extra(frame.left() + frame.right(), frame.top() + frame.bottom());
        size = scaledWithin(outer.size() - extra, available.size() - extra) + extra;
    }
    QRect fitted(outer.topLeft(), size);
    fitted.moveLeft(qBound(available.left(), fitted.left(), available.right() - fitted.width() + 1));
    fitted.moveTop(qBound(available.top(), fitted.top(), available.bottom() - fitted.height() + 1));
    return fitted;
}

void setKeepsProportions(QWidget* window) {
    window->setProperty(KeepsProportions, true);
}

void fitWindow(QWidget* window) {
    const QScreen* screen = window->screen();
    if (!screen || fitsItsScreenAlone(window))
        return;
    const QRect outer = window->frameGeometry();
    const QRect inner = window->geometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
    const QRect fitted =
        fitOnScreen(outer, screen->availableGeometry(), frame, window->property(KeepsProportions).toBool());
    if (fitted.size() != outer.size())
        window->resize(window->size() - (outer.size() - fitted.size()));
    if (fitted.topLeft() != outer.topLeft())
        window->move(fitted.topLeft());
}

WindowFitter::WindowFitter(QObject* parent) : QObject(parent) {}

void WindowFitter::fitWhenPlaced(QWidget* window) {
    window->setProperty(PlacingAwaited, true);
}

bool WindowFitter::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize) && isPlacedWindow(watched)) {
        auto* window = static_cast<QWidget*>(watched);
        if (type == QEvent::Show) {
            fitWindow(window);
            fitWhenPlaced(window);
        } else if (event->spontaneous() && window->property(PlacingAwaited).toBool()) {
            window->setProperty(PlacingAwaited, false);
            // A window leaving full screen is sized before it is moved back to its place, in two
            // events that come together: fitted between them, it would be pulled to the corner.
            QTimer::singleShot(0, window, [window] { fitWindow(window); });
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace ScreenFit
