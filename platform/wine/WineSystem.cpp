#include "platform/wine/WineSystem.h"

#include <chrono>
#include <memory>
#include <string>
#include <utility>

#include "platform/Errors.h"
#include "platform/wine/WineHostConnection.h"

namespace platform {

CWineSystem::CWineSystem(CWineHostConnection& host) : host(host) {}

uint16_t CWineSystem::NativeProcessorArchitecture() {
    return host.Architecture();
}

uint32_t CWineSystem::ExpandEnvironment(const std::vector<std::string>& texts, std::vector<std::string>* expanded) {
    expanded->clear();
    wire::calls::TextsRequest reply;
    const uint32_t status = host.Call<wire::calls::ExpandEnvironment>({texts}, &reply);
    if (status != kErrorSuccess) return status;
    if (reply.texts.size() != texts.size())
        return host.Broken("the Wine host expanded another number of texts than it was given");
    *expanded = std::move(reply.texts);
    return kErrorSuccess;
}

uint32_t CWineSystem::InstallerKnowsProduct(const std::string& productCode, bool* known) {
    wire::calls::KnownReply reply;
    const uint32_t status = host.Call<wire::calls::InstallerKnowsProduct>({productCode}, &reply);
    *known = status == kErrorSuccess && reply.known;
    return status;
}

uint32_t CWineSystem::RunAndWatch(const std::string& commandLine, const RunWatch& watch, RunOutcome* outcome) {
    *outcome = RunOutcome();
    if (host.Dead()) {
        outcome->failure = host.FatalError();
        return kErrorBackendFailure;
    }
    std::string error;
    std::unique_ptr<CWineHostConnection> sibling = host.OpenSibling(&error);
    if (!sibling) {
        outcome->failure = "its Wine host could not be started: " + error;
        return kErrorBackendFailure;
    }
    {
        std::lock_guard<std::mutex> lock(waitingMutex);
        waiting.insert(sibling.get());
    }
    const uint32_t status = WaitOn(*sibling, commandLine, watch, outcome);
    {
        std::lock_guard<std::mutex> lock(waitingMutex);
        waiting.erase(sibling.get());
    }
    if (status != kErrorSuccess) {
        // The only status the host sends is success; anything else means
        // this host failed, and the uninstaller may or may not be done.
        const std::string why = sibling->FatalError();
        *outcome = RunOutcome();
        outcome->failure = why.empty() ? std::string("the Wine host that waited for it failed") : why;
        return kErrorBackendFailure;
    }
    // The sibling is ended when it goes out of scope: its input closes.
    return kErrorSuccess;
}

uint32_t CWineSystem::WaitOn(CWineHostConnection& sibling, const std::string& commandLine, const RunWatch& watch,
                             RunOutcome* outcome) {
    wire::calls::RunStartReply started;
    uint32_t status = sibling.Call<wire::calls::RunStart>({commandLine}, &started);
    if (status != kErrorSuccess) return status;
    outcome->started = started.started;
    outcome->startError = started.started ? 0 : started.startError;
    if (!started.started) return kErrorSuccess;
    wire::calls::RunPollRequest poll;
    poll.waitMs = kPollMs;
    poll.stop = watch && !watch(started.progress);
    // Short polls keep every request within the silence limit; the hour is
    // the last resort for an uninstaller that never ends.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(sibling.TimeLimits().runMs);
    for (;;) {
        wire::calls::RunPollReply reply;
        status = sibling.Call<wire::calls::RunPoll>(poll, &reply);
        if (status != kErrorSuccess) return status;
        if (reply.done) {
            outcome->exitCode = reply.exitCode;
            outcome->stopped = reply.stopped;
            return kErrorSuccess;
        }
        if (std::chrono::steady_clock::now() > deadline)
            return sibling.Broken("the uninstaller was still running after " +
                                  std::to_string(sibling.TimeLimits().runMs / 1000) + " s");
        if (watch && !poll.stop && !watch(reply.progress)) poll.stop = true;
    }
}

uint32_t CWineSystem::Start(const std::string& commandLine, RunOutcome* outcome) {
    *outcome = RunOutcome();
    wire::calls::RunRequest request;
    request.commandLine = commandLine;
    wire::calls::StartReply reply;
    const uint32_t status = host.Call<wire::calls::Start>(request, &reply);
    if (status != kErrorSuccess) {
        outcome->failure = host.FatalError();
        return status;
    }
    outcome->started = reply.started;
    outcome->startError = reply.started ? 0 : reply.startError;
    return kErrorSuccess;
}

uint32_t CWineSystem::RunWindows(const std::string& commandLine, bool raise, uint32_t* count) {
    *count = 0;
    wire::calls::RunWindowsRequest request;
    request.commandLine = commandLine;
    request.raise = raise;
    wire::calls::RunWindowsReply reply;
    const uint32_t status = host.Call<wire::calls::RunWindows>(request, &reply);
    if (status == kErrorSuccess) *count = reply.count;
    return status;
}

uint32_t CWineSystem::RunningImages(std::vector<std::string>* paths) {
    paths->clear();
    wire::calls::RunningImagesReply reply;
    const uint32_t status = host.Call<wire::calls::RunningImages>(wire::NoFields(), &reply);
    if (status == kErrorSuccess) *paths = std::move(reply.paths);
    return status;
}

std::vector<int> CWineSystem::WaitingHostProcessIds() const {
    std::lock_guard<std::mutex> lock(waitingMutex);
    std::vector<int> ids;
    for (const CWineHostConnection* sibling : waiting)
        ids.push_back(sibling->HostProcessId());
    return ids;
}

} // namespace platform
