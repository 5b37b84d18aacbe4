#pragma once

#include <cstdint>
#include <string>

namespace platform::wire {

// Builds one frame of the host protocol (see HostProtocol.h). The length
// prefix is reserved up front and filled in by Frame().
class WireWriter {
public:
    WireWriter();

    WireWriter& U32(uint32_t value);
    WireWriter& U64(uint64_t value);
    WireWriter& Bytes(const std::string& bytes);

    // The complete frame, length prefix included.
    const std::string& Frame();

private:
    std::string buffer;
};

} // namespace platform::wire
