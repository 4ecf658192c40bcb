#include "SoundDevice.h"

#include <QAudioDevice>
#include <QFile>
#include <QMediaDevices>
#include <QScopedValueRollback>
#include <QSoundEffect>
#include <QUrl>
#include <QtEndian>

#include <utility>

namespace {

// QSoundEffect reads a wave file as a stream and, when the file lacks bytes that its header
// promises (a file shorter than its header, a chunk or the samples cut short, 16-bit samples of
// odd length), waits for them for ever. Worse, the next sound released afterwards then waits on
// that load, which hangs the program. So only a file that holds every byte its reading will ask
// for is handed over. This reads chunk headers only, walking them the way Qt does (unpadded).
bool holdsCompleteWave(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray riff = file.read(12);
    if (riff.size() < 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE") {
        return false;
    }
    qint64 bytesPerSample = 0;
    for (;;) {
        const QByteArray header = file.read(8);
        if (header.size() < 8) {
            return false;
        }
        const qint64 size = qFromLittleEndian<quint32>(header.constData() + 4);
        const qint64 body = file.pos();
        if (size > file.size() - body) {
            return false;
        }
        if (header.startsWith("data")) {
            return bytesPerSample > 0 && size > 0 && size % bytesPerSample == 0;
        }
        if (header.startsWith("fmt ")) {
            const QByteArray format = file.read(16);
            if (format.size() < 16) {
                return false;
            }
            bytesPerSample = (qFromLittleEndian<quint16>(format.constData() + 14) + 7) / 8;
        }
        if (!file.seek(body + size)) {
            return false;
        }
    }
}

} // namespace

SoundDevice::SoundDevice(QObject* parent) : QObject(parent) {}

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
    // "Prev" needs no work: QSoundEffect keeps no position between playbacks and every play()
    // starts at the first sample, so the sound is always rewound. Unknown words are ignored.
}

bool SoundDevice::isOpen() const {
    return m_open;
}

bool SoundDevice::isLoaded() const {
    return m_effect && m_effect->status() == QSoundEffect::Ready;
}

bool SoundDevice::isPlaying() const {
    return m_pendingPlay || (m_effect && m_effect->isPlaying());
}

void SoundDevice::open() {
    close();
    if (m_fileName.isEmpty()) {
        return;
    }
    m_open = true;
    if (!holdsCompleteWave(m_fileName)) {
        return;
    }
    // Looked up at every opening, so that an output plugged in since the last one is used.
    m_effect = new QSoundEffect(QMediaDevices::defaultAudioOutput(), this);
    connect(m_effect, &QSoundEffect::statusChanged, this, &SoundDevice::onStatusChanged);
    connect(m_effect, &QSoundEffect::playingChanged, this, &SoundDevice::onPlayingChanged);
    // The samples are read and decoded on a worker thread; statusChanged reports the outcome.
    // A file Qt cannot decode ends in the Error status, which simply leaves nothing to play.
    m_effect->setSource(QUrl::fromLocalFile(m_fileName));
}

void SoundDevice::close() {
    stop();
    m_open = false;
    if (QSoundEffect* const effect = std::exchange(m_effect, nullptr)) {
        effect->disconnect(this);
        // A Done() handler may close the device from inside this effect's own signal.
        effect->deleteLater();
    }
}

void SoundDevice::play() {
    ++m_playCount;
    if (!m_effect) {
        return;
    }
    switch (m_effect->status()) {
    case QSoundEffect::Loading:
        // QSoundEffect would queue a play() given now, but when the load then fails it goes on
        // claiming to play for ever and never ends the playback. So the play waits for the load.
        m_pendingPlay = true;
        break;
    case QSoundEffect::Ready: {
        // During a playback, play() restarts the sound and reports an end followed by a new
        // start; to our listeners that is one playback going on, not one that ended.
        const QScopedValueRollback restarting(m_restarting, true);
        m_effect->play();
        break;
    }
    case QSoundEffect::Null:
    case QSoundEffect::Error:
        break;
    }
}

void SoundDevice::stop() {
    m_pendingPlay = false;
    if (m_effect) {
        m_effect->stop();
    }
}

void SoundDevice::onStatusChanged() {
    if (!m_pendingPlay || m_effect->status() == QSoundEffect::Loading) {
        return;
    }
    m_pendingPlay = false;
    if (m_effect->status() == QSoundEffect::Ready) {
        m_effect->play();
    }
}

void SoundDevice::onPlayingChanged() {
    if (!m_restarting && !m_effect->isPlaying()) {
        emit Done();
    }
}
