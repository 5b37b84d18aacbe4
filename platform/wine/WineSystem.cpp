#include "platform/wine/WineSystem.h"

#include "platform/Errors.h"
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

namespace {

// The ANSI code pages Windows uses all map the bytes below 0x80 to the same
// characters as ASCII (and so does UTF-8).
bool KeepsAscii(uint32_t codePage) {
    return codePage == 874 || codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950 ||
           (codePage >= 1250 && codePage <= 1258) || codePage == 65001;
}

// The text up to its first zero, as the conversion reads it, when it is
// plain ASCII.
bool AsciiText(const std::string& text, std::string* out) {
    size_t length = 0;
    for (; length < text.size() && text[length] != '\0'; ++length)
        if (static_cast<unsigned char>(text[length]) >= 0x80) return false;
    out->assign(text, 0, length);
    return true;
}

} // namespace

std::vector<std::string> CWineSystem::AnsiToUtf8(const std::vector<std::string>& texts) {
    std::vector<std::string> result(texts.size());
    // A host that is gone leaves every text empty; FatalError() says why.
    if (!host_.FatalError().empty()) return result;
    // ASCII texts convert to themselves: only the others go to the host.
    std::vector<size_t> others;
    const bool keepsAscii = KeepsAscii(host_.AnsiCodePage());
    for (size_t i = 0; i < texts.size(); ++i)
        if (!keepsAscii || !AsciiText(texts[i], &result[i])) others.push_back(i);
    if (others.empty()) return result;
    wire::WireWriter request;
    request.U32(static_cast<uint32_t>(wire::Op::AnsiToUtf8)).U32(static_cast<uint32_t>(others.size()));
    for (const size_t index : others)
        request.Bytes(texts[index]);
    std::string reply;
    if (!host_.Call(request.Frame(), &reply)) return std::vector<std::string>(texts.size());
    wire::WireReader in(reply);
    in.U32();
    const uint32_t count = in.U32();
    for (uint32_t i = 0; i < count && i < others.size() && !in.Failed(); ++i)
        result[others[i]] = in.Bytes();
    if (in.Failed()) return std::vector<std::string>(texts.size());
    return result;
}

// TODO(merge): a stand-in until the host protocol has the run-and-wait
// operation. The real call goes through that operation's codec on a
// connection of its own for long calls, so that a wait of minutes blocks
// no other host call, and a host that dies mid-wait gives
// kErrorBackendFailure. Until then nothing is started.
uint32_t CWineSystem::RunAndWait(const std::string& commandLine, RunOutcome* outcome) {
    (void)commandLine;
    *outcome = RunOutcome();
    return kErrorBackendFailure;
}

} // namespace platform
