#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

// A file system held in memory that answers like the wide Windows calls:
// - paths are absolute ("C:\\a\\b"), either separator, repeated separators
//   and a trailing one are accepted; names compare ignoring case as Windows
//   compares them (WindowsCase.h) and keep the case they were created with;
// - a path in the \\?\ form names exactly what its components spell; any
//   other is made full as Windows makes it: "." and ".." resolved, one
//   trailing dot dropped from each folder name on the way and every
//   trailing dot and space from the last name;
// - a missing last component gives ERROR_FILE_NOT_FOUND, a missing folder on
//   the way ERROR_PATH_NOT_FOUND, a file used as a folder ERROR_DIRECTORY
//   (for listing) or ERROR_PATH_NOT_FOUND (elsewhere);
// - links (junctions, symbolic links) are entries carrying
//   FILE_ATTRIBUTE_REPARSE_POINT and a target path. A path that goes through
//   a link resolves into its target, as on Windows, so listing a link lists
//   its target; GetAttributes on the link itself describes the link; ListTree
//   lists links without entering them; removing a link never touches its
//   target;
// - DeleteFile refuses read-only files and folders (ERROR_ACCESS_DENIED);
//   removing a folder refuses a read-only or non-empty one;
// - each drive is a volume of its own: MoveEntry renames within a drive and
//   copies, compares and deletes across drives, and a free-space figure
//   can be set per drive, which writes and copies onto it respect;
// - SpecialFolder answers from a table (Wine's layout for the user "tester"
//   by default) and, like SHGetSpecialFolderPath without creating, fails
//   when the folder does not exist.
// Thread-safe; every call is counted so that a test can check that a walk
// does not cost one call per entry.
class MemoryFileSystem : public platform::IFileSystem {
public:
    static constexpr uint32_t kErrorDirectory = 267; // ERROR_DIRECTORY

    MemoryFileSystem();
    ~MemoryFileSystem() override;

    uint32_t ListFolder(const std::string& path, uint32_t flags, std::vector<platform::FileEntry>* entries) override;
    uint32_t ListTree(const std::string& base, uint32_t flags, std::vector<platform::TreeEntry>* entries) override;
    uint32_t GetAttributes(const std::string& path, uint32_t* attributes) override;
    uint32_t DeleteFile(const std::string& path) override;
    uint32_t SetOwnerWriteOnly(const std::string& path) override;
    uint32_t RemoveFolderAndEmptyParents(const std::string& path) override;
    uint32_t RemoveFolder(const std::string& path) override;
    uint32_t FinalPath(const std::string& path, std::string* real) override;
    uint32_t CreationTime(const std::string& path, uint64_t* fileTime) override;
    uint32_t ModificationTime(const std::string& path, uint64_t* fileTime) override;
    // The icon set with SetIcon, as it was set (the size is not applied).
    uint32_t ExtractIcon(const std::string& path, int index, uint32_t size, platform::IconImage* image) override;
    uint32_t SpecialFolder(int csidl, std::string* path) override;
    uint32_t Stat(const std::string& path, platform::FileStat* stat) override;
    uint32_t MoveEntry(const std::string& from, const std::string& to, platform::FileStat* moved) override;
    uint32_t SetTimes(const std::string& path, uint64_t creationTime, uint64_t writeTime) override;
    // The figure set with SetFreeSpace, or kUnlimitedSpace.
    uint32_t FreeSpace(const std::string& path, uint64_t* bytes) override;
    // A host path held by a root mapped with MapDriveOutside is answered
    // through that drive (the longest such root), as Wine answers through
    // Z: (a test on a Windows host maps its own temporary folder so, to keep
    // the store on a volume of its own); any other Windows path ("C:\\...")
    // is its own answer, as on Windows, and any other host path fails with
    // kErrorPathNotFound.
    uint32_t HostFolderPath(const std::string& hostPath, std::string* path) override;
    uint32_t CreateFolder(const std::string& path) override;
    uint32_t WriteFile(const std::string& path, const std::string& content) override;
    uint32_t SetAttributes(const std::string& path, uint32_t attributes) override;

    // Fixture helpers.
    // A junction (or directory symbolic link) at `path` that points at
    // `target`; the target need not exist. Parents are created.
    uint32_t CreateLink(const std::string& path, const std::string& target);
    // FinalPath answers places on `drive` ("Z:") as paths below `realRoot`
    // ("/") of the system that hosts the machine, the way the Wine backend
    // answers for what lies outside the prefix's drive_c.
    void MapDriveOutside(const std::string& drive, const std::string& realRoot);
    // Every listing, attribute query and final-path query of exactly `path`
    // fails with `error` from now on (a folder that cannot be read).
    void FailPath(const std::string& path, uint32_t error);
    // The steps of MoveEntry, for a hook that makes one of them fail.
    enum class MoveStep { Rename, Copy, Compare, Delete };
    // Called (with the file system locked: the hook must not call it) before
    // each step of every MoveEntry with the step and the source path as
    // given; a non-zero answer makes the step fail with that error, with
    // the effects a real failure has (a failed compare or delete removes the
    // copy again). An empty hook removes it.
    using MoveHook = std::function<uint32_t(MoveStep step, const std::string& from)>;
    void SetMoveHook(MoveHook hook);
    // The bytes still free on `drive` ("D:"): from now on a write or copy
    // that would need more fails with kErrorDiskFull, the figure goes down
    // with the bytes written or copied onto the drive and up with those
    // deleted from it.
    void SetFreeSpace(const std::string& drive, uint64_t bytes);
    static constexpr uint64_t kUnlimitedSpace = 1ULL << 40;
    // Answer `path` for `csidl`; an empty path makes the folder unknown.
    void SetSpecialFolder(int csidl, const std::string& path);
    // Every lookup of `csidl` fails with `error` from now on (0: none).
    void FailSpecialFolder(int csidl, uint32_t error);
    void SetCreationTime(const std::string& path, uint64_t fileTime);
    void SetModificationTime(const std::string& path, uint64_t fileTime);
    // Gives the file at `path` an icon at `index`; false when it is missing.
    bool SetIcon(const std::string& path, int index, const platform::IconImage& image);
    // The content of a file, empty when missing.
    std::string ReadFile(const std::string& path);
    // Every entry below `base` (links not entered) as absolute paths in the
    // case they were created with, folders ending in a backslash, sorted
    // ignoring case. For "what is left" comparisons.
    std::vector<std::string> Snapshot(const std::string& base);

    // Number of interface calls since construction or the last reset.
    size_t CallCount() const;
    void ResetCallCount();

    // The Wine layout the default table answers for.
    static constexpr const char* kUser = "tester";

private:
    struct Node {
        std::string name; // as created
        uint32_t attributes = platform::kAttrNormal;
        std::string content;
        std::string linkTarget; // non-empty for a link
        uint64_t creationTime = 0;
        uint64_t modificationTime = 0; // 0: the creation time
        std::map<int, platform::IconImage> icons;
        std::map<std::string, std::unique_ptr<Node>> children; // by upper-cased name
        bool isDir() const { return (attributes & platform::kAttrDirectory) != 0; }
        bool isLink() const { return (attributes & platform::kAttrReparsePoint) != 0; }
    };

    // A path split into its drive ("C:") and components; false when the
    // path is not absolute.
    static bool Split(const std::string& path, std::vector<std::string>* parts);
    static std::string Fold(const std::string& name);
    static std::string Join(const std::vector<std::string>& parts, size_t count);
    // The first `count` parts, resolved as they are (a joined text would be
    // made full again and lose a name's trailing dots).
    static std::vector<std::string> Prefix(const std::vector<std::string>& parts, size_t count);

    // Looks up a path. Links on the way resolve into their target; the last
    // component is resolved too when `followLast` is set. `parent` receives
    // the folder holding the last component (resolved), when it exists.
    uint32_t Resolve(const std::string& path, bool followLast, Node** node, Node** parent = nullptr,
                     std::vector<std::string>* resolvedParts = nullptr);
    uint32_t ResolveParts(std::vector<std::string> parts, bool followLast, int depth, Node** node, Node** parent,
                          std::vector<std::string>* resolvedParts);
    Node* MakeFolders(const std::vector<std::string>& parts, size_t count, uint32_t* error);
    std::vector<const Node*> Sorted(const Node& folder, uint32_t flags) const;
    static void SnapshotInto(const Node& folder, const std::string& prefix, std::vector<std::string>* out);
    static platform::FileStat StatOf(const Node& node);
    // Takes `bytes` from the free figure of `drive` (gives back when
    // negative); kErrorDiskFull, and nothing taken, when it has too few.
    uint32_t TakeSpace(const std::string& drive, int64_t bytes);
    uint32_t Step(MoveStep step, const std::string& from) const;

    mutable std::mutex mutex;
    Node root; // children are the drives, by folded "c:"
    std::map<int, std::string> specialFolders;
    std::map<int, uint32_t> specialFailures;
    std::map<std::string, std::string> outsideDrives; // folded "z:" -> real root
    std::map<std::string, uint32_t> failures;         // folded path -> error
    std::map<std::string, uint64_t> freeSpace;        // folded "d:" -> bytes free
    MoveHook moveHook;
    uint32_t Failure(const std::string& path) const;
    uint64_t nextCreationTime = 133000000000000000ULL;
    size_t calls = 0;
};
