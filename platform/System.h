#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Errors.h"

namespace platform {

// Processor architectures of GetNativeSystemInfo.
enum : uint16_t {
    kArchitectureIntel = 0,
    kArchitectureArm64 = 12,
    kArchitectureAmd64 = 9,
};

// What happened to a command that RunAndWait was asked to run.
struct RunOutcome {
    bool started = false;    // CreateProcessW succeeded
    uint32_t startError = 0; // GetLastError() of a failed start
    uint32_t exitCode = 0;   // exit code of the started process itself
    // Why the wait failed, when RunAndWait returned kErrorBackendFailure
    // for a reason that IPlatform::FatalError() does not give (the Wine
    // host that waited died, while the platform itself lives on).
    std::string failure;
    // The caller's watch stopped the wait before the uninstaller was done:
    // its processes named in the last RunProgress may still run (nothing
    // is ended), and exitCode is kStillActive when the first had not ended.
    bool stopped = false;
};

// GetExitCodeProcess's answer for a process that has not ended.
constexpr uint32_t kStillActive = 259;

// What a wait knows while it waits (see ISystem::RunAndWatch).
struct RunProgress {
    bool firstEnded = false; // the process the command started has ended
    uint32_t exitCode = 0;   // its exit code, once it has ended
    // The program files (UTF-8, without their folder) of the processes
    // still waited for, the first one included while it runs; a process
    // whose program cannot be told yet is left out.
    std::vector<std::string> running;
    // Every process is done, and the wait is for Windows Installer to be
    // idle.
    bool installerBusy = false;
};

// The caller's side of a wait: called on the waiting thread, right after
// the start and then about twice a second and whenever the first process
// ends; returns false to stop waiting.
using RunWatch = std::function<bool(const RunProgress&)>;

// Facts about the target system, and running programs on it. Safe to call
// from several threads.
class ISystem {
public:
    virtual ~ISystem() = default;

    // wProcessorArchitecture of GetNativeSystemInfo.
    virtual uint16_t NativeProcessorArchitecture() = 0;

    // Expands the environment variables of UTF-8 texts ("%ProgramFiles%\\Acme")
    // with the target's own environment, as ExpandEnvironmentStrings does,
    // many texts in one call: a variable the environment does not hold stays
    // as written ("%NoSuchName%"). On success `expanded` has one entry per
    // input; otherwise it is empty.
    virtual uint32_t ExpandEnvironment(const std::vector<std::string>& texts, std::vector<std::string>* expanded) = 0;

    // Whether Windows Installer knows `productCode` ("{...}", ASCII) as a
    // product installed or advertised for the current user or the machine
    // (MsiQueryProductState): only then can it remove it.
    virtual uint32_t InstallerKnowsProduct(const std::string& productCode, bool* known) = 0;

    // Runs `commandLine` (UTF-8) as stored (CreateProcessW without an application

    // name, no inherited handles, this process's environment and folder)
    // and waits, without a time-out, until the whole uninstaller is done:
    // every process it started, directly or not, has ended (processes that
    // leave on purpose by breaking away from the wait, the user's web
    // browser and the shell, are not waited for), and for a command that runs Windows
    // Installer, until the installer is idle. A failed start is not an
    // error of the call: kErrorSuccess with outcome->started false and the
    // start's error code. kErrorBackendFailure when the backend died.
    uint32_t RunAndWait(const std::string& commandLine, RunOutcome* outcome) {
        return RunAndWatch(commandLine, RunWatch(), outcome);
    }

    // RunAndWait, telling `watch` (when set) what the wait knows meanwhile,
    // so that the caller can stop waiting: the wait then ends at once and
    // ends no process (outcome->stopped).
    virtual uint32_t RunAndWatch(const std::string& commandLine, const RunWatch& watch, RunOutcome* outcome) = 0;

    // Starts `commandLine` as RunAndWait does and returns as soon as it has
    // started (or failed to start), without waiting for it: for this
    // program's own uninstaller, which must outlive this program. The
    // outcome has no exit code.
    virtual uint32_t Start(const std::string& commandLine, RunOutcome* outcome) = 0;

    // The visible top-level windows of the uninstaller that a RunAndWatch
    // of this same `commandLine` is waiting for (any process of its tree),
    // counted into `count`: 0 when no such wait runs or it shows none. With
    // `raise` they are also restored and brought to the front, so that a
    // wizard hidden behind other windows can be found again.
    virtual uint32_t RunWindows(const std::string& commandLine, bool raise, uint32_t* count) = 0;

    // The full paths of the executables of the running processes (each once;
    // processes whose image cannot be read are left out), so that a folder
    // that holds a running program is never offered for deletion.
    virtual uint32_t RunningImages(std::vector<std::string>* paths) = 0;
};

} // namespace platform
