#include "uninstall/OrphanScan.h"

#include <QSet>
#include <algorithm>

#include "include/InstalledProgram.h"
#include "include/PathText.h"
#include "uninstall/ClaimReader.h"
#include "uninstall/LeftoverSearch.h"

namespace {

// The folders whose direct folders are looked at, in the order they are
// listed.
const int kRoots[] = {platform::kCsidlProgramFiles,  platform::kCsidlProgramFilesX86, platform::kCsidlAppData,
                      platform::kCsidlLocalAppData,  platform::kCsidlCommonAppData,   platform::kCsidlPrograms,
                      platform::kCsidlCommonPrograms};

// Names that Windows, Wine or this program give folders among the roots,
// never a gone program's: what a fresh Wine prefix holds there, what
// Windows puts there, and this program's own data folder (the restore
// store lies in it).
const char* const kNeverOffered[] = {
    // Program Files (both)
    "Common Files", "Internet Explorer", "Windows Media Player", "Windows NT", "Windows Mail", "Windows Defender",
    "Windows Defender Advanced Threat Protection", "Windows Photo Viewer", "Windows Portable Devices",
    "Windows Security", "Windows Sidebar", "Windows Journal", "Windows Multimedia Platform", "WindowsApps",
    "WindowsPowerShell", "ModifiableWindowsApps", "Microsoft.NET", "MSBuild", "Reference Assemblies",
    "Uninstall Information", "Microsoft Update Health Tools", "dotnet",
    // AppData (roaming, local, low) and ProgramData
    "Microsoft", "Packages", "Temp", "Programs", "VirtualStore", "ConnectedDevicesPlatform", "CrashDumps", "D3DSCache",
    "PlaceholderTileLogoFolder", "Comms", "History", "Publishers", "PeerDistRepub", "Microsoft_Corporation",
    "Diagnostics", "ElevatedDiagnostics", "Temporary Internet Files", "Package Cache", "regid.1991-06.com.microsoft",
    "USOPrivate", "USOShared", "SoftwareDistribution", "ssh", "Application Data", "Desktop", "Documents", "Start Menu",
    "Templates", "Favorites",
    // The Start Menus' programs
    "Administrative Tools", "StartUp", "Startup", "Accessories", "Accessibility", "Maintenance", "System Tools",
    "Windows Accessories", "Windows Administrative Tools", "Windows Ease of Access", "Windows PowerShell",
    "Windows System", "Windows Tools", "Games",
    // Wine's own
    "Wine", "Mono", "Gecko", "wine_gecko",
    // This program's own data (and restore store)
    "Tolvanire Uninstaller"};

} // namespace

COrphanScan::COrphanScan(platform::IFileSystem& targetFiles, platform::IRegistry& targetRegistry,
                         platform::ISystem& targetSystem, bool is64Bit)
    : files(targetFiles), registry(targetRegistry), system(targetSystem), is64BitOs(is64Bit),
      policy(targetFiles, watch), remover(targetFiles, policy, watch) {}

void COrphanScan::SetOwnFolder(const QString& folder) {
    policy.SetOwnFolder(folder);
}

bool COrphanScan::IsNeverOffered(const QString& name) {
    static const QSet<QString> names = [] {
        QSet<QString> keys;
        for (const char* entry : kNeverOffered)
            keys.insert(WindowsNameKey(QLatin1String(entry)));
        return keys;
    }();
    return names.contains(WindowsNameKey(name.trimmed()));
}

bool COrphanScan::Fail(const QString& why) {
    if (reason.isEmpty()) reason = why;
    return false;
}

bool COrphanScan::LoadFences() {
    watch.Reset();
    policy.Reset();
    reason.clear();
    bearers.clear();
    runningImages.clear();
    const QString policyFailure = policy.Failure();
    if (!policyFailure.isEmpty()) return Fail(policyFailure);

    // Every registration claims: none is the program being removed.
    CClaimReader reader(registry, system, watch, is64BitOs);
    CClaimReader::Claims claims;
    if (!reader.Read(
            InstalledProgram(), QString(), [this](const CTargetPath& path) { return policy.IsKnownFolder(path); },
            &claims))
        return Fail(reader.Reason());
    policy.SetClaims(claims.folders, claims.names);
    bearers = claims.bearers;
    const QString claimFailure = policy.Failure();
    if (!claimFailure.isEmpty()) return Fail(claimFailure);

    std::vector<std::string> images;
    const uint32_t status = system.RunningImages(&images);
    if (!watch.Ok(status)) return Fail(QStringLiteral("the running programs cannot be listed (error %1)").arg(status));
    for (const std::string& image : images) {
        const CTargetPath text = CTargetPath::FromText(CTargetPath::FromUtf8(image));
        if (text.IsEmpty()) continue;
        runningImages << text;
        const CProtectedFolders::Location location = policy.FinalLocation(text);
        if (location.place == CProtectedFolders::Place::Found) runningImages << location.real.Path();
    }
    return true;
}

bool COrphanScan::HoldsRunningImage(const CTargetPath& folder) const {
    return std::any_of(runningImages.begin(), runningImages.end(),
                       [&folder](const CTargetPath& image) { return image.IsInside(folder); });
}

bool COrphanScan::NamesRegisteredProgram(const QString& name) const {
    if (policy.IsClaimedName(name)) return true;
    for (const QString& bearer : bearers)
        if (CLeftoverSearch::SharesProgramWord(name, bearer) || CTargetPath::SameName(name, bearer.trimmed()))
            return true;
    return false;
}

bool COrphanScan::GroupNamesRegisteredProgram(const CTargetPath& group) {
    std::vector<platform::TreeEntry> entries;
    // A group that cannot be looked into may be anyone's.
    if (!watch.Ok(files.ListTree(group.Utf8(), platform::kListEverything, &entries))) return true;
    for (const platform::TreeEntry& entry : entries) {
        const QString name = CTargetPath::FromUtf8(entry.entry.name);
        if (NamesRegisteredProgram(entry.entry.isDir() ? name : CTargetPath::Stem(name))) return true;
    }
    return false;
}

bool COrphanScan::MayOffer(const QString& name, const CTargetPath& path, bool startMenu) {
    if (IsNeverOffered(name) || NamesRegisteredProgram(name)) return false;
    if (policy.IsRefusedFolder(path) || HoldsRunningImage(path)) return false;
    // Judged again where it really is: a junction to a known or claimed
    // folder, or to the host's own files, is never offered.
    const CProtectedFolders::Location location = policy.FinalLocation(path);
    if (location.place != CProtectedFolders::Place::Found) return false;
    if (policy.IsRefusedFolder(location.real) || HoldsRunningImage(location.real.Path())) return false;
    // A Start Menu group may bear a name of its own; its shortcuts are
    // named after the programs they start.
    return !startMenu || !GroupNamesRegisteredProgram(path);
}

void COrphanScan::Measure(OrphanFolder* folder) {
    const CRealPath top = CRealPath::FromText(folder->path);
    platform::FileStat stat;
    if (watch.Ok(files.Stat(top.Exact(), &stat))) folder->lastChange = stat.writeTime;
    // A tree that cannot be listed has no size to tell.
    std::vector<platform::TreeEntry> entries;
    if (!watch.Ok(files.ListTree(top.Exact(), platform::kListEverything, &entries))) return;
    std::vector<CRealPath> paths;
    paths.reserve(entries.size());
    int64_t size = 0;
    for (const platform::TreeEntry& entry : entries) {
        const bool topLevel = entry.parent == platform::TreeEntry::kTreeRoot || entry.parent >= paths.size();
        paths.push_back((topLevel ? top : paths[entry.parent]).Child(CTargetPath::FromUtf8(entry.entry.name)));
        // An entry gone since the listing changes nothing.
        if (!watch.Ok(files.Stat(paths.back().Exact(), &stat))) continue;
        if (!entry.entry.isDir()) size += static_cast<int64_t>(stat.size);
        folder->lastChange = std::max(folder->lastChange, stat.writeTime);
    }
    folder->size = size;
}

bool COrphanScan::Offered(QList<CTargetPath>* offered) {
    offered->clear();
    if (!LoadFences()) return false;
    QList<CTargetPath> roots;
    QList<bool> startMenus;
    for (int csidl : kRoots) {
        std::string path;
        const uint32_t status = files.SpecialFolder(csidl, &path);
        if (platform::IsNotFound(status)) continue;
        if (!watch.Ok(status))
            return Fail(
                QStringLiteral("the special folder %1 could not be looked up (error %2)").arg(csidl).arg(status));
        const CTargetPath root = CTargetPath::FromText(CTargetPath::FromUtf8(path));
        // On a 32-bit system both Program Files are one.
        if (root.IsEmpty() || roots.contains(root)) continue;
        roots << root;
        startMenus << (csidl == platform::kCsidlPrograms || csidl == platform::kCsidlCommonPrograms);
    }
    for (int i = 0; i < roots.size(); ++i) {
        const CTargetPath& root = roots[i];
        // Hidden and system folders are the system's; links are no folder
        // of a program's own.
        std::vector<platform::FileEntry> entries;
        const uint32_t status = files.ListFolder(root.Utf8(), platform::kListDirs, &entries);
        if (platform::IsNotFound(status)) continue;
        if (!watch.Ok(status))
            return Fail(QStringLiteral("the folder %1 cannot be listed (error %2)").arg(root.Native()).arg(status));
        for (const platform::FileEntry& entry : entries) {
            if (!entry.isDir() || entry.isLink()) continue;
            const QString name = CTargetPath::FromUtf8(entry.name);
            const CTargetPath path = root.Child(name);
            if (MayOffer(name, path, startMenus[i])) *offered << path;
        }
    }
    // A scan whose backend gave out saw only part of the machine.
    if (watch.Failed()) {
        offered->clear();
        return Fail(QStringLiteral("the backend failed during the scan"));
    }
    return true;
}

bool COrphanScan::Scan(QList<OrphanFolder>* found) {
    found->clear();
    QList<CTargetPath> offered;
    if (!Offered(&offered)) return false;
    for (const CTargetPath& path : offered) {
        OrphanFolder folder{path.Native()};
        Measure(&folder);
        *found << folder;
    }
    if (watch.Failed()) {
        found->clear();
        return Fail(QStringLiteral("the backend failed during the scan"));
    }
    return true;
}

bool COrphanScan::Delete(const QStringList& paths, QList<OrphanDeletion>* results) {
    results->clear();
    QList<CTargetPath> offered;
    if (!Offered(&offered)) return false;
    policy.ForgetLocations();
    for (const QString& path : paths) {
        const CTargetPath target = CTargetPath::FromText(path);
        OrphanDeletion result{path};
        result.offered = !target.IsEmpty() && offered.contains(target);
        // Once the backend has failed nothing more is deleted.
        if (result.offered && !watch.Failed()) result.deleted = remover.DeleteFolderTree(target.Native());
        *results << result;
    }
    if (watch.Failed()) return Fail(QStringLiteral("the backend failed during the deletion"));
    return true;
}
