#pragma once

#include "platform/System.h"

namespace platform {

// ISystem on kernel32.
class CWin32System : public ISystem {
public:
    uint16_t NativeProcessorArchitecture() override;
    uint32_t AnsiCodePage() override;
    uint32_t AnsiToUtf8(const std::vector<std::string>& texts, std::vector<std::string>* utf8) override;
};

} // namespace platform
