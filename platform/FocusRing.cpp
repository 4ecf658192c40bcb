#include "platform/FocusRing.h"

#include <QEvent>
#include <QPainter>

FocusRing::FocusRing(QWidget* display, Placement placement)
    : QWidget(placement == Placement::Inside ? display : display->parentWidget()), m_display(display),
      m_placement(placement) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
    display->installEventFilter(this);
    follow();
}

void FocusRing::setColor(Colour colour) {
    if (colour == m_colour)
        return;
    m_colour = colour;
    update();
}

void FocusRing::setLit(bool lit) {
    setVisible(lit);
    if (lit)
        follow();
}

int FocusRing::thickness() const {
    return m_display ? qMax(2, qRound(m_display->height() / 20.0)) : 2;
}

bool FocusRing::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_display && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        follow();
    return QWidget::eventFilter(watched, event);
}

void FocusRing::follow() {
    if (!m_display)
        return;
    if (m_placement == Placement::Inside) {
        setGeometry(m_display->rect());
        raise();
    } else {
        const int t = thickness();
        setGeometry(m_display->geometry().adjusted(-t, -t, t, t));
        stackUnder(m_display);
    }
}

void FocusRing::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int t = thickness();
    const QColor colour = toQColor(m_colour);
    const QRect outer = rect();
    painter.fillRect(outer.x(), outer.y(), outer.width(), t, colour);
    painter.fillRect(outer.x(), outer.bottom() - t + 1, outer.width(), t, colour);
    painter.fillRect(outer.x(), outer.y() + t, t, outer.height() - 2 * t, colour);
    painter.fillRect(outer.right() - t + 1, outer.y() + t, t, outer.height() - 2 * t, colour);
}
