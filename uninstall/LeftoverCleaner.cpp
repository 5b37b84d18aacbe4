#include "uninstall/LeftoverCleaner.h"

#include <cstring>
#include <vector>

#include "include/PathText.h"
#include "inventory/AppEnum.h"
#include "platform/WindowsFacts.h"
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
      policy(targetFiles, watch), search(targetFiles, policy, inventory, watch), remover(targetFiles, policy, watch),
      names(targetRegistry, targetSystem, watch) {}

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

namespace {

// Two records of one registration: the same names, folder and commands.
bool SameRegistration(const InstalledProgram& a, const InstalledProgram& b) {
    return FieldText(a.displayName) == FieldText(b.displayName) &&
           FieldText(a.installLocation) == FieldText(b.installLocation) &&
           FieldText(a.uninstallCommand) == FieldText(b.uninstallCommand) &&
           FieldText(a.displayIcon) == FieldText(b.displayIcon);
}

// The folder holding a file; none for a file at a drive root.
CTargetPath FolderOfFile(const QString& path) {
    const CTargetPath parent = CTargetPath::FromText(path).Parent();
    return parent.IsDriveRoot() ? CTargetPath() : parent;
}

QString LastName(const QString& text) {
    const int slash = text.lastIndexOf(QLatin1Char('\\'));
    return slash < 0 ? text : text.mid(slash + 1);
}

} // namespace

void CLeftoverCleaner::LoadClaims(const InstalledProgram& program, const QStringList& ownNames) {
    std::vector<InstalledProgram> others;
    for (const InstalledProgram& entry : appEnum.ReadRegisteredEntries())
        if (!SameRegistration(entry, program)) others.push_back(entry);
    std::vector<std::string> texts;
    for (const InstalledProgram& entry : others)
        for (const std::string& text :
             {FieldText(entry.displayName), FieldText(entry.iconGroup), FieldText(entry.installLocation),
              FieldText(entry.displayIcon), FieldText(entry.uninstallCommand), FieldText(entry.publisher)})
            texts.push_back(text);
    // Without the claims nothing is safe to collect: a failure here ends
    // the collection with an empty list (the watch remembers it).
    std::vector<std::string> decoded;
    if (!watch.Ok(system.AnsiToUtf8(texts, &decoded)) || decoded.size() != texts.size()) return;
    QList<CTargetPath> folders;
    QStringList names;
    for (size_t i = 0; i + 5 < decoded.size(); i += 6) {
        const QString displayName = CTargetPath::FromUtf8(decoded[i]);
        const QString iconGroup = CTargetPath::FromUtf8(decoded[i + 1]);
        const CTargetPath location = CTargetPath::FromText(CleanFolderText(CTargetPath::FromUtf8(decoded[i + 2])));
        const QString icon = CleanPathText(CTargetPath::FromUtf8(decoded[i + 3]));
        const QString uninstaller = CommandPath(CTargetPath::FromUtf8(decoded[i + 4]));
        const QString publisher = CTargetPath::FromUtf8(decoded[i + 5]);
        folders << location << FolderOfFile(icon) << FolderOfFile(uninstaller);
        names << displayName << LastName(iconGroup)
              << CLeftoverSearch::ProgramLeaf(location, displayName, publisher,
                                              [this](const CTargetPath& path) { return policy.IsKnownFolder(path); });
    }
    // A name the program itself bears is no claim against it: the same
    // name registered twice must not hide the program's own folders.
    QStringList claimedNames;
    for (const QString& name : names) {
        bool own = false;
        for (const QString& ownName : ownNames)
            own = own || CTargetPath::SameName(name.trimmed(), ownName.trimmed());
        if (!own && name.trimmed().size() >= 3) claimedNames << name;
    }
    policy.SetClaims(folders, claimedNames);
}

QList<LeftoverItem> CLeftoverCleaner::CollectLeftovers(const InstalledProgram& program,
                                                       QList<SkippedLeftover>* skipped) {
    QList<LeftoverItem> leftovers;
    watch.Reset();
    policy.Reset();

    std::vector<std::string> texts;
    if (!watch.Ok(system.AnsiToUtf8({FieldText(program.displayName), FieldText(program.iconGroup),
                                     FieldText(program.installLocation), FieldText(program.displayIcon),
                                     FieldText(program.uninstallCommand), FieldText(program.publisher)},
                                    &texts)) ||
        texts.size() != 6)
        return leftovers;
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

    LoadClaims(program, {displayName, LastName(iconGroup), LastName(folder)});

    // The install folder is judged where it really is; a folder out of reach
    // lends its name to no search either.
    bool folderInReach = true;
    const CTargetPath folderPath = CTargetPath::FromText(folder);
    if (!folderPath.IsEmpty()) {
        const CProtectedFolders::Location location = policy.FinalLocation(folderPath);
        QString reason;
        switch (location.place) {
        case CProtectedFolders::Place::Outside:
            reason = QStringLiteral("its real location %1 lies outside the machine's own disk").arg(location.hostPath);
            break;
        case CProtectedFolders::Place::Unknown:
            reason = QStringLiteral("its real location cannot be told");
            break;
        case CProtectedFolders::Place::Found:
            if (policy.IsKnownFolder(location.real) || policy.IsKnownFolder(folderPath))
                reason = QStringLiteral("it is, or holds, a protected folder");
            else if (policy.IsInsideClaim(location.real) || policy.IsInsideClaim(folderPath))
                reason = QStringLiteral("another installed program claims it");
            break;
        case CProtectedFolders::Place::Missing:
            break;
        }
        if (!reason.isEmpty()) {
            if (skipped) skipped->append(SkippedLeftover{folder, reason});
            folderInReach = false;
        } else {
            leftovers += search.SearchAppDataFolders(folderPath, displayName, publisher);
        }
    }

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
    // MuiCache values naming such a folder are not.
    leftovers += search.CollectRegistryLeftovers(displayName, folder, folderInReach);
    // A search whose backend gave out saw only part of the machine: its
    // finds are no list to act on.
    if (watch.Failed()) leftovers.clear();
    return leftovers;
}

void CLeftoverCleaner::DeleteLeftovers(const QList<LeftoverItem>& leftovers) {
    policy.ForgetLocations();
    for (const LeftoverItem& item : leftovers) {
        // Once the backend has failed nothing more is deleted.
        if (watch.Failed()) return;
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
    if (item.kind == LeftoverMuiCacheValue) {
        ScopedRegKey key(registry);
        if (!watch.Ok(registry.OpenKey(Hive::ClassesRoot, kMuiCacheKey, platform::kKeyAllAccess, key.out()))) return;
        std::string name;
        if (names.AnsiName(key.get(), item.target, true, &name)) watch.Ok(registry.DeleteValue(key.get(), name));
        return;
    }
    // Only in the hive it was found in: the same key path in the other hive
    // may be another registration of the same product.
    Hive hive;
    if (!HiveOf(item, &hive)) return;
    std::string path;
    if (!names.AnsiKeyPath(hive, 0, item.target, &path)) return;
    if (item.valueName.isEmpty()) {
        watch.Ok(registry.DeleteKey(hive, path));
        return;
    }
    ScopedRegKey key(registry);
    if (!watch.Ok(registry.OpenKey(hive, path, platform::kKeyAllAccess, key.out()))) return;
    std::string name;
    if (names.AnsiName(key.get(), item.valueName, true, &name)) watch.Ok(registry.DeleteValue(key.get(), name));
}

bool CLeftoverCleaner::LeftoverExists(const LeftoverItem& item) {
    switch (item.kind) {
    case LeftoverFile:
        return files.Exists(CRealPath::FromText(item.target).Utf8());
    case LeftoverFolder:
        return files.FolderExists(CRealPath::FromText(item.target).Utf8());
    default:
        break;
    }
    auto valueExists = [this](RegKey key, const QString& valueName) {
        std::string name;
        if (!names.AnsiName(key, valueName, true, &name)) return false;
        uint32_t type = 0;
        std::string data;
        const uint32_t error = registry.QueryValue(key, name, 0, &type, &data);
        return error == platform::kErrorSuccess || error == platform::kErrorMoreData;
    };
    if (item.kind == LeftoverMuiCacheValue) {
        ScopedRegKey key(registry);
        if (!watch.Ok(registry.OpenKey(Hive::ClassesRoot, kMuiCacheKey, platform::kKeyRead, key.out()))) return false;
        return valueExists(key.get(), item.target);
    }
    Hive hive;
    if (!HiveOf(item, &hive)) return false;
    std::string path;
    if (!names.AnsiKeyPath(hive, 0, item.target, &path)) return false;
    ScopedRegKey key(registry);
    if (!watch.Ok(registry.OpenKey(hive, path, platform::kKeyRead, key.out()))) return false;
    return item.valueName.isEmpty() || valueExists(key.get(), item.valueName);
}
