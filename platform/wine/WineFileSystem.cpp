#include "platform/wine/WineFileSystem.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/wine/NativeTreeWalk.h"
#include "platform/wine/WineHostConnection.h"
#include "platform/winehost/HostProtocol.h"
#include "platform/winehost/WireReader.h"
#include "platform/winehost/WireWriter.h"

namespace platform {

using wire::Op;
using wire::WireReader;
using wire::WireWriter;

CWineFileSystem::CWineFileSystem(CWineHostConnection& host, bool nativeWalk) : host_(host), nativeWalk_(nativeWalk) {}

uint32_t CWineFileSystem::PathCall(uint32_t op, const std::string& path) {
    WireWriter request;
    request.U32(op).Bytes(path);
    std::string reply;
    if (!host_.Call(request.Frame(), &reply)) return kErrorBackendFailure;
    WireReader in(reply);
    const uint32_t status = in.U32();
    return in.Failed() ? static_cast<uint32_t>(kErrorBackendFailure) : status;
}

uint32_t CWineFileSystem::ListFolder(const std::string& path, uint32_t flags, std::vector<FileEntry>* entries) {
    entries->clear();
    WireWriter request;
    request.U32(static_cast<uint32_t>(Op::ListFolder)).Bytes(path).U32(flags);
    std::string reply;
    if (!host_.Call(request.Frame(), &reply)) return kErrorBackendFailure;
    WireReader in(reply);
    const uint32_t status = in.U32();
    const uint32_t count = in.U32();
    for (uint32_t i = 0; i < count && !in.Failed(); ++i) {
        FileEntry entry;
        entry.name = in.Bytes();
        entry.attributes = in.U32();
        entries->push_back(std::move(entry));
    }
    if (in.Failed()) {
        entries->clear();
        return kErrorBackendFailure;
    }
    return status;
}

uint32_t CWineFileSystem::ListTree(const std::string& base, uint32_t flags, std::vector<TreeEntry>* entries) {
    entries->clear();
    if (!nativeWalk_) return HostListTree(base, flags, entries);
    std::string linuxPath;
    uint32_t status = kErrorSuccess;
    if (!UnixPath(base, &linuxPath, &status)) return status;
    if (linuxPath.empty()) return HostListTree(base, flags, entries);
    CNativeTreeWalk walk(
        [this](const std::string& path, uint32_t treeFlags, std::vector<TreeEntry>* tree) {
            return HostListTree(path, treeFlags, tree);
        },
        [this](const std::string& path, uint32_t* attributes) { return GetAttributes(path, attributes); }, dotRule_);
    if (walk.Walk(base, linuxPath, flags, entries, &status)) return status;
    // The base is no folder that this side can open: the host says why.
    return HostListTree(base, flags, entries);
}

uint32_t CWineFileSystem::HostListTree(const std::string& base, uint32_t flags, std::vector<TreeEntry>* entries) {
    entries->clear();
    WireWriter request;
    request.U32(static_cast<uint32_t>(Op::ListTree)).Bytes(base).U32(flags);
    std::string reply;
    if (!host_.Call(request.Frame(), &reply)) return kErrorBackendFailure;
    WireReader in(reply);
    const uint32_t status = in.U32();
    const uint32_t count = in.U32();
    entries->reserve(count < (1u << 20) ? count : (1u << 20));
    for (uint32_t i = 0; i < count && !in.Failed(); ++i) {
        TreeEntry entry;
        entry.parent = in.U32();
        entry.entry.name = in.Bytes();
        entry.entry.attributes = in.U32();
        // A parent must be a folder listed earlier; anything else is a
        // broken reply, not a tree.
        if (entry.parent != TreeEntry::kTreeRoot && entry.parent >= i) {
            entries->clear();
            return kErrorBackendFailure;
        }
        entries->push_back(std::move(entry));
    }
    if (in.Failed()) {
        entries->clear();
        return kErrorBackendFailure;
    }
    return status;
}

uint32_t CWineFileSystem::GetAttributes(const std::string& path, uint32_t* attributes) {
    *attributes = kInvalidAttributes;
    WireWriter request;
    request.U32(static_cast<uint32_t>(Op::GetAttributes)).Bytes(path);
    std::string reply;
    if (!host_.Call(request.Frame(), &reply)) return kErrorBackendFailure;
    WireReader in(reply);
    const uint32_t status = in.U32();
    const uint32_t value = in.U32();
    if (in.Failed()) return kErrorBackendFailure;
    *attributes = value;
    return status;
}

bool CWineFileSystem::UnixPath(const std::string& path, std::string* linuxPath, uint32_t* status) {
    *status = kErrorSuccess;
    linuxPath->clear();
    std::string trimmed = path;
    while (trimmed.size() > 3 && (trimmed.back() == '\\' || trimmed.back() == '/'))
        trimmed.pop_back();
    WireWriter request;
    request.U32(static_cast<uint32_t>(Op::UnixPath)).Bytes(trimmed);
    std::string reply;
    if (!host_.Call(request.Frame(), &reply)) {
        *status = kErrorBackendFailure;
        return false;
    }
    WireReader in(reply);
    const uint32_t found = in.U32();
    std::string text = in.Bytes();
    if (in.Failed()) {
        *status = kErrorBackendFailure;
        return false;
    }
    if (found == kErrorSuccess) *linuxPath = std::move(text);
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
    return PathCall(static_cast<uint32_t>(Op::DeleteFile), path);
}

uint32_t CWineFileSystem::SetOwnerWriteOnly(const std::string& path) {
    // Through a symbolic link Wine would change the target's attributes; a
    // link needs no write permission to be removed, so it is left as it is.
    std::string linuxPath;
    uint32_t status = kErrorSuccess;
    if (LinuxSymlink(path, &linuxPath, &status)) return kErrorSuccess;
    if (status == kErrorBackendFailure) return status;
    return PathCall(static_cast<uint32_t>(Op::SetOwnerWriteOnly), path);
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
        return PathCall(static_cast<uint32_t>(Op::RemoveFolderAndEmptyParents), path);

    std::string trimmed = path;
    while (trimmed.size() > 3 && (trimmed.back() == '\\' || trimmed.back() == '/'))
        trimmed.pop_back();
    std::string linuxPath;
    uint32_t linkStatus = kErrorSuccess;
    if (!LinuxSymlink(trimmed, &linuxPath, &linkStatus))
        return linkStatus == kErrorBackendFailure ? linkStatus : static_cast<uint32_t>(kErrorAccessDenied);
    if (unlink(linuxPath.c_str()) != 0) return errno == ENOENT ? kErrorFileNotFound : kErrorAccessDenied;
    const size_t slash = trimmed.find_last_of("\\/");
    if (slash != std::string::npos && slash > 2)
        PathCall(static_cast<uint32_t>(Op::RemoveFolderAndEmptyParents), trimmed.substr(0, slash));
    return kErrorSuccess;
}

uint32_t CWineFileSystem::CreateFolder(const std::string& path) {
    return PathCall(static_cast<uint32_t>(Op::CreateFolder), path);
}

uint32_t CWineFileSystem::CreationTime(const std::string& path, uint64_t* fileTime) {
    *fileTime = 0;
    WireWriter request;
    request.U32(static_cast<uint32_t>(Op::CreationTime)).Bytes(path);
    std::string reply;
    if (!host_.Call(request.Frame(), &reply)) return kErrorBackendFailure;
    WireReader in(reply);
    const uint32_t status = in.U32();
    const uint64_t value = in.U64();
    if (in.Failed()) return kErrorBackendFailure;
    *fileTime = value;
    return status;
}

// STUB: the real implementations come with the host-protocol work that adds
// these two calls; until that is merged they report that nothing is there.
uint32_t CWineFileSystem::ModificationTime(const std::string&, uint64_t* fileTime) {
    *fileTime = 0;
    return kErrorNotFound;
}

// STUB: see ModificationTime.
uint32_t CWineFileSystem::ExtractIcon(const std::string&, int, uint32_t, IconImage* image) {
    *image = IconImage();
    return kErrorNotFound;
}

uint32_t CWineFileSystem::SpecialFolder(int csidl, std::string* path) {
    path->clear();
    WireWriter request;
    request.U32(static_cast<uint32_t>(Op::SpecialFolder)).U32(static_cast<uint32_t>(csidl));
    std::string reply;
    if (!host_.Call(request.Frame(), &reply)) return kErrorBackendFailure;
    WireReader in(reply);
    const uint32_t status = in.U32();
    std::string text = in.Bytes();
    if (in.Failed()) return kErrorBackendFailure;
    if (status == kErrorSuccess) *path = std::move(text);
    return status;
}

uint32_t CWineFileSystem::WriteFile(const std::string& path, const std::string& content) {
    WireWriter request;
    request.U32(static_cast<uint32_t>(Op::WriteFile)).Bytes(path).Bytes(content);
    std::string reply;
    if (!host_.Call(request.Frame(), &reply)) return kErrorBackendFailure;
    WireReader in(reply);
    const uint32_t status = in.U32();
    return in.Failed() ? static_cast<uint32_t>(kErrorBackendFailure) : status;
}

uint32_t CWineFileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
    WireWriter request;
    request.U32(static_cast<uint32_t>(Op::SetAttributes)).Bytes(path).U32(attributes);
    std::string reply;
    if (!host_.Call(request.Frame(), &reply)) return kErrorBackendFailure;
    WireReader in(reply);
    const uint32_t status = in.U32();
    return in.Failed() ? static_cast<uint32_t>(kErrorBackendFailure) : status;
}

} // namespace platform
