#include "journal/Journal.h"
#include "journal/Record.h"
#include "journal/Restore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace journal;
using game::Action;
using game::Clocks;
using game::Command;

namespace {

Clocks at(int gameSeconds, int shotSeconds = 24) {
    return {Currency::fromSeconds(gameSeconds), Currency::fromSeconds(shotSeconds)};
}

// A short game: points, fouls, a timeout, a period's end, a clock load, undo and redo.
const QList<std::pair<Action, Clocks>> Script{
    {Action(Command::AddHomeScore, 2), at(590)},
    {Action(Command::VisitorFoul), at(580)},
    {Action(Command::AddVisitorScore, 3), at(570)},
    {Action(Command::HomeTimeout), at(560)},
    {Action(Command::AddHomeScore, 1), at(550)},
    {Action(Command::Undo), at(550)},
    {Action(Command::Redo), at(550)},
    {Action(Command::NextPeriod), at(0)},
    {Action(Command::NextPeriod), at(0)},
    {Action(Command::AddVisitorScore, 2), at(500)},
    {Action(Command::LoadGameClock, 0, Currency::fromSeconds(42)), at(480)},
    {Action(Command::HomeFoul), at(42)},
    {Action(Command::Undo), at(42)},
};

struct Fixture {
    QTemporaryDir dir;
    qint64 ms = 1000;
    QDateTime wall = QDateTime(QDate(2026, 3, 14), QTime(12, 4, 31), Qt::UTC);
    Journal journal{dir.path(), [this] { return ms; }, [this] { return wall; }};

    Event start() const {
        Event e;
        e.settings.layout = game::Layout::Game;
        e.title = u"Final"_qs;
        e.home = u"Lions"_qs;
        e.visitor = u"Bears"_qs;
        e.clocks = at(600);
        return e;
    }
    // Plays the first steps of the script into the journal and into a game of its own.
    game::Game play(qsizetype steps) {
        game::Game g;
        journal.startGame(start());
        for (qsizetype i = 0; i < steps; ++i) {
            ms += 700;
            wall = wall.addMSecs(700);
            g.dispatch(Script[i].first, Script[i].second);
            journal.action(Script[i].first, Script[i].second);
        }
        return g;
    }
    QByteArray bytes() const {
        QFile f(currentJournal(dir.path()));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

} // namespace

class tst_Journal : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void damaged_data();
    void damaged();
    void restoreEqualsState_data();
    void restoreEqualsState();
    void writerTurnsOff_data();
    void writerTurnsOff();
    void syncsOncePerSecond();
    void record();
};

void tst_Journal::damaged_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("kept");
    QTest::addColumn<QString>("message");
    Fixture f;
    f.play(3);
    const QByteArray good = f.bytes();
    // Header, start and three actions, each time stamped 12:04:3x in UTC, shown in local time.
    const QString after =
        QDateTime(QDate(2026, 3, 14), QTime(12, 4, 33, 100), Qt::UTC).toLocalTime().toString(u"HH:mm:ss"_qs);
    QTest::newRow("intact") << good << 4 << QString();
    QTest::newRow("cut line") << good + good.split('\n')[2].left(30) << 4
                              << u"1 line after %1 could not be read."_qs.arg(after);
    QTest::newRow("garbage") << good + "\x01\xff{]\n{\"e\":\"mark\"}\nmore\n"
                             << 4 << u"3 lines after %1 could not be read."_qs.arg(after);
    QTest::newRow("newer version")
        << QByteArray(good).replace("\"courtvane-journal\":1", "\"courtvane-journal\":2") << 0
        << u"The journal was written by a newer version of the program: 5 lines dropped."_qs;
    QTest::newRow("newer line") << good + good.split('\n')[2].replace("{", "{\"v\":7,") + '\n'
                                << 4
                                << u"1 line after %1 written by a newer version were dropped."_qs.arg(after);
    QTest::newRow("empty") << QByteArray() << 0 << u"The journal is empty."_qs;
    QTest::newRow("no header") << good.mid(good.indexOf('\n') + 1) << 0 << u"4 lines could not be read."_qs;
    QTest::newRow("huge line") << good + "{\"e\":\"mark\",\"x\":\"" + QByteArray(MaxLineBytes, 'x') + "\"}\n"
                               << 4 << u"1 line after %1 could not be read."_qs.arg(after);
}

void tst_Journal::damaged() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, kept);
    QFETCH(QString, message);
    const ReadResult read = readJournal(bytes);
    QCOMPARE(read.events.size(), kept);
    QCOMPARE(read.dropped, message);
    // What was kept is a game that restores, however the journal ended.
    QCOMPARE(restore(read.events).started, kept > 0);

    // The same bytes in a file, and a file that cannot be read at all.
    QTemporaryDir dir;
    QFile file(dir.filePath(u"current.journal"_qs));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    QCOMPARE(readJournalFile(file.fileName()).events.size(), kept);
    const ReadResult unreadable = readJournalFile(dir.path());
    QVERIFY(!unreadable.readable);
    QVERIFY(unreadable.dropped.startsWith(u"The journal "_qs + QDir::toNativeSeparators(dir.path()) +
                                          u" could not be read"_qs));
}

void tst_Journal::restoreEqualsState_data() {
    QTest::addColumn<int>("steps");
    // The game clock restored: the last one journaled, or the one a command loaded after it.
    QTest::addColumn<int>("clock");
    const QList<std::pair<int, int>> rows{{0, 600}, {1, 590},  {5, 550}, {6, 550}, {7, 550},
                                          {8, 120}, {10, 500}, {11, 42}, {13, 42}};
    for (const auto& [steps, clock] : rows)
        QTest::addRow("%d steps", steps) << steps << clock;
}

void tst_Journal::restoreEqualsState() {
    QFETCH(int, steps);
    QFETCH(int, clock);
    Fixture f;
    game::Game played = f.play(steps);
    const Restored r = restore(readJournalFile(currentJournal(f.dir.path())).events);
    QVERIFY(r.started);
    QVERIFY(r.unclean);
    QCOMPARE(r.inProgress, steps > 0);
    QCOMPARE(r.home, u"Lions"_qs);
    QCOMPARE(r.title, u"Final"_qs);
    QVERIFY(r.game.state() == played.state());
    QCOMPARE(r.game.undoDepth(), played.undoDepth());
    QCOMPARE(r.game.redoDepth(), played.redoDepth());
    QCOMPARE(r.clocks.game, Currency::fromSeconds(clock));
    // The history came back too: undo there does what undo here does.
    game::Game restored = r.game;
    const Clocks now = at(30);
    QCOMPARE(restored.dispatch(Action(Command::Undo), now).loadGameClock,
             played.dispatch(Action(Command::Undo), now).loadGameClock);
    QVERIFY(restored.state() == played.state());

    // A clean end leaves nothing to take up, and keeps the game under a name of its own.
    f.journal.endGame(now);
    QVERIFY(!QFile::exists(currentJournal(f.dir.path())));
    const QString kept = latestJournal(f.dir.path());
    QVERIFY(
        kept.endsWith(u"game-"_qs + f.wall.toLocalTime().toString(u"yyyyMMdd-HHmmss"_qs) + u".journal"_qs));
    const Restored ended = restore(readJournalFile(kept).events);
    QVERIFY(!ended.unclean);
    QVERIFY(!ended.inProgress);
}

void tst_Journal::writerTurnsOff_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");
    QTest::newRow("full disk") << u"/dev/full"_qs << u"cannot write /dev/full: No space left on device"_qs;
    QTest::newRow("folder is a file")
        << u"/dev/null/courtvane/current.journal"_qs << u"cannot create the folder /dev/null/courtvane"_qs;
    QTest::newRow("read-only folder") << u"read-only"_qs << u"cannot write "_qs;
}

void tst_Journal::writerTurnsOff() {
    QFETCH(QString, path);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    if (path == u"read-only") {
        if (geteuid() == 0)
            QSKIP("root writes into a read-only folder");
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        path = dir.filePath(u"current.journal"_qs);
    }
    qint64 ms = 0;
    JournalWriter writer(path, [&ms] { return ms; });
    QSignalSpy off(&writer, &JournalWriter::turnedOff);
    writer.open();
    for (int i = 0; i < 5; ++i, ms += 400)
        writer.append(eventLine(Event{}));
    writer.sync();
    writer.waitForSync();
    QVERIFY(!writer.isOn());
    QCOMPARE(off.size(), 1);
    QVERIFY2(off.first().first().toString().startsWith(reason), qPrintable(off.first().first().toString()));
}

void tst_Journal::syncsOncePerSecond() {
    QTemporaryDir dir;
    qint64 ms = 0;
    JournalWriter writer(dir.filePath(u"j"_qs), [&ms] { return ms; });
    QVERIFY(writer.open());
    // Ten events a second for three seconds: the first syncs at once, then one a second.
    for (; ms < 3000; ms += 100) {
        writer.append("{}\n");
        // Each sync on its thread ends before the next falls due, as it does at a game's pace.
        writer.waitForSync();
    }
    QCOMPARE(writer.syncCount(), 3);
    // The last second's lines wait for the timer, which a second later syncs them.
    QTRY_VERIFY_WITH_TIMEOUT((ms = 4000, writer.syncCount() == 4), 3000);
    writer.sync();
    QCOMPARE(writer.syncCount(), 4);
    QCOMPARE(writer.size(), 90);
}

void tst_Journal::record() {
    Fixture f;
    f.play(Script.size());
    f.journal.clock(0, true, at(480));
    f.journal.clock(0, false, at(470));
    // A clock shows each second from its first tenth: 9:55.8 reads 9:56, as on the board.
    f.journal.mark({Currency::fromTenths(5958), Currency()});
    const QList<Event> events = readJournalFile(currentJournal(f.dir.path())).events;

    const QList<QByteArray> csv = recordCsv(events).split('\n');
    QCOMPARE(csv.size(), 1 + 1 + Script.size() + 3 + 1);
    QCOMPARE(csv[0], "wall time,period,game clock,event,team,value,home score,visitor score");
    QCOMPARE(csv[1], "2026-03-14T12:04:31.000Z,1,10:00,start,,,0,0");
    QCOMPARE(csv[2], "2026-03-14T12:04:31.700Z,1,9:50,AddHomeScore,Home,2,2,0");
    QCOMPARE(csv[11], "2026-03-14T12:04:38.000Z,2,8:20,AddVisitorScore,Visitor,2,3,5");
    QCOMPARE(csv[12], "2026-03-14T12:04:38.700Z,2,8:00,LoadGameClock,,42.0,3,5");
    QCOMPARE(csv[16], "2026-03-14T12:04:40.100Z,2,7:50,game clock stop,,,3,5");
    QCOMPARE(csv[17], "2026-03-14T12:04:40.100Z,2,9:56,mark,,,3,5");

    const QJsonObject json = QJsonDocument::fromJson(recordJson(events)).object();
    QCOMPARE(json[u"events"_qs].toArray().size(), csv.size() - 2);
    QCOMPARE(json[u"scoreByPeriod"_qs].toArray(),
             QJsonArray({QJsonObject{{u"period"_qs, u"1"_qs}, {u"home"_qs, 3}, {u"visitor"_qs, 3}},
                         QJsonObject{{u"period"_qs, u"2"_qs}, {u"home"_qs, 0}, {u"visitor"_qs, 2}}}));
    const QJsonObject home = json[u"home"_qs].toObject();
    const QJsonObject visitor = json[u"visitor"_qs].toObject();
    QCOMPARE(home[u"name"_qs].toString(), u"Lions"_qs);
    QCOMPARE(home[u"score"_qs].toInt(), 3);
    // The home foul was undone; the visitor's counts.
    QCOMPARE(home[u"fouls"_qs].toInt(), 0);
    QCOMPARE(visitor[u"fouls"_qs].toInt(), 1);
    QCOMPARE(home[u"timeouts"_qs].toInt(), 1);
    QCOMPARE(visitor[u"timeouts"_qs].toInt(), 0);
}

QTEST_GUILESS_MAIN(tst_Journal)
#include "tst_journal.moc"
