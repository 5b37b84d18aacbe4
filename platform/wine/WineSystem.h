#pragma once

#include "platform/System.h"

namespace platform {

class CWineHostConnection;

// ISystem through winehost.exe. The architecture and the code page come with
// the host's greeting and cost no round trip.
class CWineSystem : public ISystem {
public:
    explicit CWineSystem(CWineHostConnection& host);

    uint16_t NativeProcessorArchitecture() override;
    uint32_t AnsiCodePage() override;
    uint32_t AnsiToUtf8(const std::vector<std::string>& texts, std::vector<std::string>* utf8) override;
    uint32_t RunAndWait(const std::string& commandLine, RunOutcome* outcome) override;

private:
    CWineHostConnection& host_;
};

} // namespace platform
