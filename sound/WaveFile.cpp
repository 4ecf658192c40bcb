#include "sound/WaveFile.h"

#include "state/RegularFile.h"

#include <QtEndian>

namespace {

constexpr quint16 kFormatPcm = 1;
constexpr quint16 kFormatFloat = 3;
constexpr quint16 kFormatExtensible = 0xFFFE;
constexpr int kMaxChannels = 32;
// Below this the server's resampling leaves little or nothing of a sound.
constexpr quint32 kMinSampleRate = 4000;
constexpr quint32 kMaxSampleRate = 384000;

quint16 u16(QByteArrayView bytes, qsizetype at) {
    return qFromLittleEndian<quint16>(bytes.data() + at);
}

quint32 u32(QByteArrayView bytes, qsizetype at) {
    return qFromLittleEndian<quint32>(bytes.data() + at);
}

// Four printable characters, as every chunk name is.
bool looksLikeChunkId(QByteArrayView bytes, qsizetype at) {
    if (at + 8 > bytes.size()) {
        return false;
    }
    for (qsizetype i = at; i < at + 4; ++i) {
        if (bytes[i] < ' ' || bytes[i] > '~') {
            return false;
        }
    }
    return true;
}

std::optional<SampleFormat> sampleFormat(quint16 encoding, quint16 bits) {
    if (encoding == kFormatFloat) {
        return bits == 32 ? std::optional(SampleFormat::F32) : std::nullopt;
    }
    if (encoding != kFormatPcm) {
        return std::nullopt;
    }
    switch (bits) {
    case 8:
        return SampleFormat::U8;
    case 16:
        return SampleFormat::S16;
    case 24:
        return SampleFormat::S24;
    case 32:
        return SampleFormat::S32;
    default:
        return std::nullopt;
    }
}

// The fmt chunk's body: encoding, channels, rate and sample width. The extensible form names its
// encoding in the first two bytes of its sub-format; samples narrower than their container are
// left-justified in it, so the container width is what playback needs.
WaveProblem readFormat(QByteArrayView body, WaveSound& sound) {
    if (body.size() < 16) {
        return WaveProblem::NotWave;
    }
    quint16 encoding = u16(body, 0);
    const quint16 channels = u16(body, 2);
    const quint32 rate = u32(body, 4);
    const quint16 bits = u16(body, 14);
    if (encoding == kFormatExtensible) {
        if (body.size() < 26) {
            return WaveProblem::NotWave;
        }
        encoding = u16(body, 24);
    }
    const std::optional<SampleFormat> format = sampleFormat(encoding, bits);
    if (!format || channels < 1 || channels > kMaxChannels || rate < kMinSampleRate ||
        rate > kMaxSampleRate) {
        return WaveProblem::Unsupported;
    }
    sound.format = *format;
    sound.channels = channels;
    sound.sampleRate = int(rate);
    return WaveProblem::None;
}

} // namespace

int WaveSound::bytesPerFrame() const {
    switch (format) {
    case SampleFormat::U8:
        return channels;
    case SampleFormat::S16:
        return 2 * channels;
    case SampleFormat::S24:
        return 3 * channels;
    case SampleFormat::S32:
    case SampleFormat::F32:
        return 4 * channels;
    }
    return channels;
}

WaveLoad loadWave(QByteArrayView bytes) {
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.sliced(8, 4) != "WAVE") {
        return {std::nullopt, WaveProblem::NotWave};
    }
    WaveSound sound;
    bool haveFormat = false;
    QByteArrayView data;
    bool haveData = false;
    qsizetype at = 12;
    while (at + 8 <= bytes.size()) {
        const QByteArrayView id = bytes.sliced(at, 4);
        const qsizetype body = at + 8;
        // A chunk cut short holds what is left of the file.
        const qsizetype size = std::min<qsizetype>(u32(bytes, at + 4), bytes.size() - body);
        if (id == "fmt " && !haveFormat) {
            const WaveProblem problem = readFormat(bytes.sliced(body, size), sound);
            if (problem != WaveProblem::None) {
                return {std::nullopt, problem};
            }
            haveFormat = true;
        } else if (id == "data" && !haveData) {
            data = bytes.sliced(body, size);
            haveData = true;
        }
        at = body + size;
        // Chunks are padded to an even length, but some writers leave the pad byte out.
        if (size % 2 == 1 && (looksLikeChunkId(bytes, at + 1) || !looksLikeChunkId(bytes, at))) {
            ++at;
        }
    }
    if (!haveFormat || !haveData) {
        return {std::nullopt, WaveProblem::NotWave};
    }
    const qsizetype whole = data.size() - data.size() % sound.bytesPerFrame();
    if (whole == 0) {
        return {std::nullopt, WaveProblem::Empty};
    }
    sound.samples = data.first(whole).toByteArray();
    return {std::move(sound), WaveProblem::None};
}

std::optional<WaveSound> parseWave(QByteArrayView bytes) {
    return loadWave(bytes).sound;
}

WaveLoad loadWaveFile(const QString& path) {
    const RegularFileContents file = readRegularFile(path, kMaxWaveFileBytes);
    switch (file.status) {
    case FileRead::Read:
        return loadWave(file.bytes);
    case FileRead::Missing:
        return {std::nullopt, WaveProblem::Missing};
    case FileRead::NotAFile:
        return {std::nullopt, WaveProblem::NotAFile};
    case FileRead::TooLarge:
        return {std::nullopt, WaveProblem::TooLarge};
    case FileRead::Unreadable:
        break;
    }
    return {std::nullopt, WaveProblem::Unreadable};
}

std::optional<WaveSound> readWaveFile(const QString& path) {
    return loadWaveFile(path).sound;
}

QString waveProblemText(WaveProblem problem) {
    switch (problem) {
    case WaveProblem::None:
        return {};
    case WaveProblem::Missing:
        return QStringLiteral("file not found");
    case WaveProblem::NotAFile:
        return QStringLiteral("cannot be played: not a regular file");
    case WaveProblem::TooLarge:
        return QStringLiteral("cannot be played: larger than %1 MB").arg(kMaxWaveFileBytes / (1024 * 1024));
    case WaveProblem::Unreadable:
        return QStringLiteral("cannot be played: unreadable");
    case WaveProblem::NotWave:
        return QStringLiteral("cannot be played: not a wave file");
    case WaveProblem::Unsupported:
        return QStringLiteral("cannot be played: unsupported format");
    case WaveProblem::Empty:
        break;
    }
    return QStringLiteral("cannot be played: no sound in it");
}
