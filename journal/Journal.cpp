#include "journal/Journal.h"

#include "journal/Record.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace journal {

namespace {

const QString CurrentName = QStringLiteral("current.journal");

} // namespace

QString journalFolder() {
    const QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!state.isEmpty())
        return state + QStringLiteral("/courtvane");
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
}

QString currentJournal(const QString& folder) {
    return folder + u'/' + CurrentName;
}

QString latestJournal(const QString& folder) {
    if (QFileInfo(currentJournal(folder)).size() > 0)
        return currentJournal(folder);
    // Finished games are named by the time they ended, so the last name is the latest game.
    const QStringList finished =
        QDir(folder).entryList({QStringLiteral("game-*.journal")}, QDir::Files, QDir::Name);
    return finished.isEmpty() ? QString() : folder + u'/' + finished.last();
}

QString exportRecord(const QString& journalPath, const QString& fileName) {
    if (journalPath.isEmpty())
        return QCoreApplication::translate("journal", "There is no game to export: no journal was found.");
    const ReadResult read = readJournalFile(journalPath);
    if (!read.readable)
        return read.dropped;
    QFile out(fileName);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        out.write(record(read.events, fileName)) < 0 || !out.flush())
        return QCoreApplication::translate("journal", "Cannot write %1: %2")
            .arg(QDir::toNativeSeparators(fileName), out.errorString());
    return {};
}

Journal::Journal(const QString& folder, JournalWriter::MonotonicMs monotonic, WallTime wall, QObject* parent)
    : QObject(parent), m_folder(folder), m_monotonic(std::move(monotonic)), m_wall(std::move(wall)) {}

void Journal::openWriter() {
    delete m_writer.data();
    m_writer = new JournalWriter(currentJournal(m_folder), m_monotonic, this);
    connect(m_writer, &JournalWriter::turnedOff, this, [this](const QString& reason) {
        if (m_reported)
            return;
        m_reported = true;
        Q_EMIT turnedOff(reason);
    });
    m_writer->open();
}

void Journal::startGame(Event start) {
    if (QFileInfo::exists(currentJournal(m_folder)))
        endGame(start.clocks);
    openWriter();
    if (m_writer->isOn())
        m_writer->append(headerLine());
    start.kind = EventKind::Start;
    write(start);
}

void Journal::resumeGame() {
    openWriter();
}

void Journal::endGame(const game::Clocks& clocks) {
    if (!m_writer)
        openWriter();
    Event end;
    end.kind = EventKind::End;
    end.clocks = clocks;
    write(end);
    if (m_writer->isOn()) {
        m_writer->close();
        keepFinished();
    }
    delete m_writer.data();
}

void Journal::keepFinished() {
    const QString stamp = m_wall().toLocalTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = QStringLiteral("%1/game-%2.journal").arg(m_folder, stamp);
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = QStringLiteral("%1/game-%2-%3.journal").arg(m_folder, stamp).arg(n);
    QFile::rename(currentJournal(m_folder), name);
}

void Journal::write(Event event) {
    if (!isOn())
        return;
    event.monotonicMs = m_monotonic();
    event.wall = m_wall();
    m_writer->append(eventLine(event));
}

void Journal::action(const game::Action& action, const game::Clocks& clocks) {
    Event e;
    e.kind = EventKind::Action;
    e.action = action;
    e.clocks = clocks;
    write(e);
}

void Journal::clock(int slot, bool running, const game::Clocks& clocks) {
    Event e;
    e.kind = EventKind::Clock;
    e.slot = slot;
    e.running = running;
    e.clocks = clocks;
    write(e);
    // A stopped clock is the value a restore gives back: it reaches the disk now.
    if (!running && isOn())
        m_writer->sync();
}

void Journal::mark(const game::Clocks& clocks) {
    Event e;
    e.kind = EventKind::Mark;
    e.clocks = clocks;
    write(e);
}

void Journal::names(const QString& title, const QString& home, const QString& visitor,
                    const game::Clocks& clocks) {
    Event e;
    e.kind = EventKind::Names;
    e.title = title;
    e.home = home;
    e.visitor = visitor;
    e.clocks = clocks;
    write(e);
}

void Journal::lamps(int possession, std::array<bool, 2> bonus, const game::Clocks& clocks) {
    Event e;
    e.kind = EventKind::Lamps;
    e.possession = possession;
    e.bonus = bonus;
    e.clocks = clocks;
    write(e);
}

void Journal::board(std::array<int, 2> scores, int period, const game::Clocks& clocks) {
    Event e;
    e.kind = EventKind::Board;
    e.scores = scores;
    e.period = period;
    e.clocks = clocks;
    write(e);
}

} // namespace journal
