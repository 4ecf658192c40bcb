#include "settings/BuzzerFileCheck.h"

#include "sound/WaveFile.h"

#include <QFutureWatcher>
#include <QtConcurrentRun>

BuzzerFileCheck::BuzzerFileCheck(QObject* parent) : QObject(parent) {}

void BuzzerFileCheck::check(const QString& path) {
    if (m_current) {
        // Its result is never used; the worker ends on its own.
        m_current->disconnect(this);
        m_current->deleteLater();
        m_current = nullptr;
    }
    if (path.isEmpty()) {
        Q_EMIT checked(QString());
        return;
    }
    auto* const watcher = new QFutureWatcher<WaveProblem>(this);
    m_current = watcher;
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        m_current = nullptr;
        watcher->deleteLater();
        Q_EMIT checked(waveProblemText(watcher->result()));
    });
    // Only the verdict comes back; the sound itself is freed on the worker.
    watcher->setFuture(QtConcurrent::run([path] { return loadWaveFile(path).problem; }));
}
