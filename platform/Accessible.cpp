#include "platform/Accessible.h"

#include "platform/Image.h"
#include "platform/Label.h"
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

// A display, or one drawn part of it: named by the display, valued by its reading, and without
// children. The reading reaches every channel a screen reader listens to: the description, the
// text and, for numbers, the numeric value.
class DisplayInterface : public QAccessibleWidget,
                         public QAccessibleTextInterface,
                         public QAccessibleValueInterface {
public:
    DisplayInterface(QWidget* widget, AccessibleReading* reading)
        : QAccessibleWidget(widget, QAccessible::StaticText), m_reading(reading) {}

    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name:
            return m_reading ? m_reading->display()->accessibleName() : QString();
        case QAccessible::Description:
        case QAccessible::Value:
            return reading();
        default:
            return QAccessibleWidget::text(t);
        }
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

    // The numeric value: what the display shows; the operator changes it by typing, not here.
    QVariant currentValue() const override {
        const QString shown = reading();
        return shown.isEmpty() ? QVariant() : QVariant(shown.toInt());
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
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child ? int(elements().indexOf(child->object())) : -1;
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

AccessibleReading::AccessibleReading(QWidget* display, Read read)
    : QObject(display), m_display(display), m_read(std::move(read)), m_announced(m_read()) {}

AccessibleReading::AccessibleReading(QWidget* display, Read read, int minimum, int maximum)
    : AccessibleReading(display, std::move(read)) {
    m_number = true;
    m_minimum = minimum;
    m_maximum = maximum;
}

void AccessibleReading::announce() {
    const QString shown = text();
    if (shown == m_announced)
        return;
    QAccessibleTextUpdateEvent textEvent(m_display, 0, m_announced, shown);
    m_announced = shown;
    QAccessible::updateAccessibility(&textEvent);
    QAccessibleEvent descriptionEvent(m_display, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&descriptionEvent);
    if (m_number) {
        QAccessibleValueChangeEvent valueEvent(m_display,
                                               shown.isEmpty() ? QVariant() : QVariant(shown.toInt()));
        QAccessible::updateAccessibility(&valueEvent);
    }
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
