#include "sound/WaveFile.h"

#include <QByteArrayView>

#include <cstddef>
#include <cstdint>

// Any bytes at all: the reader either finds whole frames of a known format or gives nothing.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::optional<WaveSound> sound =
        parseWave(QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (sound && (sound->samples.isEmpty() || sound->samples.size() % sound->bytesPerFrame() != 0)) {
        __builtin_trap();
    }
    return 0;
}
