#pragma once

#include "platform/Control.h"

#include "state/Types.h"

#include <QPixmap>

class QPainter;

// One seven-segment LED digit. Caption 0 to 9 lights that digit, -1 leaves it dark; unlit
// segments stay faintly visible against the background, as on a real board.
// The digit is Size pixels high and about 0.55 x Size wide. The display's own focus mark is a
// FocusRing, which its window places around the whole display.
class PolyLED : public Control {
    Q_OBJECT
    Q_PROPERTY(int Caption READ caption WRITE setCaption)
    Q_PROPERTY(int LitColor READ litColor WRITE setLitColor)
    Q_PROPERTY(int BackColor READ backColor WRITE setBackColor)
    Q_PROPERTY(double Size READ digitSize WRITE setSize)

public:
    PolyLED(QWidget* parent, const QString& name, int index = -1);

    qint16 caption() const { return m_caption; }
    // A value outside -1 to 9 shows the digit dark and reads back as -1.
    void setCaption(int digit);
    // Accepts a one-character text holding a digit; anything else darkens the digit.
    void setCaptionText(const QString& text);

    // Shows a letter in place of a digit, as boards mark overtime: "o" (the lower box) and "t"; any
    // other character darkens the digit. The caption reads -1 while a letter shows; setting a
    // caption takes the letter away.
    void setLetter(QChar letter);
    QChar letter() const { return m_letter; }

    Colour litColor() const { return m_litColor; }
    void setLitColor(Colour colour);
    Colour backColor() const { return m_backColor; }
    void setBackColor(Colour colour);

    // Digit height in pixels; written as a real number and rounded, halves to even, never below 1.
    int digitSize() const { return m_size; }
    void setSize(double pixels);

    // Position in twips and digit size as setSize takes it, applied to the widget in one move.
    void setPlacement(double leftTwips, double topTwips, double pixels);

    // The width in pixels of a digit of the given height.
    static int widthForSize(int size);

    // Draws the whole face of a digit of the given widget size: background, lit and unlit
    // segments. A digit paints a copy of this face, drawn once per look and kept in a cache.
    static void paintFace(QPainter& painter, QSize size, int caption, Colour lit, Colour back,
                          QChar letter = {});

Q_SIGNALS:
    // Raised for every character typed while the digit has the focus.
    void KeyPress(int index, qint16 keyAscii);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Everything the face depends on: a change of any of it makes a new face.
    struct FaceKey {
        QSize size;
        qreal pixelRatio = 0;
        Colour lit = 0;
        Colour back = 0;
        qint16 caption = 0;
        QChar letter;
        bool operator==(const FaceKey&) const = default;
    };
    static QPixmap face(const FaceKey& key);

    qint16 m_caption = 0;
    QChar m_letter;
    Colour m_litColor = 255;
    Colour m_backColor = 0;
    int m_size = 105;
    FaceKey m_faceKey;
    QPixmap m_face;
};
