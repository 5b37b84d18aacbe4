#include "uninstall/ProtectedFolders.h"

#include <vector>

#include "uninstall/TargetPath.h"

namespace {

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

} // namespace

CProtectedFolders::CProtectedFolders(platform::IFileSystem& targetFiles, CBackendWatch& backendWatch)
    : files(targetFiles), watch(backendWatch) {}

void CProtectedFolders::SetOwnFolder(const QString& folder) {
    ownFolder = CTargetPath::IsAbsolute(folder) ? CTargetPath::Key(folder) : QString();
}

void CProtectedFolders::Reset() {
    loaded = false;
}

void CProtectedFolders::Load() {
    loaded = true;
    protectedFolders.clear();
    auto special = [this](int csidl) {
        std::string path;
        if (!watch.Ok(files.SpecialFolder(csidl, &path))) return QString();
        return CTargetPath::FromUtf8(path);
    };
    auto add = [this](const QString& path) {
        if (CTargetPath::IsAbsolute(path)) protectedFolders.append(CTargetPath::Key(path));
    };

    const QString windows = special(platform::kCsidlWindows);
    windowsFolder = CTargetPath::Key(CTargetPath::IsAbsolute(windows) ? windows : QStringLiteral("C:\\Windows"));
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
        if (!CTargetPath::IsAbsolute(path)) continue;
        if (csidl == platform::kCsidlProgramFiles || csidl == platform::kCsidlProgramFilesX86)
            add(path + QLatin1String("\\Common Files"));
        if (csidl == kCsidlLocalAppData) add(path + QLatin1String("\\Temp"));
        if (csidl == platform::kCsidlProfile) usersFolders.append(CTargetPath::ParentOf(CTargetPath::Key(path)));
        if (csidl == platform::kCsidlCommonDesktop)
            usersFolders.append(CTargetPath::ParentOf(CTargetPath::ParentOf(CTargetPath::Key(path))));
    }
    usersFolders.removeDuplicates();
    for (const QString& users : usersFolders) {
        if (!CTargetPath::IsAbsolute(users + QLatin1Char('\\'))) continue;
        add(users);
        // Every folder under Users is a profile, with its known folders.
        std::vector<platform::FileEntry> profiles;
        watch.Ok(files.ListFolder(CTargetPath::ToUtf8(users),
                                  platform::kListDirs | platform::kListHidden | platform::kListSystem, &profiles));
        for (const platform::FileEntry& profile : profiles) {
            const QString profilePath = users + QLatin1Char('\\') + CTargetPath::FromUtf8(profile.name);
            add(profilePath);
            for (const char* known : kProfileFolders)
                add(profilePath + QLatin1Char('\\') + QLatin1String(known));
        }
    }
    protectedFolders.removeDuplicates();
}

bool CProtectedFolders::IsUntouchable(const QString& path) {
    if (!CTargetPath::IsAbsolute(path)) return true;
    if (!loaded) Load();
    const QString key = CTargetPath::Key(path);
    if (CTargetPath::IsInside(key, windowsFolder)) return true;
    if (!ownFolder.isEmpty() && (CTargetPath::IsInside(key, ownFolder) || CTargetPath::IsInside(ownFolder, key)))
        return true;
    return false;
}

bool CProtectedFolders::IsRefusedFolder(const QString& path) {
    if (IsUntouchable(path)) return true;
    const QString key = CTargetPath::Key(path);
    if (key.size() <= 2) return true; // a drive root
    for (const QString& known : protectedFolders)
        if (CTargetPath::IsInside(known, key)) return true;
    return false;
}

bool CProtectedFolders::RemovalReachesProtected(const QString& path) {
    // Removing a folder also removes each parent it leaves empty; look up
    // the chain for a known folder that would go with it.
    QString current = CTargetPath::Native(path);
    while (current.endsWith(QLatin1Char('\\')))
        current.chop(1);
    for (;;) {
        const QString parent = CTargetPath::ParentOf(current);
        if (parent.size() <= 2) return false; // the drive is never removed
        std::vector<platform::FileEntry> entries;
        if (!watch.Ok(files.ListFolder(
                CTargetPath::ToUtf8(parent),
                platform::kListFiles | platform::kListDirs | platform::kListHidden | platform::kListSystem, &entries)))
            return false;
        if (entries.size() != 1) return false;
        if (IsRefusedFolder(parent)) return true;
        current = parent;
    }
}
