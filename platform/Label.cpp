#include "platform/Label.h"

#include "state/Twips.h"

#include <QAccessible>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>

Label::Label(QWidget* parent, const QString& name, int index) : Control(parent, name, index) {
    setAttribute(Qt::WA_TranslucentBackground);
    makeFont();
}

void Label::setCaption(const QString& caption) {
    if (caption == m_caption)
        return;
    m_caption = caption;
    update();
    // A caption is read as its text, so a new text is a new name to screen readers.
    QAccessibleEvent event(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void Label::setFontSize(double points) {
    if (points == m_fontSize)
        return;
    m_fontSize = points;
    makeFont();
    update();
}

void Label::setFontFamily(const QString& family) {
    if (family == m_family)
        return;
    m_family = family;
    makeFont();
    update();
}

void Label::setBold(bool bold) {
    if (bold == m_bold)
        return;
    m_bold = bold;
    makeFont();
    update();
}

void Label::setForeColor(Colour colour) {
    if (colour == m_foreColor)
        return;
    m_foreColor = colour;
    update();
}

void Label::setAlignment(Qt::Alignment alignment) {
    if (alignment == m_alignment)
        return;
    m_alignment = alignment;
    update();
}

void Label::setFitInset(double share) {
    if (share == m_fitInset)
        return;
    m_fitInset = share;
    update();
}

QFont Label::drawnFont() const {
    return fontToFit(m_font, m_caption, width() - 2 * qRound(width() * m_fitInset));
}

double Label::baseline() const {
    const QFontMetricsF metrics(m_font);
    if (m_alignment & Qt::AlignBottom)
        return height() - metrics.descent();
    if (m_alignment & Qt::AlignVCenter)
        return (height() - metrics.height()) / 2 + metrics.ascent();
    return metrics.ascent();
}

void Label::makeFont() {
    m_font = QFont(m_family);
    m_font.setPixelSize(Twips::fontPixelSize(m_fontSize));
    m_font.setBold(m_bold);
}

void Label::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(drawnFont());
    painter.setPen(toQColor(m_foreColor));
    painter.drawText(rect(), int(m_alignment) | Qt::TextSingleLine, m_caption);
}

void Label::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        Q_EMIT clicked();
}

QFont fontToFit(const QFont& font, const QString& text, int width) {
    int pixels = font.pixelSize();
    const double wide = QFontMetricsF(font).horizontalAdvance(text);
    if (wide <= width || pixels <= 1 || width <= 0)
        return font;
    // Text widths grow about in proportion to the size; hinting may want a step or two more.
    QFont fitted = font;
    pixels = qMax(1, int(pixels * width / wide));
    fitted.setPixelSize(pixels);
    while (pixels > 1 && QFontMetricsF(fitted).horizontalAdvance(text) > width)
        fitted.setPixelSize(--pixels);
    return fitted;
}
