#include "uninstall/ProtectedFolders.h"

#include <algorithm>
#include <vector>

#include "include/PathText.h"

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

// Known folders of the machine, relative to its system drive: a second
// source for the special folders, whose lookup may fail.
const char* const kMachineFolders[] = {
    "ProgramData",
    "Users",
    "Program Files",
    "Program Files\\Common Files",
    "Program Files (x86)",
    "Program Files (x86)\\Common Files",
    "ProgramData\\Microsoft\\Windows\\Start Menu",
    "ProgramData\\Microsoft\\Windows\\Start Menu\\Programs",
    "ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp",
    "ProgramData\\Microsoft\\Windows\\Templates",
};

} // namespace

CProtectedFolders::CProtectedFolders(platform::IFileSystem& targetFiles, CBackendWatch& backendWatch)
    : files(targetFiles), watch(backendWatch) {}

void CProtectedFolders::SetOwnFolder(const QString& folder) {
    ownFolder = CTargetPath::FromText(folder);
}

void CProtectedFolders::Reset() {
    loaded = false;
    failure.clear();
    claimedFolders.clear();
    claimedNames.clear();
    claimedLengths.clear();
    finalCache.clear();
}

void CProtectedFolders::ForgetLocations() {
    finalCache.clear();
}

QString CProtectedFolders::Failure() {
    if (!loaded) Load();
    return failure;
}

CProtectedFolders::Location CProtectedFolders::Judge(uint32_t status, const std::string& real) {
    Location location;
    if (platform::IsNotFound(status)) {
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

CProtectedFolders::Location CProtectedFolders::Lookup(const QString& key, const std::string& call) {
    const auto cached = finalCache.constFind(key);
    if (cached != finalCache.constEnd()) return cached.value();
    std::string real;
    const uint32_t status = files.FinalPath(call, &real);
    const Location location = Judge(status, real);
    finalCache.insert(key, location);
    return location;
}

CProtectedFolders::Location CProtectedFolders::FinalLocation(const CTargetPath& text) {
    if (text.IsEmpty()) return Location();
    return Lookup(text.Key(), text.Utf8());
}

CProtectedFolders::Location CProtectedFolders::EntryLocation(const CRealPath& entry) {
    if (entry.IsEmpty()) return Location();
    // A drive root is its own entry.
    if (entry.IsDriveRoot()) return Lookup(entry.Path().Key(), entry.Exact());
    const CRealPath folder = entry.Parent();
    Location location = Lookup(
        folder.IsDriveRoot() ? folder.Path().Key() : QStringLiteral("\\\\?\\") + folder.Path().Key(), folder.Exact());
    if (location.place != Place::Found) return location;
    location.real = location.real.Child(entry.Name());
    // The entry itself may be gone while its folder is there.
    uint32_t attributes = platform::kInvalidAttributes;
    const uint32_t status = files.GetAttributes(location.real.Exact(), &attributes);
    if (platform::IsNotFound(status))
        location.place = Place::Missing;
    else if (!watch.Ok(status))
        location.place = Place::Unknown;
    return location;
}

void CProtectedFolders::SetClaims(const QList<CTargetPath>& folders, const QStringList& names) {
    if (!loaded) Load();
    claimedFolders.clear();
    claimedNames.clear();
    claimedLengths.clear();
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
        // A claim whose real location cannot be told might be anywhere.
        if (location.place == Place::Unknown && failure.isEmpty())
            failure = QStringLiteral("the real location of %1, which another program claims, cannot be told")
                          .arg(folder.Native());
    }
    for (const QString& name : names)
        if (!name.trimmed().isEmpty()) {
            claimedNames.insert(WindowsNameKey(name.trimmed()));
            claimedLengths.insert(name.trimmed().size());
        };
}

void CProtectedFolders::Load() {
    loaded = true;
    usersUnknown = false;
    protectedFolders.clear();
    usersFolders.clear();
    auto fail = [this](const QString& why) {
        if (failure.isEmpty()) failure = why;
    };
    auto special = [&](int csidl) {
        std::string path;
        const uint32_t status = files.SpecialFolder(csidl, &path);
        // A folder that is not there holds nothing to keep; one whose
        // lookup failed may be anywhere.
        if (!platform::IsNotFound(status) && !watch.Ok(status))
            fail(QStringLiteral("the special folder %1 could not be looked up (error %2)").arg(csidl).arg(status));
        return status == platform::kErrorSuccess ? CTargetPath::FromText(CTargetPath::FromUtf8(path)) : CTargetPath();
    };
    QList<CTargetPath> known;
    auto add = [&known](const CTargetPath& path) {
        if (!path.IsEmpty()) known.append(path);
    };

    windowsFolder = special(platform::kCsidlWindows);
    if (windowsFolder.IsEmpty()) windowsFolder = CTargetPath::FromText(QStringLiteral("C:\\Windows"));
    const CTargetPath systemDrive = CTargetPath::FromText(windowsFolder.Native().left(3));
    for (const char* folder : kMachineFolders)
        add(CTargetPath::FromText(systemDrive.Native() + QLatin1String(folder)));
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
        const uint32_t status = files.FinalPath(text.Utf8(), &real);
        if (!platform::IsNotFound(status) && !watch.Ok(status))
            fail(QStringLiteral("the real location of %1 could not be read (error %2)").arg(text.Native()).arg(status));
        if (status != platform::kErrorSuccess) continue;
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
    if (IsKnownFolder(path) || IsInsideClaim(path)) return true;
    for (const CTargetPath& claimed : claimedFolders)
        if (claimed.IsInside(path)) return true;
    return false;
}

bool CProtectedFolders::IsRefusedFile(const CTargetPath& path) {
    return IsUntouchable(path) || IsInsideClaim(path);
}

bool CProtectedFolders::IsInsideClaim(const CTargetPath& path) {
    for (const CTargetPath& claimed : claimedFolders)
        if (path.IsInside(claimed)) return true;
    return BearsClaimedName(path);
}

bool CProtectedFolders::BearsClaimedName(const CTargetPath& path) {
    if (claimedNames.isEmpty() || path.IsEmpty()) return false;
    if (!loaded) Load();
    // The names at and above the deepest known folder holding the path are
    // the machine's ("Program Files", a user's name), not a program's.
    const QStringList parts = path.Native().split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    int first = 1;
    for (const CTargetPath& known : protectedFolders)
        if (path.IsInside(known))
            first = std::max(first, int(known.Native().split(QLatin1Char('\\'), Qt::SkipEmptyParts).size()));
    for (int i = first; i < parts.size(); ++i)
        if (IsClaimedName(parts[i])) return true;
    // The last name may be a file's.
    return first < parts.size() && IsClaimedName(CTargetPath::Stem(parts.back()));
}

bool CProtectedFolders::IsClaimedName(const QString& name) const {
    // Most names are of no claimed length, which needs no key to tell.
    return claimedLengths.contains(name.size()) && claimedNames.contains(WindowsNameKey(name));
}
