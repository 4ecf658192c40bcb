#pragma once

#include "journal/JournalEvent.h"
#include "journal/JournalReader.h"
#include "journal/JournalWriter.h"

#include <QObject>
#include <QPointer>

#include <functional>

namespace journal {

// The folder journals live in: $XDG_STATE_HOME/courtvane/ when that is set, else the program's
// local data folder.
QString journalFolder();
// The journal of the game being played, in a folder.
QString currentJournal(const QString& folder);
// The journal an export takes: the current one, else the latest finished one; empty when none.
QString latestJournal(const QString& folder);

// Writes the record of the game in a journal to a file, CSV or JSON by its name; the problem in
// plain words, empty when it was written.
QString exportRecord(const QString& journalPath, const QString& fileName);

// The journal of the board's games: one file for the game being played, a finished game's kept
// under the time it ended. Each event is stamped with the board's monotonic time and the wall time.
class Journal : public QObject {
    Q_OBJECT

public:
    using WallTime = std::function<QDateTime()>;

    Journal(const QString& folder, JournalWriter::MonotonicMs monotonic, WallTime wall,
            QObject* parent = nullptr);

    const QString& folder() const { return m_folder; }
    // The writer of the current journal; none before the first game.
    JournalWriter* writer() const { return m_writer; }
    bool isOn() const { return m_writer && m_writer->isOn(); }

    // A new game: ends a journal left open, then writes a new one from its start event.
    void startGame(Event start);
    // Goes on writing the current journal, whose game was taken up again.
    void resumeGame();
    // The game ended cleanly: an end line, synced, and the file kept under the time it ended.
    void endGame(const game::Clocks& clocks);

    void action(const game::Action& action, const game::Clocks& clocks);
    // A clock started or stopped; a stop is synced at once.
    void clock(int slot, bool running, const game::Clocks& clocks);
    void mark(const game::Clocks& clocks);
    void names(const QString& title, const QString& home, const QString& visitor, const game::Clocks& clocks);
    void lamps(int possession, std::array<bool, 2> bonus, const game::Clocks& clocks);
    void board(std::array<int, 2> scores, int period, const game::Clocks& clocks);

Q_SIGNALS:
    // The journal is off, and why: once for the program's run.
    void turnedOff(const QString& reason);

private:
    void openWriter();
    void write(Event event);
    // Moves the current journal to a name of its own, by the time it ended.
    void keepFinished();

    QString m_folder;
    JournalWriter::MonotonicMs m_monotonic;
    WallTime m_wall;
    QPointer<JournalWriter> m_writer;
    bool m_reported = false;
};

} // namespace journal
