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

    // The share of the width kept clear on either side when a caption is too wide for the label,
    // where the label reaches beyond an outline drawn under it.
    void setFitInset(double share);
    // The font the caption is drawn in: the label's own, smaller when the caption would not fit
    // its width. FontSize stays as set, so the stretched layout and the stored one keep it.
    QFont drawnFont() const;
    // Where the caption's letters stand, from the label's top, in the label's own font: a smaller
    // drawn font never sets them lower.
    double baseline() const;

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
    double m_fitInset = 0;
    // Built from the family, size and weight when one of them changes rather than on every paint.
    QFont m_font;
};

// font, or the same font at the largest smaller pixel size that sets text within width pixels.
QFont fontToFit(const QFont& font, const QString& text, int width);
