#include "uninstall/LeftoverSearch.h"

#include <vector>

#include "inventory/AppEnum.h"
#include "uninstall/ProtectedFolders.h"
#include "uninstall/TargetPath.h"

namespace {

// Shorter names ("Go", "AB") would catch files of unrelated programs.
constexpr int kMinimumNameLength = 3;

// A file name without its last extension.
QString Stem(const QString& name) {
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

// A pattern as the search is given it: "Acme/" or "Acme\" asks for a folder
// of that name above the entry; "Acme" also takes the entry itself.
struct Pattern {
    QString name;
    bool onlyAbove = false;

    explicit Pattern(const QString& text) {
        onlyAbove = !text.isEmpty() && CTargetPath::IsSeparator(text.back());
        name = onlyAbove ? text.left(text.size() - 1) : text;
    }
};

} // namespace

CLeftoverSearch::CLeftoverSearch(platform::IFileSystem& targetFiles, CProtectedFolders& folderPolicy,
                                 CAppEnum& inventory, CBackendWatch& backendWatch)
    : files(targetFiles), policy(folderPolicy), appEnum(inventory), watch(backendWatch) {}

QList<LeftoverItem> CLeftoverSearch::CollectInstallFolder(const QString& folder) {
    // A relative text would name a folder relative to whatever the current
    // folder is; a shared folder would make unrelated files leftovers.
    if (!CTargetPath::IsAbsolute(folder) || policy.IsRefusedFolder(folder)) return {};
    const QString native = CTargetPath::Native(folder);
    uint32_t attributes = platform::kInvalidAttributes;
    if (!watch.Ok(files.GetAttributes(CTargetPath::ToUtf8(native), &attributes))) return {};
    // A linked install folder would take the link's target with it.
    if (!(attributes & platform::kAttrDirectory) || (attributes & platform::kAttrReparsePoint)) return {};
    std::vector<platform::FileEntry> entries;
    if (!watch.Ok(files.ListFolder(CTargetPath::ToUtf8(native), platform::kListFiles | platform::kListDirs, &entries)))
        return {};

    const QString base = CTargetPath::Slashed(native);
    QList<LeftoverItem> folders;
    QList<LeftoverItem> fileItems;
    for (const platform::FileEntry& entry : entries) {
        LeftoverItem item;
        item.target = base + QLatin1Char('/') + CTargetPath::FromUtf8(entry.name);
        item.displayText = item.target;
        if (entry.isDir()) {
            if (policy.IsRefusedFolder(item.target)) continue;
            item.kind = LeftoverFolder;
            folders.append(item);
        } else {
            if (policy.IsUntouchable(item.target)) continue;
            item.kind = LeftoverFile;
            fileItems.append(item);
        }
    }
    return folders + fileItems;
}

QList<LeftoverItem> CLeftoverSearch::SearchAppDataFolders(const QString& folder) {
    if (folder.isEmpty()) return {};
    // A bare uninstaller stem is used for the MuiCache search only, and a
    // refused folder lends its name to no search.
    if (!CTargetPath::IsAbsolute(folder) || policy.IsRefusedFolder(folder)) return {};
    QList<LeftoverItem> found = CollectInstallFolder(folder);

    const int slash = folder.lastIndexOf(QLatin1Char('\\'));
    if (slash < 0) return found;
    const QString leaf = folder.mid(slash + 1);
    if (leaf.size() < kMinimumNameLength) return found;

    std::string appDataPath;
    if (!watch.Ok(files.SpecialFolder(platform::kCsidlAppData, &appDataPath)) || appDataPath.empty()) return found;
    const QString appData = CTargetPath::FromUtf8(appDataPath);
    found += SearchFolderTree(appData, leaf + QLatin1Char('/'), leaf + QLatin1Char('\\')).All();

    const QString programData = appData.left(3) + QLatin1String("ProgramData");
    found += SearchFolderTree(programData, leaf + QLatin1Char('/'), leaf + QLatin1Char('\\')).All();
    return found;
}

CLeftoverSearch::TreeFinds CLeftoverSearch::SearchStartMenu(const QString& name) {
    return SearchNamedFolder(platform::kCsidlCommonPrograms, name, true);
}

CLeftoverSearch::TreeFinds CLeftoverSearch::SearchDesktop(const QString& name) {
    return SearchNamedFolder(platform::kCsidlCommonDesktop, name, false);
}

CLeftoverSearch::TreeFinds CLeftoverSearch::SearchNamedFolder(int csidl, const QString& name, bool withSeparator) {
    if (name.isEmpty()) return {};
    std::string basePath;
    if (!watch.Ok(files.SpecialFolder(csidl, &basePath)) || basePath.empty()) return {};
    QString leaf = name;
    const int slash = leaf.lastIndexOf(QLatin1Char('\\'));
    if (slash >= 0) leaf = leaf.mid(slash + 1);
    if (leaf.size() < kMinimumNameLength) return {};
    if (withSeparator)
        return SearchFolderTree(CTargetPath::FromUtf8(basePath), leaf + QLatin1Char('/'), leaf + QLatin1Char('\\'));
    return SearchFolderTree(CTargetPath::FromUtf8(basePath), leaf, leaf);
}

CLeftoverSearch::TreeFinds CLeftoverSearch::SearchFolderTree(const QString& base, const QString& filePattern,
                                                             const QString& folderPattern) {
    TreeFinds finds;
    const Pattern filePat(filePattern);
    const Pattern folderPat(folderPattern);
    if (filePat.name.isEmpty() || folderPat.name.isEmpty()) return finds;

    // The whole tree in one call; links are listed but not entered, and
    // system entries are left out as a plain listing leaves them out.
    std::vector<platform::TreeEntry> entries;
    const QString listBase = CTargetPath::Native(base);
    QString baseNative = listBase;
    while (baseNative.endsWith(QLatin1Char('\\')))
        baseNative.chop(1);
    if (!watch.Ok(files.ListTree(CTargetPath::ToUtf8(listBase),
                                 platform::kListFiles | platform::kListDirs | platform::kListHidden, &entries)))
        return finds;
    const size_t root = entries.size();
    std::vector<std::vector<uint32_t>> children(entries.size() + 1);
    for (uint32_t i = 0; i < entries.size(); ++i) {
        const uint32_t parent = entries[i].parent;
        if (parent == platform::TreeEntry::kTreeRoot)
            children[root].push_back(i);
        else if (parent < i)
            children[parent].push_back(i);
    }
    std::vector<QString> names(entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        names[i] = CTargetPath::FromUtf8(entries[i].entry.name);

    // Depth first, as a recursive listing would go: the files of a folder,
    // then each subfolder's tree, then the subfolder itself. `fileAbove`
    // and `folderAbove` tell whether a folder between the base and here
    // has the pattern's name.
    struct Visit {
        CProtectedFolders& policy;
        TreeFinds& finds;
        const std::vector<platform::TreeEntry>& entries;
        const std::vector<std::vector<uint32_t>>& children;
        const std::vector<QString>& names;
        const Pattern& filePat;
        const Pattern& folderPat;

        void operator()(size_t folder, const QString& nativePath, const QString& slashPath, bool fileAbove,
                        bool folderAbove) const {
            for (uint32_t child : children[folder]) {
                if (entries[child].entry.isDir()) continue;
                const QString& name = names[child];
                const bool match = fileAbove || (!filePat.onlyAbove && (CTargetPath::Equal(name, filePat.name) ||
                                                                        CTargetPath::Equal(Stem(name), filePat.name)));
                if (!match) continue;
                LeftoverItem item;
                item.target = slashPath + QLatin1Char('/') + name;
                item.displayText = item.target;
                item.kind = LeftoverFile;
                if (!policy.IsUntouchable(item.target)) finds.leftoverFiles.append(item);
            }
            for (uint32_t child : children[folder]) {
                if (!entries[child].entry.isDir()) continue;
                const QString& name = names[child];
                const QString childPath = nativePath + QLatin1Char('\\') + name;
                // A known folder, or one that holds known folders, does not
                // count as the program's folder however it is named: the
                // leaf "Microsoft" must not take AppData's Microsoft folder.
                const bool fileNamed = CTargetPath::Equal(name, filePat.name);
                const bool folderNamed = CTargetPath::Equal(name, folderPat.name);
                const bool known = (fileNamed || folderNamed) && policy.IsRefusedFolder(childPath);
                if (!entries[child].entry.isLink())
                    (*this)(child, childPath, slashPath + QLatin1Char('/') + name, fileAbove || (fileNamed && !known),
                            folderAbove || (folderNamed && !known));
                const bool match = folderAbove || (!folderPat.onlyAbove && CTargetPath::Equal(name, folderPat.name));
                if (!match) continue;
                LeftoverItem item;
                item.target = childPath;
                item.displayText = childPath;
                item.kind = LeftoverFolder;
                if (!policy.IsRefusedFolder(childPath)) finds.leftoverFolders.append(item);
            }
        }
    };
    Visit{policy, finds, entries, children, names, filePat, folderPat}(root, baseNative,
                                                                       CTargetPath::Slashed(baseNative), false, false);
    return finds;
}

QList<LeftoverItem> CLeftoverSearch::CollectRegistryLeftovers(const QString& name, const QString& folder) {
    if (folder.isEmpty()) return {};
    // The uninstall key is still taken for a refused folder; the MuiCache
    // values naming such a folder are not.
    const QString muiCacheFolder =
        CTargetPath::IsAbsolute(folder) && policy.IsRefusedFolder(folder) ? QString() : folder;
    QList<LeftoverItem> found;
    watch.Ok(appEnum.FindRegistryLeftovers(name, muiCacheFolder, &found));
    return found;
}
