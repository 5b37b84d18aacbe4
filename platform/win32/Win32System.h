#pragma once

#include "platform/System.h"

namespace platform {

// ISystem on kernel32.
class CWin32System : public ISystem {
public:
    uint16_t NativeProcessorArchitecture() override;
    uint32_t AnsiCodePage() override;
    uint32_t AnsiToUtf8(const std::vector<std::string>& texts, std::vector<std::string>* utf8) override;

    // The command runs in a job object whose completion port reports when
    // its last process has ended. The job allows breakaway on request only
    // (JOB_OBJECT_LIMIT_BREAKAWAY_OK): a child started with
    // CREATE_BREAKAWAY_FROM_JOB leaves and is not waited for, while an
    // ordinary child, such as the temporary copy an uninstaller starts
    // before it exits, stays in and is. Silent breakaway would let that copy
    // go too. The user's web browser, which an uninstaller may open at its
    // end through the shell, cannot be kept out of the job, so processes of
    // the browser registered for http and https, and their children, are
    // not counted.
    uint32_t RunAndWait(const std::string& commandLine, RunOutcome* outcome) override;
};

// Whether this Windows is Wine (ntdll exports wine_get_version). Asked where
// Wine's behaviour differs from Windows in a way the backend must avoid.
bool RunsUnderWine();

} // namespace platform
