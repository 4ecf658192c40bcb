#include "console/BoardMirror.h"

#include "console/ConsoleRules.h"

#include <QBackingStore>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QWindow>

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
    // Hidden, the copy costs the board nothing: it is drawn whole when it is shown again.
    if (!isVisible()) {
        m_stale = true;
        return;
    }
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
    if (!isVisible()) {
        m_stale = true;
        m_dirty = QRegion();
        return;
    }
    const QRect shown = pictureRect();
    const qreal ratio = devicePixelRatioF();
    // Drawn at the size it is shown at: a copy smaller than the board costs less than the board.
    if (m_picture.size() != shown.size() * ratio) {
        m_picture = QImage(shown.size() * ratio, QImage::Format_RGB32);
        m_picture.setDevicePixelRatio(ratio);
        m_dirty = m_board->rect();
    }
    // A pixel more on every side: the parts' edges fall between the copy's pixels.
    QRegion dirty;
    for (const QRect& changed : std::as_const(m_dirty))
        dirty += changed.adjusted(-1, -1, 1, 1);
    dirty &= m_board->rect();
    m_dirty = QRegion();
    const QRect part = dirty.boundingRect();
    if (!part.isEmpty() && !shown.isEmpty()) {
        const double scale = double(shown.width()) / m_board->width();
        // The copy's own pixels that the part touches: whole pixels, so that the parts meet without seams.
        const QRect target =
            QRectF(QPointF(part.topLeft()) * scale * ratio, QSizeF(part.size()) * scale * ratio)
                .toAlignedRect() &
            QRect(QPoint(), m_picture.size());
        if (const QImage* painted = paintedBoard()) {
            // The board has just painted these pixels into its window. Taking every n-th of them costs
            // less than the board's own painting; painting again, or smoothing, costs more.
            console::takeNearest(*painted, m_picture, target);
        } else {
            QPainter painter(&m_picture);
            m_copying = true;
            painter.scale(scale, scale);
            m_board->render(&painter, part.topLeft(), dirty);
            m_copying = false;
        }
        ++m_copies;
        update(QRectF(shown.topLeft() + QPointF(part.topLeft()) * scale, QSizeF(part.size()) * scale)
                   .toAlignedRect()
                   .adjusted(-1, -1, 1, 1));
    }
    Q_EMIT boardChanged();
}

const QImage* BoardMirror::paintedBoard() const {
    // Only a window on show, drawn into an image of the board's own shape, can lend its pixels.
    if (!m_board->isWindow() || !m_board->windowHandle() || !m_board->windowHandle()->isExposed())
        return nullptr;
    QBackingStore* const store = m_board->backingStore();
    QPaintDevice* const device = store ? store->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image)
        return nullptr;
    const auto* painted = static_cast<const QImage*>(device);
    if (!console::canTakePixels(*painted))
        return nullptr;
    const QSizeF logical = painted->deviceIndependentSize();
    if (painted->isNull() || qAbs(logical.width() - m_board->width()) > 1 ||
        qAbs(logical.height() - m_board->height()) > 1)
        return nullptr;
    return painted;
}

QRect BoardMirror::pictureRect() const {
    if (!m_board || m_board->size().isEmpty())
        return rect();
    const QSize fitted = m_board->size().scaled(size(), Qt::KeepAspectRatio);
    return QRect(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
}

void BoardMirror::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect shown = pictureRect();
    const QRegion margins = QRegion(event->rect()) - shown;
    for (const QRect& margin : margins)
        painter.fillRect(margin, palette().color(QPalette::Dark));
    const QRect target = event->rect() & shown;
    if (m_picture.isNull() || target.isEmpty())
        return;
    // The picture is drawn at this size already: only what was asked for is copied, pixel for pixel.
    const qreal ratio = m_picture.devicePixelRatio();
    painter.drawImage(target, m_picture,
                      QRect((target.topLeft() - shown.topLeft()) * ratio, target.size() * ratio));
}

void BoardMirror::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_stale && m_board) {
        m_stale = false;
        noteChange(m_board->rect());
    }
}

void BoardMirror::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    update();
    if (m_board)
        noteChange(m_board->rect());
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
