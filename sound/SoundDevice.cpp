#include "sound/SoundDevice.h"

#include "sound/PulseOutput.h"

#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

#include <memory>

namespace {

// A "Play" this soon after the one that started the sound is taken as the same press (a held
// key repeats every 30 to 40 ms, a bouncing one sooner) and leaves the sound going.
constexpr qint64 kSamePressMs = 200;

} // namespace

SoundDevice::SoundDevice(QObject* parent) : QObject(parent), m_output(new PulseOutput(this)) {
    connect(m_output, &PulseOutput::finished, this, &SoundDevice::onFinished);
}

void SoundDevice::setFileName(const QString& fileName) {
    m_fileName = fileName;
}

void SoundDevice::setCommand(const QString& command) {
    m_command = command;
    const auto is = [&command](const char* word) {
        return command.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    };
    if (is("Open")) {
        open();
    } else if (is("Close")) {
        close();
    } else if (is("Play")) {
        play();
    } else if (is("Stop")) {
        stop();
    }
    // "Prev" needs no work: every "Play" starts the sound at its first sample, so the sound is
    // always rewound. Unknown words are ignored.
}

bool SoundDevice::isReady() const {
    return m_loaded && m_output->isReady();
}

SoundDevice::FileStamp SoundDevice::stampOf(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return {};
    }
    return {true, info.size(), info.lastModified()};
}

void SoundDevice::open() {
    if (m_closing && !m_fileName.isEmpty() && m_fileName == m_openedName && stampOf(m_fileName) == m_stamp) {
        // Reopened as it was: nothing to read again, and a sound under way goes on.
        m_closing = false;
        m_open = true;
        return;
    }
    m_closing = true;
    finishClose();
    if (m_fileName.isEmpty()) {
        return;
    }
    m_open = true;
    m_openedName = m_fileName;
    load();
}

void SoundDevice::close() {
    m_open = false;
    if (!m_closing) {
        // Undone by an "Open" of the same file before the event loop runs again.
        m_closing = true;
        QMetaObject::invokeMethod(this, &SoundDevice::finishClose, Qt::QueuedConnection);
    }
}

void SoundDevice::finishClose() {
    if (!std::exchange(m_closing, false)) {
        return;
    }
    stop();
    m_loaded = false;
    m_openedName.clear();
    if (auto* const loading = std::exchange(m_loading, nullptr)) {
        // The reading may still be under way; its result is simply never used.
        loading->disconnect(this);
        loading->deleteLater();
    }
    m_output->setSound(nullptr);
    setProblem(WaveProblem::None);
}

void SoundDevice::load() {
    m_stamp = stampOf(m_openedName);
    // The file is read and checked on a worker thread; the result comes back through the watcher.
    m_loading = new QFutureWatcher<WaveLoad>(this);
    connect(m_loading, &QFutureWatcherBase::finished, this, &SoundDevice::onLoaded);
    m_loading->setFuture(QtConcurrent::run(loadWaveFile, m_openedName));
}

void SoundDevice::play() {
    ++m_playCount;
    if (!m_open || (m_playing && m_sinceStart.elapsed() < kSamePressMs)) {
        return;
    }
    const bool restarting = m_playing;
    ++m_serial;
    m_sinceStart.start();
    if (!m_loaded && !m_loading) {
        // Missing or unplayable when last looked at: perhaps it is there now.
        load();
    }
    m_playing = m_loading || m_output->play(m_serial, kPlayWithinMs);
    if (restarting && !m_playing) {
        // The sound under way was cut off with its output.
        emit Done();
    }
}

void SoundDevice::stop() {
    ++m_serial;
    const bool sounded = m_output->stop();
    if (std::exchange(m_playing, false) && sounded) {
        emit Done();
    }
}

void SoundDevice::onLoaded() {
    auto* const loading = std::exchange(m_loading, nullptr);
    loading->deleteLater();
    WaveLoad load = loading->result();
    m_loaded = load.sound.has_value();
    if (m_loaded) {
        m_output->setSound(std::make_shared<const WaveSound>(std::move(*load.sound)));
    }
    setProblem(load.problem);
    if (m_playing) {
        // A "Play" given while the file loaded sounds now if there is still time, or is dropped.
        m_playing = m_loaded && m_output->play(m_serial, int(kPlayWithinMs - m_sinceStart.elapsed()));
    }
}

void SoundDevice::onFinished(quint64 serial, bool sounded) {
    if (serial != m_serial || !m_playing) {
        return;
    }
    m_playing = false;
    if (sounded) {
        emit Done();
    }
}

void SoundDevice::setProblem(WaveProblem problem) {
    if (std::exchange(m_problem, problem) != problem) {
        emit problemChanged();
    }
}
