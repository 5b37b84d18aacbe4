#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
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
    // The wait ended before the uninstaller's processes did: the user
    // skipped it, or the program was gone and the grace ran out. These
    // processes were still running then; none was ended.
    bool waitSkipped = false;
    QStringList leftRunning;
};

// One program's step of an uninstall run, shared by the graphical runner
// (on its worker thread) and the command line: starts the program's
// uninstall command and waits for the whole uninstaller, then decides
// whether the program is really gone, and only then, when asked, removes
// its leftovers. An uninstaller that was cancelled or failed leaves its
// program untouched. Widget-free; one step at a time per object.
//
// The wait ends when the whole uninstaller has, or earlier: once the
// process the command started has ended and the program's uninstall entry
// is gone, processes still running in its tree (a restarted shell, a tray
// helper) hold it for at most WaitTimes::graceMs; and at any time the user
// may skip it (SkipWait). Nothing is ended either way, and the removal
// check decides as usual.
class CUninstallStep {
public:
    enum class Phase {
        WaitingForUninstaller,
        RemovingLeftovers,
    };
    using PhaseCallback = std::function<void(Phase)>;

    // What the wait for the uninstaller knows, for the front ends.
    struct WaitState {
        bool waiting = false;       // an uninstaller is being waited for
        int64_t elapsedMs = 0;      // since it started
        bool firstEnded = false;    // the process the command started has ended
        bool programGone = false;   // ... and the program is gone: the grace runs
        QStringList running;        // program files of the processes still waited for
        bool installerBusy = false; // they are done; Windows Installer is still at work
    };
    using WaitCallback = std::function<void(const WaitState&)>;

    // A wait this long offers the user to skip it (the window's running
    // row), and the command line says what it still waits for.
    static constexpr int kSlowWaitMs = 30000;

    struct WaitTimes {
        int graceMs = 10000;    // after the first process ended and the program is gone
        int goneCheckMs = 2000; // at least, between looks at the entry once the first process ended
    };

    CUninstallStep(platform::IPlatform& platform, CLeftoverCleaner& cleaner);

    void SetWaitTimes(const WaitTimes& times) { waitTimes = times; }
    // Called on the calling thread of Run about twice a second while it
    // waits for an uninstaller.
    void SetWaitCallback(WaitCallback callback) { waitCallback = std::move(callback); }
    // From any thread: stop waiting for the current uninstaller (ignored
    // when none runs). Nothing is ended.
    void SkipWait();
    // From any thread: the current wait (waiting false when none runs).
    WaitState CurrentWait() const;

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
    using Clock = std::chrono::steady_clock;

    // The removal check: the program is gone when its uninstall entry is,
    // or its uninstaller file. `commandText` is the command in UTF-8.
    bool Gone(const InstalledProgram& program, const std::string& commandText, FileState* file, bool* failed);
    platform::RunWatch WaitWatch(const InstalledProgram& program, UninstallStepReport* report);
    void RemoveLeftovers(const InstalledProgram& program, UninstallStepReport* report);
    bool BackendFailed() const { return !platform.FatalError().empty(); }

    platform::IPlatform& platform;
    CLeftoverCleaner& cleaner;
    WaitTimes waitTimes;
    WaitCallback waitCallback;

    mutable std::mutex waitMutex;
    WaitState wait; // elapsedMs is counted from waitStart
    Clock::time_point waitStart;
    bool skipAsked = false;
};
