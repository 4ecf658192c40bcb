#pragma once

#include <QList>
#include <QString>

// An indexed group of controls sharing one name, such as the four digits of the clock.
// Elements are added in index order; the group does not own them (their parent widget does).
template <typename T> class ControlGroup {
public:
    ControlGroup() = default;
    explicit ControlGroup(QString name) : m_name(std::move(name)) {}

    void add(T* element) { m_elements.append(element); }

    const QString& name() const { return m_name; }
    int Count() const { return int(m_elements.size()); }
    int UBound() const { return Count() - 1; }
    T* operator[](int index) const { return m_elements.at(index); }

    auto begin() const { return m_elements.cbegin(); }
    auto end() const { return m_elements.cend(); }

private:
    QString m_name;
    QList<T*> m_elements;
};
