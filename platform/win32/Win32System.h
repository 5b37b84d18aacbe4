#pragma once

#include "platform/System.h"

namespace platform {

// ISystem on kernel32.
class CWin32System : public ISystem {
public:
    uint16_t NativeProcessorArchitecture() override;
    uint32_t ExpandEnvironment(const std::vector<std::string>& texts, std::vector<std::string>* expanded) override;
    uint32_t InstallerKnowsProduct(const std::string& productCode, bool* known) override;

    // The command runs in a job object whose completion port reports when
    // its last process has ended. The job allows breakaway on request only
    // (JOB_OBJECT_LIMIT_BREAKAWAY_OK): a child started with
    // CREATE_BREAKAWAY_FROM_JOB leaves and is not waited for, while an
    // ordinary child, such as the temporary copy an uninstaller starts
    // before it exits, stays in and is. Silent breakaway would let that copy
    // go too. The user's web browser, which an uninstaller may open at its
    // end through the shell, cannot be kept out of the job, so processes of
    // the browser registered for http and https, and their children, are
    // not counted. A stop leaves the job's processes running: closing the
    // job ends none of them.
    //
    // The job is named after the command line, so that RunWindows, in
    // whichever process of the target it runs (under Wine the wait has a
    // host of its own), finds the processes of the wait.
    uint32_t RunAndWatch(const std::string& commandLine, const RunWatch& watch, RunOutcome* outcome) override;
    uint32_t Start(const std::string& commandLine, RunOutcome* outcome) override;
    uint32_t RunWindows(const std::string& commandLine, bool raise, uint32_t* count) override;
    uint32_t RunningImages(std::vector<std::string>* paths) override;
};

// Whether this Windows is Wine (ntdll exports wine_get_version). Asked where
// Wine's behaviour differs from Windows in a way the backend must avoid.
bool RunsUnderWine();

} // namespace platform
