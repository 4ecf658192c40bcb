#pragma once

#include "platform/Control.h"

#include "state/Types.h"

#include <QFont>

// A caption: text in one font and colour on a transparent background.
class Label : public Control {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
    Q_PROPERTY(double FontSize READ fontSize WRITE setFontSize)
    Q_PROPERTY(int ForeColor READ foreColor WRITE setForeColor)

public:
    Label(QWidget* parent, const QString& name, int index = -1);

    QString caption() const { return m_caption; }
    void setCaption(const QString& caption);

    // Points; fractional sizes are kept as given.
    double fontSize() const { return m_fontSize; }
    void setFontSize(double points);
    void setFontFamily(const QString& family);
    void setBold(bool bold);

    Colour foreColor() const { return m_foreColor; }
    void setForeColor(Colour colour);

    void setAlignment(Qt::Alignment alignment);

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void makeFont();

    QString m_caption;
    QString m_family = QStringLiteral("Arial");
    double m_fontSize = 8.25;
    bool m_bold = false;
    Colour m_foreColor = 0;
    Qt::Alignment m_alignment = Qt::AlignHCenter | Qt::AlignTop;
    // Built from the family, size and weight when one of them changes rather than on every paint.
    QFont m_font;
};
