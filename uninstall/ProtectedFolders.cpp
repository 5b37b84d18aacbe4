#include "uninstall/ProtectedFolders.h"

#include <vector>

namespace {

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
    ownFolder = CTargetPath::FromText(folder);
}

void CProtectedFolders::Reset() {
    loaded = false;
    claimedFolders.clear();
    claimedNames.clear();
    finalCache.clear();
}

void CProtectedFolders::ForgetLocations() {
    finalCache.clear();
}

CProtectedFolders::Location CProtectedFolders::Judge(uint32_t status, const std::string& real) {
    Location location;
    if (status == platform::kErrorFileNotFound || status == platform::kErrorPathNotFound) {
        location.place = Place::Missing;
    } else if (!watch.Ok(status)) {
        location.place = Place::Unknown;
    } else {
        const QString text = CTargetPath::FromUtf8(real);
        location.real = CRealPath::FromText(text);
        location.place = location.real.IsEmpty() ? Place::Outside : Place::Found;
        if (location.place == Place::Outside) location.hostPath = text;
    }
    return location;
}

CProtectedFolders::Location CProtectedFolders::FinalLocation(const CTargetPath& path) {
    if (path.IsEmpty()) return Location();
    const auto cached = finalCache.constFind(path.Key());
    if (cached != finalCache.constEnd()) return cached.value();
    std::string real;
    const uint32_t status = files.FinalPath(path.Utf8(), &real);
    const Location location = Judge(status, real);
    finalCache.insert(path.Key(), location);
    return location;
}

CProtectedFolders::Location CProtectedFolders::EntryLocation(const CTargetPath& path) {
    // A drive root is its own entry.
    if (path.IsEmpty() || path.IsDriveRoot()) return FinalLocation(path);
    Location location = FinalLocation(path.Parent());
    if (location.place != Place::Found) return location;
    location.real = location.real.Child(path.Name());
    // The entry itself may be gone while its folder is there.
    uint32_t attributes = platform::kInvalidAttributes;
    const uint32_t status = files.GetAttributes(location.real.Utf8(), &attributes);
    if (status == platform::kErrorFileNotFound || status == platform::kErrorPathNotFound)
        location.place = Place::Missing;
    else if (!watch.Ok(status))
        location.place = Place::Unknown;
    return location;
}

void CProtectedFolders::SetClaims(const QList<CTargetPath>& folders, const QStringList& names) {
    if (!loaded) Load();
    claimedFolders.clear();
    claimedNames.clear();
    auto claim = [this](const CTargetPath& path) {
        // A claim on a shared or known folder claims nothing: such a folder
        // is protected on its own, and what lies in it belongs to others.
        if (path.IsEmpty() || IsKnownFolder(path) || IsUntouchable(path)) return;
        if (!claimedFolders.contains(path)) claimedFolders.append(path);
    };
    for (const CTargetPath& folder : folders) {
        if (folder.IsEmpty()) continue;
        claim(folder);
        const Location location = FinalLocation(folder);
        if (location.place == Place::Found) claim(location.real.Path());
    }
    for (const QString& name : names)
        if (!name.trimmed().isEmpty()) claimedNames.insert(name.trimmed().toLower());
}

void CProtectedFolders::Load() {
    loaded = true;
    usersUnknown = false;
    protectedFolders.clear();
    usersFolders.clear();
    auto special = [this](int csidl) {
        std::string path;
        if (!watch.Ok(files.SpecialFolder(csidl, &path))) return CTargetPath();
        return CTargetPath::FromText(CTargetPath::FromUtf8(path));
    };
    QList<CTargetPath> known;
    auto add = [&known](const CTargetPath& path) {
        if (!path.IsEmpty()) known.append(path);
    };

    windowsFolder = special(platform::kCsidlWindows);
    if (windowsFolder.IsEmpty()) windowsFolder = CTargetPath::FromText(QStringLiteral("C:\\Windows"));
    const CTargetPath systemDrive = CTargetPath::FromText(windowsFolder.Native().left(3));
    add(systemDrive.Child(QStringLiteral("ProgramData")));
    add(systemDrive.Child(QStringLiteral("Users")));
    add(windowsFolder.Child(QStringLiteral("Temp")));

    const int csidls[] = {platform::kCsidlProgramFiles,
                          platform::kCsidlProgramFilesX86,
                          platform::kCsidlProgramFilesCommon,
                          platform::kCsidlProgramFilesCommonX86,
                          platform::kCsidlCommonAppData,
                          platform::kCsidlProfile,
                          platform::kCsidlAppData,
                          platform::kCsidlLocalAppData,
                          platform::kCsidlPersonal,
                          platform::kCsidlDesktopDirectory,
                          platform::kCsidlMyMusic,
                          platform::kCsidlMyPictures,
                          platform::kCsidlMyVideo,
                          platform::kCsidlStartMenu,
                          platform::kCsidlPrograms,
                          platform::kCsidlStartup,
                          platform::kCsidlCommonStartMenu,
                          platform::kCsidlCommonPrograms,
                          platform::kCsidlCommonStartup,
                          platform::kCsidlCommonDesktop,
                          platform::kCsidlCommonDocuments};
    QList<CTargetPath> users{systemDrive.Child(QStringLiteral("Users"))};
    for (int csidl : csidls) {
        const CTargetPath path = special(csidl);
        if (path.IsEmpty()) continue;
        add(path);
        if (csidl == platform::kCsidlProgramFiles || csidl == platform::kCsidlProgramFilesX86)
            add(path.Child(QStringLiteral("Common Files")));
        if (csidl == platform::kCsidlLocalAppData) add(path.Child(QStringLiteral("Temp")));
        if (csidl == platform::kCsidlProfile) users.append(path.Parent());
        if (csidl == platform::kCsidlCommonDesktop) users.append(path.Parent().Parent());
    }
    for (const CTargetPath& folder : users) {
        if (folder.IsEmpty() || usersFolders.contains(folder)) continue;
        add(folder);
        usersFolders.append(folder);
        // Every folder under Users is a profile, with its known folders.
        std::vector<platform::FileEntry> profiles;
        const uint32_t status = files.ListFolder(
            folder.Utf8(), platform::kListDirs | platform::kListHidden | platform::kListSystem, &profiles);
        // Profiles that cannot be listed cannot be told apart: everything
        // under that Users folder is then kept.
        if (status != platform::kErrorFileNotFound && status != platform::kErrorPathNotFound && !watch.Ok(status))
            usersUnknown = true;
        for (const platform::FileEntry& profile : profiles) {
            const CTargetPath profilePath = folder.Child(CTargetPath::FromUtf8(profile.name));
            add(profilePath);
            for (const char* knownFolder : kProfileFolders)
                add(CTargetPath::FromText(profilePath.Native() + QLatin1Char('\\') + QLatin1String(knownFolder)));
        }
    }
    // Each known folder counts by its text and by its real location, which
    // differ where a junction or a link stands on the way.
    for (const CTargetPath& text : known) {
        if (!protectedFolders.contains(text)) protectedFolders.append(text);
        std::string real;
        if (!watch.Ok(files.FinalPath(text.Utf8(), &real))) continue;
        const CTargetPath realPath = CTargetPath::FromText(CTargetPath::FromUtf8(real));
        if (!realPath.IsEmpty() && !protectedFolders.contains(realPath)) protectedFolders.append(realPath);
    }
}

bool CProtectedFolders::IsUntouchable(const CTargetPath& path) {
    if (path.IsEmpty()) return true;
    if (!loaded) Load();
    if (path.IsInside(windowsFolder)) return true;
    if (!ownFolder.IsEmpty() && (path.IsInside(ownFolder) || ownFolder.IsInside(path))) return true;
    if (usersUnknown)
        for (const CTargetPath& users : usersFolders)
            if (path.IsInside(users)) return true;
    return false;
}

bool CProtectedFolders::IsKnownFolder(const CTargetPath& path) {
    if (IsUntouchable(path)) return true;
    if (path.IsDriveRoot()) return true;
    for (const CTargetPath& known : protectedFolders)
        if (known.IsInside(path)) return true;
    return false;
}

bool CProtectedFolders::IsRefusedFolder(const CTargetPath& path) {
    if (IsKnownFolder(path)) return true;
    for (const CTargetPath& claimed : claimedFolders)
        if (path.IsInside(claimed) || claimed.IsInside(path)) return true;
    return false;
}

bool CProtectedFolders::IsRefusedFile(const CTargetPath& path) {
    return IsUntouchable(path) || IsInsideClaim(path);
}

bool CProtectedFolders::IsInsideClaim(const CTargetPath& path) const {
    for (const CTargetPath& claimed : claimedFolders)
        if (path.IsInside(claimed)) return true;
    return false;
}

bool CProtectedFolders::IsClaimedName(const QString& name) const {
    return !claimedNames.isEmpty() && claimedNames.contains(name.toLower());
}
