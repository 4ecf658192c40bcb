#include "journal/JournalReader.h"
#include "journal/Record.h"
#include "journal/Restore.h"

#include <cstddef>
#include <cstdint>

// Any bytes at all: the reader keeps whole events, restore replays them and the record exports them.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const journal::ReadResult read = journal::readJournal(bytes);
    if (read.events.size() > bytes.count('\n') + 1)
        __builtin_trap();
    const journal::Restored restored = journal::restore(read.events);
    if (restored.events > read.events.size())
        __builtin_trap();
    journal::recordCsv(read.events);
    journal::recordJson(read.events);
    return 0;
}
