#include "platform/winehost/WireWriter.h"

namespace platform::wire {

WireWriter::WireWriter() : buffer(4, '\0') {}

WireWriter& WireWriter::U32(uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        buffer.push_back(static_cast<char>((value >> shift) & 0xFF));
    return *this;
}

WireWriter& WireWriter::U64(uint64_t value) {
    U32(static_cast<uint32_t>(value));
    return U32(static_cast<uint32_t>(value >> 32));
}

WireWriter& WireWriter::Bytes(const std::string& bytes) {
    U32(static_cast<uint32_t>(bytes.size()));
    buffer.append(bytes);
    return *this;
}

const std::string& WireWriter::Frame() {
    const uint32_t size = static_cast<uint32_t>(buffer.size() - 4);
    for (int i = 0; i < 4; ++i)
        buffer[i] = static_cast<char>((size >> (8 * i)) & 0xFF);
    return buffer;
}

} // namespace platform::wire
