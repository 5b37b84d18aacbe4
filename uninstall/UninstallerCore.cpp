#include "uninstall/UninstallerCore.h"

#include <QDir>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "include/PathText.h"
#include "platform/WindowsFacts.h"
#include "support/HostPaths.h"
#include "support/Log.h"
#include "uninstall/RemovalCheck.h"
#include "uninstall/RestorePoint.h"
#include "uninstall/TargetPath.h"
#include "uninstall/WineMenuFiles.h"

namespace {

QString Text(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), int(utf8.size()));
}

QString FieldQText(const char (&field)[InstalledProgram::kTextSize]) {
    return Text(FieldText(field));
}

// The searches overlap: the ProgramData walk also covers the common Start
// Menu, and a Start Menu or desktop search repeated with the icon group
// gives the first search's finds again. Each leftover is kept once, where
// it was first found, so that it is listed, deleted and counted once.
// Paths are compared with their separators made alike; case counts, as two
// names that differ in case may be two files on the Linux side of Wine.
QList<LeftoverItem> WithoutRepeats(const QList<LeftoverItem>& items) {
    QSet<QString> seen;
    QList<LeftoverItem> once;
    for (const LeftoverItem& item : items) {
        QString target = item.target;
        if (item.kind == LeftoverFile || item.kind == LeftoverFolder)
            target.replace(QLatin1Char('/'), QLatin1Char('\\'));
        const QString key = QStringLiteral("%1|%2|%3|%4").arg(item.kind).arg(item.hive).arg(target, item.valueName);
        if (seen.contains(key)) continue;
        seen.insert(key);
        once.append(item);
    }
    return once;
}

// The searches overlap for what they keep too: each place once, with the
// first reason given for it.
QList<SkippedLeftover> WithoutRepeats(const QList<SkippedLeftover>& skipped) {
    QSet<QString> seen;
    QList<SkippedLeftover> once;
    for (const SkippedLeftover& skip : skipped) {
        const QString key = WindowsNameKey(QString(skip.path).replace(QLatin1Char('/'), QLatin1Char('\\')));
        if (seen.contains(key)) continue;
        seen.insert(key);
        once.append(skip);
    }
    return once;
}

void LogFailedStart(const std::string& commandLine, uint32_t error) {
    char line[InstalledProgram::kTextSize + 64];
    std::snprintf(line, sizeof(line), "start process %s failed with %d.\n", commandLine.c_str(),
                  static_cast<int>(error));
    LogInfoEx(line);
}

// The bytes each file and folder leftover held, from the files the restore
// point stored of it: a file counts toward its own item and each folder item
// above it.
void AddStoredSizes(const RestoreManifest& stored, QList<LeftoverItem>* items) {
    QHash<QString, int> wanted;
    for (int i = 0; i < items->size(); ++i)
        if ((*items)[i].kind == LeftoverFile || (*items)[i].kind == LeftoverFolder)
            wanted.insert(AsWritten((*items)[i]).target.toUpper(), i);
    for (const RestoreItem& file : stored.items) {
        if (file.kind != RestoreItem::Kind::File) continue;
        QString path = file.path.toUpper();
        for (int cut = path.size(); cut > 2; cut = path.lastIndexOf(QLatin1Char('\\'))) {
            path.truncate(cut);
            const auto found = wanted.constFind(path);
            if (found == wanted.constEnd()) continue;
            LeftoverItem& item = (*items)[*found];
            item.size = std::max<int64_t>(item.size, 0) + int64_t(file.size);
        }
    }
}

} // namespace

QList<LeftoverItem> LeftoverCleanup::Deleted() const {
    QList<LeftoverItem> deleted;
    for (const CleanedLeftover& cleaned : items)
        if (!cleaned.remains) deleted.append(cleaned.item);
    return deleted;
}

QList<LeftoverItem> LeftoverCleanup::Remaining() const {
    QList<LeftoverItem> remaining;
    for (const CleanedLeftover& cleaned : items)
        if (cleaned.remains) remaining.append(cleaned.item);
    return remaining;
}

CUninstallerCore::CUninstallerCore(platform::IPlatform& targetPlatform)
    : platform(targetPlatform), appEnum(targetPlatform.Registry(), targetPlatform.System()),
      ownFolder(OwnFolderOnTarget()), linuxPrefix(QString::fromStdString(targetPlatform.LinuxPrefix())) {}

CUninstallerCore::~CUninstallerCore() = default;

BackendFailure CUninstallerCore::Failure() const {
    const std::string why = platform.FatalError();
    return BackendFailure{why.empty() ? QStringLiteral("the backend failed without saying why") : Text(why)};
}

Expected<void, BackendFailure> CUninstallerCore::Reachable() const {
    // A backend that has failed once stays failed: every later call would
    // fail too, so its first reason is the answer.
    if (!platform.FatalError().empty()) return MakeUnexpected(Failure());
    return {};
}

Expected<std::vector<ProgramRecord>, BackendFailure> CUninstallerCore::Records() {
    // A list read by a backend that failed on the way cannot be trusted.
    if (appEnum.Enum() != platform::kErrorSuccess || !Reachable()) return MakeUnexpected(Failure());
    std::vector<ProgramRecord> records;
    appEnum.ReadProgramsWithSources(
        [&records](const std::vector<InstalledProgram>& programs, const std::vector<ProgramSource>& sources) {
            records.reserve(programs.size());
            for (size_t i = 0; i < programs.size(); ++i) {
                const InstalledProgram& p = programs[i];
                records.push_back(ProgramRecord{p, sources[i],
                                                ProgramText{FieldQText(p.displayName), FieldQText(p.publisher),
                                                            FieldQText(p.displayVersion), FieldQText(p.displayIcon),
                                                            FieldQText(p.installLocation),
                                                            FieldQText(p.uninstallCommand), FieldQText(p.iconGroup)}});
            }
        });
    return records;
}

const ProgramRecord* CUninstallerCore::FindByName(const std::vector<ProgramRecord>& records, const QString& name) {
    for (const ProgramRecord& record : records)
        if (record.text.name == name) return &record;
    const QString key = WindowsNameKey(name);
    for (const ProgramRecord& record : records)
        if (WindowsNameKey(record.text.name) == key) return &record;
    return nullptr;
}

LeftoverCollection CUninstallerCore::Collect(CLeftoverCleaner& cleaner, const ProgramRecord& record) const {
    cleaner.SetOwnFolder(ownFolder);
    LeftoverCollection collection;
    collection.items = WithoutRepeats(cleaner.CollectLeftovers(record.program, &collection.skipped));
    collection.skipped = WithoutRepeats(collection.skipped);
    collection.stopReason = cleaner.StopReason();
    // What Wine made in the Linux home for the program's shortcuts, judged
    // by a whole collection only.
    if (!linuxPrefix.isEmpty() && collection.stopReason.isEmpty() && !cleaner.BackendFailed())
        collection.items += MenuFiles().Collect(collection.items, LinkCheck(), &collection.skipped);
    return collection;
}

CWineMenuFiles CUninstallerCore::MenuFiles() const {
    return CWineMenuFiles(linuxPrefix, CWineMenuFiles::Places::ForThisProcess());
}

CWineMenuFiles::LinkCheck CUninstallerCore::LinkCheck() const {
    return [this](const QString& link) {
        const CTargetPath path = CTargetPath::FromText(link);
        if (path.IsEmpty()) return CWineMenuFiles::LinkState::Unknown;
        uint32_t attributes = 0;
        const uint32_t status = platform.Files().GetAttributes(path.Utf8(), &attributes);
        if (status == platform::kErrorSuccess) return CWineMenuFiles::LinkState::Present;
        if (platform::IsNotFound(status)) return CWineMenuFiles::LinkState::Gone;
        return CWineMenuFiles::LinkState::Unknown;
    };
}

Expected<LeftoverCollection, BackendFailure> CUninstallerCore::CollectLeftovers(const ProgramRecord& record) {
    // A cleaner per call: the claims of the other programs and the folder
    // policy are read afresh, after the programs before it have gone.
    CLeftoverCleaner cleaner(platform.Files(), platform.Registry(), platform.System(), appEnum);
    LeftoverCollection collection = Collect(cleaner, record);
    if (cleaner.BackendFailed() || !Reachable()) return MakeUnexpected(Failure());
    return collection;
}

Expected<OrphanList, BackendFailure> CUninstallerCore::Orphans() {
    COrphanScan scan(platform.Files(), platform.Registry(), platform.System(), appEnum.Is64BitOs());
    scan.SetOwnFolder(ownFolder);
    OrphanList list;
    if (!scan.Scan(&list.folders)) list.stopReason = scan.Reason();
    if (scan.BackendFailed() || !Reachable()) return MakeUnexpected(Failure());
    return list;
}

Expected<OrphanRemoval, BackendFailure> CUninstallerCore::DeleteOrphans(const QStringList& paths) {
    COrphanScan scan(platform.Files(), platform.Registry(), platform.System(), appEnum.Is64BitOs());
    scan.SetOwnFolder(ownFolder);
    OrphanRemoval removal;
    // The folders go into a restore point, as a deep clean's leftovers do;
    // nothing is deleted that could not be given back.
    std::unique_ptr<CRestorePoint> point;
    QString why;
    if (restorePoints && !paths.isEmpty()) {
        QStringList names;
        for (const QString& path : paths)
            names << CTargetPath::FromText(path).Name();
        if (!(point = restoreStore->Begin(names, &why))) {
            if (!Reachable()) return MakeUnexpected(Failure());
            removal.stopReason = QStringLiteral("no restore point could be made: ") + why;
            return removal;
        }
    }
    scan.SetRestorePoint(point.get());
    if (!scan.Delete(paths, &removal.folders)) removal.stopReason = scan.Reason();
    scan.SetRestorePoint(nullptr);
    LeftoverCleanup sealed;
    SealPoint(std::move(point), &sealed);
    removal.restorePoint = sealed.restorePoint;
    if (!sealed.stopReason.isEmpty()) {
        // The store's volume ran full: what went is back.
        removal.stopReason = sealed.stopReason;
        for (OrphanDeletion& folder : removal.folders)
            folder.deleted = false;
    }
    if (scan.BackendFailed() || !Reachable()) return MakeUnexpected(Failure());
    return removal;
}

Expected<LeftoverCleanup, BackendFailure> CUninstallerCore::CleanLeftovers(const ProgramRecord& record) {
    return Clean(record, nullptr);
}

void CUninstallerCore::SetRestoreSettings(const RestoreSettings& settings) {
    restoreStore = std::make_unique<CRestoreStore>(platform.Files(), platform.Registry(), settings.folder);
    restorePoints = settings.enabled;
    restoreLimits = settings.limits;
}

QStringList CUninstallerCore::PrepareRestoreStore() {
    if (!restoreStore) return {};
    const QStringList told = restoreStore->Recover();
    for (const QString& id : restoreStore->Prune(restoreLimits, QDateTime::currentDateTimeUtc())) {
        const std::string line = "restore point " + id.toStdString() + " dropped: beyond the limits.\n";
        LogInfoEx(line.c_str());
    }
    return told;
}

void CUninstallerCore::SealPoint(std::unique_ptr<CRestorePoint> point, LeftoverCleanup* cleanup) {
    if (!point) return;
    const QString id = point->Manifest().id;
    const bool full = point->Full();
    const bool empty = point->Empty();
    QString error;
    if (!restoreStore->Seal(*point, &error)) {
        // The journal stays: the next start finishes the point.
        const std::string line = "restore point " + id.toStdString() + " not sealed: " + error.toStdString() + ".\n";
        LogInfoEx(line.c_str());
    }
    point.reset();
    if (!full) {
        if (!empty) cleanup->restorePoint = id;
        return;
    }
    // Nothing half-moved: what went is put back, and the clean says why.
    cleanup->stopReason = QStringLiteral("the restore store's volume is full, so nothing was deleted");
    if (!empty) {
        const Expected<CRestoreStore::Outcome, QString> back = restoreStore->Restore(id);
        if (!back || !back->pointDropped) {
            cleanup->restorePoint = id;
            cleanup->stopReason = QStringLiteral("the restore store's volume ran full; what was moved could not all "
                                                 "be put back and stays in restore point %1")
                                      .arg(id);
        }
    }
}

Expected<LeftoverCleanup, BackendFailure> CUninstallerCore::Clean(const ProgramRecord& record,
                                                                  std::unique_ptr<CRestorePoint> point) {
    CLeftoverCleaner cleaner(platform.Files(), platform.Registry(), platform.System(), appEnum);
    LeftoverCollection found = Collect(cleaner, record);
    LeftoverCleanup cleanup;
    // A collection or deletion whose backend failed stops there: nothing
    // more is deleted (the shortcuts' look is the core's own call).
    if (cleaner.BackendFailed() || !Reachable()) {
        SealPoint(std::move(point), &cleanup);
        return MakeUnexpected(Failure());
    }
    QString why;
    if (!point && restorePoints && !found.items.isEmpty() &&
        !(point = restoreStore->Begin(QStringList{record.text.name}, &why))) {
        if (!Reachable()) return MakeUnexpected(Failure());
        // Nothing is deleted that could not be given back.
        found.stopReason = QStringLiteral("no restore point could be made: ") + why;
        found.items.clear();
    }
    cleaner.SetRestorePoint(point.get());
    cleaner.DeleteLeftovers(found.items);
    cleaner.SetRestorePoint(nullptr);
    // The Linux side last, once the prefix's own leftovers have gone, into
    // the same point; not when the point's volume ran full (all goes back).
    if (!linuxPrefix.isEmpty() && !cleaner.BackendFailed()) {
        const CWineMenuFiles menuFiles = MenuFiles();
        for (const LeftoverItem& item : found.items)
            if (item.kind == LeftoverLinuxDesktopFile && !(point && point->Full())) menuFiles.Delete(item, point.get());
    }
    if (point) AddStoredSizes(point->Manifest(), &found.items);
    SealPoint(std::move(point), &cleanup);
    if (cleaner.BackendFailed()) return MakeUnexpected(Failure());
    cleanup.skipped = std::move(found.skipped);
    if (cleanup.stopReason.isEmpty()) cleanup.stopReason = std::move(found.stopReason);
    for (const LeftoverItem& item : found.items)
        cleanup.items.append(CleanedLeftover{
            item, item.kind == LeftoverLinuxDesktopFile ? CWineMenuFiles::Exists(item) : cleaner.LeftoverExists(item)});
    // A dead backend would report every leftover as gone.
    if (cleaner.BackendFailed() || !Reachable()) return MakeUnexpected(Failure());
    return cleanup;
}

Unexpected<UninstallFailure> CUninstallerCore::CutShort(UninstallStepReport report, const QString& what) const {
    const BackendFailure failure = Failure();
    report.reason = what + QStringLiteral(": ") + failure.reason;
    return MakeUnexpected(UninstallFailure{failure, std::move(report)});
}

bool CUninstallerCore::UninstallerMissing(const ProgramRecord& record) {
    // Windows Installer removes its packages whatever their folder holds.
    if (record.program.productCode[0] != '\0') return false;
    bool failed = false;
    const bool missing = CRemovalCheck(platform.Registry(), platform.Files())
                             .UninstallerMissing(FieldText(record.program.uninstallCommand), &failed);
    return missing && !failed;
}

Expected<UninstallStepReport, UninstallFailure>
CUninstallerCore::RemoveBrokenEntry(const ProgramRecord& record, bool removeLeftovers, const PhaseCallback& onPhase) {
    UninstallStepReport report;
    report.uninstallerMissing = true;
    const QString unreachable = QStringLiteral("the target machine could not be reached");
    // Only the key the record was read from: the same name in another view
    // or hive may be another registration.
    platform::Hive hive = platform::Hive::LocalMachine;
    uint32_t view = platform::kKeyWow64_64Key;
    LeftoverItem entry;
    entry.kind = LeftoverRegistry;
    entry.reason = LeftoverUninstallEntry;
    entry.hive = LeftoverLocalMachine;
    entry.view = 64;
    QString list = QString::fromLatin1(CAppEnum::kUninstallKey);
    if (record.source == ProgramSource::LocalMachine32) {
        view = platform::kKeyWow64_32Key;
        entry.view = 32;
        if (appEnum.Is64BitOs()) list = QString::fromLatin1(CAppEnum::kUninstallKey32On64);
    } else if (record.source == ProgramSource::CurrentUser) {
        hive = platform::Hive::CurrentUser;
        view = 0;
        entry.hive = LeftoverCurrentUser;
    }
    CRemovalCheck check(platform.Registry(), platform.Files());
    bool failed = false;
    std::string subKey;
    std::unique_ptr<CRestorePoint> point;
    if (check.FindEntry(record.program, hive, view, &subKey, &failed)) {
        entry.target = list + QLatin1Char('\\') + Text(subKey);
        entry.displayText = entry.target;
        // The entry goes into the restore point its leftovers go into.
        QString why;
        if (restorePoints && !(point = restoreStore->Begin(QStringList{record.text.name}, &why))) {
            if (!Reachable()) return CutShort(report, unreachable);
            report.outcome = UninstallStepReport::Outcome::StillInstalled;
            report.reason = QStringLiteral("its uninstaller is missing, and no restore point could be made: ") + why;
            report.leftovers.items.append(CleanedLeftover{entry, true});
            return report;
        }
        CLeftoverCleaner cleaner(platform.Files(), platform.Registry(), platform.System(), appEnum);
        cleaner.SetRestorePoint(point.get());
        cleaner.DeleteLeftovers({entry});
        const bool remains = check.FindEntry(record.program, hive, view, &subKey, &failed);
        if (failed || cleaner.BackendFailed() || !Reachable() || remains)
            SealPoint(std::move(point), &report.leftovers);
        if (failed || cleaner.BackendFailed() || !Reachable()) return CutShort(report, unreachable);
        report.leftovers.items.append(CleanedLeftover{entry, remains});
        if (remains) {
            report.outcome = UninstallStepReport::Outcome::StillInstalled;
            report.reason = QStringLiteral("its uninstaller is missing and its uninstall entry could not be removed");
            return report;
        }
    } else if (failed || !Reachable()) {
        return CutShort(report, unreachable);
    }
    const std::string name = record.text.name.toStdString();
    char line[InstalledProgram::kTextSize + 96];
    std::snprintf(line, sizeof(line), "uninstall of %s: its uninstaller is missing, its entry was removed.\n",
                  name.c_str());
    LogInfoEx(line);
    return FinishRemoved(record, removeLeftovers, onPhase, std::move(report), std::move(point));
}

Expected<UninstallStepReport, UninstallFailure> CUninstallerCore::Uninstall(const ProgramRecord& record,
                                                                            bool removeLeftovers,
                                                                            const PhaseCallback& onPhase,
                                                                            bool forceMissing) {
    using Outcome = UninstallStepReport::Outcome;
    UninstallStepReport report;
    const QString unreachable = QStringLiteral("the target machine could not be reached");

    if (forceMissing && UninstallerMissing(record)) return RemoveBrokenEntry(record, removeLeftovers, onPhase);
    if (onPhase) onPhase(Phase::WaitingForUninstaller);
    const std::string command = RemovalCommand(record);
    if (!Reachable()) return CutShort(report, unreachable);
    {
        std::lock_guard<std::mutex> lock(waitMutex);
        wait = WaitState();
        wait.waiting = true;
        waitStart = Clock::now();
        skipAsked = false;
        runningCommand = command;
    }
    platform::RunOutcome outcome;
    const uint32_t waited = platform.System().RunAndWatch(command, WaitWatch(record, &report), &outcome);
    {
        std::lock_guard<std::mutex> lock(waitMutex);
        wait.waiting = false;
    }
    if (!outcome.stopped) {
        // The uninstaller ended before the wait could be cut short.
        report.waitSkipped = false;
        report.leftRunning.clear();
    }
    if (waited != platform::kErrorSuccess || !Reachable()) {
        if (!Reachable()) return CutShort(report, unreachable);
        // Only the wait failed (its own host died); the platform lives on.
        report.outcome = Outcome::WaitFailed;
        report.reason = QStringLiteral("the wait for its uninstaller failed");
        if (!outcome.failure.empty()) report.reason += QStringLiteral(": ") + Text(outcome.failure);
        return report;
    }
    report.started = outcome.started;
    report.startError = outcome.startError;
    report.exitCode = outcome.exitCode;

    CRemovalCheck check(platform.Registry(), platform.Files());
    bool failed = false;
    if (!outcome.started) {
        LogFailedStart(command, outcome.startError);
        // An earlier uninstaller of the run (a suite) or the user may have
        // removed it already: then it is gone all the same. Only its entry
        // tells: a missing uninstaller file alone is a broken entry, whose
        // program may well still be there.
        const bool registered = check.StillRegistered(record.program, &failed);
        if (failed || !Reachable()) return CutShort(report, unreachable);
        if (registered) {
            report.outcome = Outcome::StartFailed;
            report.reason = QStringLiteral("its uninstaller could not be started (error %1)").arg(outcome.startError);
            return report;
        }
    } else {
        // Removed when its uninstall key is gone, or the uninstaller itself is.
        const bool registered = check.StillRegistered(record.program, &failed);
        const CRemovalCheck::FileState file =
            failed ? CRemovalCheck::FileState::Unknown
                   : check.UninstallerFile(record.text.uninstallCommand.toStdString(), &failed);
        if (failed || !Reachable()) return CutShort(report, unreachable);
        if (registered && file != CRemovalCheck::FileState::Gone) {
            report.outcome = Outcome::StillInstalled;
            report.reason = file == CRemovalCheck::FileState::Present
                                ? QStringLiteral("its uninstall entry and its uninstaller are still there")
                                : QStringLiteral("its uninstall entry is still there");
            const std::string name = record.text.name.toStdString();
            const std::string reason = report.reason.toStdString();
            char line[2 * InstalledProgram::kTextSize + 160];
            std::snprintf(line, sizeof(line), "uninstall of %s: not removed, %s (exit code %u).\n", name.c_str(),
                          reason.c_str(), static_cast<unsigned>(outcome.exitCode));
            LogInfoEx(line);
            return report;
        }
    }
    return FinishRemoved(record, removeLeftovers, onPhase, std::move(report));
}

Expected<UninstallStepReport, UninstallFailure>
CUninstallerCore::FinishRemoved(const ProgramRecord& record, bool removeLeftovers, const PhaseCallback& onPhase,
                                UninstallStepReport report, std::unique_ptr<CRestorePoint> point) {
    report.removed = true;
    report.outcome = UninstallStepReport::Outcome::Removed;
    if (!removeLeftovers) SealPoint(std::move(point), &report.leftovers);

    if (removeLeftovers) {
        if (onPhase) onPhase(Phase::RemovingLeftovers);
        Expected<LeftoverCleanup, BackendFailure> cleanup = Clean(record, std::move(point));
        // The program is gone; only the clean-up could not finish.
        if (!cleanup) return CutShort(report, QStringLiteral("the leftover removal could not finish"));
        report.leftoversCleaned = true;
        // What was deleted before (a missing uninstaller's entry) stays first.
        const QList<CleanedLeftover> before = report.leftovers.items;
        report.leftovers = std::move(cleanup).Value();
        report.leftovers.items = before + report.leftovers.items;
        if (!report.leftovers.stopReason.isEmpty()) {
            const std::string name = record.text.name.toStdString();
            const std::string reason = report.leftovers.stopReason.toStdString();
            char line[2 * InstalledProgram::kTextSize + 160];
            std::snprintf(line, sizeof(line), "leftovers of %s left alone: %s.\n", name.c_str(), reason.c_str());
            LogInfoEx(line);
        }
    }
    return report;
}

// A missing uninstaller file alone starts no grace: its uninstaller may well
// still be at work.
platform::RunWatch CUninstallerCore::WaitWatch(const ProgramRecord& record, UninstallStepReport* report) {
    Clock::time_point nextLook;
    Clock::time_point goneAt;
    bool gone = false;
    return [=](const platform::RunProgress& progress) mutable {
        const Clock::time_point now = Clock::now();
        if (progress.firstEnded && !gone && now >= nextLook) {
            bool failed = false;
            gone = !CRemovalCheck(platform.Registry(), platform.Files()).StillRegistered(record.program, &failed);
            // The backend failed: Uninstall reports it once the wait is over.
            if (failed) return false;
            goneAt = now;
            // On a machine with thousands of programs a look takes a while:
            // it never takes more than a fifth of the wait.
            const Clock::time_point looked = Clock::now();
            nextLook = looked +
                       std::max<Clock::duration>(std::chrono::milliseconds(waitTimes.goneCheckMs), 4 * (looked - now));
        }
        WaitState state;
        bool skip = false;
        {
            std::lock_guard<std::mutex> lock(waitMutex);
            wait.firstEnded = progress.firstEnded;
            wait.programGone = gone;
            wait.running.clear();
            for (const std::string& name : progress.running)
                wait.running << Text(name);
            wait.installerBusy = progress.installerBusy;
            wait.elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(now - waitStart).count();
            state = wait;
            skip = skipAsked;
        }
        if (waitCallback) waitCallback(state);
        report->leftRunning = state.running;
        report->waitSkipped = skip;
        return !skip && !(gone && now - goneAt >= std::chrono::milliseconds(waitTimes.graceMs));
    };
}

void CUninstallerCore::SkipWait() {
    std::lock_guard<std::mutex> lock(waitMutex);
    if (wait.waiting) skipAsked = true;
}

CUninstallerCore::WaitState CUninstallerCore::CurrentWait() const {
    std::lock_guard<std::mutex> lock(waitMutex);
    WaitState state = wait;
    if (state.waiting)
        state.elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - waitStart).count();
    state.skipAsked = state.waiting && skipAsked;
    return state;
}

bool CUninstallerCore::StartOwnUninstaller(const ProgramRecord& record, QString* why) {
    const std::string command = FieldText(record.program.uninstallCommand);
    platform::RunOutcome outcome;
    if (platform.System().Start(command, &outcome) != platform::kErrorSuccess) {
        const std::string failure = outcome.failure.empty() ? platform.FatalError() : outcome.failure;
        *why = QStringLiteral("the target machine could not be reached: ") + Text(failure);
        return false;
    }
    if (outcome.started) return true;
    LogFailedStart(command, outcome.startError);
    *why = QStringLiteral("its uninstaller could not be started (error %1)").arg(outcome.startError);
    return false;
}

std::string CUninstallerCore::RemovalCommand(const ProgramRecord& record) {
    const std::string own = FieldText(record.program.uninstallCommand);
    const std::string productCode =
        std::string(record.program.productCode, strnlen(record.program.productCode, sizeof record.program.productCode));
    if (productCode.empty()) return own;
    bool known = false;
    // A product Windows Installer cannot tell about keeps its own command.
    if (platform.System().InstallerKnowsProduct(productCode, &known) != platform::kErrorSuccess || !known) return own;
    // The system's own msiexec, by its full path, so that no msiexec.exe
    // beside this program or in the working folder runs in its place.
    std::string windows;
    std::string msiexec = "msiexec.exe";
    if (platform.Files().SpecialFolder(platform::kCsidlWindows, &windows) == platform::kErrorSuccess &&
        !windows.empty() && platform::IsAscii(windows)) {
        if (windows.back() == '\\') windows.pop_back();
        msiexec = "\"" + windows + "\\System32\\msiexec.exe\"";
    }
    return msiexec + " /X" + productCode + (unattended ? " /qn" : "");
}

uint32_t CUninstallerCore::UninstallerWindows(const ProgramRecord& record, bool raise) {
    // The windows are those of the command the wait runs, which for a
    // Windows Installer package is not the entry's own.
    std::string command;
    {
        std::lock_guard<std::mutex> lock(waitMutex);
        if (wait.waiting) command = runningCommand;
    }
    if (command.empty()) command = FieldText(record.program.uninstallCommand);
    uint32_t count = 0;
    if (platform.System().RunWindows(command, raise, &count) != platform::kErrorSuccess) return 0;
    return count;
}

QString CUninstallerCore::OwnFolderOnTarget() {
    const QString folder = QDir::toNativeSeparators(ExecutableDirectory());
#ifdef _WIN32
    return folder;
#else
    return QStringLiteral("Z:") + QString(folder).replace(QLatin1Char('/'), QLatin1Char('\\'));
#endif
}
