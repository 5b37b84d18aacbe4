#include "uninstall/LeftoverCleaner.h"

#include <cstring>
#include <vector>

#include "include/PathText.h"
#include "inventory/AppEnum.h"
#include "platform/WindowsFacts.h"
#include "uninstall/ClaimReader.h"
#include "uninstall/RemovalCheck.h"
#include "uninstall/RestorePoint.h"
#include "uninstall/TargetPath.h"

using platform::Hive;
using platform::kMuiCacheKey;
using platform::RegKey;
using platform::ScopedRegKey;

namespace {

bool HiveOf(const LeftoverItem& item, Hive* hive) {
    if (item.hive == LeftoverLocalMachine)
        *hive = Hive::LocalMachine;
    else if (item.hive == LeftoverCurrentUser)
        *hive = Hive::CurrentUser;
    else
        return false; // found nowhere, so deleted nowhere
    return true;
}

} // namespace

CLeftoverCleaner::CLeftoverCleaner(platform::IFileSystem& targetFiles, platform::IRegistry& targetRegistry,
                                   platform::ISystem& targetSystem, CAppEnum& inventory)
    : files(targetFiles), registry(targetRegistry), system(targetSystem), appEnum(inventory),
      policy(targetFiles, watch), search(targetFiles, policy, inventory, watch), remover(targetFiles, policy, watch) {}

void CLeftoverCleaner::SetOwnFolder(const QString& folder) {
    policy.SetOwnFolder(folder);
}

bool CLeftoverCleaner::IsAbsolute(const QString& path) {
    return CTargetPath::IsAbsolute(path);
}

QString CLeftoverCleaner::FolderText(const QString& installLocation, const QString& displayIcon,
                                     const QString& uninstallCommand) {
    // A folder name may hold a comma; only an icon text has an index after one.
    QString text = CleanFolderText(installLocation);
    if (text.isEmpty()) text = CleanPathText(displayIcon);
    if (text.isEmpty()) text = UninstallerStem(uninstallCommand);
    if (text.endsWith(QLatin1Char('\\'))) text.chop(1);
    // An absolute text is cleaned so that "C:\Apps\..\Windows" is seen as
    // the Windows folder it names.
    if (IsAbsolute(text)) text = CTargetPath::FromText(text).Native();
    return text;
}

QList<LeftoverItem> CLeftoverCleaner::CleanLeftovers(InstalledProgram program) {
    const QList<LeftoverItem> leftovers = CollectLeftovers(program);
    DeleteLeftovers(leftovers);
    return leftovers;
}

bool CLeftoverCleaner::LoadClaims(const InstalledProgram& program, const QString& displayName) {
    // The known folders come first: a claim on one claims nothing.
    stopReason = policy.Failure();
    if (!stopReason.isEmpty()) return false;
    CClaimReader reader(registry, system, watch, appEnum.Is64BitOs());
    CClaimReader::Claims claims;
    if (!reader.Read(
            program, displayName, [this](const CTargetPath& path) { return policy.IsKnownFolder(path); }, &claims)) {
        stopReason = reader.Reason();
        return false;
    }
    policy.SetClaims(claims.folders, claims.names);
    stopReason = policy.Failure();
    return stopReason.isEmpty();
}

QList<LeftoverItem> CLeftoverCleaner::CollectLeftovers(const InstalledProgram& program,
                                                       QList<SkippedLeftover>* skipped) {
    QList<LeftoverItem> leftovers;
    watch.Reset();
    policy.Reset();
    search.ClearKept();
    stopReason.clear();

    const std::vector<std::string> texts{FieldText(program.displayName),      FieldText(program.iconGroup),
                                         FieldText(program.installLocation),  FieldText(program.displayIcon),
                                         FieldText(program.uninstallCommand), FieldText(program.publisher)};
    const QString displayName = CTargetPath::FromUtf8(texts[0]);
    const QString iconGroup = CTargetPath::FromUtf8(texts[1]);
    QString folder =
        FolderText(CTargetPath::FromUtf8(texts[2]), CTargetPath::FromUtf8(texts[3]), CTargetPath::FromUtf8(texts[4]));
    // The stem of a system program that uninstalls others ("MsiExec.exe
    // /X{...}") names that program's MuiCache values, not this one's.
    const QString uninstaller = CommandPath(CTargetPath::FromUtf8(texts[4]));
    if (!folder.isEmpty() && !IsAbsolute(folder) &&
        (!IsAbsolute(uninstaller) || policy.IsUntouchable(CTargetPath::FromText(uninstaller))))
        folder.clear();
    const QString publisher = CTargetPath::FromUtf8(texts[5]);

    // Without all that the other programs claim and the known folders,
    // nothing is safe to collect: the collection stops and says why.
    if (!LoadClaims(program, displayName)) {
        if (skipped)
            skipped->append(
                SkippedLeftover{folder, QStringLiteral("nothing is collected: ") + stopReason, KeptUndecided});
        return leftovers;
    }

    // The install folder is judged where it really is; a folder out of reach
    // lends its name to no search either.
    bool folderInReach = true;
    const CTargetPath folderPath = CTargetPath::FromText(folder);
    if (!folderPath.IsEmpty()) {
        const CProtectedFolders::Location location = policy.FinalLocation(folderPath);
        QString reason;
        int32_t because = KeptUndecided;
        switch (location.place) {
        case CProtectedFolders::Place::Outside:
            reason = QStringLiteral("its real location %1 lies outside the machine's own disk").arg(location.hostPath);
            because = KeptOutsideMachine;
            break;
        case CProtectedFolders::Place::Unknown:
            reason = QStringLiteral("its real location cannot be told");
            break;
        case CProtectedFolders::Place::Found:
            if (policy.IsKnownFolder(location.real) || policy.IsKnownFolder(folderPath)) {
                reason = QStringLiteral("it is, or holds, a protected folder");
                because = KeptKnownFolder;
            } else if (policy.IsInsideClaim(location.real) || policy.IsInsideClaim(folderPath)) {
                reason = QStringLiteral("another installed program claims it");
                because = KeptClaimedByOther;
            }
            break;
        case CProtectedFolders::Place::Missing:
            break;
        }
        if (!reason.isEmpty()) {
            if (skipped) skipped->append(SkippedLeftover{folder, reason, because});
            folderInReach = false;
        }
    }
    // A program that names no install folder, or one out of reach, may
    // still have one: the folder of its icon or of its uninstaller, when
    // that folder names it.
    CTargetPath installFolder;
    if (folderInReach && !CleanFolderText(CTargetPath::FromUtf8(texts[2])).isEmpty()) installFolder = folderPath;
    if (installFolder.IsEmpty())
        installFolder = search.FolderNamingProgram(
            {CTargetPath::FromText(CleanPathText(CTargetPath::FromUtf8(texts[3]))), CTargetPath::FromText(uninstaller)},
            displayName, publisher);
    if (!installFolder.IsEmpty()) leftovers += search.SearchAppDataFolders(installFolder, displayName, publisher);
    leftovers += search.SearchProgramFolders(displayName, publisher);

    // A search that found no file is repeated with the icon group; the
    // repeat adds its finds together with the first search's, which thus
    // come twice (deleting them twice is harmless).
    auto searchTwice = [&](CLeftoverSearch::TreeFinds (CLeftoverSearch::*step)(const QString&)) {
        CLeftoverSearch::TreeFinds finds = (search.*step)(displayName);
        leftovers += finds.All();
        if (!finds.leftoverFiles.isEmpty()) return;
        const CLeftoverSearch::TreeFinds again = (search.*step)(iconGroup);
        finds.leftoverFiles += again.leftoverFiles;
        finds.leftoverFolders += again.leftoverFolders;
        leftovers += finds.All();
    };
    searchTwice(&CLeftoverSearch::SearchStartMenu);
    searchTwice(&CLeftoverSearch::SearchDesktop);

    // The uninstall key is taken even when the folder is out of reach; the
    // MuiCache values naming such a folder are not. A key of the same name
    // that is no registration of this program (another command) and whose
    // uninstaller is still there registers another program: the same
    // program in the other view, or one that shares its name.
    const std::string ownCommand = texts[4];
    CRemovalCheck removalCheck(registry, files);
    const auto mayTake = [&](const std::string& command, const std::string& quietCommand) {
        if (!ownCommand.empty() && (command == ownCommand || quietCommand == ownCommand)) return true;
        bool failed = false;
        const bool gone = (command.empty() || removalCheck.UninstallerMissing(command, &failed)) &&
                          (quietCommand.empty() || removalCheck.UninstallerMissing(quietCommand, &failed));
        if (failed) watch.Ok(platform::kErrorBackendFailure);
        return gone && !failed;
    };
    leftovers += search.CollectRegistryLeftovers(displayName, folder, folderInReach, mayTake);
    // A search whose backend gave out saw only part of the machine: its
    // finds are no list to act on.
    if (watch.Failed()) leftovers.clear();
    if (skipped) *skipped += search.Kept();
    return leftovers;
}

void CLeftoverCleaner::SetRestorePoint(CRestorePoint* point) {
    restorePoint = point;
    remover.SetRestorePoint(point);
}

void CLeftoverCleaner::DeleteLeftovers(const QList<LeftoverItem>& leftovers) {
    policy.ForgetLocations();
    for (const LeftoverItem& item : leftovers) {
        // Once the backend has failed nothing more is deleted.
        if (watch.Failed() || (restorePoint && restorePoint->Full())) return;
        switch (item.kind) {
        case LeftoverFile:
            remover.DeleteLeftoverFile(item.target);
            break;
        case LeftoverFolder:
            remover.DeleteFolderTree(item.target);
            break;
        case LeftoverRegistry:
        case LeftoverMuiCacheValue:
            DeleteRegistryItem(item);
            break;
        default:
            break;
        }
    }
}

bool CLeftoverCleaner::DeleteFolderTree(const QString& path) {
    return remover.DeleteFolderTree(path);
}

void CLeftoverCleaner::DeleteRegistryItem(const LeftoverItem& item) {
    if (restorePoint) {
        Hive hive = Hive::ClassesRoot;
        std::string path = kMuiCacheKey;
        std::string name = item.target.toStdString();
        if (item.kind != LeftoverMuiCacheValue) {
            if (!HiveOf(item, &hive)) return;
            path = item.target.toStdString();
            name = item.valueName.toStdString();
        }
        watch.Ok(restorePoint->TakeRegistry(hive, item.view, path, name.empty() ? nullptr : &name));
        return;
    }
    if (item.kind == LeftoverMuiCacheValue) {
        ScopedRegKey key(registry);
        if (!watch.Ok(registry.OpenKey(Hive::ClassesRoot, kMuiCacheKey, platform::kKeyAllAccess, key.out()))) return;
        watch.Ok(registry.DeleteValue(key.get(), item.target.toStdString()));
        return;
    }
    // Only in the hive it was found in: the same key path in the other hive
    // may be another registration of the same product.
    Hive hive;
    if (!HiveOf(item, &hive)) return;
    const std::string path = item.target.toStdString();
    if (item.valueName.isEmpty()) {
        watch.Ok(registry.DeleteKey(hive, path));
        return;
    }
    ScopedRegKey key(registry);
    if (!watch.Ok(registry.OpenKey(hive, path, platform::kKeyAllAccess, key.out()))) return;
    watch.Ok(registry.DeleteValue(key.get(), item.valueName.toStdString()));
}

bool CLeftoverCleaner::LeftoverExists(const LeftoverItem& item) {
    switch (item.kind) {
    case LeftoverFile:
        return files.Exists(CRealPath::FromText(item.target).Exact());
    case LeftoverFolder:
        return files.FolderExists(CRealPath::FromText(item.target).Exact());
    default:
        break;
    }
    auto valueExists = [this](RegKey key, const QString& valueName) {
        uint32_t type = 0;
        std::string data;
        const uint32_t error = registry.QueryValue(key, valueName.toStdString(), 0, &type, &data);
        return error == platform::kErrorSuccess || error == platform::kErrorMoreData;
    };
    if (item.kind == LeftoverMuiCacheValue) {
        ScopedRegKey key(registry);
        if (!watch.Ok(registry.OpenKey(Hive::ClassesRoot, kMuiCacheKey, platform::kKeyRead, key.out()))) return false;
        return valueExists(key.get(), item.target);
    }
    Hive hive;
    if (!HiveOf(item, &hive)) return false;
    ScopedRegKey key(registry);
    if (!watch.Ok(registry.OpenKey(hive, item.target.toStdString(), platform::kKeyRead, key.out()))) return false;
    return item.valueName.isEmpty() || valueExists(key.get(), item.valueName);
}
