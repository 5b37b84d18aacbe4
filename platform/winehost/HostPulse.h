#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/winehost/HostProtocol.h"

namespace platform::wire {

// The progress frames of a host (see Limit): while the host works on a
// bulk call, `send` is called every `intervalMs` from a thread of its own,
// so that the client hears from a host that is slow but alive, and from a
// frozen host hears nothing.
class CHostPulse {
public:
    explicit CHostPulse(std::function<void()> send, int intervalMs = kProgressMs);
    ~CHostPulse();
    CHostPulse(const CHostPulse&) = delete;
    CHostPulse& operator=(const CHostPulse&) = delete;

    // The host starts working on a bulk call.
    void Begin();
    // The work is done; returns once no frame is being sent, so that the
    // reply can follow.
    void End();

private:
    void Loop();

    std::function<void()> send;
    int intervalMs;
    std::mutex mutex;
    std::condition_variable wake;
    bool working = false;
    bool quit = false;
    std::thread thread;
};

} // namespace platform::wire
