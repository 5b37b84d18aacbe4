#include "uninstall/ProtectedFolders.h"

#include <vector>

#include "uninstall/TargetPath.h"

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
    ownFolder = CTargetPath::IsAbsolute(folder) ? CTargetPath::Key(folder) : QString();
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
        location.real = CTargetPath::FromUtf8(real);
        location.place = CTargetPath::IsAbsolute(location.real) ? Place::Found : Place::Outside;
        if (location.place == Place::Found) location.real = CTargetPath::CleanAbsolute(location.real);
    }
    return location;
}

CProtectedFolders::Location CProtectedFolders::FinalLocation(const QString& path) {
    if (!CTargetPath::IsAbsolute(path)) return Location{Place::Unknown, QString()};
    const QString key = CTargetPath::Key(path);
    const auto cached = finalCache.constFind(key);
    if (cached != finalCache.constEnd()) return cached.value();
    std::string real;
    const uint32_t status = files.FinalPath(CTargetPath::ToUtf8(CTargetPath::Native(path)), &real);
    const Location location = Judge(status, real);
    finalCache.insert(key, location);
    return location;
}

CProtectedFolders::Location CProtectedFolders::EntryLocation(const QString& path) {
    if (!CTargetPath::IsAbsolute(path)) return Location{Place::Unknown, QString()};
    const QString native = CTargetPath::CleanAbsolute(path);
    const QString parent = CTargetPath::ParentOf(native);
    // A drive root is its own entry.
    if (parent.size() < 2 || native.size() <= 3) return FinalLocation(native);
    const QString name = native.mid(parent.size() + 1);
    Location location = FinalLocation(parent.size() == 2 ? parent + QLatin1Char('\\') : parent);
    if (location.place != Place::Found) return location;
    if (!location.real.endsWith(QLatin1Char('\\'))) location.real += QLatin1Char('\\');
    location.real += name;
    // The entry itself may be gone while its folder is there.
    uint32_t attributes = platform::kInvalidAttributes;
    const uint32_t status = files.GetAttributes(CTargetPath::ToUtf8(location.real), &attributes);
    if (status == platform::kErrorFileNotFound || status == platform::kErrorPathNotFound)
        location.place = Place::Missing;
    else if (!watch.Ok(status))
        location.place = Place::Unknown;
    return location;
}

void CProtectedFolders::SetClaims(const QStringList& folders, const QStringList& names) {
    if (!loaded) Load();
    claimedFolders.clear();
    claimedNames.clear();
    auto claim = [this](const QString& path) {
        // A claim on a shared or known folder claims nothing: such a folder
        // is protected on its own, and what lies in it belongs to others.
        if (!CTargetPath::IsAbsolute(path) || IsKnownFolder(path) || IsUntouchable(path)) return;
        claimedFolders.append(CTargetPath::Key(path));
    };
    for (const QString& folder : folders) {
        if (!CTargetPath::IsAbsolute(folder)) continue;
        claim(folder);
        const Location location = FinalLocation(folder);
        if (location.place == Place::Found) claim(location.real);
    }
    claimedFolders.removeDuplicates();
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
        if (!watch.Ok(files.SpecialFolder(csidl, &path))) return QString();
        return CTargetPath::FromUtf8(path);
    };
    QStringList texts;
    auto add = [&texts](const QString& path) {
        if (CTargetPath::IsAbsolute(path)) texts.append(path);
    };

    const QString windows = special(platform::kCsidlWindows);
    windowsFolder = CTargetPath::Key(CTargetPath::IsAbsolute(windows) ? windows : QStringLiteral("C:\\Windows"));
    const QString systemDrive = windowsFolder.left(2);
    add(systemDrive + QLatin1String("\\ProgramData"));
    add(systemDrive + QLatin1String("\\Users"));
    add(windowsFolder + QLatin1String("\\Temp"));

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
    QStringList users{systemDrive + QLatin1String("\\Users")};
    for (int csidl : csidls) {
        const QString path = special(csidl);
        add(path);
        if (!CTargetPath::IsAbsolute(path)) continue;
        if (csidl == platform::kCsidlProgramFiles || csidl == platform::kCsidlProgramFilesX86)
            add(path + QLatin1String("\\Common Files"));
        if (csidl == platform::kCsidlLocalAppData) add(path + QLatin1String("\\Temp"));
        if (csidl == platform::kCsidlProfile) users.append(CTargetPath::ParentOf(CTargetPath::Key(path)));
        if (csidl == platform::kCsidlCommonDesktop)
            users.append(CTargetPath::ParentOf(CTargetPath::ParentOf(CTargetPath::Key(path))));
    }
    users.removeDuplicates();
    for (const QString& folder : users) {
        if (!CTargetPath::IsAbsolute(folder + QLatin1Char('\\'))) continue;
        add(folder);
        usersFolders.append(CTargetPath::Key(folder));
        // Every folder under Users is a profile, with its known folders.
        std::vector<platform::FileEntry> profiles;
        const uint32_t status =
            files.ListFolder(CTargetPath::ToUtf8(folder),
                             platform::kListDirs | platform::kListHidden | platform::kListSystem, &profiles);
        // Profiles that cannot be listed cannot be told apart: everything
        // under that Users folder is then kept.
        if (status != platform::kErrorFileNotFound && status != platform::kErrorPathNotFound && !watch.Ok(status))
            usersUnknown = true;
        for (const platform::FileEntry& profile : profiles) {
            const QString profilePath = folder + QLatin1Char('\\') + CTargetPath::FromUtf8(profile.name);
            add(profilePath);
            for (const char* known : kProfileFolders)
                add(profilePath + QLatin1Char('\\') + QLatin1String(known));
        }
    }
    // Each known folder counts by its text and by its real location, which
    // differ where a junction or a link stands on the way.
    for (const QString& text : texts) {
        protectedFolders.append(CTargetPath::Key(text));
        std::string real;
        if (!watch.Ok(files.FinalPath(CTargetPath::ToUtf8(CTargetPath::Native(text)), &real))) continue;
        const QString realText = CTargetPath::FromUtf8(real);
        if (CTargetPath::IsAbsolute(realText)) protectedFolders.append(CTargetPath::Key(realText));
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
    if (usersUnknown)
        for (const QString& users : usersFolders)
            if (CTargetPath::IsInside(key, users)) return true;
    return false;
}

bool CProtectedFolders::IsKnownFolder(const QString& path) {
    if (IsUntouchable(path)) return true;
    const QString key = CTargetPath::Key(path);
    if (key.size() <= 2) return true; // a drive root
    for (const QString& known : protectedFolders)
        if (CTargetPath::IsInside(known, key)) return true;
    return false;
}

bool CProtectedFolders::IsRefusedFolder(const QString& path) {
    if (IsKnownFolder(path)) return true;
    const QString key = CTargetPath::Key(path);
    for (const QString& claimed : claimedFolders)
        if (CTargetPath::IsInside(key, claimed) || CTargetPath::IsInside(claimed, key)) return true;
    return false;
}

bool CProtectedFolders::IsRefusedFile(const QString& path) {
    return IsUntouchable(path) || IsInsideClaim(path);
}

bool CProtectedFolders::IsInsideClaim(const QString& path) const {
    if (claimedFolders.isEmpty()) return false;
    const QString key = CTargetPath::Key(path);
    for (const QString& claimed : claimedFolders)
        if (CTargetPath::IsInside(key, claimed)) return true;
    return false;
}

bool CProtectedFolders::IsClaimedName(const QString& name) const {
    return !claimedNames.isEmpty() && claimedNames.contains(name.toLower());
}
