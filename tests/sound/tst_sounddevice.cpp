#include "sound/SoundDevice.h"
#include "sound/WaveFile.h"
#include "tests/support/PulseServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cmath>

#include <sys/stat.h>

namespace {

constexpr int kWaitMs = 10000;
// A recorded sample louder than this is sound; the null sink records silence as exact zeros.
constexpr int kSoundThreshold = 300;
constexpr int kRate = 44100;
// Quiet stretches shorter than this (50 ms) belong to the same sound.
constexpr qsizetype kGap = kRate / 20;

QByteArray le16(quint16 value) {
    const quint16 le = qToLittleEndian(value);
    return {reinterpret_cast<const char*>(&le), 2};
}

QByteArray le32(quint32 value) {
    const quint32 le = qToLittleEndian(value);
    return {reinterpret_cast<const char*>(&le), 4};
}

QByteArray chunk(const char* id, const QByteArray& body, quint32 declaredSize) {
    QByteArray bytes = id + le32(declaredSize) + body;
    if (body.size() % 2 == 1) {
        bytes.append('\0');
    }
    return bytes;
}

QByteArray chunk(const char* id, const QByteArray& body) {
    return chunk(id, body, quint32(body.size()));
}

QByteArray fmtBody(quint16 format, quint16 channels, quint16 bits) {
    const quint16 blockAlign = quint16(channels * bits / 8);
    return le16(format) + le16(channels) + le32(kRate) + le32(kRate * blockAlign) + le16(blockAlign) +
           le16(bits);
}

QByteArray riffWave(const QByteArray& chunks) {
    return "RIFF" + le32(quint32(4 + chunks.size())) + "WAVE" + chunks;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

double frequencyWithin(const PcmTrack& track, const Burst& burst, double fromSeconds, double toSeconds) {
    const qsizetype to = std::min(burst.end, burst.begin + qsizetype(toSeconds * track.sampleRate));
    const qsizetype from = std::min(to, burst.begin + qsizetype(fromSeconds * track.sampleRate));
    return estimateFrequency(track.range(from, to), track.sampleRate);
}

double seconds(const PcmTrack& track, const Burst& burst) {
    return double(burst.length()) / track.sampleRate;
}

// A play given while the file loads sounds once it has loaded or, on a machine too busy to load it
// within the play's deadline, is dropped whole, never sounded late or in part: the next one sounds.
void soundsOnceLoaded(SoundDevice& device, QSignalSpy& done) {
    QTRY_VERIFY_WITH_TIMEOUT(!device.isPlaying(), kWaitMs);
    if (done.isEmpty()) {
        QTRY_VERIFY_WITH_TIMEOUT(device.isReady(), kWaitMs);
        device.setCommand(QStringLiteral("Play"));
        QVERIFY(done.wait(kWaitMs));
    }
    QCOMPARE(done.count(), 1);
}

} // namespace

// The recording analysis must be right, or the sound tests below would prove nothing.
class tst_WaveAnalysis : public QObject {
    Q_OBJECT

private slots:
    void readsBackAWrittenTone_data();
    void readsBackAWrittenTone();
    void refusesWhatIsNotPcmWave_data();
    void refusesWhatIsNotPcmWave();
    void skipsForeignChunksAndKeepsTheFirstChannelOfCutData();
    void splitsBurstsAtLongSilences_data();
    void splitsBurstsAtLongSilences();

private:
    QTemporaryDir m_dir;
};

void tst_WaveAnalysis::readsBackAWrittenTone_data() {
    QTest::addColumn<double>("frequency");
    QTest::addColumn<double>("duration");
    QTest::addColumn<double>("amplitude");
    QTest::newRow("loud 440 Hz") << 440.0 << 0.4 << 0.8;
    QTest::newRow("half 1320 Hz") << 1320.0 << 0.25 << 0.5;
    QTest::newRow("quiet 100 Hz") << 100.0 << 0.5 << 0.2;
}

void tst_WaveAnalysis::readsBackAWrittenTone() {
    QFETCH(double, frequency);
    QFETCH(double, duration);
    QFETCH(double, amplitude);
    const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + ".wav");
    QVERIFY(writeToneWave(path, {{frequency, duration}}, amplitude, kRate));

    const std::optional<PcmTrack> track = readPcmWave(path);
    QVERIFY(track);
    QCOMPARE(track->sampleRate, kRate);
    QCOMPARE(track->samples.size(), qsizetype(std::lround(duration * kRate)));

    const double fullScale = amplitude * 32767;
    const SoundLevels levels = measureLevels(track->all(), int(fullScale / 2));
    QVERIFY(std::abs(levels.peak - fullScale) < fullScale * 0.01);
    QVERIFY(std::abs(levels.rms - fullScale / std::sqrt(2.0)) < fullScale * 0.01);
    // A sine first passes half its peak at a twelfth of its period.
    QVERIFY(std::abs(double(levels.firstLoud) - kRate / (12 * frequency)) <= 1.0);
    QVERIFY(std::abs(estimateFrequency(track->all(), kRate) - frequency) < frequency * 0.02);
}

void tst_WaveAnalysis::refusesWhatIsNotPcmWave_data() {
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray samples(400, '\x40');
    QTest::newRow("missing file") << false << QByteArray();
    QTest::newRow("empty file") << true << QByteArray();
    QTest::newRow("text") << true << QByteArray("this is not a sound at all, only words");
    QTest::newRow("RIFF but not WAVE")
        << true << QByteArray("RIFF" + le32(12) + "AVI " + chunk("data", samples));
    QTest::newRow("8-bit samples") << true
                                   << riffWave(chunk("fmt ", fmtBody(1, 1, 8)) + chunk("data", samples));
    QTest::newRow("compressed") << true
                                << riffWave(chunk("fmt ", fmtBody(2, 1, 16)) + chunk("data", samples));
    QTest::newRow("no data chunk") << true << riffWave(chunk("fmt ", fmtBody(1, 1, 16)));
    QTest::newRow("data before format")
        << true << riffWave(chunk("data", samples) + chunk("fmt ", fmtBody(1, 1, 16)));
}

void tst_WaveAnalysis::refusesWhatIsNotPcmWave() {
    QFETCH(bool, exists);
    QFETCH(QByteArray, bytes);
    const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + ".wav");
    if (exists) {
        QVERIFY(writeFile(path, bytes));
    }
    QVERIFY(!readPcmWave(path));
}

void tst_WaveAnalysis::skipsForeignChunksAndKeepsTheFirstChannelOfCutData() {
    // Stereo frames (left, right); the data chunk claims far more than was written, as a
    // recording cut short leaves it.
    QByteArray frames;
    for (const qint16 left : {qint16(100), qint16(-200), qint16(300)}) {
        frames += le16(quint16(left)) + le16(quint16(-left));
    }
    const QByteArray bytes =
        riffWave(chunk("LIST", "odd", 3) + chunk("fmt ", fmtBody(1, 2, 16)) + chunk("data", frames, 100000));
    const QString path = m_dir.filePath(QStringLiteral("cut.wav"));
    QVERIFY(writeFile(path, bytes));

    const std::optional<PcmTrack> track = readPcmWave(path);
    QVERIFY(track);
    QCOMPARE(track->samples, QList<qint16>({100, -200, 300}));
    const SoundLevels levels = measureLevels(track->all(), 150);
    QCOMPARE(levels.peak, 300);
    QCOMPARE(levels.firstLoud, 1);
    QVERIFY(std::abs(levels.rms - std::sqrt((100.0 * 100 + 200.0 * 200 + 300.0 * 300) / 3)) < 1e-9);
}

void tst_WaveAnalysis::splitsBurstsAtLongSilences_data() {
    QTest::addColumn<double>("minGapSeconds");
    QTest::addColumn<int>("bursts");
    QTest::newRow("gap longer than the silence") << 0.15 << 1;
    QTest::newRow("gap shorter than the silence") << 0.05 << 2;
}

void tst_WaveAnalysis::splitsBurstsAtLongSilences() {
    QFETCH(double, minGapSeconds);
    QFETCH(int, bursts);
    // A zero frequency writes silence.
    const QString path = m_dir.filePath(QStringLiteral("bursts.wav"));
    QVERIFY(writeToneWave(path, {{440, 0.1}, {0, 0.1}, {440, 0.05}}, 0.8, kRate));
    const std::optional<PcmTrack> track = readPcmWave(path);
    QVERIFY(track);

    const QList<Burst> found = findBursts(track->all(), kSoundThreshold, qsizetype(minGapSeconds * kRate));
    QCOMPARE(found.size(), bursts);
    QVERIFY(found.first().begin <= 1);
    // The last loud sample lies within one cycle of the tone's end.
    QVERIFY(found.last().end > qsizetype(0.25 * kRate) - kRate / 440);
    if (bursts == 2) {
        QVERIFY(std::abs(double(found.first().end) - 0.1 * kRate) < kRate / 440.0);
        QVERIFY(std::abs(double(found.last().begin) - 0.2 * kRate) <= 1.0);
    }
}

// The device's own reading of wave files.
class tst_WaveFile : public QObject {
    Q_OBJECT

private slots:
    void readsWhatAWaveHolds_data();
    void readsWhatAWaveHolds();
    void refusesWhatIsNotARegularFile_data();
    void refusesWhatIsNotARegularFile();

private:
    QTemporaryDir m_dir;
};

void tst_WaveFile::readsWhatAWaveHolds_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("format"); // a SampleFormat, -1 for nothing to play
    QTest::addColumn<int>("channels");
    QTest::addColumn<qsizetype>("frames");
    const QByteArray samples(400, '\x40');
    const QByteArray mono16 = chunk("fmt ", fmtBody(1, 1, 16));
    const auto playable = [](const char* row, const QByteArray& bytes, SampleFormat format, int channels,
                             qsizetype frames) {
        QTest::newRow(row) << bytes << int(format) << channels << frames;
    };
    playable("8-bit", riffWave(chunk("fmt ", fmtBody(1, 1, 8)) + chunk("data", samples)), SampleFormat::U8, 1,
             400);
    playable("16-bit stereo", riffWave(chunk("fmt ", fmtBody(1, 2, 16)) + chunk("data", samples)),
             SampleFormat::S16, 2, 100);
    playable("24-bit", riffWave(chunk("fmt ", fmtBody(1, 1, 24)) + chunk("data", samples.left(399))),
             SampleFormat::S24, 1, 133);
    playable("32-bit", riffWave(chunk("fmt ", fmtBody(1, 1, 32)) + chunk("data", samples)), SampleFormat::S32,
             1, 100);
    playable("float stereo", riffWave(chunk("fmt ", fmtBody(3, 2, 32)) + chunk("data", samples)),
             SampleFormat::F32, 2, 50);
    // The extensible header names the encoding in its sub-format.
    const QByteArray extensible = fmtBody(0xFFFE, 1, 16) + le16(22) + le16(16) + le32(4) + le16(1) +
                                  QByteArray::fromHex("000000001000800000aa00389b71");
    playable("extensible", riffWave(chunk("fmt ", extensible) + chunk("data", samples)), SampleFormat::S16, 1,
             200);
    playable("data before format", riffWave(chunk("data", samples) + mono16), SampleFormat::S16, 1, 200);
    playable("odd chunk padded", riffWave(chunk("LIST", "odd") + mono16 + chunk("data", samples)),
             SampleFormat::S16, 1, 200);
    playable("odd chunk without its pad",
             riffWave("LIST" + le32(3) + "odd" + mono16 + chunk("data", samples)), SampleFormat::S16, 1, 200);
    // Cut short: the whole frames that are there.
    playable("samples cut short", riffWave(mono16 + chunk("data", samples, 88200)), SampleFormat::S16, 1,
             200);
    playable("half a sample at the end", riffWave(mono16 + chunk("data", samples.left(399))),
             SampleFormat::S16, 1, 199);
    const auto refused = [](const char* row, const QByteArray& bytes) {
        QTest::newRow(row) << bytes << -1 << 0 << qsizetype(0);
    };
    refused("compressed", riffWave(chunk("fmt ", fmtBody(2, 1, 16)) + chunk("data", samples)));
    refused("64-bit float", riffWave(chunk("fmt ", fmtBody(3, 1, 64)) + chunk("data", samples)));
    refused("12-bit", riffWave(chunk("fmt ", fmtBody(1, 1, 12)) + chunk("data", samples)));
    refused("no channels", riffWave(chunk("fmt ", fmtBody(1, 0, 16)) + chunk("data", samples)));
    refused("no format", riffWave(chunk("data", samples)));
    refused("no data", riffWave(mono16));
    refused("no whole frame", riffWave(mono16 + chunk("data", "x")));
    refused("not RIFF", "RIFX" + riffWave(mono16 + chunk("data", samples)).mid(4));
}

void tst_WaveFile::readsWhatAWaveHolds() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, format);
    QFETCH(int, channels);
    QFETCH(qsizetype, frames);
    const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + ".wav");
    QVERIFY(writeFile(path, bytes));
    const std::optional<WaveSound> sound = readWaveFile(path);
    QCOMPARE(sound.has_value(), format >= 0);
    if (sound) {
        QCOMPARE(int(sound->format), format);
        QCOMPARE(sound->channels, channels);
        QCOMPARE(sound->sampleRate, kRate);
        QCOMPARE(sound->frames(), frames);
        QCOMPARE(sound->samples.size(), frames * sound->bytesPerFrame());
    }
}

void tst_WaveFile::refusesWhatIsNotARegularFile_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("named pipe") << QStringLiteral("fifo");
    QTest::newRow("folder") << QStringLiteral("folder");
    QTest::newRow("larger than a buzzer needs") << QStringLiteral("huge");
}

void tst_WaveFile::refusesWhatIsNotARegularFile() {
    QFETCH(QString, kind);
    const QString path = m_dir.filePath(kind + QStringLiteral(".wav"));
    if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(m_dir.path()).mkdir(kind + QStringLiteral(".wav")));
    } else {
        // A real header in front, so that only the size can be the reason.
        QVERIFY(writeFile(path,
                          riffWave(chunk("fmt ", fmtBody(1, 1, 16)) + chunk("data", QByteArray(400, 'x')))));
        QFile file(path);
        QVERIFY(file.resize(kMaxWaveFileBytes + 1));
    }
    // A pipe with no writer would block an ordinary open for ever.
    QVERIFY(!readWaveFile(path));
}

// The device against a real sound server, recording what reaches its sink.
class tst_SoundDevice : public QObject {
    Q_OBJECT

public:
    tst_SoundDevice(PulseServer* server, const QString& whyNoServer)
        : m_server(server), m_whyNoServer(whyNoServer) {}

private slots:
    void initTestCase();
    void cleanup();

    void playRightAfterOpenSoundsTheFile();
    void stopAndPrevAfterDonePlayFromTheStartAgain();
    void stopEndsThePlaybackWithOneDone();
    void playDuringPlaybackRestartsAsOnePlayback();
    void closeThenOpenPlaysTheNewFile();
    void nothingToPlayStaysSilent_data();
    void nothingToPlayStaysSilent();
    void commandsAreCaseInsensitiveWords_data();
    void commandsAreCaseInsensitiveWords();
    void ignoresUnknownCommands_data();
    void ignoresUnknownCommands();
    void followsTheDefaultOutputAtEveryOpen();
    void soundsInFullAfterEveryUpset_data();
    void soundsInFullAfterEveryUpset();
    void playsAtAnyRate_data();
    void playsAtAnyRate();
    void reopeningKeepsOnlyAnUnchangedSound_data();
    void reopeningKeepsOnlyAnUnchangedSound();
    void findsAFileThatAppearsLater();
    void dropsAPlayTheServerCannotStartAtOnce();
    void theServerHoldsTheLargestFileReadable();

private:
    // Every file gets a name of its own: the sound cache remembers files by name.
    QString newFile(const QString& name) {
        return m_dir.filePath(QStringLiteral("%1-%2").arg(++m_files).arg(name));
    }
    bool startRecording(const QString& sink = QStringLiteral("testsink"));
    std::optional<PcmTrack> finishRecording();
    // Issues "Play", waits for its Done and hands back the one burst of sound it recorded.
    void recordPlayback(SoundDevice& device, const QSignalSpy& done, PcmTrack& track, Burst& burst,
                        const QString& sink = QStringLiteral("testsink"));

    PulseServer* m_server;
    QString m_whyNoServer;
    QTemporaryDir m_dir;
    QString m_recording;
    int m_files = 0;
};

bool tst_SoundDevice::startRecording(const QString& sink) {
    m_recording = newFile(QStringLiteral("recording.wav"));
    return m_server->startRecording(m_recording, sink);
}

std::optional<PcmTrack> tst_SoundDevice::finishRecording() {
    m_server->stopRecording();
    return readPcmWave(m_recording);
}

void tst_SoundDevice::recordPlayback(SoundDevice& device, const QSignalSpy& done, PcmTrack& track,
                                     Burst& burst, const QString& sink) {
    const qsizetype before = done.count();
    QTRY_VERIFY_WITH_TIMEOUT(device.isReady(), kWaitMs);
    QVERIFY2(startRecording(sink), qPrintable(m_server->errorString()));
    device.setCommand(QStringLiteral("Play"));
    QVERIFY(device.isPlaying());
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), before + 1, kWaitMs);
    std::optional<PcmTrack> recorded = finishRecording();
    QVERIFY(recorded);
    const QList<Burst> bursts = findBursts(recorded->all(), kSoundThreshold, kGap);
    QCOMPARE(bursts.size(), 1);
    track = *recorded;
    burst = bursts.first();
}

void tst_SoundDevice::initTestCase() {
    if (!m_server) {
        QSKIP(qPrintable(QStringLiteral("no PulseAudio server to play to: ") + m_whyNoServer));
    }
    QVERIFY(m_dir.isValid());
}

void tst_SoundDevice::cleanup() {
    if (m_server) {
        m_server->stopRecording();
    }
}

void tst_SoundDevice::playRightAfterOpenSoundsTheFile() {
    const QString file = newFile(QStringLiteral("a440.wav"));
    QVERIFY(writeToneWave(file, {{440, 0.4}}));
    QVERIFY2(startRecording(), qPrintable(m_server->errorString()));

    SoundDevice device;
    QSignalSpy done(&device, &SoundDevice::Done);
    device.setFileName(file);
    device.setCommand(QStringLiteral("Open"));
    QVERIFY(device.isOpen());
    // Opening returned without waiting for the file, which loads in the background; a "Play"
    // issued now sounds once it has loaded, or, on a machine too busy to load it at once, is
    // dropped whole: never sounded late or in part.
    QVERIFY(!device.isLoaded());
    device.setCommand(QStringLiteral("Play"));
    QVERIFY(device.isPlaying());
    QCOMPARE(device.playCount(), 1);
    soundsOnceLoaded(device, done);

    const std::optional<PcmTrack> track = finishRecording();
    QVERIFY(track);
    const QList<Burst> bursts = findBursts(track->all(), kSoundThreshold, kGap);
    QCOMPARE(bursts.size(), 1);
    QCOMPARE_GT(measureLevels(track->range(bursts[0].begin, bursts[0].end), kSoundThreshold).rms, 10000.0);
    // The whole file, to its last sample.
    QVERIFY(std::abs(seconds(*track, bursts[0]) - 0.4) < 0.01);
    QVERIFY(std::abs(frequencyWithin(*track, bursts[0], 0, 0.2) - 440) < 440 * 0.05);
    QCOMPARE(done.count(), 1);
}

void tst_SoundDevice::stopAndPrevAfterDonePlayFromTheStartAgain() {
    // Low then high: a playback that went on from where the last one ended would begin high.
    const QString file = newFile(QStringLiteral("low-high.wav"));
    QVERIFY(writeToneWave(file, {{440, 0.3}, {1320, 0.3}}));

    SoundDevice device;
    QSignalSpy done(&device, &SoundDevice::Done);
    // What the scoreboard does with every end of the sound.
    connect(&device, &SoundDevice::Done, &device, [&device] {
        device.setCommand(QStringLiteral("Stop"));
        device.setCommand(QStringLiteral("Prev"));
    });
    device.setFileName(file);
    device.setCommand(QStringLiteral("Open"));
    for (int playback = 1; playback <= 2; ++playback) {
        PcmTrack track;
        Burst burst;
        recordPlayback(device, done, track, burst);
        if (QTest::currentTestFailed()) {
            return;
        }
        QCOMPARE_GT(seconds(track, burst), 0.3);
        QVERIFY(std::abs(frequencyWithin(track, burst, 0, 0.1) - 440) < 440 * 0.05);
    }
    QCOMPARE(done.count(), 2);
    QCOMPARE(device.playCount(), 2);
}

void tst_SoundDevice::stopEndsThePlaybackWithOneDone() {
    // Far longer than the moment before the stop, however busy the machine.
    const QString file = newFile(QStringLiteral("long.wav"));
    QVERIFY(writeToneWave(file, {{440, 10.0}}));
    SoundDevice device;
    QSignalSpy done(&device, &SoundDevice::Done);
    device.setFileName(file);
    device.setCommand(QStringLiteral("Open"));
    QTRY_VERIFY_WITH_TIMEOUT(device.isReady(), kWaitMs);
    QVERIFY2(startRecording(), qPrintable(m_server->errorString()));

    device.setCommand(QStringLiteral("Play"));
    QVERIFY(device.isPlaying());
    QTest::qWait(300);
    device.setCommand(QStringLiteral("Stop"));
    QCOMPARE(done.count(), 1);
    QVERIFY(!device.isPlaying());
    device.setCommand(QStringLiteral("Stop"));
    device.setCommand(QStringLiteral("Prev"));

    const std::optional<PcmTrack> track = finishRecording();
    QVERIFY(track);
    QCOMPARE(done.count(), 1);
    const QList<Burst> bursts = findBursts(track->all(), kSoundThreshold, kGap);
    QCOMPARE_LE(bursts.size(), 1);
    for (const Burst& burst : bursts) {
        QCOMPARE_LT(seconds(*track, burst), 9.0);
    }
}

void tst_SoundDevice::playDuringPlaybackRestartsAsOnePlayback() {
    const QString file = newFile(QStringLiteral("second.wav"));
    QVERIFY(writeToneWave(file, {{440, 1.0}}));
    SoundDevice device;
    QSignalSpy done(&device, &SoundDevice::Done);
    device.setFileName(file);
    device.setCommand(QStringLiteral("Open"));
    QTRY_VERIFY_WITH_TIMEOUT(device.isReady(), kWaitMs);
    QVERIFY2(startRecording(), qPrintable(m_server->errorString()));

    device.setCommand(QStringLiteral("Play"));
    device.setCommand(QStringLiteral("Play"));
    QVERIFY(device.isPlaying());
    QCOMPARE(done.count(), 0);
    QCOMPARE(device.playCount(), 2);
    QVERIFY(done.wait(kWaitMs));

    const std::optional<PcmTrack> track = finishRecording();
    QVERIFY(track);
    QCOMPARE(done.count(), 1);
    const QList<Burst> bursts = findBursts(track->all(), kSoundThreshold, kGap);
    QCOMPARE(bursts.size(), 1);
    QCOMPARE_GT(seconds(*track, bursts[0]), 0.5);
}

void tst_SoundDevice::closeThenOpenPlaysTheNewFile() {
    const QString low = newFile(QStringLiteral("low.wav"));
    const QString high = newFile(QStringLiteral("high.wav"));
    QVERIFY(writeToneWave(low, {{440, 0.4}}));
    QVERIFY(writeToneWave(high, {{1320, 0.4}}));

    SoundDevice device;
    QSignalSpy done(&device, &SoundDevice::Done);
    PcmTrack track;
    Burst burst;
    device.setFileName(low);
    device.setCommand(QStringLiteral("Open"));
    recordPlayback(device, done, track, burst);
    if (QTest::currentTestFailed()) {
        return;
    }
    QVERIFY(std::abs(frequencyWithin(track, burst, 0, 0.2) - 440) < 440 * 0.05);

    device.setCommand(QStringLiteral("Close"));
    QVERIFY(!device.isOpen());
    device.setCommand(QStringLiteral("Play"));
    QVERIFY(!device.isPlaying());
    device.setFileName(high);
    device.setCommand(QStringLiteral("Open"));
    recordPlayback(device, done, track, burst);
    if (QTest::currentTestFailed()) {
        return;
    }
    QVERIFY(std::abs(frequencyWithin(track, burst, 0, 0.2) - 1320) < 1320 * 0.05);
    QCOMPARE(done.count(), 2);
    QCOMPARE(device.playCount(), 3);
}

void tst_SoundDevice::nothingToPlayStaysSilent_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind"); // "bytes", "fifo", "sparse", or "none" for no file
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<WaveProblem>("problem");

    // Random bytes would be loud noise if they were ever played as samples.
    QByteArray noise(44100, '\0');
    QRandomGenerator generator(7);
    generator.fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    const QString bytes = QStringLiteral("bytes");
    QTest::newRow("no file name") << QString() << QStringLiteral("none") << QByteArray() << WaveProblem::None;
    QTest::newRow("missing file") << QStringLiteral("missing.wav") << QStringLiteral("none") << QByteArray()
                                  << WaveProblem::Missing;
    QTest::newRow("empty file") << QStringLiteral("empty.wav") << bytes << QByteArray()
                                << WaveProblem::NotWave;
    QTest::newRow("noise named .wav")
        << QStringLiteral("noise.wav") << bytes << noise << WaveProblem::NotWave;
    QTest::newRow("header without samples") << QStringLiteral("header.wav") << bytes
                                            << QByteArray("RIFF" + le32(4) + "WAVE") << WaveProblem::NotWave;
    // Files cut short before their format is known. (Samples cut short play what is there: see
    // tst_WaveFile.)
    QTest::newRow("shorter than a header")
        << QStringLiteral("short.wav") << bytes << QByteArray("RIFF") << WaveProblem::NotWave;
    QTest::newRow("format cut short")
        << QStringLiteral("cut-format.wav") << bytes << riffWave(chunk("fmt ", fmtBody(1, 1, 16).left(6), 16))
        << WaveProblem::NotWave;
    QTest::newRow("no whole frame") << QStringLiteral("no-frame.wav") << bytes
                                    << riffWave(chunk("fmt ", fmtBody(1, 2, 16)) + chunk("data", "abc"))
                                    << WaveProblem::Empty;
    QTest::newRow("no channels") << QStringLiteral("no-channels.wav") << bytes
                                 << riffWave(chunk("fmt ", fmtBody(1, 0, 16)) + chunk("data", noise))
                                 << WaveProblem::Unsupported;
    QTest::newRow("compressed") << QStringLiteral("compressed.wav") << bytes
                                << riffWave(chunk("fmt ", fmtBody(2, 1, 16)) + chunk("data", noise))
                                << WaveProblem::Unsupported;
    // Too slow for the server's resampling to leave anything of the sound.
    for (const int rate : {1, 9, 3999}) {
        QByteArray format = fmtBody(1, 1, 16);
        format.replace(4, 4, le32(quint32(rate)));
        QTest::addRow("%d Hz", rate) << QStringLiteral("%1hz.wav").arg(rate) << bytes
                                     << riffWave(chunk("fmt ", format) + chunk("data", noise))
                                     << WaveProblem::Unsupported;
    }
    // Neither may hold the board: a pipe with no writer would block a plain read for ever, and
    // 2 GB would take a long time to read.
    QTest::newRow("named pipe") << QStringLiteral("pipe.wav") << QStringLiteral("fifo") << QByteArray()
                                << WaveProblem::NotAFile;
    QTest::newRow("2 GB, sparse") << QStringLiteral("huge.wav") << QStringLiteral("sparse")
                                  << riffWave(chunk("fmt ", fmtBody(1, 1, 16)) + chunk("data", noise))
                                  << WaveProblem::TooLarge;
}

void tst_SoundDevice::nothingToPlayStaysSilent() {
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QByteArray, bytes);
    QFETCH(WaveProblem, problem);
    const QString file = name.isEmpty() ? QString() : newFile(name);
    if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    } else if (kind != QLatin1String("none")) {
        QVERIFY(writeFile(file, bytes));
    }
    if (kind == QLatin1String("sparse")) {
        QVERIFY(QFile(file).resize(qint64(2) << 30));
    }
    QVERIFY2(startRecording(), qPrintable(m_server->errorString()));

    SoundDevice device;
    QSignalSpy done(&device, &SoundDevice::Done);
    QSignalSpy problemChanged(&device, &SoundDevice::problemChanged);
    device.setFileName(file);
    device.setCommand(QStringLiteral("Open"));
    QCOMPARE(device.isOpen(), !file.isEmpty());
    device.setCommand(QStringLiteral("Play"));
    // A play waiting for the file is dropped once the file fails to load.
    QTRY_VERIFY_WITH_TIMEOUT(!device.isPlaying(), kWaitMs);
    QVERIFY(!device.isLoaded());
    QCOMPARE(device.problem(), problem);
    QCOMPARE(problemChanged.count(), problem == WaveProblem::None ? 0 : 1);
    QCOMPARE(waveProblemText(problem).isEmpty(), problem == WaveProblem::None);
    // Each play looks at the file again, and finds it as it was.
    device.setCommand(QStringLiteral("Play"));
    QTRY_VERIFY_WITH_TIMEOUT(!device.isPlaying(), kWaitMs);
    QCOMPARE(device.problem(), problem);
    QCOMPARE(device.playCount(), 2);

    const std::optional<PcmTrack> track = finishRecording();
    QVERIFY(track);
    QCOMPARE_LE(measureLevels(track->all(), kSoundThreshold).peak, kSoundThreshold);
    QCOMPARE(done.count(), 0);
}

void tst_SoundDevice::commandsAreCaseInsensitiveWords_data() {
    QTest::addColumn<QString>("open");
    QTest::addColumn<QString>("play");
    QTest::newRow("capitalised") << QStringLiteral("Open") << QStringLiteral("Play");
    QTest::newRow("lower case") << QStringLiteral("open") << QStringLiteral("play");
    QTest::newRow("upper case") << QStringLiteral("OPEN") << QStringLiteral("PLAY");
    QTest::newRow("mixed") << QStringLiteral("oPeN") << QStringLiteral("pLaY");
}

void tst_SoundDevice::commandsAreCaseInsensitiveWords() {
    QFETCH(QString, open);
    QFETCH(QString, play);
    const QString file = newFile(QStringLiteral("short.wav"));
    QVERIFY(writeToneWave(file, {{440, 0.1}}));

    SoundDevice device;
    QSignalSpy done(&device, &SoundDevice::Done);
    device.setFileName(file);
    device.setCommand(open);
    QVERIFY(device.isOpen());
    QTRY_VERIFY_WITH_TIMEOUT(device.isReady(), kWaitMs);
    device.setCommand(play);
    QCOMPARE(device.command(), play);
    QVERIFY(device.isPlaying());
    QVERIFY(done.wait(kWaitMs));
}

void tst_SoundDevice::ignoresUnknownCommands_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("empty") << QString();
    QTest::newRow("other word") << QStringLiteral("Pause");
    QTest::newRow("longer word") << QStringLiteral("Plays");
    QTest::newRow("padded") << QStringLiteral(" Play");
    QTest::newRow("close, misspelt") << QStringLiteral("Closed");
}

void tst_SoundDevice::ignoresUnknownCommands() {
    QFETCH(QString, command);
    const QString file = newFile(QStringLiteral("unknown.wav"));
    QVERIFY(writeToneWave(file, {{440, 0.1}}));

    SoundDevice device;
    device.setFileName(file);
    device.setCommand(QStringLiteral("Open"));
    QTRY_VERIFY_WITH_TIMEOUT(device.isLoaded(), kWaitMs);
    device.setCommand(command);
    QCOMPARE(device.command(), command);
    QCOMPARE(device.playCount(), 0);
    QVERIFY(!device.isPlaying());
    QVERIFY(device.isLoaded());
}

void tst_SoundDevice::followsTheDefaultOutputAtEveryOpen() {
    const QString file = newFile(QStringLiteral("moved.wav"));
    QVERIFY(writeToneWave(file, {{440, 0.3}}));
    const auto defaultOutput = [this] { return m_server->defaultSink(); };
    // Puts the outputs back the way the other tests expect them, whatever happened here.
    const auto restoreOutputs = [this] {
        const bool added = m_server->addSink(QStringLiteral("testsink"));
        const bool chosen = m_server->setDefaultSink(QStringLiteral("testsink"));
        return m_server->removeSink(QStringLiteral("spare")) && added && chosen;
    };
    auto restoreOnFailure = qScopeGuard(restoreOutputs);

    SoundDevice device;
    QSignalSpy done(&device, &SoundDevice::Done);
    PcmTrack track;
    Burst burst;
    device.setFileName(file);
    device.setCommand(QStringLiteral("Open"));
    recordPlayback(device, done, track, burst, QStringLiteral("testsink"));
    if (QTest::currentTestFailed()) {
        return;
    }

    // Another output is plugged in and the one in use unplugged: the next opening uses the new one.
    QVERIFY(m_server->addSink(QStringLiteral("spare")));
    QVERIFY(m_server->removeSink(QStringLiteral("testsink")));
    QTRY_COMPARE_WITH_TIMEOUT(defaultOutput(), QStringLiteral("spare"), kWaitMs);
    device.setCommand(QStringLiteral("Close"));
    device.setCommand(QStringLiteral("Open"));
    recordPlayback(device, done, track, burst, QStringLiteral("spare"));
    if (QTest::currentTestFailed()) {
        return;
    }
    QCOMPARE(done.count(), 2);

    device.setCommand(QStringLiteral("Close"));
    restoreOnFailure.dismiss();
    QVERIFY(restoreOutputs());
    QTRY_COMPARE_WITH_TIMEOUT(defaultOutput(), QStringLiteral("testsink"), kWaitMs);
}

void tst_SoundDevice::soundsInFullAfterEveryUpset_data() {
    QTest::addColumn<QString>("upset");
    QTest::newRow("none") << QStringLiteral("none");
    QTest::newRow("play during the sound") << QStringLiteral("during");
    QTest::newRow("held key") << QStringLiteral("held");
    QTest::newRow("server restarted") << QStringLiteral("restart");
    QTest::newRow("server started late") << QStringLiteral("late");
}

void tst_SoundDevice::soundsInFullAfterEveryUpset() {
    QFETCH(QString, upset);
    // Low then high: a sound that does not begin at its start, or ends early, shows.
    const QString file = newFile(QStringLiteral("upset.wav"));
    QVERIFY(writeToneWave(file, {{440, 0.25}, {1320, 0.25}}));
    const auto play = [](SoundDevice& device) { device.setCommand(QStringLiteral("Play")); };
    if (upset == QLatin1String("late")) {
        m_server->stopDaemon();
    }
    SoundDevice device;
    QSignalSpy done(&device, &SoundDevice::Done);
    connect(&device, &SoundDevice::Done, &device, [&device] { device.setCommand(QStringLiteral("Stop")); });
    device.setFileName(file);
    device.setCommand(QStringLiteral("Open"));
    if (upset == QLatin1String("late")) {
        // With no server the play is dropped, silently; the server then comes up on its own time.
        QTRY_VERIFY_WITH_TIMEOUT(device.isLoaded(), kWaitMs);
        play(device);
        QTRY_VERIFY_WITH_TIMEOUT(!device.isPlaying(), kWaitMs);
        QTest::qWait(300);
        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
    }
    QTRY_VERIFY_WITH_TIMEOUT(device.isReady(), kWaitMs);
    if (upset == QLatin1String("during")) {
        play(device);
        QTest::qWait(300);
        play(device);
    } else if (upset == QLatin1String("held")) {
        for (int repeat = 0; repeat < 12; ++repeat) {
            play(device);
            QTest::qWait(30);
        }
    } else if (upset == QLatin1String("restart")) {
        play(device);
        QVERIFY(done.wait(kWaitMs));
        m_server->stopDaemon();
        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
        QTRY_VERIFY_WITH_TIMEOUT(device.isReady(), kWaitMs);
    }
    if (device.isPlaying()) {
        QVERIFY(done.wait(kWaitMs));
    }
    const qsizetype before = done.count();

    // Then three plays in a row, each heard from its start to its end.
    QVERIFY2(startRecording(), qPrintable(m_server->errorString()));
    for (int playback = 1; playback <= 3; ++playback) {
        play(device);
        QVERIFY(done.wait(kWaitMs));
        QTest::qWait(100);
    }
    const std::optional<PcmTrack> track = finishRecording();
    QVERIFY(track);
    QCOMPARE(done.count(), before + 3);
    const QList<Burst> bursts = findBursts(track->all(), kSoundThreshold, kGap);
    QCOMPARE(bursts.size(), 3);
    for (const Burst& burst : bursts) {
        QVERIFY2(std::abs(seconds(*track, burst) - 0.5) < 0.01,
                 qPrintable(QString::number(seconds(*track, burst))));
        QVERIFY(std::abs(frequencyWithin(*track, burst, 0, 0.2) - 440) < 440 * 0.05);
        QVERIFY(std::abs(frequencyWithin(*track, burst, 0.3, 0.5) - 1320) < 1320 * 0.05);
    }
}

void tst_SoundDevice::playsAtAnyRate_data() {
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("frames");
    QTest::newRow("4 kHz") << 4000 << 2000;
    QTest::newRow("8 kHz") << 8000 << 4000;
    QTest::newRow("384 kHz") << 384000 << 192000;
}

void tst_SoundDevice::playsAtAnyRate() {
    QFETCH(int, rate);
    QFETCH(int, frames);
    // A steady level, which every rate can carry.
    const QString file = newFile(QStringLiteral("%1hz.wav").arg(rate));
    QVERIFY(writePcmWave(file, QList<qint16>(frames, 16000), rate));
    SoundDevice device;
    QSignalSpy done(&device, &SoundDevice::Done);
    device.setFileName(file);
    device.setCommand(QStringLiteral("Open"));
    QTRY_VERIFY_WITH_TIMEOUT(device.isReady(), kWaitMs);
    QCOMPARE(device.problem(), WaveProblem::None);
    QVERIFY2(startRecording(), qPrintable(m_server->errorString()));
    device.setCommand(QStringLiteral("Play"));
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, kWaitMs);
    const std::optional<PcmTrack> track = finishRecording();
    QVERIFY(track);
    const QList<Burst> bursts = findBursts(track->all(), kSoundThreshold, kGap);
    QCOMPARE(bursts.size(), 1);
    // To the end, but for the few milliseconds that resampling takes off the edges.
    QVERIFY2(std::abs(seconds(*track, bursts[0]) - 0.5) < 0.01,
             qPrintable(QString::number(seconds(*track, bursts[0]))));
}

void tst_SoundDevice::reopeningKeepsOnlyAnUnchangedSound_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("kept");
    QTest::newRow("same file, unchanged") << QStringLiteral("none") << true;
    QTest::newRow("same file, rewritten") << QStringLiteral("rewritten") << false;
    QTest::newRow("another file") << QStringLiteral("other") << false;
}

void tst_SoundDevice::reopeningKeepsOnlyAnUnchangedSound() {
    QFETCH(QString, change);
    QFETCH(bool, kept);
    const QString file = newFile(QStringLiteral("reopened.wav"));
    QVERIFY(writeToneWave(file, {{440, 1.0}}));
    SoundDevice device;
    QSignalSpy done(&device, &SoundDevice::Done);
    connect(&device, &SoundDevice::Done, &device, [&device] { device.setCommand(QStringLiteral("Stop")); });
    device.setFileName(file);
    device.setCommand(QStringLiteral("Open"));
    QTRY_VERIFY_WITH_TIMEOUT(device.isReady(), kWaitMs);
    QVERIFY2(startRecording(), qPrintable(m_server->errorString()));
    device.setCommand(QStringLiteral("Play"));
    QTest::qWait(300);
    QVERIFY(device.isPlaying());

    QString next = file;
    if (change == QLatin1String("rewritten")) {
        QVERIFY(writeToneWave(file, {{1320, 0.5}}));
    } else if (change == QLatin1String("other")) {
        next = newFile(QStringLiteral("other.wav"));
        QVERIFY(writeToneWave(next, {{1320, 0.5}}));
    }
    // What the board does when the options dialog closes.
    device.setCommand(QStringLiteral("Close"));
    device.setFileName(next);
    device.setCommand(QStringLiteral("Open"));
    QCOMPARE(device.isLoaded(), kept);
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(device.isReady(), kWaitMs);
    // Apart, so that the two sounds show as two.
    QTest::qWait(100);
    device.setCommand(QStringLiteral("Play"));
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 2, kWaitMs);

    const std::optional<PcmTrack> track = finishRecording();
    QVERIFY(track);
    const QList<Burst> bursts = findBursts(track->all(), kSoundThreshold, kGap);
    QVERIFY(!bursts.isEmpty());
    if (kept) {
        QCOMPARE(bursts.size(), 2);
        QVERIFY2(std::abs(seconds(*track, bursts[0]) - 1.0) < 0.01,
                 qPrintable(QString::number(seconds(*track, bursts[0]))));
    }
    // A sound cut off may leave nothing of itself in the sink's monitor; it never runs to its end.
    for (const Burst& burst : bursts.first(bursts.size() - 1)) {
        QCOMPARE_LT(seconds(*track, burst), kept ? 1.1 : 0.9);
    }
    QVERIFY(std::abs(frequencyWithin(*track, bursts.last(), 0, 0.2) - (kept ? 440 : 1320)) < 1320 * 0.05);
}

void tst_SoundDevice::findsAFileThatAppearsLater() {
    const QString file = newFile(QStringLiteral("later.wav"));
    SoundDevice device;
    QSignalSpy done(&device, &SoundDevice::Done);
    device.setFileName(file);
    device.setCommand(QStringLiteral("Open"));
    QTRY_COMPARE_WITH_TIMEOUT(device.problem(), WaveProblem::Missing, kWaitMs);
    device.setCommand(QStringLiteral("Play"));
    QTRY_VERIFY_WITH_TIMEOUT(!device.isPlaying(), kWaitMs);

    QVERIFY(writeToneWave(file, {{440, 0.3}}));
    QVERIFY2(startRecording(), qPrintable(m_server->errorString()));
    device.setCommand(QStringLiteral("Play"));
    QVERIFY(device.isPlaying());
    soundsOnceLoaded(device, done);
    QCOMPARE(device.problem(), WaveProblem::None);
    const std::optional<PcmTrack> track = finishRecording();
    QVERIFY(track);
    const QList<Burst> bursts = findBursts(track->all(), kSoundThreshold, kGap);
    QCOMPARE(bursts.size(), 1);
    QVERIFY(std::abs(frequencyWithin(*track, bursts[0], 0, 0.2) - 440) < 440 * 0.05);
}

void tst_SoundDevice::dropsAPlayTheServerCannotStartAtOnce() {
    const QString file = newFile(QStringLiteral("frozen.wav"));
    QVERIFY(writeToneWave(file, {{440, 0.5}}));
    SoundDevice device;
    QSignalSpy done(&device, &SoundDevice::Done);
    device.setFileName(file);
    device.setCommand(QStringLiteral("Open"));
    QTRY_VERIFY_WITH_TIMEOUT(device.isReady(), kWaitMs);
    QVERIFY2(startRecording(), qPrintable(m_server->errorString()));

    QVERIFY(m_server->freezeDaemon(true));
    auto thaw = qScopeGuard([this] { m_server->freezeDaemon(false); });
    device.setCommand(QStringLiteral("Play"));
    QVERIFY(device.isPlaying());
    QTRY_VERIFY_WITH_TIMEOUT(!device.isPlaying(), kWaitMs);
    QVERIFY(m_server->freezeDaemon(false));
    thaw.dismiss();
    // Long enough for a late sound to be heard, were it not dropped.
    QTest::qWait(700);
    QCOMPARE(done.count(), 0);
    const std::optional<PcmTrack> late = finishRecording();
    QVERIFY(late);
    // The server, woken, starts the play before it hears that the play is no longer wanted: at
    // most that moment of it may sound, never the sound.
    double heard = 0;
    for (const Burst& burst : findBursts(late->all(), kSoundThreshold, kGap)) {
        heard += seconds(*late, burst);
    }
    QCOMPARE_LT(heard, 0.25);

    // The server is well again: the next play sounds in full.
    PcmTrack track;
    Burst burst;
    recordPlayback(device, done, track, burst);
    if (QTest::currentTestFailed()) {
        return;
    }
    QVERIFY(std::abs(seconds(track, burst) - 0.5) < 0.01);
    QCOMPARE(done.count(), 1);
}

void tst_SoundDevice::theServerHoldsTheLargestFileReadable() {
    const QString file = newFile(QStringLiteral("largest.wav"));
    const QByteArray header = riffWave(chunk("fmt ", fmtBody(1, 2, 16)) + chunk("data", {}));
    QByteArray bytes = header + QByteArray(kMaxWaveFileBytes - header.size(), '\0');
    // The data chunk's size, 4 bytes before its body.
    bytes.replace(header.size() - 4, 4, le32(quint32(bytes.size() - header.size())));
    QVERIFY(writeFile(file, bytes));
    SoundDevice device;
    device.setFileName(file);
    device.setCommand(QStringLiteral("Open"));
    QTRY_VERIFY_WITH_TIMEOUT(device.isReady(), kWaitMs);
    QCOMPARE(device.problem(), WaveProblem::None);
}

// The sound server is started before the application object, as the program meets it.
int main(int argc, char** argv) {
    PulseServer server;
    const bool serverUp = server.start();
    QCoreApplication app(argc, argv);

    tst_WaveAnalysis analysis;
    tst_SoundDevice device(serverUp ? &server : nullptr, server.errorString());
    tst_WaveFile waveFile;
    int failures = QTest::qExec(&analysis, argc, argv);
    failures += QTest::qExec(&waveFile, argc, argv);
    failures += QTest::qExec(&device, argc, argv);
    return failures;
}

#include "tst_sounddevice.moc"
