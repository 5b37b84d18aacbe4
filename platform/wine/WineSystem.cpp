#include "platform/wine/WineSystem.h"

#include "platform/wine/WineHostConnection.h"
#include "platform/winehost/HostProtocol.h"
#include "platform/winehost/WireReader.h"
#include "platform/winehost/WireWriter.h"

namespace platform {

CWineSystem::CWineSystem(CWineHostConnection& host) : host_(host) {}

uint16_t CWineSystem::NativeProcessorArchitecture() {
    return host_.Architecture();
}

uint32_t CWineSystem::AnsiCodePage() {
    return host_.AnsiCodePage();
}

std::vector<std::string> CWineSystem::AnsiToUtf8(const std::vector<std::string>& texts) {
    std::vector<std::string> result(texts.size());
    if (texts.empty()) return result;
    wire::WireWriter request;
    request.U32(static_cast<uint32_t>(wire::Op::AnsiToUtf8)).U32(static_cast<uint32_t>(texts.size()));
    for (const std::string& text : texts)
        request.Bytes(text);
    std::string reply;
    // A host that is gone leaves every text empty; FatalError() says why.
    if (!host_.Call(request.Frame(), &reply)) return result;
    wire::WireReader in(reply);
    in.U32();
    const uint32_t count = in.U32();
    for (uint32_t i = 0; i < count && i < result.size() && !in.Failed(); ++i)
        result[i] = in.Bytes();
    if (in.Failed()) return std::vector<std::string>(texts.size());
    return result;
}

} // namespace platform
