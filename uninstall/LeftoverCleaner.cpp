#include "uninstall/LeftoverCleaner.h"

#include <cstring>
#include <vector>

#include "include/PathText.h"
#include "inventory/AppEnum.h"

using platform::Hive;
using platform::RegKey;
using platform::ScopedRegKey;

namespace {

constexpr const char* kMuiCacheKey = "Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache";
// Shorter names ("Go", "AB") would catch files of unrelated programs.
constexpr int kMinimumNameLength = 3;
constexpr uint32_t kBufferSize = 260;

// Special folders (CSIDL_*) that an install folder must neither be nor
// hold, beyond the ones the search itself reads.
constexpr int kCsidlPrograms = 2;
constexpr int kCsidlPersonal = 5;
constexpr int kCsidlStartup = 7;
constexpr int kCsidlStartMenu = 11;
constexpr int kCsidlMyMusic = 13;
constexpr int kCsidlMyVideo = 14;
constexpr int kCsidlDesktopDirectory = 16;
constexpr int kCsidlCommonStartMenu = 22;
constexpr int kCsidlCommonStartup = 24;
constexpr int kCsidlLocalAppData = 28;
constexpr int kCsidlCommonAppData = 35;
constexpr int kCsidlMyPictures = 39;
constexpr int kCsidlProgramFilesCommon = 43;
constexpr int kCsidlProgramFilesCommonX86 = 44;
constexpr int kCsidlCommonDocuments = 46;

// Known folders of every profile under the Users folder, relative to it.
const char* const kProfileFolders[] = {
    "Desktop",
    "Documents",
    "My Documents",
    "Downloads",
    "Music",
    "Pictures",
    "Videos",
    "Favorites",
    "Links",
    "Contacts",
    "Saved Games",
    "Searches",
    "AppData",
    "AppData\\Roaming",
    "AppData\\Local",
    "AppData\\LocalLow",
    "AppData\\Local\\Temp",
    "AppData\\Roaming\\Microsoft\\Windows\\Start Menu",
    "AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs",
    "AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup",
};

bool IsSeparator(QChar c) {
    return c == QLatin1Char('\\') || c == QLatin1Char('/');
}

bool IsAscii(const QString& text) {
    for (QChar c : text)
        if (c.unicode() >= 0x80) return false;
    return true;
}

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

std::string ToUtf8(const QString& text) {
    return text.toStdString();
}

// Qt's own form of an absolute path, as a file's leftover text shows it.
QString Slashed(const QString& path) {
    QString slashed = path;
    slashed.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return slashed;
}

QString Native(const QString& path) {
    QString native = path;
    native.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return native;
}

// "C:\a\..\b\\c\" gives "C:\b\c"; the drive root stays "C:\".
QString CleanAbsolute(const QString& path) {
    const QStringList parts = Native(path).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    QStringList kept;
    for (const QString& part : parts) {
        if (part == QLatin1String(".")) continue;
        if (part == QLatin1String("..")) {
            if (kept.size() > 1) kept.removeLast();
            continue;
        }
        kept.append(part);
    }
    if (kept.size() == 1) return kept.front() + QLatin1Char('\\');
    return kept.join(QLatin1Char('\\'));
}

bool Equal(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// A file name without its last extension.
QString Stem(const QString& name) {
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

bool IsInside(const QString& key, const QString& folderKey) {
    return key == folderKey || key.startsWith(folderKey + QLatin1Char('\\'));
}

QString ParentOf(const QString& native) {
    const int slash = native.lastIndexOf(QLatin1Char('\\'));
    return slash < 0 ? QString() : native.left(slash);
}

// A pattern as the search is given it: "Acme/" or "Acme\" asks for a folder
// of that name above the entry; "Acme" also takes the entry itself.
struct Pattern {
    QString name;
    bool onlyAbove = false;

    explicit Pattern(const QString& text) {
        onlyAbove = !text.isEmpty() && IsSeparator(text.back());
        name = onlyAbove ? text.left(text.size() - 1) : text;
    }
};

} // namespace

CLeftoverCleaner::CLeftoverCleaner(platform::IFileSystem& targetFiles, platform::IRegistry& targetRegistry,
                                   platform::ISystem& targetSystem, CAppEnum& inventory)
    : files(targetFiles), registry(targetRegistry), system(targetSystem), appEnum(inventory) {}

void CLeftoverCleaner::SetOwnFolder(const QString& folder) {
    ownFolder = IsAbsolute(folder) ? Key(folder) : QString();
}

bool CLeftoverCleaner::IsAbsolute(const QString& path) {
    return path.size() >= 3 && path.at(0).isLetter() && path.at(0).unicode() < 0x80 && path.at(1) == QLatin1Char(':') &&
           IsSeparator(path.at(2));
}

QString CLeftoverCleaner::Key(const QString& path) {
    QString key = CleanAbsolute(path).toLower();
    if (key.endsWith(QLatin1Char('\\'))) key.chop(1);
    return key;
}

QString CLeftoverCleaner::FolderText(const QString& installLocation, const QString& displayIcon,
                                     const QString& uninstallCommand) {
    QString text = CleanPathText(installLocation);
    if (text.isEmpty()) text = CleanPathText(displayIcon);
    if (text.isEmpty()) text = UninstallerStem(uninstallCommand);
    if (text.endsWith(QLatin1Char('\\'))) text.chop(1);
    // An absolute text is cleaned so that "C:\Apps\..\Windows" is seen as
    // the Windows folder it names.
    if (IsAbsolute(text)) text = CleanAbsolute(text);
    return text;
}

void CLeftoverCleaner::CleanLeftovers(InstalledProgram program) {
    CollectLeftovers(program);
    DeleteLeftovers();
}

void CLeftoverCleaner::CollectLeftovers(const InstalledProgram& program) {
    leftovers.clear();
    ClearScratch();
    protectedLoaded = false;

    auto field = [](const char(&text)[InstalledProgram::kTextSize]) {
        return std::string(text, strnlen(text, InstalledProgram::kTextSize));
    };
    const std::vector<std::string> texts =
        system.AnsiToUtf8({field(program.displayName), field(program.iconGroup), field(program.installLocation),
                           field(program.displayIcon), field(program.uninstallCommand)});
    if (texts.size() != 5) return;
    const QString displayName = FromUtf8(texts[0]);
    const QString iconGroup = FromUtf8(texts[1]);
    const QString folder = FolderText(FromUtf8(texts[2]), FromUtf8(texts[3]), FromUtf8(texts[4]));

    SearchAppDataFolders(folder);
    ClearScratch();

    SearchStartMenu(displayName);
    if (leftoverFiles.isEmpty()) SearchStartMenu(iconGroup);
    ClearScratch();

    SearchDesktop(displayName);
    if (leftoverFiles.isEmpty()) SearchDesktop(iconGroup);
    ClearScratch();

    CollectRegistryLeftovers(displayName, folder);
    ClearScratch();
}

void CLeftoverCleaner::ClearScratch() {
    leftoverFiles.clear();
    leftoverFolders.clear();
}

void CLeftoverCleaner::MoveScratchToLeftovers() {
    leftovers += leftoverFiles;
    leftovers += leftoverFolders;
    ClearScratch();
}

void CLeftoverCleaner::CollectInstallFolder(const QString& folder) {
    // A relative text would name a folder relative to whatever the current
    // folder is; a shared folder would make unrelated files leftovers.
    if (!IsAbsolute(folder) || IsRefusedFolder(folder)) return;
    const QString native = Native(folder);
    uint32_t attributes = platform::kInvalidAttributes;
    if (files.GetAttributes(ToUtf8(native), &attributes) != platform::kErrorSuccess) return;
    // A linked install folder would take the link's target with it.
    if (!(attributes & platform::kAttrDirectory) || (attributes & platform::kAttrReparsePoint)) return;
    std::vector<platform::FileEntry> entries;
    if (files.ListFolder(ToUtf8(native), platform::kListFiles | platform::kListDirs, &entries) !=
        platform::kErrorSuccess)
        return;

    const QString base = Slashed(native);
    QList<LeftoverItem> folders;
    QList<LeftoverItem> fileItems;
    for (const platform::FileEntry& entry : entries) {
        LeftoverItem item;
        item.target = base + QLatin1Char('/') + FromUtf8(entry.name);
        item.displayText = item.target;
        if (entry.isDir()) {
            if (IsRefusedFolder(item.target)) continue;
            item.kind = LeftoverFolder;
            folders.append(item);
        } else {
            if (IsUntouchable(item.target)) continue;
            item.kind = LeftoverFile;
            fileItems.append(item);
        }
    }
    leftovers += folders;
    leftovers += fileItems;
}

void CLeftoverCleaner::SearchAppDataFolders(const QString& folder) {
    if (folder.isEmpty()) return;
    // A bare uninstaller stem is used for the MuiCache search only, and a
    // refused folder lends its name to no search.
    if (!IsAbsolute(folder) || IsRefusedFolder(folder)) return;
    CollectInstallFolder(folder);
    ClearScratch();

    const int slash = folder.lastIndexOf(QLatin1Char('\\'));
    if (slash < 0) return;
    const QString leaf = folder.mid(slash + 1);
    if (leaf.size() < kMinimumNameLength) return;

    std::string appDataPath;
    if (files.SpecialFolder(platform::kCsidlAppData, &appDataPath) != platform::kErrorSuccess || appDataPath.empty())
        return;
    const QString appData = FromUtf8(appDataPath);
    SearchFolderTree(appData, leaf + QLatin1Char('/'), leaf + QLatin1Char('\\'));
    MoveScratchToLeftovers();

    const QString programData = appData.left(3) + QLatin1String("ProgramData");
    SearchFolderTree(programData, leaf + QLatin1Char('/'), leaf + QLatin1Char('\\'));
    MoveScratchToLeftovers();
}

void CLeftoverCleaner::SearchStartMenu(const QString& name) {
    SearchNamedFolder(platform::kCsidlCommonPrograms, name, true);
}

void CLeftoverCleaner::SearchDesktop(const QString& name) {
    SearchNamedFolder(platform::kCsidlCommonDesktop, name, false);
}

void CLeftoverCleaner::SearchNamedFolder(int csidl, const QString& name, bool withSeparator) {
    if (name.isEmpty()) return;
    std::string basePath;
    if (files.SpecialFolder(csidl, &basePath) != platform::kErrorSuccess || basePath.empty()) return;
    QString leaf = name;
    const int slash = leaf.lastIndexOf(QLatin1Char('\\'));
    if (slash >= 0) leaf = leaf.mid(slash + 1);
    if (leaf.size() < kMinimumNameLength) return;
    if (withSeparator)
        SearchFolderTree(FromUtf8(basePath), leaf + QLatin1Char('/'), leaf + QLatin1Char('\\'));
    else
        SearchFolderTree(FromUtf8(basePath), leaf, leaf);
    // The scratch lists stay filled: the caller looks at leftoverFiles.
    leftovers += leftoverFiles;
    leftovers += leftoverFolders;
}

void CLeftoverCleaner::SearchFolderTree(const QString& base, const QString& filePattern, const QString& folderPattern) {
    const Pattern filePat(filePattern);
    const Pattern folderPat(folderPattern);
    if (filePat.name.isEmpty() || folderPat.name.isEmpty()) return;

    // The whole tree in one call; links are listed but not entered, and
    // system entries are left out as a plain listing leaves them out.
    std::vector<platform::TreeEntry> entries;
    const QString listBase = Native(base);
    QString baseNative = listBase;
    while (baseNative.endsWith(QLatin1Char('\\')))
        baseNative.chop(1);
    if (files.ListTree(ToUtf8(listBase), platform::kListFiles | platform::kListDirs | platform::kListHidden,
                       &entries) != platform::kErrorSuccess)
        return;
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
        names[i] = FromUtf8(entries[i].entry.name);

    // Depth first, as a recursive listing would go: the files of a folder,
    // then each subfolder's tree, then the subfolder itself. `fileAbove`
    // and `folderAbove` tell whether a folder between the base and here
    // has the pattern's name.
    struct Visit {
        CLeftoverCleaner& self;
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
                const bool match =
                    fileAbove || (!filePat.onlyAbove && (Equal(name, filePat.name) || Equal(Stem(name), filePat.name)));
                if (!match) continue;
                LeftoverItem item;
                item.target = slashPath + QLatin1Char('/') + name;
                item.displayText = item.target;
                item.kind = LeftoverFile;
                if (!self.IsUntouchable(item.target)) self.leftoverFiles.append(item);
            }
            for (uint32_t child : children[folder]) {
                if (!entries[child].entry.isDir()) continue;
                const QString& name = names[child];
                const QString childPath = nativePath + QLatin1Char('\\') + name;
                // A known folder, or one that holds known folders, does not
                // count as the program's folder however it is named: the
                // leaf "Microsoft" must not take AppData's Microsoft folder.
                const bool fileNamed = Equal(name, filePat.name);
                const bool folderNamed = Equal(name, folderPat.name);
                const bool known = (fileNamed || folderNamed) && self.IsRefusedFolder(childPath);
                if (!entries[child].entry.isLink())
                    (*this)(child, childPath, slashPath + QLatin1Char('/') + name, fileAbove || (fileNamed && !known),
                            folderAbove || (folderNamed && !known));
                const bool match = folderAbove || (!folderPat.onlyAbove && Equal(name, folderPat.name));
                if (!match) continue;
                LeftoverItem item;
                item.target = childPath;
                item.displayText = childPath;
                item.kind = LeftoverFolder;
                if (!self.IsRefusedFolder(childPath)) self.leftoverFolders.append(item);
            }
        }
    };
    Visit{*this, entries, children, names, filePat, folderPat}(root, baseNative, Slashed(baseNative), false, false);
}

void CLeftoverCleaner::CollectRegistryLeftovers(const QString& name, const QString& folder) {
    if (folder.isEmpty()) return;
    // The uninstall key is still taken for a refused folder; the MuiCache
    // values naming such a folder are not.
    const QString muiCacheFolder = IsAbsolute(folder) && IsRefusedFolder(folder) ? QString() : folder;
    leftovers += appEnum.FindRegistryLeftovers(name, muiCacheFolder);
}

// --- Known folders -------------------------------------------------------

void CLeftoverCleaner::LoadProtectedFolders() {
    protectedLoaded = true;
    protectedFolders.clear();
    auto special = [this](int csidl) {
        std::string path;
        if (files.SpecialFolder(csidl, &path) != platform::kErrorSuccess) return QString();
        return FromUtf8(path);
    };
    auto add = [this](const QString& path) {
        if (IsAbsolute(path)) protectedFolders.append(Key(path));
    };

    const QString windows = special(platform::kCsidlWindows);
    windowsFolder = Key(IsAbsolute(windows) ? windows : QStringLiteral("C:\\Windows"));
    const QString systemDrive = windowsFolder.left(2);
    add(systemDrive + QLatin1String("\\ProgramData"));
    add(systemDrive + QLatin1String("\\Users"));
    add(windowsFolder + QLatin1String("\\Temp"));

    const int csidls[] = {platform::kCsidlProgramFiles,
                          platform::kCsidlProgramFilesX86,
                          kCsidlProgramFilesCommon,
                          kCsidlProgramFilesCommonX86,
                          kCsidlCommonAppData,
                          platform::kCsidlProfile,
                          platform::kCsidlAppData,
                          kCsidlLocalAppData,
                          kCsidlPersonal,
                          kCsidlDesktopDirectory,
                          kCsidlMyMusic,
                          kCsidlMyPictures,
                          kCsidlMyVideo,
                          kCsidlStartMenu,
                          kCsidlPrograms,
                          kCsidlStartup,
                          kCsidlCommonStartMenu,
                          platform::kCsidlCommonPrograms,
                          kCsidlCommonStartup,
                          platform::kCsidlCommonDesktop,
                          kCsidlCommonDocuments};
    QStringList usersFolders{systemDrive + QLatin1String("\\Users")};
    for (int csidl : csidls) {
        const QString path = special(csidl);
        add(path);
        if (!IsAbsolute(path)) continue;
        if (csidl == platform::kCsidlProgramFiles || csidl == platform::kCsidlProgramFilesX86)
            add(path + QLatin1String("\\Common Files"));
        if (csidl == kCsidlLocalAppData) add(path + QLatin1String("\\Temp"));
        if (csidl == platform::kCsidlProfile) usersFolders.append(ParentOf(Key(path)));
        if (csidl == platform::kCsidlCommonDesktop) usersFolders.append(ParentOf(ParentOf(Key(path))));
    }
    usersFolders.removeDuplicates();
    for (const QString& users : usersFolders) {
        if (!IsAbsolute(users + QLatin1Char('\\'))) continue;
        add(users);
        // Every folder under Users is a profile, with its known folders.
        std::vector<platform::FileEntry> profiles;
        files.ListFolder(ToUtf8(users), platform::kListDirs | platform::kListHidden | platform::kListSystem, &profiles);
        for (const platform::FileEntry& profile : profiles) {
            const QString profilePath = users + QLatin1Char('\\') + FromUtf8(profile.name);
            add(profilePath);
            for (const char* known : kProfileFolders)
                add(profilePath + QLatin1Char('\\') + QLatin1String(known));
        }
    }
    protectedFolders.removeDuplicates();
}

bool CLeftoverCleaner::IsUntouchable(const QString& path) {
    if (!IsAbsolute(path)) return true;
    if (!protectedLoaded) LoadProtectedFolders();
    const QString key = Key(path);
    if (IsInside(key, windowsFolder)) return true;
    if (!ownFolder.isEmpty() && (IsInside(key, ownFolder) || IsInside(ownFolder, key))) return true;
    return false;
}

bool CLeftoverCleaner::IsRefusedFolder(const QString& path) {
    if (IsUntouchable(path)) return true;
    const QString key = Key(path);
    if (key.size() <= 2) return true; // a drive root
    for (const QString& known : protectedFolders)
        if (IsInside(known, key)) return true;
    return false;
}

bool CLeftoverCleaner::RemovalReachesProtected(const QString& path) {
    // Removing a folder also removes each parent it leaves empty; look up
    // the chain for a known folder that would go with it.
    QString current = Native(path);
    while (current.endsWith(QLatin1Char('\\')))
        current.chop(1);
    for (;;) {
        const QString parent = ParentOf(current);
        if (parent.size() <= 2) return false; // the drive is never removed
        std::vector<platform::FileEntry> entries;
        if (files.ListFolder(ToUtf8(parent),
                             platform::kListFiles | platform::kListDirs | platform::kListHidden | platform::kListSystem,
                             &entries) != platform::kErrorSuccess)
            return false;
        if (entries.size() != 1) return false;
        if (IsRefusedFolder(parent)) return true;
        current = parent;
    }
}

bool CLeftoverCleaner::RemoveFolderSafely(const QString& path) {
    if (RemovalReachesProtected(path)) return false;
    return files.RemoveFolderAndEmptyParents(ToUtf8(Native(path))) == platform::kErrorSuccess;
}

// --- Deletion ------------------------------------------------------------

void CLeftoverCleaner::DeleteLeftovers() {
    for (const LeftoverItem& item : leftovers) {
        switch (item.kind) {
        case LeftoverFile: {
            if (IsUntouchable(item.target)) break;
            const std::string path = ToUtf8(Native(item.target));
            files.SetOwnerWriteOnly(path);
            files.DeleteFile(path);
            break;
        }
        case LeftoverFolder:
            DeleteFolderTree(item.target);
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

// One folder tree listed in a single call, then deleted the way a
// folder-by-folder walk would: in each folder the visible entries in name
// order, files deleted, folders emptied and removed, then the folder
// itself. The listing includes hidden and system entries, which are kept,
// so that the tree knows which folders a removal would leave empty.
class CLeftoverCleaner::TreeDeletion {
public:
    TreeDeletion(CLeftoverCleaner& cleaner, const QString& top) : self(cleaner), topPath(top) {}

    bool Run() {
        std::vector<platform::TreeEntry> entries;
        self.files.ListTree(ToUtf8(topPath),
                            platform::kListFiles | platform::kListDirs | platform::kListHidden | platform::kListSystem,
                            &entries);
        nodes.resize(entries.size() + 1);
        for (uint32_t i = 0; i < entries.size(); ++i) {
            Node& node = nodes[i + 1];
            node.entry = entries[i].entry;
            node.parent = entries[i].parent == platform::TreeEntry::kTreeRoot ? 0 : entries[i].parent + 1;
            if (node.parent > i) node.parent = 0; // a malformed answer: treat as top level
            nodes[node.parent].children.push_back(i + 1);
            ++nodes[node.parent].remaining;
        }
        return DeleteNode(0, topPath);
    }

private:
    struct Node {
        platform::FileEntry entry;
        size_t parent = 0;
        std::vector<size_t> children;
        size_t remaining = 0;
        bool removed = false;
    };

    bool DeleteNode(size_t index, const QString& path) {
        for (size_t child : nodes[index].children) {
            const platform::FileEntry& entry = nodes[child].entry;
            if (entry.attributes & (platform::kAttrHidden | platform::kAttrSystem)) continue;
            const QString childPath = path + QLatin1Char('\\') + FromUtf8(entry.name);
            if (!entry.isDir()) {
                if (self.files.DeleteFile(ToUtf8(childPath)) == platform::kErrorSuccess) Removed(child);
            } else if (entry.isLink()) {
                RemoveFolder(child, childPath); // the link only
            } else {
                DeleteNode(child, childPath);
            }
        }
        return RemoveFolder(index, path);
    }

    // Removes a folder and the parents it leaves empty, unless that would
    // take a known folder above the tree with it.
    bool RemoveFolder(size_t index, const QString& path) {
        if (nodes[index].removed) return true;
        size_t top = index;
        while (top != 0 && nodes[nodes[top].parent].remaining == 1)
            top = nodes[top].parent;
        if (top == 0 && self.RemovalReachesProtected(topPath)) return false;
        if (self.files.RemoveFolderAndEmptyParents(ToUtf8(path)) != platform::kErrorSuccess) return false;
        FolderRemoved(index, path);
        return true;
    }

    // Books a deleted file.
    void Removed(size_t index) {
        nodes[index].removed = true;
        --nodes[nodes[index].parent].remaining;
    }

    // Books a removed folder; each parent it left empty went with it,
    // unless something outside the listing kept it, which the file system
    // tells.
    void FolderRemoved(size_t index, QString path) {
        nodes[index].removed = true;
        while (index != 0) {
            const size_t parent = nodes[index].parent;
            path = ParentOf(path);
            if (--nodes[parent].remaining != 0 || self.files.FolderExists(ToUtf8(path))) break;
            nodes[parent].removed = true;
            index = parent;
        }
    }

    CLeftoverCleaner& self;
    QString topPath;
    std::vector<Node> nodes;
};

bool CLeftoverCleaner::DeleteFolderTree(const QString& path) {
    if (path.isEmpty()) return false;
    QString native = Native(path);
    while (native.size() > 3 && native.endsWith(QLatin1Char('\\')))
        native.chop(1);
    uint32_t attributes = platform::kInvalidAttributes;
    if (files.GetAttributes(ToUtf8(native), &attributes) != platform::kErrorSuccess ||
        !(attributes & platform::kAttrDirectory))
        return true;
    if (IsRefusedFolder(native)) return false;
    // A link is removed as a link; its target is never entered.
    if (attributes & platform::kAttrReparsePoint) return RemoveFolderSafely(native);
    return TreeDeletion(*this, native).Run();
}

// --- Registry ------------------------------------------------------------

bool CLeftoverCleaner::AnsiName(RegKey key, const QString& name, bool value, std::string* ansi) {
    if (IsAscii(name)) {
        *ansi = name.toStdString();
        return true;
    }
    // The stored ANSI name is found among the key's names by its decoded
    // text, so that no text outside Latin-1 is lost on the way back.
    std::vector<std::string> stored;
    for (uint32_t index = 0;; ++index) {
        std::string entry;
        uint32_t type = 0;
        const uint32_t error = value ? registry.EnumValue(key, index, kBufferSize, &entry, &type)
                                     : registry.EnumKey(key, index, kBufferSize, &entry);
        if (error == platform::kErrorMoreData) continue;
        if (error != platform::kErrorSuccess) break;
        stored.push_back(entry);
    }
    const std::vector<std::string> decoded = system.AnsiToUtf8(stored);
    for (size_t i = 0; i < decoded.size() && i < stored.size(); ++i) {
        if (FromUtf8(decoded[i]) == name) {
            *ansi = stored[i];
            return true;
        }
    }
    return false;
}

bool CLeftoverCleaner::AnsiKeyPath(Hive hive, const QString& path, std::string* ansi) {
    if (IsAscii(path)) {
        *ansi = path.toStdString();
        return true;
    }
    const int slash = path.lastIndexOf(QLatin1Char('\\'));
    if (slash < 0 || !IsAscii(path.left(slash))) return false;
    const std::string parent = path.left(slash).toStdString();
    ScopedRegKey key(registry);
    if (registry.OpenKey(hive, parent, platform::kKeyRead, key.out()) != platform::kErrorSuccess) return false;
    std::string leaf;
    if (!AnsiName(key.get(), path.mid(slash + 1), false, &leaf)) return false;
    *ansi = parent + "\\" + leaf;
    return true;
}

void CLeftoverCleaner::DeleteRegistryItem(const LeftoverItem& item) {
    if (item.kind == LeftoverMuiCacheValue) {
        ScopedRegKey key(registry);
        if (registry.OpenKey(Hive::ClassesRoot, kMuiCacheKey, platform::kKeyAllAccess, key.out()) !=
            platform::kErrorSuccess)
            return;
        std::string name;
        if (AnsiName(key.get(), item.target, true, &name)) registry.DeleteValue(key.get(), name);
        return;
    }
    for (Hive hive : {Hive::LocalMachine, Hive::CurrentUser}) {
        std::string path;
        if (!AnsiKeyPath(hive, item.target, &path)) continue;
        if (item.valueName.isEmpty()) {
            registry.DeleteKey(hive, path);
            continue;
        }
        ScopedRegKey key(registry);
        if (registry.OpenKey(hive, path, platform::kKeyAllAccess, key.out()) != platform::kErrorSuccess) continue;
        std::string name;
        if (AnsiName(key.get(), item.valueName, true, &name)) registry.DeleteValue(key.get(), name);
    }
}

bool CLeftoverCleaner::LeftoverExists(const LeftoverItem& item) {
    switch (item.kind) {
    case LeftoverFile:
        return files.Exists(ToUtf8(Native(item.target)));
    case LeftoverFolder:
        return files.FolderExists(ToUtf8(Native(item.target)));
    default:
        break;
    }
    auto valueExists = [this](RegKey key, const QString& valueName) {
        std::string name;
        if (!AnsiName(key, valueName, true, &name)) return false;
        uint32_t type = 0;
        std::string data;
        const uint32_t error = registry.QueryValue(key, name, 0, &type, &data);
        return error == platform::kErrorSuccess || error == platform::kErrorMoreData;
    };
    if (item.kind == LeftoverMuiCacheValue) {
        ScopedRegKey key(registry);
        if (registry.OpenKey(Hive::ClassesRoot, kMuiCacheKey, platform::kKeyRead, key.out()) != platform::kErrorSuccess)
            return false;
        return valueExists(key.get(), item.target);
    }
    for (Hive hive : {Hive::LocalMachine, Hive::CurrentUser}) {
        std::string path;
        if (!AnsiKeyPath(hive, item.target, &path)) continue;
        ScopedRegKey key(registry);
        if (registry.OpenKey(hive, path, platform::kKeyRead, key.out()) != platform::kErrorSuccess) continue;
        if (item.valueName.isEmpty() || valueExists(key.get(), item.valueName)) return true;
    }
    return false;
}
