#pragma once

#include <atomic>

#include "platform/FileSystem.h"

struct stat;

namespace platform {

namespace wire::calls {
struct MovePathsReply;
}

class CWineHostConnection;

// IFileSystem through winehost.exe: one round trip per call. ListTree maps
// the base to its Linux folder with one round trip and walks that folder
// from this side, reporting what Wine's own calls report (see
// CNativeTreeWalk), and MoveEntry maps both ends of the move with one round
// trip and renames on the Linux side; with `nativeWalk` off the host walks
// the tree and moves entries (all but symbolic links) with the Windows calls
// themselves.
class CWineFileSystem : public IFileSystem {
public:
    explicit CWineFileSystem(CWineHostConnection& host, bool nativeWalk = true);

    uint32_t ListFolder(const std::string& path, uint32_t flags, std::vector<FileEntry>* entries) override;
    uint32_t ListTree(const std::string& base, uint32_t flags, std::vector<TreeEntry>* entries) override;
    uint32_t GetAttributes(const std::string& path, uint32_t* attributes) override;
    uint32_t DeleteFile(const std::string& path) override;
    uint32_t SetOwnerWriteOnly(const std::string& path) override;
    uint32_t RemoveFolderAndEmptyParents(const std::string& path) override;
    uint32_t RemoveFolder(const std::string& path) override;
    uint32_t FinalPath(const std::string& path, std::string* real) override;
    uint32_t CreationTime(const std::string& path, uint64_t* fileTime) override;
    uint32_t ModificationTime(const std::string& path, uint64_t* fileTime) override;
    uint32_t ExtractIcon(const std::string& path, int index, uint32_t size, IconImage* image) override;
    uint32_t SpecialFolder(int csidl, std::string* path) override;
    uint32_t Stat(const std::string& path, FileStat* stat) override;
    uint32_t MoveEntry(const std::string& from, const std::string& to, FileStat* moved) override;
    uint32_t SetTimes(const std::string& path, uint64_t creationTime, uint64_t writeTime) override;
    uint32_t FreeSpace(const std::string& path, uint64_t* bytes) override;
    uint32_t HostFolderPath(const std::string& hostPath, std::string* path) override;
    uint32_t CreateFolder(const std::string& path) override;
    uint32_t WriteFile(const std::string& path, const std::string& content) override;
    uint32_t SetAttributes(const std::string& path, uint32_t attributes) override;

private:
    uint32_t HostListTree(const std::string& base, uint32_t flags, std::vector<TreeEntry>* entries);
    // The Linux path Wine maps `path` to (empty when it maps to none).
    // False with `status` set when the host is gone.
    bool UnixPath(const std::string& path, std::string* linuxPath, uint32_t* status);
    // A host in this process (the tests') has no Wine and no Linux side
    // behind it, so what is done on the Linux side elsewhere is its job.
    bool InProcessHost() const;
    // Whether `path` is a symbolic link on the Linux side, which Wine does
    // not report for links to files. `status` is set when the host is gone.
    bool LinuxSymlink(const std::string& path, std::string* linuxPath, uint32_t* status);
    // MoveEntry as a rename on the Linux side of what `paths` maps (found
    // there as `entry`); kErrorCallNotImplemented when the host is to move it.
    uint32_t RenameOnLinuxSide(const wire::calls::MovePathsReply& paths, const struct stat& entry, FileStat* moved);

    CWineHostConnection& host;
    const bool nativeWalk;
    std::atomic<int> dotRule{0}; // CNativeTreeWalk::DotRule
};

} // namespace platform
