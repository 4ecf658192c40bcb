#pragma once

#include "state/Types.h"

#include <QPointer>
#include <QWidget>

// The mark of the display that takes the typing: a solid ring around the whole display, as thick
// as a twentieth of its height so that it grows with the board and is seen from the operator's
// chair. Inside a frame it lies along the frame's edge, over the digits the frame clips; around
// a lone digit it lies just outside it, so it never covers a segment. It ignores the mouse.
class FocusRing : public QWidget {
    Q_OBJECT

public:
    enum class Placement { Inside, Outside };

    FocusRing(QWidget* display, Placement placement);

    void setColor(Colour colour);
    void setLit(bool lit);
    int thickness() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void follow();

    QPointer<QWidget> m_display;
    Placement m_placement;
    Colour m_colour = 16777215;
};
