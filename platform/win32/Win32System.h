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

// Whether this Windows is Wine (ntdll exports wine_get_version). Asked where
// Wine's behaviour differs from Windows in a way the backend must avoid.
bool RunsUnderWine();

} // namespace platform
