#include "platform/PolyLED.h"

#include "state/Twips.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPixmapCache>

#include <array>
#include <cmath>

namespace {

// The digit is designed in a box of this many units and scaled to the widget, so it stays crisp
// at any size and on any pixel density.
constexpr double BoxWidth = 55.0;
constexpr double BoxHeight = 100.0;

// Half the thickness of a segment, the gap left at each end of it, and the forward lean.
constexpr double HalfThickness = 5.5;
constexpr double Gap = 1.0;
constexpr double Slant = 0.05;

// Segment axes run between these corners; the margins leave room for the thickness and the lean.
constexpr double Top = 1.0 + HalfThickness;
constexpr double Middle = BoxHeight / 2;
constexpr double Bottom = BoxHeight - Top;
constexpr double LeanRoom = Slant * (Middle - Top);
constexpr double LeftEdge = 1.0 + HalfThickness + LeanRoom;
constexpr double RightEdge = BoxWidth - LeftEdge;

// Segments in the usual order a to g: top, upper right, lower right, bottom, lower left, upper
// left, middle.
enum Segment : quint8 { A = 1, B = 2, C = 4, D = 8, E = 16, F = 32, G = 64 };

constexpr std::array<quint8, 10> DigitSegments = {
    A | B | C | D | E | F,     // 0
    B | C,                     // 1
    A | B | D | E | G,         // 2
    A | B | C | D | G,         // 3
    B | C | F | G,             // 4
    A | C | D | F | G,         // 5
    A | C | D | E | F | G,     // 6
    A | B | C,                 // 7
    A | B | C | D | E | F | G, // 8
    A | B | C | D | F | G,     // 9
};

quint8 letterSegments(QChar letter) {
    switch (letter.toLower().unicode()) {
    case u'o':
        return C | D | E | G;
    case u't':
        return D | E | F | G;
    default:
        return 0;
    }
}

// A bevelled bar along the axis from one corner to another: pointed ends meet the neighbouring
// segments at 45 degrees with a small gap between them.
QPolygonF segmentShape(QPointF from, QPointF to) {
    const QPointF axis = to - from;
    const double length = std::hypot(axis.x(), axis.y());
    const QPointF along = axis / length;
    const QPointF across(-along.y(), along.x());
    const QPointF start = from + along * Gap;
    const QPointF end = to - along * Gap;
    const double h = HalfThickness;

    QPolygonF shape{{start, start + (along + across) * h, end + (across - along) * h, end,
                     end - (along + across) * h, start + (along - across) * h}};
    for (QPointF& point : shape)
        point.rx() += Slant * (Middle - point.y());
    return shape;
}

const std::array<QPolygonF, 7>& segmentShapes() {
    static const std::array<QPolygonF, 7> shapes = {
        segmentShape({LeftEdge, Top}, {RightEdge, Top}),
        segmentShape({RightEdge, Top}, {RightEdge, Middle}),
        segmentShape({RightEdge, Middle}, {RightEdge, Bottom}),
        segmentShape({LeftEdge, Bottom}, {RightEdge, Bottom}),
        segmentShape({LeftEdge, Middle}, {LeftEdge, Bottom}),
        segmentShape({LeftEdge, Top}, {LeftEdge, Middle}),
        segmentShape({LeftEdge, Middle}, {RightEdge, Middle}),
    };
    return shapes;
}

QColor blend(const QColor& base, const QColor& over, double share) {
    const auto mix = [share](int a, int b) { return qRound(a + (b - a) * share); };
    return QColor(mix(base.red(), over.red()), mix(base.green(), over.green()),
                  mix(base.blue(), over.blue()));
}

} // namespace

PolyLED::PolyLED(QWidget* parent, const QString& name, int index) : Control(parent, name, index) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setBoundsTwips(leftTwips(), topTwips(), Twips::fromPixels(widthForSize(m_size)),
                   Twips::fromPixels(m_size));
}

void PolyLED::setCaption(int digit) {
    const qint16 caption = digit >= -1 && digit <= 9 ? static_cast<qint16>(digit) : qint16(-1);
    if (caption == m_caption && m_letter.isNull())
        return;
    m_caption = caption;
    m_letter = QChar();
    update();
}

void PolyLED::setLetter(QChar letter) {
    const QChar shown = letterSegments(letter) != 0 ? letter.toLower() : QChar();
    if (shown == m_letter && m_caption == -1)
        return;
    m_caption = -1;
    m_letter = shown;
    update();
}

void PolyLED::setCaptionText(const QString& text) {
    const bool isDigit = text.size() == 1 && text.at(0) >= u'0' && text.at(0) <= u'9';
    setCaption(isDigit ? text.at(0).unicode() - u'0' : -1);
}

void PolyLED::setLitColor(Colour colour) {
    if (colour == m_litColor)
        return;
    m_litColor = colour;
    update();
}

void PolyLED::setBackColor(Colour colour) {
    if (colour == m_backColor)
        return;
    m_backColor = colour;
    update();
}

namespace {

int roundedSize(double pixels) {
    // The comparisons also send NaN to the smallest size instead of into an undefined conversion.
    const double rounded = std::nearbyint(pixels);
    return rounded >= 32767 ? 32767 : rounded >= 1 ? static_cast<int>(rounded) : 1;
}

} // namespace

void PolyLED::setSize(double pixels) {
    const int size = roundedSize(pixels);
    if (size == m_size)
        return;
    m_size = size;
    setBoundsTwips(leftTwips(), topTwips(), Twips::fromPixels(widthForSize(size)), Twips::fromPixels(size));
}

void PolyLED::setPlacement(double leftTwips, double topTwips, double pixels) {
    m_size = roundedSize(pixels);
    setBoundsTwips(leftTwips, topTwips, Twips::fromPixels(widthForSize(m_size)), Twips::fromPixels(m_size));
}

int PolyLED::widthForSize(int size) {
    // 0.55 x size rounded up, in whole numbers so that no floating error moves a digit by a pixel.
    return static_cast<int>((55LL * qMax(1, size) + 99) / 100);
}

void PolyLED::paintFace(QPainter& painter, QSize size, int caption, Colour lit, Colour back, QChar letter) {
    const QColor backColour = toQColor(back);
    const QColor litColour = toQColor(lit);
    painter.fillRect(QRect(QPoint(0, 0), size), backColour);

    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size.width() / BoxWidth, size.height() / BoxHeight);
    painter.setPen(Qt::NoPen);
    // Unlit segments show as a faint trace of the lit colour, like unpowered LEDs.
    const QColor unlit = blend(backColour, litColour, 0.13);
    const quint8 litSegments = !letter.isNull()               ? letterSegments(letter)
                               : caption >= 0 && caption <= 9 ? DigitSegments.at(std::size_t(caption))
                                                              : 0;
    const auto& shapes = segmentShapes();
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        painter.setBrush(litSegments & (1u << i) ? litColour : unlit);
        painter.drawPolygon(shapes.at(i));
    }
}

QPixmap PolyLED::face(const FaceKey& key) {
    // Shared by every digit, so the ten faces of a display at one size are drawn once.
    const QString name = QStringLiteral("PolyLED %1x%2 @%3 %4 %5 %6%7")
                             .arg(key.size.width())
                             .arg(key.size.height())
                             .arg(key.pixelRatio)
                             .arg(key.lit)
                             .arg(key.back)
                             .arg(key.caption)
                             .arg(key.letter.isNull() ? QString() : QString(key.letter));
    QPixmap pixmap;
    if (QPixmapCache::find(name, &pixmap))
        return pixmap;
    // Drawn at the screen's pixel density, so the copy is as crisp as drawing on the screen.
    pixmap = QPixmap((QSizeF(key.size) * key.pixelRatio).toSize());
    pixmap.setDevicePixelRatio(key.pixelRatio);
    QPainter painter(&pixmap);
    paintFace(painter, key.size, key.caption, key.lit, key.back, key.letter);
    painter.end();
    QPixmapCache::insert(name, pixmap);
    return pixmap;
}

void PolyLED::paintEvent(QPaintEvent*) {
    const FaceKey key{size(), devicePixelRatioF(), m_litColor, m_backColor, m_caption, m_letter};
    if (m_face.isNull() || key != m_faceKey) {
        m_face = face(key);
        m_faceKey = key;
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_face);
}

void PolyLED::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    // Tab keeps moving the focus; it is no character for the digit.
    if (text.isEmpty() || event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) {
        Control::keyPressEvent(event);
        return;
    }
    Q_EMIT KeyPress(index(), static_cast<qint16>(text.at(0).unicode()));
}
