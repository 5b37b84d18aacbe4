#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "platform/System.h"
#include "platform/winehost/HostProtocol.h"

namespace platform::wire {

// The one uninstaller wait of a host (RunStart, RunPoll): runs the
// backend's RunAndWatch on a thread of its own, so that the host answers
// the client's polls meanwhile and every request stays short, and passes a
// stop on at the wait's next report. Ending it stops the wait and ends no
// process.
class CHostRunWait {
public:
    explicit CHostRunWait(ISystem& system);
    ~CHostRunWait();
    CHostRunWait(const CHostRunWait&) = delete;
    CHostRunWait& operator=(const CHostRunWait&) = delete;

    // Starts the command and returns once it has started or failed to.
    // kErrorInvalidParameter when a wait was started before.
    uint32_t Start(const std::string& commandLine, calls::RunStartReply* reply);

    // Stops the wait first when asked, then waits up to the request's time
    // for it to end or for its first process to end, and tells what it
    // knows. The status of the wait once it is done; kErrorInvalidParameter
    // before a start.
    uint32_t Poll(const calls::RunPollRequest& request, calls::RunPollReply* reply);

private:
    ISystem& system;
    std::thread thread;
    std::mutex mutex;
    std::condition_variable changed;
    bool heard = false; // the watch was called: the command has started
    bool done = false;
    bool stop = false;
    bool toldFirstEnded = false; // a reply said that the first process ended
    uint32_t status = 0;
    RunOutcome outcome;
    RunProgress progress;
};

} // namespace platform::wire
