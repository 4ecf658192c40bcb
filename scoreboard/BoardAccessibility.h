#pragma once

#include "scoreboard/GameState.h"

#include <QObject>
#include <QString>

#include <array>

class AccessibleReading;
class AccessibleToggle;
class frmScoreboard;

// Makes the board readable by screen readers and automation: each display is one element named
// for what it shows, with the value a person reads; each lamp is an on/off switch. Changes are
// announced as they happen, and only when what a person sees has changed; a running clock is read
// when asked.
class BoardAccessibility : public QObject {
    Q_OBJECT

public:
    explicit BoardAccessibility(frmScoreboard* board);

    // Makes Qt ask this program for the interfaces of the board and its control kinds. Call it
    // before the first window is shown, so that no element is first seen without them.
    static void install();

    // The clock display as a person reads it: "9:57", "45.0", the time of day "14:35".
    static QString clockReading(const frmScoreboard& board);

    // Announces every display and lamp whose reading changed since it was last announced.
    void announce();

private:
    // What a display shows, cheap to take and compare on every tick: its digits and, for the
    // clock, which dots stand out. Its reading is built only when this changes.
    struct Shown {
        std::array<qint16, 4> digits{};
        std::array<bool, 2> dots{};
        bool operator==(const Shown&) const = default;
    };
    Shown shownOn(qsizetype display) const;
    // "Game clock", or "Time of day" while the clock display shows it.
    QString clockName() const;

    const frmScoreboard& m_board;
    // Owned by the controls they describe, which the board owns.
    QList<AccessibleReading*> m_readings;
    // What each display showed at its latest announcement, in the order of m_readings.
    QList<Shown> m_shown;
    QList<AccessibleToggle*> m_toggles;
    // The clock switched to or from the time of day and has not shown a new time since.
    bool m_clockSwitched = false;
};
