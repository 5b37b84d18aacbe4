#include "platform/winehost/WireReader.h"

#include <utility>

namespace platform::wire {

WireReader::WireReader(std::string payload) : payload_(std::move(payload)) {}

uint32_t WireReader::U32() {
    if (failed_ || payload_.size() - pos_ < 4) {
        failed_ = true;
        return 0;
    }
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(static_cast<unsigned char>(payload_[pos_ + i])) << (8 * i);
    pos_ += 4;
    return value;
}

uint64_t WireReader::U64() {
    const uint64_t low = U32();
    const uint64_t high = U32();
    return low | (high << 32);
}

std::string WireReader::Bytes() {
    const uint32_t size = U32();
    if (failed_ || payload_.size() - pos_ < size) {
        failed_ = true;
        return std::string();
    }
    std::string bytes = payload_.substr(pos_, size);
    pos_ += size;
    return bytes;
}

} // namespace platform::wire
