#include "platform/winehost/WireReader.h"

#include <utility>

namespace platform::wire {

WireReader::WireReader(std::string payload) : payload(std::move(payload)) {}

uint32_t WireReader::U32() {
    if (failed || payload.size() - pos < 4) {
        failed = true;
        return 0;
    }
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(static_cast<unsigned char>(payload[pos + i])) << (8 * i);
    pos += 4;
    return value;
}

uint64_t WireReader::U64() {
    const uint64_t low = U32();
    const uint64_t high = U32();
    return low | (high << 32);
}

std::string WireReader::Bytes() {
    const uint32_t size = U32();
    if (failed || payload.size() - pos < size) {
        failed = true;
        return std::string();
    }
    std::string bytes = payload.substr(pos, size);
    pos += size;
    return bytes;
}

} // namespace platform::wire
