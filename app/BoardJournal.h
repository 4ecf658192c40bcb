#pragma once

#include "journal/Journal.h"
#include "journal/Restore.h"

#include <QObject>
#include <QTimer>

class frmScoreboard;

// The board's journal: on the Game board always, on the Standard board when the game settings ask.
// It offers to take up a game the last run left unfinished, then writes every command of the game,
// the clocks' starts and stops and a mark a second while one runs, the names and, on the Standard
// board, the scores, period and lamps. A clean end (closed with no game in progress, or a new game)
// closes the file and keeps it under the time it ended.
class BoardJournal : public QObject {
    Q_OBJECT

public:
    // Asks "Take the game up again?" when the journal left behind holds an unfinished game.
    BoardJournal(frmScoreboard* board, const QString& folder);

    // What the operator's console says of the journal.
    const QString& state() const { return m_state; }
    // The file chooser, then the record of the latest game, CSV or JSON by the name's extension.
    void exportGame(QWidget* parent);

Q_SIGNALS:
    void stateChanged(const QString& state);

private:
    void offerTakeUp();
    void takeUp(const journal::Restored& restored);
    void follow();
    void settingsApplied(bool newGame);
    journal::Event startEvent() const;
    game::Clocks clocks() const;
    // Writes what changed on the board since it was last looked at.
    void noteBoard();
    void closing();
    void setState(const QString& state);
    static QString notKept();

    frmScoreboard& m_board;
    journal::Journal m_journal;
    QTimer m_marks;
    bool m_running = false;
    bool m_resume = false;
    std::array<bool, 2> m_clockRuns{};
    QStringList m_names;
    std::array<int, 3> m_shown{};
    std::array<int, 3> m_lamps{};
    QString m_state;
};
