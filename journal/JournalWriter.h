#pragma once

#include <QFile>
#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QTimer>

#include <functional>

namespace journal {

// Appends lines to a journal file. Each line goes to the system at once, so a crash of the program
// loses nothing written; a power cut loses what the disk has not yet been told to keep, so the file is
// synced at most once a second, and at once when asked (a clock stop, a clean end). Syncing per event
// would cost a disk round trip for every key, which on a slow card or a laptop's disk can reach tens of
// milliseconds; once a second bounds the loss to that second. The sync itself runs on a thread of its
// own, so that a slow or hung disk never holds up the board's tick: a sync asked for while one is
// under way follows it. A write that fails never stops the game: the writer turns itself off and says
// so once.
class JournalWriter : public QObject {
    Q_OBJECT

public:
    // Milliseconds on a line that never jumps; injected so that tests step it.
    using MonotonicMs = std::function<qint64()>;
    static constexpr qint64 SyncIntervalMs = 1000;

    JournalWriter(const QString& path, MonotonicMs now, QObject* parent = nullptr);
    ~JournalWriter() override;

    // Opens the file for appending, creating it and its folder; false (and off) when it cannot.
    bool open();
    bool isOn() const { return m_on; }
    qint64 size() const { return m_file.size(); }
    // How many syncs to the disk were started.
    int syncCount() const { return m_syncs; }

    // Appends whole lines; syncs when the last sync is a second old, else within that second.
    void append(const QByteArray& lines);
    // Starts a sync now if anything was written since the last one, or as soon as the one under way ends.
    void sync();
    // Waits until no sync is under way or due after one; a sync's failure turns the writer off.
    void waitForSync();
    // Syncs and waits for it, then closes the file.
    void close();

Q_SIGNALS:
    // The writer turned itself off, and why, in plain words: once.
    void turnedOff(const QString& reason);

private:
    void syncIfDue();
    // Takes the result of a sync that has ended: a failure turns the writer off.
    void syncEnded();
    void fail(const QString& reason);

    QFile m_file;
    MonotonicMs m_now;
    QTimer m_syncTimer;
    // The sync under way on its thread: errno, or 0 when the data reached the disk.
    QFuture<int> m_syncing;
    QFutureWatcher<int> m_syncWatcher;
    bool m_syncAgain = false;
    bool m_on = false;
    bool m_dirty = false;
    qint64 m_lastSyncMs = 0;
    bool m_synced = false;
    int m_syncs = 0;
    QString m_reason;
};

} // namespace journal
