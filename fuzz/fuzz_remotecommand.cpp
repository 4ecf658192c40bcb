#include "server/RemoteCommand.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

// Any bytes a client can send: the parser either passes an allowed command or says why not, never
// both and never neither.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const server::ParsedCommand parsed = server::parseCommand(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (parsed.request.has_value() == !parsed.error.isEmpty())
        __builtin_trap();
    return 0;
}
