#pragma once

#include "journal/JournalEvent.h"

#include <QByteArray>
#include <QList>

namespace journal {

// The record of a game, from its journal: every event with the period, the game clock and the score
// after it; the score by period; fouls and timeouts per team.
QByteArray recordCsv(const QList<Event>& events);
QByteArray recordJson(const QList<Event>& events);

// CSV for a file named *.csv, JSON otherwise.
QByteArray record(const QList<Event>& events, const QString& fileName);

} // namespace journal
