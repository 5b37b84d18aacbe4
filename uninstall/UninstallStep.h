#pragma once

#include <QList>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "include/InstalledProgram.h"
#include "include/LeftoverItem.h"
#include "platform/Platform.h"

class CLeftoverCleaner;

// What one program's step of an uninstall run did.
struct UninstallStepReport {
    enum class Outcome {
        Removed,        // the uninstaller ran and the program is gone
        StartFailed,    // its uninstall command could not be started
        StillInstalled, // the uninstaller ended (cancelled, failed) and left the program
        BackendFailed,  // the target machine could not be reached
    };

    Outcome outcome = Outcome::StartFailed;
    bool started = false;
    uint32_t startError = 0; // Windows error code of a failed start
    uint32_t exitCode = 0;   // of the process the command started
    bool removed = false;
    QString reason; // why the program was not removed; empty when it was
    // The leftover removal ran (only for a removed program, when asked).
    bool leftoversCleaned = false;
    QList<LeftoverItem> leftoversDeleted;
    QList<LeftoverItem> leftoversRemaining; // found, but still there after the removal
    // Why no leftover was collected: what another program claims, or a
    // known folder, could not be read, so nothing of the program was
    // deleted. Empty when the collection ran.
    QString leftoversStopReason;
};

// One program's step of an uninstall run, shared by the graphical runner
// (on its worker thread) and the command line: starts the program's
// uninstall command and waits for the whole uninstaller, then decides
// whether the program is really gone, and only then, when asked, removes
// its leftovers. An uninstaller that was cancelled or failed leaves its
// program untouched. Widget-free; one step at a time per object.
class CUninstallStep {
public:
    enum class Phase {
        WaitingForUninstaller,
        RemovingLeftovers,
    };
    using PhaseCallback = std::function<void(Phase)>;

    CUninstallStep(platform::IPlatform& platform, CLeftoverCleaner& cleaner);

    // `onPhase` is called on the calling thread as each phase begins.
    UninstallStepReport Run(const InstalledProgram& program, bool removeLeftovers,
                            const PhaseCallback& onPhase = PhaseCallback());

    // Whether an uninstall key (either registry view of the machine, or
    // the current user) still has the record's display name and, as its
    // quiet or normal uninstall string, the record's command. `failed` is
    // set when the backend failed on the way.
    bool StillRegistered(const InstalledProgram& program, bool* failed);

    enum class FileState { Present, Gone, Unknown };
    // Whether the program file that an uninstall command (UTF-8) names is
    // still there. Unknown when the command names no absolute path
    // ("MsiExec.exe /X{...}") or the file cannot be looked at.
    FileState UninstallerFile(const std::string& commandLine, bool* failed);

    // The absolute paths a command line may start, in the order
    // CreateProcess tries them: the quoted text; or for an unquoted command
    // each run of words up to a space, the shortest first. Empty when the
    // command does not start with an absolute path.
    static std::vector<std::string> ProgramCandidates(const std::string& commandLine);

    // The log line of an uninstall command that could not be started.
    static void LogFailedStart(const std::string& commandLine, uint32_t error);

private:
    void RemoveLeftovers(const InstalledProgram& program, UninstallStepReport* report);
    bool BackendFailed() const { return !platform.FatalError().empty(); }

    platform::IPlatform& platform;
    CLeftoverCleaner& cleaner;
};
