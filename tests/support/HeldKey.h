#pragma once

#include <QChar>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

// Holds a key down as a keyboard does, through the window system's own entry: one press,
// repeats, the release. marked: Qt flags the repeats; else each comes as a release and a press
// of one time stamp, as X11 gives them to a busy program.
inline void holdKey(QWindow* window, QChar key, int repeats, bool marked) {
    static ulong time = 1000;
    const auto send = [&](QEvent::Type type, bool repeat) {
        QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::SynchronousDelivery>(
            window, time, type, key.toUpper().unicode(), {}, key, repeat);
    };
    send(QEvent::KeyPress, false);
    for (int i = 0; i < repeats; ++i) {
        time += 40;
        send(QEvent::KeyRelease, marked);
        send(QEvent::KeyPress, marked);
    }
    time += 40;
    send(QEvent::KeyRelease, false);
    time += 100;
}
