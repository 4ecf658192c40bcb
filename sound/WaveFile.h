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

// The largest file the buzzer reads: minutes of sound, and a bound on memory and load time.
inline constexpr qint64 kMaxWaveFileBytes = 50 * 1024 * 1024;

// Reads a RIFF/WAVE image. Chunks may come in any order, padded to an even length or not; a
// data chunk cut short plays the whole frames that are there. Anything else (no fmt or data
// chunk, an encoding other than PCM or float, no whole frame) gives nothing.
std::optional<WaveSound> parseWave(QByteArrayView bytes);

// Reads the wave file at path: a regular file of at most kMaxWaveFileBytes only, so that a
// named pipe, a device or a huge file never blocks or floods the reader. Gives nothing when the
// file cannot be read or holds no playable sound.
std::optional<WaveSound> readWaveFile(const QString& path);
