#include "platform/winehost/HostRunWait.h"

#include <chrono>

namespace platform::wire {

CHostRunWait::CHostRunWait(ISystem& targetSystem) : system(targetSystem) {}

CHostRunWait::~CHostRunWait() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stop = true;
    }
    if (thread.joinable()) thread.join();
}

uint32_t CHostRunWait::Start(const std::string& commandLine, calls::RunStartReply* reply) {
    std::unique_lock<std::mutex> lock(mutex);
    if (thread.joinable()) return kErrorInvalidParameter;
    thread = std::thread([this, commandLine] {
        RunOutcome result;
        const uint32_t waited = system.RunAndWatch(
            commandLine,
            [this](const RunProgress& now) {
                std::lock_guard<std::mutex> guard(mutex);
                progress = now;
                heard = true;
                changed.notify_all();
                return !stop;
            },
            &result);
        std::lock_guard<std::mutex> guard(mutex);
        status = waited;
        outcome = result;
        done = true;
        changed.notify_all();
    });
    changed.wait(lock, [this] { return heard || done; });
    // A wait that fails after the start says so in the next poll.
    if (!heard && status != kErrorSuccess) return status;
    reply->started = heard || outcome.started;
    reply->startError = reply->started ? 0 : outcome.startError;
    reply->progress = progress;
    return kErrorSuccess;
}

uint32_t CHostRunWait::Poll(const calls::RunPollRequest& request, calls::RunPollReply* reply) {
    std::unique_lock<std::mutex> lock(mutex);
    if (!thread.joinable()) return kErrorInvalidParameter;
    if (request.stop) stop = true;
    changed.wait_for(lock, std::chrono::milliseconds(request.waitMs),
                     [this] { return done || (progress.firstEnded && !toldFirstEnded); });
    reply->done = done;
    reply->progress = progress;
    toldFirstEnded = progress.firstEnded;
    if (!done) return kErrorSuccess;
    reply->stopped = outcome.stopped;
    reply->exitCode = outcome.exitCode;
    return status;
}

} // namespace platform::wire
