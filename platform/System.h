#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Errors.h"

namespace platform {

// Processor architectures of GetNativeSystemInfo.
enum : uint16_t {
    kArchitectureIntel = 0,
    kArchitectureArm64 = 12,
    kArchitectureAmd64 = 9,
};

// Facts about the target system. Safe to call from several threads.
class ISystem {
public:
    virtual ~ISystem() = default;

    // wProcessorArchitecture of GetNativeSystemInfo.
    virtual uint16_t NativeProcessorArchitecture() = 0;

    // GetACP().
    virtual uint32_t AnsiCodePage() = 0;

    // Converts text of the target's ANSI code page to UTF-8, many texts in
    // one call (the Wine backend answers them in one round trip). Each text
    // ends at its first zero byte, if any. On success `utf8` has one entry
    // per input; otherwise (kErrorBackendFailure) it is empty, so that a
    // failure can never be read as a list of empty names.
    virtual uint32_t AnsiToUtf8(const std::vector<std::string>& texts, std::vector<std::string>* utf8) = 0;
};

} // namespace platform
