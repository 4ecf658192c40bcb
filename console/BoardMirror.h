#pragma once

#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QWidget>

// A live copy of a window as its audience sees it, drawn at the size that fits this widget with its
// proportions kept. It draws nothing of its own accord: it watches the window and its controls paint, copies
// only the parts they painted, and does so once per turn of the event loop however many painted;
// hidden, it copies nothing.
// A press on the copy reaches the control under it, so the lamps and displays answer a click here
// as they do on the window.
class BoardMirror : public QWidget {
    Q_OBJECT

public:
    BoardMirror(QWidget* board, QWidget* parent);

    // Where the board's picture lies in this widget.
    QRect pictureRect() const;
    // The board's picture as last copied, at the size it is shown at.
    const QImage& picture() const { return m_picture; }
    // Copies taken so far, one per turn of the event loop in which the board painted.
    int copies() const { return m_copies; }

Q_SIGNALS:
    // The board painted, or took a key, in this turn; sent once the copy is done.
    void boardChanged();
    // A key reached the board or one of its controls, with its text and whether Shift was held.
    void keyTyped(const QString& text, bool shift);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void watch(QWidget* widget);
    void noteChange(const QRegion& boardRegion);
    void copy();
    // The board's pixels as it last painted them, when its window holds them in an image.
    const QImage* paintedBoard() const;
    void forwardMouse(QMouseEvent* event);

    QPointer<QWidget> m_board;
    QImage m_picture;
    QRegion m_dirty;
    bool m_copyDue = false;
    bool m_stale = false;
    bool m_copying = false;
    int m_copies = 0;
    QPointer<QWidget> m_pressed;
};
