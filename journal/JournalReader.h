#pragma once

#include "journal/JournalEvent.h"

#include <QList>
#include <QString>

namespace journal {

// What a journal held up to its last good event, and what was dropped after it, in plain words for
// the operator ("2 lines after 12:04:31 could not be read"); empty when nothing was.
struct ReadResult {
    QList<Event> events;
    QString dropped;
    bool readable = true;
};

// A line longer than this is no line the program wrote.
inline constexpr qsizetype MaxLineBytes = 64 * 1024;

// Reads any bytes: a header, then events, up to the first line that is not one.
ReadResult readJournal(const QByteArray& bytes);
ReadResult readJournalFile(const QString& path);

} // namespace journal
