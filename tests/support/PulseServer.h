#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <span>

// A private PulseAudio server for tests that must hear what the program plays. It owns its own
// daemon, socket and folder, offers one null sink "testsink" as the default output and can record
// that sink's monitor into a wave file. Start it before anything connects to a sound server, so that
// the program meets it rather than any server of the machine.
class PulseServer {
public:
    PulseServer() = default;
    ~PulseServer();
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    // Starts the daemon, waits until it answers and points this process at it (PULSE_SERVER).
    bool start();
    void stop();
    // Ends the daemon, as a server that crashed or was restarted; the next start() brings it back
    // at the same socket.
    void stopDaemon();
    // Freezes the daemon (SIGSTOP), as a server that hangs, or lets it go on (SIGCONT).
    bool freezeDaemon(bool frozen);
    QString errorString() const { return m_error; }
    // The daemon's process id, 0 while it is not running.
    qint64 daemonPid() const { return m_daemon ? m_daemon->processId() : 0; }

    // Adds or removes a null sink, as plugging an output in or out would.
    bool addSink(const QString& name);
    bool removeSink(const QString& name);
    bool setDefaultSink(const QString& name);
    QString defaultSink() const;

    // Records everything played to the sink until stopRecording(); returns once the recorder is
    // connected, so sound played from then on is captured from its first sample.
    bool startRecording(const QString& wavPath, const QString& sink = QStringLiteral("testsink"));
    // Lets the sound still under way reach the recorder, then ends the recording.
    void stopRecording();

private:
    QProcessEnvironment clientEnvironment() const;
    bool runClient(const QString& program, const QStringList& arguments, QString* output = nullptr) const;
    bool waitForClient(const QStringList& pactlArguments, bool wantOutput);

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<QProcess> m_daemon;
    std::unique_ptr<QProcess> m_recorder;
    QString m_socket;
    QString m_error;
};

// The first channel of a 16-bit PCM wave file.
struct PcmTrack {
    int sampleRate = 0;
    QList<qint16> samples;

    std::span<const qint16> all() const { return {samples.constData(), std::size_t(samples.size())}; }
    std::span<const qint16> range(qsizetype from, qsizetype to) const {
        return all().subspan(from, to - from);
    }
};

// Reads a RIFF/WAVE file of 16-bit PCM samples; nothing for any other kind of file.
std::optional<PcmTrack> readPcmWave(const QString& path);

// Writes a mono 16-bit PCM wave file.
bool writePcmWave(const QString& path, const QList<qint16>& samples, int sampleRate = 44100);

struct ToneSegment {
    double frequency = 0;
    double seconds = 0;
};
// Writes a mono 16-bit wave file of sine tones one after the other; amplitude is a fraction of
// full scale.
bool writeToneWave(const QString& path, const QList<ToneSegment>& segments, double amplitude = 0.8,
                   int sampleRate = 44100);

struct SoundLevels {
    int peak = 0;
    double rms = 0;
    // Index of the first sample whose magnitude exceeds the threshold, -1 when none does.
    qsizetype firstLoud = -1;
};
SoundLevels measureLevels(std::span<const qint16> samples, int threshold);

// A run of sound between silences, as sample indices [begin, end).
struct Burst {
    qsizetype begin = 0;
    qsizetype end = 0;
    qsizetype length() const { return end - begin; }
};
// Runs of samples above the threshold; quieter gaps shorter than minGap samples (a tone's own
// zero crossings) do not split a run.
QList<Burst> findBursts(std::span<const qint16> samples, int threshold, qsizetype minGap);
// The frequency of a steady tone, from how often it crosses zero.
double estimateFrequency(std::span<const qint16> samples, int sampleRate);
