#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "include/BackendFailure.h"
#include "include/Expected.h"
#include "include/LeftoverItem.h"
#include "inventory/AppEnum.h"
#include "inventory/ProgramRecord.h"
#include "platform/Platform.h"
#include "uninstall/LeftoverCleaner.h"
#include "uninstall/OrphanScan.h"
#include "uninstall/RestoreSettings.h"
#include "uninstall/WineMenuFiles.h"

// What a leftover collection found: the leftovers, each once, in the order
// a clean deletes them, and the places it left alone on purpose.
struct LeftoverCollection {
    QList<LeftoverItem> items;
    QList<SkippedLeftover> skipped;
    // Why nothing was collected: what another program claims, or a known
    // folder, could not be read. Empty when the collection ran.
    QString stopReason;
};

// The folders that programs already gone left behind.
struct OrphanList {
    QList<OrphanFolder> folders;
    // Why none is offered: what the registered programs claim, a known
    // folder, a root or the running programs could not be read. Empty when
    // the scan ran.
    QString stopReason;
};

// What a deletion of such folders did.
struct OrphanRemoval {
    QList<OrphanDeletion> folders; // one per folder asked for, in order
    QString stopReason;            // as OrphanList's: nothing was deleted
    QString restorePoint;          // holds what was deleted; empty: none
};

// One leftover of a clean, and whether it is still there afterwards.
struct CleanedLeftover {
    LeftoverItem item;
    bool remains = false;
};

// What a clean did, in the order it deleted.
struct LeftoverCleanup {
    QList<CleanedLeftover> items;
    QList<SkippedLeftover> skipped;
    // Why nothing was collected, or nothing deleted, so nothing of the
    // program is gone; empty when the clean ran.
    QString stopReason;
    // The restore point that holds what was deleted; empty when restore
    // points are off or nothing went.
    QString restorePoint;

    QList<LeftoverItem> Deleted() const;
    QList<LeftoverItem> Remaining() const;
};

// What one program's uninstall did.
struct UninstallStepReport {
    enum class Outcome {
        Removed,        // the uninstaller ran and the program is gone
        StartFailed,    // its uninstall command could not be started
        StillInstalled, // the uninstaller ended (cancelled, failed) and left the program
        WaitFailed,     // the wait's own host failed; the target machine is still there
    };

    Outcome outcome = Outcome::StartFailed;
    bool started = false;
    uint32_t startError = 0; // Windows error code of a failed start
    uint32_t exitCode = 0;   // of the process the command started
    bool removed = false;
    QString reason; // why the program was not removed; empty when it was
    // The leftover removal ran to its end (only for a removed program, when
    // asked); `leftovers` tells what it deleted.
    bool leftoversCleaned = false;
    LeftoverCleanup leftovers;
    // The wait ended before the uninstaller's processes did: the user
    // skipped it, or the program was gone and the grace ran out. These
    // processes were still running then; none was ended.
    bool waitSkipped = false;
    QStringList leftRunning;
    // Its uninstaller file was missing and the removal was forced: its
    // uninstall key was deleted in its place (listed first among the
    // leftovers), and no uninstaller ran.
    bool uninstallerMissing = false;
};

// An uninstall that the loss of the target machine cut short: why, and how
// far it had got by then (a program may be gone although its leftover
// removal could not finish). `report.reason` says which part failed.
struct UninstallFailure : BackendFailure {
    UninstallStepReport report;
};

// The core face: the one way the window and the command line reach the
// target machine's programs. It reads the installed programs as decoded
// records, finds one by display name, collects and cleans a program's
// leftovers, and uninstalls one program. Every call returns its result or
// the backend failure that kept it from one, so no caller asks the
// platform whether it still works. No widgets; calls may come from several
// threads, one uninstall or clean at a time.
//
// The wait for an uninstaller ends when the whole uninstaller has, or
// earlier: once the process the command started has ended and the
// program's uninstall entry is gone, processes still running in its tree (a
// tray helper) hold it for at most WaitTimes::graceMs;
// and at any time the user may skip it (SkipWait). Nothing is ended either
// way, and the removal check decides as usual.
class CUninstallerCore {
public:
    explicit CUninstallerCore(platform::IPlatform& platform);
    virtual ~CUninstallerCore();
    CUninstallerCore(const CUninstallerCore&) = delete;
    CUninstallerCore& operator=(const CUninstallerCore&) = delete;

    // The installed programs, read afresh, in the order the inventory reads
    // them, with their texts decoded in one call to the target.
    virtual Expected<std::vector<ProgramRecord>, BackendFailure> Records();

    // The record whose display name is `name`: an exact match first, else
    // one that differs only in case. Null when there is none.
    static const ProgramRecord* FindByName(const std::vector<ProgramRecord>& records, const QString& name);

    // What `record`'s program would leave behind; deletes nothing.
    Expected<LeftoverCollection, BackendFailure> CollectLeftovers(const ProgramRecord& record);

    // Collects the leftovers of `record`'s program and deletes them, then
    // tells for each whether it is still there. Nothing more is deleted
    // once the backend has failed. With a restore store, what goes is kept
    // in a new restore point; when none can be made nothing is deleted, and
    // when the store's volume runs full on the way everything is put back
    // (stopReason says so either way).
    Expected<LeftoverCleanup, BackendFailure> CleanLeftovers(const ProgramRecord& record);

    // Deep cleans keep what they delete in the restore store these
    // settings name (the front ends pass RestoreSettings::ForThisUser);
    // without them, or with restore points off, leftovers are deleted
    // outright.
    void SetRestoreSettings(const RestoreSettings& settings);
    // The restore store the settings name (restore points on or off); null
    // before SetRestoreSettings.
    CRestoreStore* RestoreStore() { return restoreStore.get(); }
    // For the start of a front end: finishes the restore points a killed
    // run left open (a sentence for the user each), then drops the points
    // beyond the limits.
    QStringList PrepareRestoreStore();
    // The folders no registered program claims, below the places where
    // programs keep their files (see COrphanScan); deletes nothing.
    Expected<OrphanList, BackendFailure> Orphans();

    // Deletes those of `paths` that the scan still offers, read afresh (a
    // folder claimed since it was listed stays), with the deep clean's
    // remover; the others are left as they are.
    Expected<OrphanRemoval, BackendFailure> DeleteOrphans(const QStringList& paths);

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
        bool skipAsked = false;     // the user stopped waiting: the wait ends at its next look
    };
    using WaitCallback = std::function<void(const WaitState&)>;

    // A wait this long offers the user to skip it (the window's running
    // row), and the command line says what it still waits for.
    static constexpr int kSlowWaitMs = 30000;

    struct WaitTimes {
        int graceMs = 10000;    // after the first process ended and the program is gone
        int goneCheckMs = 2000; // at least, between looks at the entry once the first process ended
    };
    void SetWaitTimes(const WaitTimes& times) { waitTimes = times; }
    // An unattended run (nobody to answer): Windows Installer removes its
    // packages without its window (/qn).
    void SetUnattended(bool quiet) { unattended = quiet; }
    // Called on the calling thread of Uninstall about twice a second while
    // it waits for an uninstaller.
    void SetWaitCallback(WaitCallback callback) { waitCallback = std::move(callback); }
    // From any thread: stop waiting for the current uninstaller (ignored
    // when none runs). Nothing is ended.
    void SkipWait();
    // From any thread: the current wait (waiting false when none runs).
    WaitState CurrentWait() const;

    // Whether `record`'s uninstaller is confirmed missing (its folder was
    // deleted by hand), so that the entry can never be removed by running
    // it: the command names its program file for sure and the target
    // machine says nothing is there. Never for a Windows Installer package;
    // any doubt, and a failed backend, says no.
    bool UninstallerMissing(const ProgramRecord& record);

    // Runs the command that removes the program (RemovalCommand) and
    // waits for the whole uninstaller, decides whether the program is
    // really gone, and only then, when asked, removes its leftovers. An uninstaller that was
    // cancelled or failed leaves its program untouched. An uninstaller that
    // cannot start because its program is gone already (its uninstall
    // entry is gone: an earlier uninstaller of a suite removed it) counts
    // as removed. `onPhase` is called on the calling thread as each phase
    // begins. With `forceMissing`, a program whose uninstaller is missing
    // (UninstallerMissing, looked at again here) is removed without one:
    // its uninstall key, where the record was read, is deleted, then its
    // leftovers as after any removal; a program whose uninstaller is there
    // runs it as always.
    virtual Expected<UninstallStepReport, UninstallFailure> Uninstall(const ProgramRecord& record, bool removeLeftovers,
                                                                      const PhaseCallback& onPhase = PhaseCallback(),
                                                                      bool forceMissing = false);

    // Starts this uninstaller's own uninstall command and returns once it
    // runs, without waiting for it: the program ends right after. False,
    // with the reason, when it could not be started (a failed start is
    // logged).
    virtual bool StartOwnUninstaller(const ProgramRecord& record, QString* why);

    // The visible windows of a program's uninstaller while its Uninstall
    // waits for it (0 otherwise, and when the target cannot tell); with
    // `raise` they are brought to the front.
    uint32_t UninstallerWindows(const ProgramRecord& record, bool raise);

    // The command that removes `record`'s program. A Windows Installer
    // package whose product code Windows Installer knows is removed through
    // the system's msiexec ("/X{code}"), whatever its entry's command says:
    // that is often "/I{code}", which only reconfigures the product. Any
    // other entry, and a package Windows Installer does not know, runs its
    // own command, and so does one Windows Installer could not be asked
    // about (a lost target machine is then found by the caller).
    std::string RemovalCommand(const ProgramRecord& record);

    // Whether the target machine can still be reached.
    Expected<void, BackendFailure> Reachable() const;

    // The folder of this executable as the target machine names it: itself
    // on Windows, through Wine's Z: drive elsewhere. Nothing in it is ever
    // removed as a leftover.
    static QString OwnFolderOnTarget();

private:
    // The one place where a failed backend becomes a result's failure.
    BackendFailure Failure() const;
    Unexpected<UninstallFailure> CutShort(UninstallStepReport report, const QString& what) const;
    // The removal of an entry whose uninstaller is missing: its own key.
    Expected<UninstallStepReport, UninstallFailure> RemoveBrokenEntry(const ProgramRecord& record, bool removeLeftovers,
                                                                      const PhaseCallback& onPhase);
    // The program is gone: removes its leftovers when asked.
    // `point`: the restore point the removal began (a broken entry's key),
    // which the clean goes on with.
    Expected<UninstallStepReport, UninstallFailure> FinishRemoved(const ProgramRecord& record, bool removeLeftovers,
                                                                  const PhaseCallback& onPhase,
                                                                  UninstallStepReport report,
                                                                  std::unique_ptr<CRestorePoint> point = nullptr);
    Expected<LeftoverCleanup, BackendFailure> Clean(const ProgramRecord& record, std::unique_ptr<CRestorePoint> point);
    // Seals a deep clean's point; puts everything back when its volume ran
    // full. Fills the cleanup's restorePoint or stopReason.
    void SealPoint(std::unique_ptr<CRestorePoint> point, LeftoverCleanup* cleanup);
    // Collects with `cleaner`: each leftover once, and why it stopped.
    LeftoverCollection Collect(CLeftoverCleaner& cleaner, const ProgramRecord& record) const;
    // The Linux-side files of the prefix's shortcuts, in the user's home.
    CWineMenuFiles MenuFiles() const;
    // Whether a shortcut is still in the prefix, asked of the platform.
    CWineMenuFiles::LinkCheck LinkCheck() const;

    using Clock = std::chrono::steady_clock;
    // What Uninstall does while the platform waits: tells the front ends,
    // looks whether the entry is gone once the first process has ended,
    // and ends the wait on a skip or when the grace after that is over.
    platform::RunWatch WaitWatch(const ProgramRecord& record, UninstallStepReport* report);

    platform::IPlatform& platform;
    CAppEnum appEnum;
    const QString ownFolder;
    const QString linuxPrefix; // empty when the target is no Wine prefix
    WaitTimes waitTimes;
    WaitCallback waitCallback;
    std::unique_ptr<CRestoreStore> restoreStore;
    bool restorePoints = false; // deep cleans write them
    CRestoreStore::Limits restoreLimits;
    bool unattended = false;

    mutable std::mutex waitMutex;
    WaitState wait; // elapsedMs is counted from waitStart
    Clock::time_point waitStart;
    bool skipAsked = false;
    std::string runningCommand; // the command the current wait runs
};
