#pragma once

#include <QWidget>

// Base of every control kind on a window. Position and size are held in twips relative to the
// parent widget and mapped to pixels; the generic layout and colour passes reach them through
// the Qt properties named below and pick the kind by metaObject()->className().
//
// Members of a control group share the group's name as objectName() and carry their index;
// a control outside any group has index -1.
class Control : public QWidget {
    Q_OBJECT
    Q_PROPERTY(double Left READ leftTwips WRITE setLeftTwips)
    Q_PROPERTY(double Top READ topTwips WRITE setTopTwips)
    Q_PROPERTY(double Width READ widthTwips WRITE setWidthTwips)
    Q_PROPERTY(double Height READ heightTwips WRITE setHeightTwips)
    Q_PROPERTY(int Index READ index)

public:
    Control(QWidget* parent, const QString& name, int index = -1);

    double leftTwips() const { return m_left; }
    double topTwips() const { return m_top; }
    double widthTwips() const { return m_width; }
    double heightTwips() const { return m_height; }
    void setLeftTwips(double twips);
    void setTopTwips(double twips);
    virtual void setWidthTwips(double twips);
    virtual void setHeightTwips(double twips);
    void setBoundsTwips(double left, double top, double width, double height);

    int index() const { return m_index; }

private:
    void placeWidget();

    double m_left = 0;
    double m_top = 0;
    double m_width = 0;
    double m_height = 0;
    int m_index;
};
