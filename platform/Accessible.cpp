#include "platform/Accessible.h"

#include "platform/Image.h"
#include "platform/Label.h"
#include "platform/PictureBox.h"
#include "platform/PolyLED.h"
#include "platform/Shape.h"

#include <QAccessibleWidget>

namespace {

// A caption reads as its text.
class LabelInterface : public QAccessibleWidget {
public:
    explicit LabelInterface(Label* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return static_cast<const Label*>(widget())->caption();
        return QAccessibleWidget::text(t);
    }
};

// A display, or one drawn part of it: named by the display with its reading, and without
// children. The reading alone is the text, and its worth the numeric value.
class DisplayInterface : public QAccessibleWidget,
                         public QAccessibleTextInterface,
                         public QAccessibleValueInterface {
public:
    DisplayInterface(QWidget* widget, AccessibleReading* reading)
        : QAccessibleWidget(widget, QAccessible::StaticText), m_reading(reading) {}

    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name:
            return m_reading ? m_reading->spoken() : QString();
        case QAccessible::Value:
            return reading();
        default:
            return QAccessibleWidget::text(t);
        }
    }

    // A part sits where its display sits, so that a screen reader finds the focused part in the
    // window (Orca drops a focused element without a place in its parent).
    QAccessibleInterface* parent() const override {
        QWidget* display = m_reading ? m_reading->display() : nullptr;
        if (!display || display == widget())
            return QAccessibleWidget::parent();
        QAccessibleInterface* element = QAccessible::queryAccessibleInterface(display);
        return element ? element->parent() : nullptr;
    }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        if (type == QAccessible::ValueInterface && m_reading && m_reading->isNumber())
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    // The text interface: read-only text without a selection or a cursor.
    void selection(int, int* startOffset, int* endOffset) const override { *startOffset = *endOffset = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override {
        return reading().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(reading().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = -1;
        return {};
    }

    // The numeric value: what the display shows is worth; the operator changes it by typing, not here.
    QVariant currentValue() const override {
        const std::optional<int> value = m_reading ? m_reading->value() : std::nullopt;
        return value ? QVariant(*value) : QVariant();
    }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return m_reading ? m_reading->maximum() : 0; }
    QVariant minimumValue() const override { return m_reading ? m_reading->minimum() : 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    QString reading() const { return m_reading ? m_reading->text() : QString(); }

    QPointer<AccessibleReading> m_reading;
};

// A lamp's click area: a check box that the press and toggle actions click.
class ToggleInterface : public QAccessibleWidget {
public:
    ToggleInterface(Image* area, AccessibleToggle* toggle)
        : QAccessibleWidget(area, QAccessible::CheckBox), m_toggle(toggle) {}

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = m_toggle && m_toggle->isChecked();
        return s;
    }

    QStringList actionNames() const override { return {pressAction(), toggleAction()}; }
    void doAction(const QString& actionName) override {
        if (actionName == pressAction() || actionName == toggleAction())
            Q_EMIT static_cast<Image*>(widget())->clicked();
    }

private:
    QPointer<AccessibleToggle> m_toggle;
};

// A window whose drawn shapes (frames, lamp bodies, dots) are decoration: the elements are its
// captions, displays and click areas.
class FormInterface : public QAccessibleWidget {
public:
    explicit FormInterface(QWidget* form) : QAccessibleWidget(form, QAccessible::Window) {}

    int childCount() const override { return int(elements().size()); }
    QAccessibleInterface* child(int index) const override {
        const QList<QWidget*> list = elements();
        return index >= 0 && index < list.size() ? QAccessible::queryAccessibleInterface(list.at(index))
                                                 : nullptr;
    }
    // A display's part answers at its display's place.
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child)
            return -1;
        const QObject* object = child->object();
        if (const AccessibleReading* reading = AccessibleReading::of(object->parent());
            reading && !AccessibleReading::of(object))
            object = reading->display();
        return int(elements().indexOf(object));
    }

private:
    QList<QWidget*> elements() const {
        QList<QWidget*> list;
        // The controls only: shapes and the focus ring are drawing, not content.
        for (QWidget* child : widget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (!child->isWindow() && qobject_cast<Control*>(child) && !qobject_cast<Shape*>(child))
                list.append(child);
        return list;
    }
};

// The drawn parts of a display that answer for it: its digits and frames without a reading of
// their own.
bool answersForDisplay(const QWidget* widget) {
    return (qobject_cast<const PolyLED*>(widget) || qobject_cast<const PictureBox*>(widget)) &&
           !AccessibleReading::of(widget);
}

QAccessibleInterface* controlFactory(const QString& key, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (key == QLatin1String("Label"))
        return new LabelInterface(static_cast<Label*>(widget));
    if (key == QLatin1String("Image")) {
        AccessibleToggle* toggle = AccessibleToggle::of(widget);
        return toggle ? new ToggleInterface(static_cast<Image*>(widget), toggle) : nullptr;
    }
    if (key == QLatin1String("PolyLED") || key == QLatin1String("PictureBox")) {
        AccessibleReading* reading = AccessibleReading::of(widget);
        if (!reading)
            reading = AccessibleReading::of(widget->parent());
        return reading ? new DisplayInterface(widget, reading) : nullptr;
    }
    return nullptr;
}

} // namespace

AccessibleReading::AccessibleReading(QWidget* display, const QString& name, Read read)
    : AccessibleReading(display, name, std::move(read), Value(), 0, 0) {}

AccessibleReading::AccessibleReading(QWidget* display, const QString& name, Read read, int minimum,
                                     int maximum)
    : AccessibleReading(
          display, name, read,
          [read] {
              bool number = false;
              const int value = read().toInt(&number);
              return number ? std::optional(value) : std::nullopt;
          },
          minimum, maximum) {}

AccessibleReading::AccessibleReading(QWidget* display, const QString& name, Read read, Value value,
                                     int minimum, int maximum)
    : QObject(display), m_display(display), m_read(std::move(read)), m_value(std::move(value)),
      m_minimum(minimum), m_maximum(maximum) {
    // Naming the display makes its element, which asks whether the reading has a value.
    m_display->setAccessibleName(name);
    remember();
}

QString AccessibleReading::spoken() const {
    const QString shown = text();
    const QString name = m_display->accessibleName();
    return shown.isEmpty() ? name : tr("%1, %2").arg(name, shown);
}

void AccessibleReading::announce() {
    const QString shown = text();
    const QString name = spoken();
    if (name == m_announcedName)
        return;
    m_announcedName = name;
    // The display and its parts, since the focus rests on a part.
    QList<QWidget*> elements{m_display};
    for (QWidget* part : m_display->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (answersForDisplay(part))
            elements.append(part);
    if (shown != m_announced) {
        QAccessibleTextUpdateEvent textEvent(m_display, 0, m_announced, shown);
        m_announced = shown;
        QAccessible::updateAccessibility(&textEvent);
        // A new value is what screen readers speak of a focused label (Orca passes over a label's
        // new name).
        if (isNumber()) {
            const std::optional<int> number = value();
            for (QWidget* element : std::as_const(elements)) {
                QAccessibleValueChangeEvent valueEvent(element, number ? QVariant(*number) : QVariant());
                QAccessible::updateAccessibility(&valueEvent);
            }
        }
    }
    for (QWidget* element : std::as_const(elements)) {
        QAccessibleEvent nameEvent(element, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&nameEvent);
    }
}

void AccessibleReading::remember() {
    m_announced = text();
    m_announcedName = spoken();
}

AccessibleReading* AccessibleReading::of(const QObject* control) {
    return control ? control->findChild<AccessibleReading*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

AccessibleToggle::AccessibleToggle(QWidget* area, Checked checked)
    : QObject(area), m_area(area), m_checked(std::move(checked)), m_announced(m_checked()) {}

void AccessibleToggle::announce() {
    const bool checked = isChecked();
    if (checked == m_announced)
        return;
    m_announced = checked;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(m_area, changed);
    QAccessible::updateAccessibility(&event);
}

AccessibleToggle* AccessibleToggle::of(const QObject* control) {
    return control ? control->findChild<AccessibleToggle*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

namespace Accessible {

void install() {
    static const bool installed = [] {
        QAccessible::installFactory(controlFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

QAccessibleInterface* formInterface(QWidget* form) {
    return new FormInterface(form);
}

} // namespace Accessible
