#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <array>

class AccessibleReading;
class AccessibleToggle;
class frmScoreboard;

namespace BoardReading {

// Digits as a person reads them, most significant first (-1 for a dark digit): dark digits are
// left out, so a score with tens 4 and units 7 and a dark hundreds digit reads "47".
QString digits(const QList<qint16>& mostSignificantFirst);

// The clock display: its four digits left to right with the separator that its dots show, a colon
// when both are lit ("10:00", the time of day "14:35") and a point when only the lower one is
// ("45.0"); dark digits are left out.
QString clock(const std::array<qint16, 4>& leftToRight, bool upperDot, bool lowerDot);

} // namespace BoardReading

// Makes the board readable by screen readers and automation: each display is one element named
// for what it shows, with the value a person reads; each lamp is an on/off switch. Changes are
// announced as they happen, and only when what a person sees has changed.
class BoardAccessibility : public QObject {
    Q_OBJECT

public:
    explicit BoardAccessibility(frmScoreboard* board);

    // Makes Qt ask this program for the interfaces of the board and its control kinds. Call it
    // before the first window is shown, so that no element is first seen without them.
    static void install();

    // Announces every display and lamp whose reading changed since it was last announced.
    void announce();

private:
    // Owned by the controls they describe, which the board owns.
    QList<AccessibleReading*> m_readings;
    QList<AccessibleToggle*> m_toggles;
};
