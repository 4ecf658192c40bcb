#include "tests/support/PulseServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QThread>
#include <QtEndian>

#include <cmath>
#include <numbers>

#include <signal.h>
#include <sys/prctl.h>

namespace {

constexpr int kAnswerTimeoutMs = 5000;
constexpr int kPollIntervalMs = 50;
// Playback reports its end while the last of the sound still sits in the server's buffers; this
// is ample for it to reach the recorder, whose own latency is kept low below.
constexpr int kRecordingSettleMs = 300;

void endProcess(QProcess& process) {
    if (process.state() == QProcess::NotRunning) {
        return;
    }
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

std::unique_ptr<QProcess> makeChild(const QProcessEnvironment& environment) {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    // A test that crashes must not leave a daemon behind: the child dies with its parent.
    process->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    return process;
}

} // namespace

PulseServer::~PulseServer() {
    stop();
}

bool PulseServer::start() {
    if (m_daemon) {
        return true;
    }
    m_error.clear();
    if (!m_folder) {
        m_folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/pulse-test-XXXXXX"));
    }
    if (!m_folder->isValid()) {
        m_error =
            QStringLiteral("cannot create a folder for the sound server: %1").arg(m_folder->errorString());
        stop();
        return false;
    }
    m_socket = m_folder->filePath(QStringLiteral("native"));

    // Everything the daemon keeps (pid file, cookie, state) goes to the private folder, so that it
    // meets neither the machine's own server nor a sibling test's. As root it warns that it is
    // not meant to run per user, and runs anyway.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"HOME", "XDG_RUNTIME_DIR", "PULSE_RUNTIME_PATH", "PULSE_STATE_PATH"}) {
        environment.insert(QLatin1String(name), m_folder->path());
    }
    environment.remove(QStringLiteral("PULSE_SERVER"));
    m_daemon = makeChild(environment);
    m_daemon->start(
        QStringLiteral("pulseaudio"),
        {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
         QStringLiteral("--disallow-exit"),
         QStringLiteral("--load=module-native-protocol-unix socket=%1 auth-anonymous=1").arg(m_socket),
         QStringLiteral("--load=module-null-sink sink_name=testsink"),
         QStringLiteral("--load=module-always-sink")});
    if (!m_daemon->waitForStarted(kAnswerTimeoutMs)) {
        m_error = QStringLiteral("cannot run pulseaudio: %1").arg(m_daemon->errorString());
        stop();
        return false;
    }
    if (!waitForClient({QStringLiteral("info")}, false)) {
        m_error = QStringLiteral("pulseaudio did not answer: %1")
                      .arg(QString::fromLocal8Bit(m_daemon->readAllStandardError()).trimmed());
        stop();
        return false;
    }
    if (!setDefaultSink(QStringLiteral("testsink"))) {
        m_error = QStringLiteral("pulseaudio refused the test sink as default output");
        stop();
        return false;
    }
    qputenv("PULSE_SERVER", "unix:" + m_socket.toLocal8Bit());
    return true;
}

void PulseServer::stop() {
    const bool wasUp = m_daemon != nullptr;
    stopDaemon();
    if (wasUp) {
        qunsetenv("PULSE_SERVER");
    }
    m_folder.reset();
}

void PulseServer::stopDaemon() {
    if (m_recorder) {
        endProcess(*m_recorder);
        m_recorder.reset();
    }
    if (m_daemon) {
        endProcess(*m_daemon);
        m_daemon.reset();
    }
}

bool PulseServer::freezeDaemon(bool frozen) {
    return m_daemon && ::kill(pid_t(m_daemon->processId()), frozen ? SIGSTOP : SIGCONT) == 0;
}

bool PulseServer::addSink(const QString& name) {
    return runClient(QStringLiteral("pactl"),
                     {QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                      QStringLiteral("sink_name=%1").arg(name)});
}

bool PulseServer::removeSink(const QString& name) {
    QString modules;
    if (!runClient(QStringLiteral("pactl"),
                   {QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("modules")}, &modules)) {
        return false;
    }
    // One module a line: index, name, arguments, separated by tabs.
    const QString argument = QStringLiteral("sink_name=") + name;
    for (const QString& line : modules.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(u'\t');
        if (fields.size() >= 3 && fields[1] == QLatin1String("module-null-sink") &&
            fields[2].split(u' ', Qt::SkipEmptyParts).contains(argument)) {
            return runClient(QStringLiteral("pactl"), {QStringLiteral("unload-module"), fields[0]});
        }
    }
    return false;
}

bool PulseServer::setDefaultSink(const QString& name) {
    return runClient(QStringLiteral("pactl"), {QStringLiteral("set-default-sink"), name});
}

QString PulseServer::defaultSink() const {
    QString name;
    return runClient(QStringLiteral("pactl"), {QStringLiteral("get-default-sink")}, &name) ? name.trimmed()
                                                                                           : QString();
}

bool PulseServer::startRecording(const QString& wavPath, const QString& sink) {
    if (!m_daemon) {
        m_error = QStringLiteral("the sound server is not running");
        return false;
    }
    stopRecording();
    m_recorder = makeChild(clientEnvironment());
    // Without a latency of its own the recorder gets the monitor in blocks of two seconds, and
    // ending it mid-block would lose the sound of that block. Small blocks also keep what the
    // recording misses where the server rewinds the sink (to start a sound at once) to a few
    // milliseconds: the part of a block already handed over is not recorded again.
    m_recorder->start(QStringLiteral("parecord"),
                      {QStringLiteral("--latency-msec=5"), QStringLiteral("--device=%1.monitor").arg(sink),
                       QStringLiteral("--file-format=wav"), wavPath});
    if (!m_recorder->waitForStarted(kAnswerTimeoutMs)) {
        m_error = QStringLiteral("cannot run parecord: %1").arg(m_recorder->errorString());
        m_recorder.reset();
        return false;
    }
    // Nothing but our recorder ever records from this server.
    if (!waitForClient({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("source-outputs")},
                       true)) {
        m_error = QStringLiteral("parecord did not connect: %1")
                      .arg(QString::fromLocal8Bit(m_recorder->readAllStandardError()).trimmed());
        endProcess(*m_recorder);
        m_recorder.reset();
        return false;
    }
    return true;
}

void PulseServer::stopRecording() {
    if (!m_recorder) {
        return;
    }
    QTest::qWait(kRecordingSettleMs);
    endProcess(*m_recorder);
    m_recorder.reset();
}

QProcessEnvironment PulseServer::clientEnvironment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + m_socket);
    // Keeps the tools from writing a cookie into the real home folder.
    environment.insert(QStringLiteral("HOME"), m_folder->path());
    return environment;
}

bool PulseServer::runClient(const QString& program, const QStringList& arguments, QString* output) const {
    QProcess process;
    process.setProcessEnvironment(clientEnvironment());
    process.start(program, arguments);
    if (!process.waitForFinished(2000)) {
        endProcess(process);
        return false;
    }
    if (output) {
        *output = QString::fromLocal8Bit(process.readAllStandardOutput());
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool PulseServer::waitForClient(const QStringList& pactlArguments, bool wantOutput) {
    const QDeadlineTimer deadline(kAnswerTimeoutMs);
    while (!deadline.hasExpired() && m_daemon->state() == QProcess::Running) {
        QString output;
        if (runClient(QStringLiteral("pactl"), pactlArguments, &output) &&
            (!wantOutput || !output.trimmed().isEmpty())) {
            return true;
        }
        QThread::msleep(kPollIntervalMs);
    }
    return false;
}

std::optional<PcmTrack> readPcmWave(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    const auto u16 = [&bytes](qsizetype at) { return qFromLittleEndian<quint16>(bytes.constData() + at); };
    const auto u32 = [&bytes](qsizetype at) { return qFromLittleEndian<quint32>(bytes.constData() + at); };
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE") {
        return std::nullopt;
    }

    int channels = 0;
    int sampleRate = 0;
    int blockAlign = 0;
    bool pcm16 = false;
    qsizetype at = 12;
    while (at + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(at, 4);
        const qsizetype body = at + 8;
        const qsizetype available = bytes.size() - body;
        const quint32 declared = u32(at + 4);
        if (id == "fmt " && available >= 16) {
            const quint16 format = u16(body);
            channels = u16(body + 2);
            sampleRate = int(u32(body + 4));
            blockAlign = u16(body + 12);
            // 1 is plain PCM; 0xFFFE the extensible header that recorders use for the same.
            pcm16 = (format == 1 || format == 0xFFFE) && u16(body + 14) == 16;
        } else if (id == "data") {
            if (!pcm16 || channels < 1 || sampleRate < 1 || blockAlign < 2 * channels) {
                return std::nullopt;
            }
            // A recorder that was cut short may leave a size larger than what was written.
            const qsizetype size = std::min<qsizetype>(declared, available);
            PcmTrack track;
            track.sampleRate = sampleRate;
            const qsizetype frames = size / blockAlign;
            track.samples.reserve(frames);
            for (qsizetype frame = 0; frame < frames; ++frame) {
                track.samples.append(
                    qFromLittleEndian<qint16>(bytes.constData() + body + frame * blockAlign));
            }
            return track;
        }
        // Chunks are padded to an even length.
        at = body + qsizetype(declared) + qsizetype(declared & 1U);
    }
    return std::nullopt;
}

bool writePcmWave(const QString& path, const QList<qint16>& samples, int sampleRate) {
    const auto u16 = [](QByteArray& to, quint16 value) {
        const quint16 le = qToLittleEndian(value);
        to.append(reinterpret_cast<const char*>(&le), 2);
    };
    const auto u32 = [](QByteArray& to, quint32 value) {
        const quint32 le = qToLittleEndian(value);
        to.append(reinterpret_cast<const char*>(&le), 4);
    };
    const auto bytes = quint32(2 * samples.size());
    QByteArray wave("RIFF");
    u32(wave, 36 + bytes);
    wave.append("WAVEfmt ");
    u32(wave, 16);
    u16(wave, 1); // PCM
    u16(wave, 1); // mono
    u32(wave, quint32(sampleRate));
    u32(wave, quint32(sampleRate * 2));
    u16(wave, 2);
    u16(wave, 16);
    wave.append("data");
    u32(wave, bytes);
    for (const qint16 sample : samples) {
        u16(wave, quint16(sample));
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(wave) == wave.size();
}

bool writeToneWave(const QString& path, const QList<ToneSegment>& segments, double amplitude,
                   int sampleRate) {
    QList<qint16> samples;
    for (const ToneSegment& segment : segments) {
        const auto count = qsizetype(std::lround(segment.seconds * sampleRate));
        for (qsizetype i = 0; i < count; ++i) {
            const double phase = 2 * std::numbers::pi * segment.frequency * double(i) / sampleRate;
            samples.append(qint16(std::lround(amplitude * 32767 * std::sin(phase))));
        }
    }
    return writePcmWave(path, samples, sampleRate);
}

SoundLevels measureLevels(std::span<const qint16> samples, int threshold) {
    SoundLevels levels;
    double sumOfSquares = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const int magnitude = std::abs(int(samples[i]));
        levels.peak = std::max(levels.peak, magnitude);
        sumOfSquares += double(magnitude) * magnitude;
        if (levels.firstLoud < 0 && magnitude > threshold) {
            levels.firstLoud = qsizetype(i);
        }
    }
    levels.rms = samples.empty() ? 0 : std::sqrt(sumOfSquares / double(samples.size()));
    return levels;
}

QList<Burst> findBursts(std::span<const qint16> samples, int threshold, qsizetype minGap) {
    QList<Burst> bursts;
    qsizetype lastLoud = -1;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(int(samples[i])) <= threshold) {
            continue;
        }
        const auto at = qsizetype(i);
        if (bursts.isEmpty() || at - lastLoud > minGap) {
            bursts.append({at, at + 1});
        }
        bursts.last().end = at + 1;
        lastLoud = at;
    }
    return bursts;
}

double estimateFrequency(std::span<const qint16> samples, int sampleRate) {
    if (samples.size() < 2 || sampleRate < 1) {
        return 0;
    }
    int crossings = 0;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        if ((samples[i - 1] < 0) != (samples[i] < 0)) {
            ++crossings;
        }
    }
    return crossings / 2.0 * sampleRate / double(samples.size());
}
