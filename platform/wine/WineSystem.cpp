#include "platform/wine/WineSystem.h"

#include <utility>

#include "platform/Errors.h"
#include "platform/WindowsFacts.h"
#include "platform/wine/WineHostConnection.h"

namespace platform {

CWineSystem::CWineSystem(CWineHostConnection& host) : host_(host) {}

uint16_t CWineSystem::NativeProcessorArchitecture() {
    return host_.Architecture();
}

uint32_t CWineSystem::AnsiCodePage() {
    return host_.AnsiCodePage();
}

namespace {

// The text up to its first zero, as the conversion reads it, when it is
// plain ASCII.
bool AsciiText(const std::string& text, std::string* out) {
    std::string upToZero = text.substr(0, text.find('\0'));
    if (!IsAscii(upToZero)) return false;
    *out = std::move(upToZero);
    return true;
}

} // namespace

uint32_t CWineSystem::AnsiToUtf8(const std::vector<std::string>& texts, std::vector<std::string>* utf8) {
    utf8->clear();
    if (host_.Dead()) return kErrorBackendFailure;
    std::vector<std::string> result(texts.size());
    // ASCII texts convert to themselves: only the others go to the host.
    std::vector<size_t> others;
    const bool keepsAscii = CodePageKeepsAscii(host_.AnsiCodePage());
    for (size_t i = 0; i < texts.size(); ++i)
        if (!keepsAscii || !AsciiText(texts[i], &result[i])) others.push_back(i);
    if (!others.empty()) {
        wire::calls::TextsRequest request;
        request.texts.reserve(others.size());
        for (const size_t index : others)
            request.texts.push_back(texts[index]);
        wire::calls::TextsRequest reply;
        const uint32_t status = host_.Call<wire::calls::AnsiToUtf8>(request, &reply);
        if (status != kErrorSuccess) return status;
        if (reply.texts.size() != others.size())
            return host_.Broken("the Wine host converted another number of texts than it was given");
        for (size_t i = 0; i < others.size(); ++i)
            result[others[i]] = std::move(reply.texts[i]);
    }
    *utf8 = std::move(result);
    return kErrorSuccess;
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
