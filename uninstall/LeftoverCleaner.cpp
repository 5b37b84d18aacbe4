#include "uninstall/LeftoverCleaner.h"

#include <cstring>
#include <vector>

#include "PathText.h"
#include "inventory/AppEnum.h"
#include "uninstall/TargetPath.h"

using platform::Hive;
using platform::RegKey;
using platform::ScopedRegKey;

namespace {

constexpr const char* kMuiCacheKey = "Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache";

} // namespace

CLeftoverCleaner::CLeftoverCleaner(platform::IFileSystem& targetFiles, platform::IRegistry& targetRegistry,
                                   platform::ISystem& targetSystem, CAppEnum& inventory)
    : files(targetFiles), registry(targetRegistry), system(targetSystem), policy(targetFiles, watch),
      search(targetFiles, policy, inventory, watch), remover(targetFiles, policy, watch),
      names(targetRegistry, targetSystem, watch) {}

void CLeftoverCleaner::SetOwnFolder(const QString& folder) {
    policy.SetOwnFolder(folder);
}

bool CLeftoverCleaner::IsAbsolute(const QString& path) {
    return CTargetPath::IsAbsolute(path);
}

QString CLeftoverCleaner::FolderText(const QString& installLocation, const QString& displayIcon,
                                     const QString& uninstallCommand) {
    QString text = CleanPathText(installLocation);
    if (text.isEmpty()) text = CleanPathText(displayIcon);
    if (text.isEmpty()) text = UninstallerStem(uninstallCommand);
    if (text.endsWith(QLatin1Char('\\'))) text.chop(1);
    // An absolute text is cleaned so that "C:\Apps\..\Windows" is seen as
    // the Windows folder it names.
    if (IsAbsolute(text)) text = CTargetPath::CleanAbsolute(text);
    return text;
}

QList<LeftoverItem> CLeftoverCleaner::CleanLeftovers(InstalledProgram program) {
    const QList<LeftoverItem> leftovers = CollectLeftovers(program);
    DeleteLeftovers(leftovers);
    return leftovers;
}

QList<LeftoverItem> CLeftoverCleaner::CollectLeftovers(const InstalledProgram& program) {
    QList<LeftoverItem> leftovers;
    watch.Reset();
    policy.Reset();

    auto field = [](const char(&text)[InstalledProgram::kTextSize]) {
        return std::string(text, strnlen(text, InstalledProgram::kTextSize));
    };
    std::vector<std::string> texts;
    if (!watch.Ok(
            system.AnsiToUtf8({field(program.displayName), field(program.iconGroup), field(program.installLocation),
                               field(program.displayIcon), field(program.uninstallCommand)},
                              &texts)))
        return leftovers;
    const QString displayName = CTargetPath::FromUtf8(texts[0]);
    const QString iconGroup = CTargetPath::FromUtf8(texts[1]);
    const QString folder =
        FolderText(CTargetPath::FromUtf8(texts[2]), CTargetPath::FromUtf8(texts[3]), CTargetPath::FromUtf8(texts[4]));

    leftovers += search.SearchAppDataFolders(folder);

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

    leftovers += search.CollectRegistryLeftovers(displayName, folder);
    // A search whose backend gave out saw only part of the machine: its
    // finds are no list to act on.
    if (watch.Failed()) leftovers.clear();
    return leftovers;
}

void CLeftoverCleaner::DeleteLeftovers(const QList<LeftoverItem>& leftovers) {
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
    for (Hive hive : {Hive::LocalMachine, Hive::CurrentUser}) {
        std::string path;
        if (!names.AnsiKeyPath(hive, 0, item.target, &path)) continue;
        if (item.valueName.isEmpty()) {
            watch.Ok(registry.DeleteKey(hive, path));
            continue;
        }
        ScopedRegKey key(registry);
        if (!watch.Ok(registry.OpenKey(hive, path, platform::kKeyAllAccess, key.out()))) continue;
        std::string name;
        if (names.AnsiName(key.get(), item.valueName, true, &name)) watch.Ok(registry.DeleteValue(key.get(), name));
    }
}

bool CLeftoverCleaner::LeftoverExists(const LeftoverItem& item) {
    switch (item.kind) {
    case LeftoverFile:
        return files.Exists(CTargetPath::ToUtf8(CTargetPath::Native(item.target)));
    case LeftoverFolder:
        return files.FolderExists(CTargetPath::ToUtf8(CTargetPath::Native(item.target)));
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
    for (Hive hive : {Hive::LocalMachine, Hive::CurrentUser}) {
        std::string path;
        if (!names.AnsiKeyPath(hive, 0, item.target, &path)) continue;
        ScopedRegKey key(registry);
        if (!watch.Ok(registry.OpenKey(hive, path, platform::kKeyRead, key.out()))) continue;
        if (item.valueName.isEmpty() || valueExists(key.get(), item.valueName)) return true;
    }
    return false;
}
