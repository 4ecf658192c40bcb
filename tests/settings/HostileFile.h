#pragma once

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Files that a settings file may have been replaced with, by accident or on purpose.

// Puts at path what kind names: "missing", "fifo", "directory", "device" (a link to an endless
// one), "2 MB" (a regular file of that size) or "garbage" (bytes that are no settings at all).
inline bool makeHostile(const QString& kind, const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    if (kind == "missing")
        return !QFileInfo::exists(path);
    if (kind == "fifo")
        return ::mkfifo(name.constData(), 0600) == 0;
    if (kind == "directory")
        return QDir().mkdir(path);
    if (kind == "device")
        return QFile::link(QStringLiteral("/dev/zero"), path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (kind == "2 MB")
        return file.write(QByteArray(2 * 1024 * 1024, 'x')) == 2 * 1024 * 1024;
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += char((i * 131 + 7) % 256);
    return file.write("[Color\x01\n=\xff\xfe\n" + garbage) > 0;
}

// What is at path, told without opening anything but a regular file: its kind, and the content
// of a regular file.
inline QString fingerprint(const QString& path) {
    const QFileInfo info(path);
    if (info.isSymLink())
        return "link to " + info.symLinkTarget();
    if (!info.exists())
        return "missing";
    if (info.isDir())
        return "directory";
    if (!info.isFile())
        return "special file";
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "unreadable";
    return "file " + QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1).toHex();
}

// Should the code under test open the named pipe at path for reading and wait for a writer, this
// opens it for writing once a generous while has passed, so that a fault fails the test (released
// is true) instead of hanging it.
class PipeRelease {
public:
    explicit PipeRelease(const QString& path)
        : m_path(QFile::encodeName(path)), m_thread([this] { run(); }) {}
    ~PipeRelease() {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    bool released() const { return m_released; }

private:
    void run() {
        std::unique_lock lock(m_mutex);
        if (m_wake.wait_for(lock, std::chrono::seconds(20), [this] { return m_stop; }))
            return;
        while (!m_stop) {
            struct stat status {};
            if (::stat(m_path.constData(), &status) == 0 && S_ISFIFO(status.st_mode)) {
                const int fd = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) {
                    m_released = true;
                    ::close(fd);
                }
            }
            m_wake.wait_for(lock, std::chrono::milliseconds(100), [this] { return m_stop; });
        }
    }

    const QByteArray m_path;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::atomic<bool> m_released = false;
    std::thread m_thread;
};
