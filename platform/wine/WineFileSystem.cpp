#include "platform/wine/WineFileSystem.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/wine/NativeTreeWalk.h"
#include "platform/wine/WineHostConnection.h"

namespace platform {

namespace calls = wire::calls;

namespace {

// Wine maps "C:\\a\\" to nothing; "C:\\" keeps its separator.
std::string WithoutTrailingSeparators(std::string path) {
    while (path.size() > 3 && (path.back() == '\\' || path.back() == '/'))
        path.pop_back();
    return path;
}

} // namespace

CWineFileSystem::CWineFileSystem(CWineHostConnection& host, bool nativeWalk) : host(host), nativeWalk(nativeWalk) {}

uint32_t CWineFileSystem::ListFolder(const std::string& path, uint32_t flags, std::vector<FileEntry>* entries) {
    entries->clear();
    calls::ListFolderReply reply;
    const uint32_t status = host.Call<calls::ListFolder>({path, flags}, &reply);
    *entries = std::move(reply.entries);
    return status;
}

uint32_t CWineFileSystem::ListTree(const std::string& base, uint32_t flags, std::vector<TreeEntry>* entries) {
    entries->clear();
    if (!nativeWalk) return HostListTree(base, flags, entries);
    std::string linuxPath;
    uint32_t status = kErrorSuccess;
    if (!UnixPath(base, &linuxPath, &status)) return status;
    if (linuxPath.empty()) return HostListTree(base, flags, entries);
    CNativeTreeWalk walk(
        [this](const std::string& path, uint32_t treeFlags, std::vector<TreeEntry>* tree) {
            return HostListTree(path, treeFlags, tree);
        },
        [this](const std::string& path, uint32_t* attributes) { return GetAttributes(path, attributes); }, dotRule);
    if (walk.Walk(base, linuxPath, flags, entries, &status)) return status;
    // The base is no folder that this side can open: the host says why.
    return HostListTree(base, flags, entries);
}

uint32_t CWineFileSystem::HostListTree(const std::string& base, uint32_t flags, std::vector<TreeEntry>* entries) {
    entries->clear();
    calls::ListTreeReply reply;
    const uint32_t status = host.Call<calls::ListTree>({base, flags}, &reply);
    if (status == kErrorBackendFailure) return status;
    // A parent must be a folder listed earlier; anything else is a broken
    // reply, not a tree.
    for (size_t i = 0; i < reply.entries.size(); ++i) {
        const uint32_t parent = reply.entries[i].parent;
        if (parent != TreeEntry::kTreeRoot && parent >= i)
            return host.Broken("the Wine host sent a tree whose entries come before their folders");
    }
    *entries = std::move(reply.entries);
    return status;
}

uint32_t CWineFileSystem::GetAttributes(const std::string& path, uint32_t* attributes) {
    *attributes = kInvalidAttributes;
    calls::AttributesReply reply;
    const uint32_t status = host.Call<calls::GetAttributes>({path}, &reply);
    if (status != kErrorBackendFailure) *attributes = reply.attributes;
    return status;
}

bool CWineFileSystem::UnixPath(const std::string& path, std::string* linuxPath, uint32_t* status) {
    *status = kErrorSuccess;
    linuxPath->clear();
    calls::PathReply reply;
    const uint32_t found = host.Call<calls::UnixPath>({WithoutTrailingSeparators(path)}, &reply);
    if (found == kErrorBackendFailure) {
        *status = found;
        return false;
    }
    if (found == kErrorSuccess) *linuxPath = std::move(reply.path);
    return true;
}

bool CWineFileSystem::LinuxSymlink(const std::string& path, std::string* linuxPath, uint32_t* status) {
    if (!UnixPath(path, linuxPath, status)) return false;
    struct stat info;
    return !linuxPath->empty() && lstat(linuxPath->c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

uint32_t CWineFileSystem::DeleteFile(const std::string& path) {
    // Wine's DeleteFileW deletes the file a symbolic link points to and
    // leaves the link; Wine does not even report such a link as one. So the
    // link is looked at, and removed, from the Linux side.
    std::string linuxPath;
    uint32_t status = kErrorSuccess;
    if (LinuxSymlink(path, &linuxPath, &status)) {
        if (unlink(linuxPath.c_str()) == 0) return kErrorSuccess;
        return errno == ENOENT ? kErrorFileNotFound : kErrorAccessDenied;
    }
    if (status == kErrorBackendFailure) return status;
    return host.Call<calls::DeleteFile>({path});
}

uint32_t CWineFileSystem::SetOwnerWriteOnly(const std::string& path) {
    // Through a symbolic link Wine would change the target's attributes; a
    // link needs no write permission to be removed, so it is left as it is.
    std::string linuxPath;
    uint32_t status = kErrorSuccess;
    if (LinuxSymlink(path, &linuxPath, &status)) return kErrorSuccess;
    if (status == kErrorBackendFailure) return status;
    return host.Call<calls::SetOwnerWriteOnly>({path});
}

uint32_t CWineFileSystem::RemoveFolderAndEmptyParents(const std::string& path) {
    // Wine cannot remove a symbolic link to a folder from the Windows side:
    // it removes the link's target instead when that is empty. So a link is
    // unlinked here, on the Linux side, and the host then removes the parents
    // that this leaves empty.
    uint32_t attributes = kInvalidAttributes;
    const uint32_t status = GetAttributes(path, &attributes);
    if (status == kErrorBackendFailure) return status;
    if (status != kErrorSuccess || !(attributes & kAttrReparsePoint) || !(attributes & kAttrDirectory))
        return host.Call<calls::RemoveFolderAndEmptyParents>({path});

    const std::string trimmed = WithoutTrailingSeparators(path);
    std::string linuxPath;
    uint32_t linkStatus = kErrorSuccess;
    if (!LinuxSymlink(trimmed, &linuxPath, &linkStatus)) {
        if (linkStatus == kErrorBackendFailure) return linkStatus;
        // A host in this process (the tests') has no Wine and no Linux side
        // behind it: it removes its links itself. Under Wine a link that
        // cannot be seen from Linux is left alone, as its target is at risk.
        if (linuxPath.empty() && InProcessHost()) return host.Call<calls::RemoveFolderAndEmptyParents>({path});
        return kErrorAccessDenied;
    }
    if (unlink(linuxPath.c_str()) != 0) return errno == ENOENT ? kErrorFileNotFound : kErrorAccessDenied;
    const size_t slash = trimmed.find_last_of("\\/");
    if (slash != std::string::npos && slash > 2)
        if (host.Call<calls::RemoveFolderAndEmptyParents>({trimmed.substr(0, slash)}) == kErrorBackendFailure)
            return kErrorBackendFailure;
    return kErrorSuccess;
}

bool CWineFileSystem::InProcessHost() const {
    return host.HostProcessId() < 0;
}

uint32_t CWineFileSystem::RemoveFolder(const std::string& path) {
    constexpr uint32_t kErrorDirectory = 267; // ERROR_DIRECTORY
    // Wine's RemoveDirectoryW removes the target of a symbolic link, so the
    // folder is removed on the Linux side: a link is unlinked, a folder is
    // removed only when empty (Wine's hidden entries are files there too).
    std::string linuxPath;
    uint32_t status = kErrorSuccess;
    if (!UnixPath(path, &linuxPath, &status)) return status;
    if (linuxPath.empty() && InProcessHost()) return host.Call<calls::RemoveFolder>({path});
    if (linuxPath.empty()) return kErrorPathNotFound;
    struct stat info;
    if (lstat(linuxPath.c_str(), &info) != 0) return errno == ENOENT ? kErrorFileNotFound : kErrorPathNotFound;
    if (S_ISLNK(info.st_mode)) {
        struct stat target;
        if (stat(linuxPath.c_str(), &target) != 0 || !S_ISDIR(target.st_mode)) return kErrorDirectory;
        return unlink(linuxPath.c_str()) == 0 ? kErrorSuccess : static_cast<uint32_t>(kErrorAccessDenied);
    }
    if (!S_ISDIR(info.st_mode)) return kErrorDirectory;
    if (rmdir(linuxPath.c_str()) == 0) return kErrorSuccess;
    return errno == ENOTEMPTY || errno == EEXIST ? kErrorDirNotEmpty : kErrorAccessDenied;
}

uint32_t CWineFileSystem::FinalPath(const std::string& path, std::string* real) {
    // Resolved on the Linux side, where every link of the prefix (the user
    // folders into the Linux home, Z: onto /) really is. A place inside the
    // prefix's drive_c is answered as a path on C:, anything else as the
    // Linux path it is.
    real->clear();
    std::string linuxPath;
    uint32_t status = kErrorSuccess;
    if (!UnixPath(path, &linuxPath, &status)) return status;
    if (linuxPath.empty() && InProcessHost()) {
        calls::PathReply reply;
        status = host.Call<calls::FinalPath>({path}, &reply);
        if (status == kErrorSuccess) *real = std::move(reply.path);
        return status;
    }
    if (linuxPath.empty()) return kErrorPathNotFound;
    auto resolve = [](const std::string& text, std::string* resolved) -> uint32_t {
        char buffer[PATH_MAX];
        if (!realpath(text.c_str(), buffer)) return errno == ENOENT ? kErrorFileNotFound : kErrorPathNotFound;
        *resolved = buffer;
        return kErrorSuccess;
    };
    std::string resolved;
    if ((status = resolve(linuxPath, &resolved)) != kErrorSuccess) return status;
    std::string driveC;
    std::string driveLinux;
    if (!UnixPath("C:\\", &driveLinux, &status)) return status;
    if (driveLinux.empty() || resolve(driveLinux, &driveC) != kErrorSuccess) return kErrorPathNotFound;
    if (resolved == driveC) {
        *real = "C:\\";
    } else if (driveC != "/" && resolved.compare(0, driveC.size() + 1, driveC + "/") == 0) {
        *real = "C:\\" + resolved.substr(driveC.size() + 1);
        for (char& c : *real)
            if (c == '/') c = '\\';
    } else {
        *real = resolved;
    }
    return kErrorSuccess;
}

uint32_t CWineFileSystem::CreateFolder(const std::string& path) {
    return host.Call<calls::CreateFolder>({path});
}

uint32_t CWineFileSystem::CreationTime(const std::string& path, uint64_t* fileTime) {
    wire::TimeReply reply;
    const uint32_t status = host.Call<calls::CreationTime>({path}, &reply);
    *fileTime = reply.fileTime;
    return status;
}

uint32_t CWineFileSystem::ModificationTime(const std::string& path, uint64_t* fileTime) {
    wire::TimeReply reply;
    const uint32_t status = host.Call<calls::ModificationTime>({path}, &reply);
    *fileTime = reply.fileTime;
    return status;
}

uint32_t CWineFileSystem::ExtractIcon(const std::string& path, int index, uint32_t size, IconImage* image) {
    calls::ExtractIconReply reply;
    const uint32_t status = host.Call<calls::ExtractIcon>({path, index, size}, &reply);
    *image = status == kErrorSuccess ? std::move(reply.image) : IconImage();
    return status;
}

uint32_t CWineFileSystem::SpecialFolder(int csidl, std::string* path) {
    calls::PathReply reply;
    const uint32_t status = host.Call<calls::SpecialFolder>({csidl}, &reply);
    *path = status == kErrorSuccess ? std::move(reply.path) : std::string();
    return status;
}

uint32_t CWineFileSystem::WriteFile(const std::string& path, const std::string& content) {
    return host.Call<calls::WriteFile>({path, content});
}

uint32_t CWineFileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
    return host.Call<calls::SetAttributes>({path, attributes});
}

uint32_t CWineFileSystem::Stat(const std::string& path, FileStat* stat) {
    calls::StatReply reply;
    const uint32_t status = host.Call<calls::Stat>({path}, &reply);
    *stat = status == kErrorSuccess ? reply.stat : FileStat();
    return status;
}

uint32_t CWineFileSystem::MoveEntry(const std::string& from, const std::string& to, FileStat* moved) {
    if (moved) *moved = FileStat();
    calls::MovePathsReply paths;
    uint32_t status =
        host.Call<calls::MovePaths>({WithoutTrailingSeparators(from), WithoutTrailingSeparators(to)}, &paths);
    if (status == kErrorBackendFailure) return status;
    struct stat entry;
    if (status == kErrorSuccess && !paths.from.empty() && lstat(paths.from.c_str(), &entry) == 0) {
        // Wine's MoveFileExW moves what a symbolic link points at and leaves
        // the link (and does not report a link to a file as one), so a link
        // is always moved here, as the link. Any other entry is renamed here
        // too, which is what Wine's call comes down to, at a fraction of its
        // cost; what a rename cannot do (a move to another volume) is left to
        // the host.
        if (S_ISLNK(entry.st_mode) || nativeWalk) {
            status = RenameOnLinuxSide(paths, entry, moved);
            if (status != kErrorCallNotImplemented) return status;
        }
    }
    calls::StatReply reply;
    status = host.Call<calls::MoveEntry>({from, to}, &reply);
    if (moved && status == kErrorSuccess) *moved = reply.stat;
    return status;
}

uint32_t CWineFileSystem::RenameOnLinuxSide(const calls::MovePathsReply& paths, const struct stat& entry,
                                            FileStat* moved) {
    const bool link = S_ISLNK(entry.st_mode);
    FileStat before = paths.stat;
    if (link) {
        // As Wine reports a link: its write time stands for its creation.
        struct stat target;
        const bool folder = stat(paths.from.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
        constexpr uint64_t kUnixEpoch = 116444736000000000ULL; // 1970-01-01 as a FILETIME count
        before = FileStat();
        before.attributes = kAttrReparsePoint | (folder ? kAttrDirectory : 0u);
        before.writeTime = kUnixEpoch + static_cast<uint64_t>(entry.st_mtim.tv_sec) * 10000000u +
                           static_cast<uint64_t>(entry.st_mtim.tv_nsec) / 100u;
        before.creationTime = before.writeTime;
    } else if (paths.statStatus != kErrorSuccess || paths.to.empty()) {
        return kErrorCallNotImplemented;
    }
    if (paths.to.empty()) return kErrorPathNotFound;
    // Never onto an existing entry.
    if (renameat2(AT_FDCWD, paths.from.c_str(), AT_FDCWD, paths.to.c_str(), RENAME_NOREPLACE) == 0) {
        if (moved) *moved = before;
        return kErrorSuccess;
    }
    const int error = errno;
    struct stat existing;
    switch (error) {
    case EEXIST:
        // Wine finds the entry itself under a name that differs in case
        // only: a change of case is the host's to make.
        if (!link && lstat(paths.to.c_str(), &existing) == 0 && existing.st_ino == entry.st_ino &&
            existing.st_dev == entry.st_dev)
            return kErrorCallNotImplemented;
        return kErrorAlreadyExists;
    case ENOENT:
    case ENOTDIR:
        return kErrorPathNotFound;
    case EXDEV:
        // A link stays: a copy would be one of what it points at.
        return link ? static_cast<uint32_t>(kErrorNotSameDevice) : kErrorCallNotImplemented;
    default:
        return link ? static_cast<uint32_t>(kErrorAccessDenied) : kErrorCallNotImplemented;
    }
}

uint32_t CWineFileSystem::SetTimes(const std::string& path, uint64_t creationTime, uint64_t writeTime) {
    return host.Call<calls::SetTimes>({path, creationTime, writeTime});
}

uint32_t CWineFileSystem::FreeSpace(const std::string& path, uint64_t* bytes) {
    calls::SizeReply reply;
    const uint32_t status = host.Call<calls::FreeSpace>({path}, &reply);
    *bytes = status == kErrorSuccess ? reply.bytes : 0;
    return status;
}

uint32_t CWineFileSystem::HostFolderPath(const std::string& hostPath, std::string* path) {
    calls::PathReply reply;
    const uint32_t status = host.Call<calls::HostFolderPath>({hostPath}, &reply);
    *path = status == kErrorSuccess ? std::move(reply.path) : std::string();
    return status;
}

} // namespace platform
