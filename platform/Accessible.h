#pragma once

#include <QAccessible>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

// What screen readers and automation learn about the control kinds, through Qt's accessibility
// (AT-SPI on Linux, UI Automation on Windows). A window describes its controls by attaching one of
// the two objects below to a control; they belong to that control and die with it.

// A display that shows one reading made of several drawn parts (LED digits, dots): the control it
// is attached to is a single element whose value is the reading as a person reads it, and its
// parts are no elements of their own. A focused part answers with its display's name and reading.
//
// The element's name carries the reading ("Home score, 47"): screen readers speak a focused
// label's name and nothing else of it, and speak it again when the focused element's value
// changes. The reading alone is the element's text, and what it is worth its numeric value.
class AccessibleReading : public QObject {
    Q_OBJECT

public:
    using Read = std::function<QString()>;
    // The numeric value, none while the display is dark.
    using Value = std::function<std::optional<int>()>;

    // A reading in text only. The name becomes the display's accessible name.
    AccessibleReading(QWidget* display, const QString& name, Read read);
    // A whole number between minimum and maximum, also offered as a numeric value.
    AccessibleReading(QWidget* display, const QString& name, Read read, int minimum, int maximum);
    // A reading in text with a numeric value of its own between minimum and maximum, such as a
    // clock's "10:00" worth 600 seconds.
    AccessibleReading(QWidget* display, const QString& name, Read read, Value value, int minimum,
                      int maximum);

    QWidget* display() const { return m_display; }
    QString text() const { return m_read(); }
    std::optional<int> value() const { return m_value ? m_value() : std::nullopt; }
    // The display's accessible name with the reading: "Home score, 47"; the name alone while the
    // display is dark.
    QString spoken() const;
    bool isNumber() const { return bool(m_value); }
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }

    // Tells screen readers the reading, if it differs from the one told last: the new name and the
    // new value go to the display and to each of its parts, since the focus rests on a part.
    void announce();
    // Takes the reading as told without telling it: a change that screen readers read when asked.
    void remember();

    // The reading attached to this control, or nullptr.
    static AccessibleReading* of(const QObject* control);

private:
    QWidget* m_display;
    Read m_read;
    Value m_value;
    int m_minimum = 0;
    int m_maximum = 0;
    // The reading and the name with it, as told last.
    QString m_announced;
    QString m_announcedName;
};

// A click area that works as an on/off switch: a check box whose accessible press or toggle
// action clicks the area, exactly as the mouse does.
class AccessibleToggle : public QObject {
    Q_OBJECT

public:
    using Checked = std::function<bool()>;

    AccessibleToggle(QWidget* area, Checked checked);

    QWidget* area() const { return m_area; }
    bool isChecked() const { return m_checked(); }

    // Tells screen readers the on/off state, if it differs from the one told last.
    void announce();

    static AccessibleToggle* of(const QObject* control);

private:
    QWidget* m_area;
    Checked m_checked;
    bool m_announced;
};

namespace Accessible {

// Makes Qt ask this program for the interfaces of its control kinds. Call it before the first
// window is shown; calling it again does nothing.
void install();

// A window's interface without its decoration: its drawn shapes are no elements.
QAccessibleInterface* formInterface(QWidget* form);

} // namespace Accessible
