#include "console/BoardMirror.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

BoardMirror::BoardMirror(QWidget* board, QWidget* parent) : QWidget(parent), m_board(board) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(160, 120);
    watch(board);
    noteChange(board->rect());
}

void BoardMirror::watch(QWidget* widget) {
    widget->installEventFilter(this);
    for (QObject* child : widget->children())
        if (auto* control = qobject_cast<QWidget*>(child); control && !control->isWindow())
            watch(control);
}

bool BoardMirror::eventFilter(QObject* watched, QEvent* event) {
    // Copying sends the board paint events of its own, which are not changes.
    if (m_copying || !m_board)
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::Paint:
        noteChange(
            QRegion(static_cast<QPaintEvent*>(event)->rect().translated(widget->mapTo(m_board, QPoint()))));
        break;
    case QEvent::Resize:
        if (widget == m_board)
            noteChange(m_board->rect());
        break;
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        Q_EMIT keyTyped(key->text(), key->modifiers().testFlag(Qt::ShiftModifier));
        noteChange({});
        break;
    }
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        // A digit typed before Enter changes nothing the audience sees, but the console shows it.
        noteChange({});
        break;
    case QEvent::ChildAdded:
        // The Game board adds its controls while the board is on show.
        if (auto* control = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child());
            control && !control->isWindow())
            watch(control);
        break;
    default:
        break;
    }
    return false;
}

void BoardMirror::noteChange(const QRegion& boardRegion) {
    m_dirty += boardRegion;
    if (m_copyDue)
        return;
    m_copyDue = true;
    QTimer::singleShot(0, this, &BoardMirror::copy);
}

void BoardMirror::copy() {
    m_copyDue = false;
    if (!m_board)
        return;
    if (m_picture.size() != m_board->size()) {
        m_picture = QPixmap(m_board->size());
        m_dirty = m_board->rect();
    }
    const QRegion dirty = m_dirty & m_board->rect();
    m_dirty = QRegion();
    if (!dirty.isEmpty()) {
        m_copying = true;
        m_board->render(&m_picture, dirty.boundingRect().topLeft(), dirty);
        m_copying = false;
        ++m_copies;
        // Only the copied part of the picture is drawn again, a pixel wider for the smoothing.
        const QRect shown = pictureRect();
        const double scale = double(shown.width()) / m_picture.width();
        const QRectF part = QRectF(dirty.boundingRect());
        update(QRectF(shown.topLeft() + part.topLeft() * scale, part.size() * scale)
                   .toAlignedRect()
                   .adjusted(-1, -1, 1, 1));
    }
    Q_EMIT boardChanged();
}

QRect BoardMirror::pictureRect() const {
    if (m_picture.isNull())
        return rect();
    const QSize fitted = m_picture.size().scaled(size(), Qt::KeepAspectRatio);
    return QRect(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
}

void BoardMirror::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().color(QPalette::Dark));
    if (m_picture.isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect shown = pictureRect();
    // Only what was asked for is drawn: the part of the picture behind the exposed rectangle.
    const QRect target = event->rect() & shown;
    if (target.isEmpty())
        return;
    const double scale = double(m_picture.width()) / shown.width();
    const QRectF source(QPointF(target.topLeft() - shown.topLeft()) * scale, QSizeF(target.size()) * scale);
    painter.drawPixmap(QRectF(target), m_picture, source);
}

void BoardMirror::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    update();
}

void BoardMirror::mousePressEvent(QMouseEvent* event) {
    forwardMouse(event);
}

void BoardMirror::mouseReleaseEvent(QMouseEvent* event) {
    forwardMouse(event);
}

void BoardMirror::forwardMouse(QMouseEvent* event) {
    const QRect shown = pictureRect();
    if (!m_board || !shown.contains(event->position().toPoint()) || shown.isEmpty())
        return;
    const double scale = double(m_board->width()) / shown.width();
    const QPoint onBoard = ((event->position() - QPointF(shown.topLeft())) * scale).toPoint();
    QWidget* target = event->type() == QEvent::MouseButtonRelease && m_pressed ? m_pressed.data()
                                                                               : m_board->childAt(onBoard);
    if (!target)
        target = m_board;
    if (event->type() == QEvent::MouseButtonPress) {
        m_pressed = target;
        // A display clicked here takes the typing, as one clicked on the board does.
        if (target->focusPolicy() & Qt::ClickFocus)
            target->setFocus(Qt::MouseFocusReason);
    } else {
        m_pressed.clear();
    }
    const QPointF local = target->mapFrom(m_board, onBoard);
    QMouseEvent forwarded(event->type(), local, target->mapToGlobal(local), event->button(), event->buttons(),
                          event->modifiers());
    QCoreApplication::sendEvent(target, &forwarded);
}
