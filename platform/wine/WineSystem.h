#pragma once

#include <mutex>
#include <set>
#include <vector>

#include "platform/System.h"

namespace platform {

class CWineHostConnection;

// ISystem through winehost.exe. The architecture and the code page come with
// the host's greeting and cost no round trip.
//
// RunAndWatch runs on a host of its own, started for that one wait, so that
// a wait of minutes holds up none of the calls made meanwhile on the
// platform's host (icons, file times, a refresh), and several waits may run
// at once. That host is the Windows backend in the same prefix, so the
// whole uninstaller is waited for as on Windows; the client polls it about
// twice a second, tells the watch, and passes a stop on. When that host
// dies, falls silent, or its uninstaller still runs after
// Limits::runMs, only that wait fails (kErrorBackendFailure, the reason in
// RunOutcome::failure); the platform's host lives on.
class CWineSystem : public ISystem {
public:
    explicit CWineSystem(CWineHostConnection& host);

    uint16_t NativeProcessorArchitecture() override;
    uint32_t ExpandEnvironment(const std::vector<std::string>& texts, std::vector<std::string>* expanded) override;
    uint32_t InstallerKnowsProduct(const std::string& productCode, bool* known) override;
    uint32_t RunAndWatch(const std::string& commandLine, const RunWatch& watch, RunOutcome* outcome) override;
    // On the platform's host: a start returns at once, and the windows of
    // a wait's uninstaller are the prefix's windows, whichever host waits.
    uint32_t Start(const std::string& commandLine, RunOutcome* outcome) override;
    uint32_t RunWindows(const std::string& commandLine, bool raise, uint32_t* count) override;
    // The prefix's processes, winehost.exe itself among them.
    uint32_t RunningImages(std::vector<std::string>* paths) override;

    // The process ids of the hosts that are waiting right now, for tests
    // that end one mid-wait.
    std::vector<int> WaitingHostProcessIds() const;

private:
    // How long one poll may wait on the host for the end of the wait.
    static constexpr uint32_t kPollMs = 500;

    uint32_t WaitOn(CWineHostConnection& sibling, const std::string& commandLine, const RunWatch& watch,
                    RunOutcome* outcome);

    CWineHostConnection& host;
    mutable std::mutex waitingMutex;
    std::set<CWineHostConnection*> waiting;
};

} // namespace platform
