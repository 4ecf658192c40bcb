#pragma once

#include "GameState.h"

#include <QObject>
#include <QString>

class AccessibleReading;
class AccessibleToggle;
class frmScoreboard;

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
