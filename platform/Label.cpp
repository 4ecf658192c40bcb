#include "platform/Label.h"

#include "state/Twips.h"

#include <QAccessible>
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

void Label::makeFont() {
    m_font = QFont(m_family);
    m_font.setPixelSize(Twips::fontPixelSize(m_fontSize));
    m_font.setBold(m_bold);
}

void Label::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(m_font);
    painter.setPen(toQColor(m_foreColor));
    painter.drawText(rect(), int(m_alignment) | Qt::TextSingleLine, m_caption);
}

void Label::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        Q_EMIT clicked();
}
