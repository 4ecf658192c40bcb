#include "journal/JournalWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QtConcurrent>

#include <utility>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <unistd.h>
#endif

namespace journal {

JournalWriter::JournalWriter(const QString& path, MonotonicMs now, QObject* parent)
    : QObject(parent), m_file(path), m_now(std::move(now)) {
    m_syncTimer.setSingleShot(true);
    connect(&m_syncTimer, &QTimer::timeout, this, &JournalWriter::syncIfDue);
    connect(&m_syncWatcher, &QFutureWatcher<int>::finished, this, &JournalWriter::syncEnded);
}

JournalWriter::~JournalWriter() {
    // The file closes after this, and a sync of it may still run on its thread.
    m_syncing.waitForFinished();
}

bool JournalWriter::open() {
    if (!m_reason.isEmpty())
        return false;
    const QString folder = QFileInfo(m_file.fileName()).absolutePath();
    if (!QDir().mkpath(folder)) {
        fail(tr("cannot create the folder %1").arg(QDir::toNativeSeparators(folder)));
        return false;
    }
    // Unbuffered: every line reaches the system when it is written, and a full disk says so then.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        fail(
            tr("cannot write %1: %2").arg(QDir::toNativeSeparators(m_file.fileName()), m_file.errorString()));
        return false;
    }
    m_on = true;
    return true;
}

void JournalWriter::append(const QByteArray& lines) {
    if (!m_on)
        return;
    if (m_file.write(lines) != lines.size()) {
        fail(
            tr("cannot write %1: %2").arg(QDir::toNativeSeparators(m_file.fileName()), m_file.errorString()));
        return;
    }
    m_dirty = true;
    const qint64 since = m_now() - m_lastSyncMs;
    if (!m_synced || since >= SyncIntervalMs)
        sync();
    else if (!m_syncTimer.isActive())
        m_syncTimer.start(int(SyncIntervalMs - since));
}

void JournalWriter::syncIfDue() {
    if (m_dirty && m_now() - m_lastSyncMs >= SyncIntervalMs)
        sync();
    else if (m_dirty)
        m_syncTimer.start(int(SyncIntervalMs - (m_now() - m_lastSyncMs)));
}

void JournalWriter::sync() {
    if (!m_on || !m_dirty)
        return;
    m_syncTimer.stop();
    if (m_syncing.isRunning()) {
        m_syncAgain = true;
        return;
    }
    m_dirty = false;
    m_synced = true;
    m_lastSyncMs = m_now();
    ++m_syncs;
#ifdef Q_OS_UNIX
    // The data alone: the file's times need not reach the disk for the lines to be read back.
    const int handle = m_file.handle();
    m_syncing = QtConcurrent::run([handle] { return ::fdatasync(handle) == 0 ? 0 : errno; });
    m_syncWatcher.setFuture(m_syncing);
#endif
}

void JournalWriter::syncEnded() {
    if (m_syncing.isCanceled() || !m_syncing.isFinished() || !m_syncing.isValid())
        return;
    const int error = m_syncing.result();
    m_syncing = {};
    if (error != 0) {
        fail(tr("cannot save %1 to the disk: %2")
                 .arg(QDir::toNativeSeparators(m_file.fileName()), QString::fromLocal8Bit(strerror(error))));
        return;
    }
    if (std::exchange(m_syncAgain, false))
        sync();
}

void JournalWriter::waitForSync() {
    while (m_syncing.isValid()) {
        m_syncing.waitForFinished();
        syncEnded();
    }
}

void JournalWriter::close() {
    sync();
    waitForSync();
    m_syncTimer.stop();
    m_file.close();
    m_on = false;
}

void JournalWriter::fail(const QString& reason) {
    m_on = false;
    m_syncTimer.stop();
    // The file stays open while a sync of it runs on its thread.
    m_syncing.waitForFinished();
    m_syncing = {};
    m_syncAgain = false;
    m_file.close();
    if (!m_reason.isEmpty())
        return;
    m_reason = reason;
    Q_EMIT turnedOff(reason);
}

} // namespace journal
