#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// How the samples of a wave file are stored: unsigned 8-bit, signed little-endian 16, 24 (packed)
// and 32-bit integers, or 32-bit floats. The sound output takes each of them as it is.
enum class SampleFormat { U8, S16, S24, S32, F32 };

// The playable content of a wave file: its sample layout and the interleaved frames, whole
// frames only.
struct WaveSound {
    SampleFormat format = SampleFormat::S16;
    int sampleRate = 0;
    int channels = 0;
    QByteArray samples;

    int bytesPerFrame() const;
    qsizetype frames() const { return samples.size() / bytesPerFrame(); }
    double seconds() const { return double(frames()) / sampleRate; }
};

// The largest file the buzzer reads: minutes of sound, a bound on memory and load time, and the
// most that the sound server keeps of one sound.
inline constexpr qint64 kMaxWaveFileBytes = 16 * 1024 * 1024;

// Reads a RIFF/WAVE image. Chunks may come in any order, padded to an even length or not; a
// data chunk cut short plays the whole frames that are there. Anything else (no fmt or data
// chunk, an encoding other than PCM or float, no whole frame) gives nothing.
std::optional<WaveSound> parseWave(QByteArrayView bytes);

// Why a wave file cannot be played, for the operator.
enum class WaveProblem { None, Missing, NotAFile, TooLarge, Unreadable, NotWave, Unsupported, Empty };

// A wave file read for playing: its sound, or why there is none.
struct WaveLoad {
    std::optional<WaveSound> sound;
    WaveProblem problem = WaveProblem::None;
};

// Reads a RIFF/WAVE image and says why it cannot be played when it cannot: NotWave without a
// RIFF/WAVE header or a fmt and data chunk, Unsupported for an encoding, width, channel count or
// rate the output cannot play, Empty without one whole frame.
WaveLoad loadWave(QByteArrayView bytes);

// Reads the wave file at path: a regular file of at most kMaxWaveFileBytes only, so that a
// named pipe, a device or a huge file never blocks or floods the reader. Safe on any thread.
WaveLoad loadWaveFile(const QString& path);

// What the operator reads under the file's path: empty for None.
QString waveProblemText(WaveProblem problem);

// loadWaveFile's sound alone.
std::optional<WaveSound> readWaveFile(const QString& path);
