#pragma once

#include <QString>
#include <memory>
#include <mutex>

#include "include/InstalledProgram.h"
#include "platform/Platform.h"
#include "uninstall/UninstallStep.h"

class CAppEnum;

// The uninstall run's way to the target machine, for the graphical
// runner's worker thread: one program's step (start and wait for the whole
// uninstaller, the removal check, the leftover removal of a removed
// program) and the start of this uninstaller's own uninstall command. No
// widgets; one call at a time.
class CUninstallService {
public:
    CUninstallService(platform::IPlatform& platform, CAppEnum& appEnum);
    virtual ~CUninstallService();
    CUninstallService(const CUninstallService&) = delete;
    CUninstallService& operator=(const CUninstallService&) = delete;

    // The folder of the running program as the target machine sees it;
    // nothing in it is removed as a leftover.
    void SetOwnFolder(const QString& folder) { ownFolder = folder; }

    // One program's step; `onPhase` is called on the calling thread.
    virtual UninstallStepReport Uninstall(const InstalledProgram& program, bool removeLeftovers,
                                          const CUninstallStep::PhaseCallback& onPhase);

    // From any thread, for the running row: what the wait of the step in
    // progress knows (waiting false when none waits), and a way to skip it
    // (offered once it has lasted CUninstallStep::kSlowWaitMs); nothing is
    // ended, and the removal check decides as usual.
    CUninstallStep::WaitState CurrentWait() const;
    void SkipWait();

    // Starts this uninstaller's own uninstall command. The process is about
    // to end meanwhile, so nothing waits for the result; a failed start is
    // logged.
    virtual void StartOwnUninstaller(const InstalledProgram& program);

    // Whether the target machine itself is gone (a dead Wine host): no
    // later program can be removed either. A wait whose own host died
    // fails that program alone.
    bool TargetLost() const { return !platform.FatalError().empty(); }

    // The folder of this executable as the target machine names it: itself
    // on Windows, through Wine's Z: drive elsewhere.
    static QString OwnFolderOnTarget();

private:
    platform::IPlatform& platform;
    CAppEnum& appEnum;
    QString ownFolder;
    mutable std::mutex stepMutex;
    CUninstallStep* currentStep = nullptr;
};
