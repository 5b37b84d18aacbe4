#pragma once

#include <QString>
#include <memory>

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

    // Starts this uninstaller's own uninstall command and returns once it
    // runs, without waiting for it: the program ends right after. False,
    // with the reason, when it could not be started (a failed start is
    // logged).
    virtual bool StartOwnUninstaller(const InstalledProgram& program, QString* why);

    // The visible windows of a program's uninstaller while its step waits
    // for it (0 otherwise, and when the target cannot tell); with `raise`
    // they are brought to the front.
    virtual uint32_t UninstallerWindows(const InstalledProgram& program, bool raise);

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
};
