#include "platform/winehost/HostPulse.h"

#include <chrono>
#include <utility>

namespace platform::wire {

CHostPulse::CHostPulse(std::function<void()> sendFrame, int interval)
    : send(std::move(sendFrame)), intervalMs(interval), thread(&CHostPulse::Loop, this) {}

CHostPulse::~CHostPulse() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        quit = true;
    }
    wake.notify_all();
    thread.join();
}

void CHostPulse::Begin() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        working = true;
    }
    wake.notify_all();
}

void CHostPulse::End() {
    // Taken while a frame is being sent, so that no frame follows the reply.
    std::lock_guard<std::mutex> lock(mutex);
    working = false;
    wake.notify_all();
}

void CHostPulse::Loop() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return quit || working; });
        if (quit) return;
        // A frame every interval from the start of the work, until it ends.
        const bool ended =
            wake.wait_for(lock, std::chrono::milliseconds(intervalMs), [this] { return quit || !working; });
        if (ended) continue;
        send();
    }
}

} // namespace platform::wire
