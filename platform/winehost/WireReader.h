#pragma once

#include <cstdint>
#include <string>

namespace platform::wire {

// Reads the payload of one frame (see HostProtocol.h). Reading past the end
// never touches memory outside the payload: it yields zeros and empty
// strings and sets Failed(), which the caller treats as a broken stream.
class WireReader {
public:
    explicit WireReader(std::string payload);

    uint32_t U32();
    uint64_t U64();
    std::string Bytes();

    // Marks the payload as broken (a value no writer makes).
    void Fail() { failed = true; }
    bool Failed() const { return failed; }
    bool AtEnd() const { return pos == payload.size(); }
    size_t Remaining() const { return payload.size() - pos; }

private:
    std::string payload;
    size_t pos = 0;
    bool failed = false;
};

} // namespace platform::wire
