#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Errors.h"

namespace platform {

// File attributes (FILE_ATTRIBUTE_*).
enum : uint32_t {
    kAttrReadOnly = 0x1,
    kAttrHidden = 0x2,
    kAttrSystem = 0x4,
    kAttrDirectory = 0x10,
    kAttrArchive = 0x20,
    kAttrNormal = 0x80,
    kAttrReparsePoint = 0x400,
    kInvalidAttributes = 0xFFFFFFFF,
};

// Special folders (CSIDL_*) the leftover search and the protected-folder
// policy read; the numbers are the Windows API's own.
enum : int {
    kCsidlPrograms = 2,
    kCsidlPersonal = 5,
    kCsidlStartup = 7,
    kCsidlStartMenu = 11,
    kCsidlMyMusic = 13,
    kCsidlMyVideo = 14,
    kCsidlDesktopDirectory = 16,
    kCsidlCommonStartMenu = 22,
    kCsidlCommonPrograms = 23,
    kCsidlCommonStartup = 24,
    kCsidlCommonDesktop = 25,
    kCsidlAppData = 26,
    kCsidlLocalAppData = 28,
    kCsidlCommonAppData = 35,
    kCsidlWindows = 36,
    kCsidlProgramFiles = 38,
    kCsidlMyPictures = 39,
    kCsidlProfile = 40,
    kCsidlProgramFilesX86 = 42,
    kCsidlProgramFilesCommon = 43,
    kCsidlProgramFilesCommonX86 = 44,
    kCsidlCommonDocuments = 46,
};

// What a listing includes. Entries named "." and ".." are never listed.
// Without kListHidden, entries with the hidden attribute are left out;
// without kListSystem, entries with the system attribute are left out
// (the way QDir leaves them out on Windows).
enum : uint32_t {
    kListFiles = 0x1,
    kListDirs = 0x2,
    kListHidden = 0x4,
    kListSystem = 0x8,
    // Files may come without their read-only, hidden and system bits, and
    // are then listed whatever those bits are (folders keep theirs, and the
    // filter): a walk that looks at file names only spares a status query
    // and an attribute read per file on backends where they cost one, and
    // asks GetAttributes for the few files it takes.
    kListNoFileAttributes = 0x10,
};

// Every entry, hidden and system ones included.
constexpr uint32_t kListEverything = kListFiles | kListDirs | kListHidden | kListSystem;

struct FileEntry {
    std::string name; // UTF-8, no folder part
    uint32_t attributes = 0;

    bool isDir() const { return (attributes & kAttrDirectory) != 0; }
    bool isLink() const { return (attributes & kAttrReparsePoint) != 0; }
};

// One entry of a tree walk: its parent is the index of a folder entry
// earlier in the same result, or kTreeRoot for a direct child of the base.
struct TreeEntry {
    static constexpr uint32_t kTreeRoot = 0xFFFFFFFF;
    uint32_t parent = kTreeRoot;
    FileEntry entry;
};

// What GetFileAttributesExW tells of an entry. Times are FILETIME counts
// (100 ns since 1601-01-01 UTC); a folder's size is 0.
struct FileStat {
    uint32_t attributes = 0;
    uint64_t size = 0;
    uint64_t creationTime = 0;
    uint64_t writeTime = 0;
};

// An icon drawn by IFileSystem::ExtractIcon.
struct IconImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::string pixels; // BGRA, straight alpha, top row first
};

// The file system of the target machine. Paths are absolute Windows paths
// in UTF-8 ("C:\\users\\..."); either separator is accepted. A path in the
// \\?\ form ("\\\\?\\C:\\users\\...") names exactly the entry its components
// spell; any other is made full as Windows makes it: "." and ".."
// resolved, one trailing dot dropped from each folder name on the way and
// every trailing dot and space from the last name, so that "Other Tool."
// names "Other Tool". Every call returns a Windows error code. Safe to call
// from several threads.
class IFileSystem {
public:
    virtual ~IFileSystem() = default;

    // The direct entries of a folder that pass `flags`, sorted by name
    // ignoring case.
    virtual uint32_t ListFolder(const std::string& path, uint32_t flags, std::vector<FileEntry>* entries) = 0;

    // Every entry below `base` that passes `flags`, in one call: each folder's
    // own entries are contiguous and sorted by name ignoring case, and the
    // entries of a folder come after the folder's own entry. Folders that are
    // junctions or symbolic links (reparse points) are listed but never
    // entered; folders left out by `flags` are not entered either.
    virtual uint32_t ListTree(const std::string& base, uint32_t flags, std::vector<TreeEntry>* entries) = 0;

    // GetFileAttributesW. kInvalidAttributes with an error when missing.
    virtual uint32_t GetAttributes(const std::string& path, uint32_t* attributes) = 0;

    // DeleteFileW. A symbolic link to a file is removed, not its target.
    virtual uint32_t DeleteFile(const std::string& path) = 0;

    // Leaves only the owner-write permission, which on Windows clears the
    // read-only attribute (what QFile::setPermissions(WriteOwner) does).
    virtual uint32_t SetOwnerWriteOnly(const std::string& path) = 0;

    // Removes the folder, then each parent in turn while it is empty, the way
    // QDir::rmpath does. A junction or symbolic link is removed as a link;
    // its target is never touched. Succeeds when the folder itself is gone.
    virtual uint32_t RemoveFolderAndEmptyParents(const std::string& path) = 0;

    // RemoveDirectoryW: removes one empty folder, or a junction or symbolic
    // link as a link (its target is never touched); never a parent.
    virtual uint32_t RemoveFolder(const std::string& path) = 0;

    // Where `path` really is, with every link on the way resolved (the last
    // component too), and on Windows 8.3 short names and trailing dots and
    // spaces as well: an absolute Windows path ("C:\\Users\\u\\Documents")
    // for a place on the machine's own disk, or a path of the system that
    // hosts the machine ("/home/u/Documents") for a place outside it (under
    // Wine, whatever lies outside the prefix's drive_c). The path must exist.
    virtual uint32_t FinalPath(const std::string& path, std::string* real) = 0;

    // Creation time as a FILETIME count (100 ns since 1601-01-01 UTC).
    virtual uint32_t CreationTime(const std::string& path, uint64_t* fileTime) = 0;

    // Last write time as a FILETIME count (100 ns since 1601-01-01 UTC).
    virtual uint32_t ModificationTime(const std::string& path, uint64_t* fileTime) = 0;

    // The icon at `index` of a file (an .exe, .dll or .ico; the index as
    // written after the comma of a "DisplayIcon" text: a negative number is
    // a resource id, as ExtractIconEx takes it), drawn at `size` pixels
    // square: 32-bit BGRA pixels, top row first, premultiplied alpha NOT
    // applied (straight alpha), width*height*4 bytes in `image->pixels`.
    // kErrorFileNotFound / kErrorPathNotFound when the file is missing,
    // kErrorNotFound when it holds no such icon.
    virtual uint32_t ExtractIcon(const std::string& path, int index, uint32_t size, IconImage* image) = 0;

    // SHGetSpecialFolderPathW(csidl) without creating the folder.
    virtual uint32_t SpecialFolder(int csidl, std::string* path) = 0;

    // GetFileAttributesExW: the entry's attributes, size and times. A link
    // is looked at itself, not its target.
    virtual uint32_t Stat(const std::string& path, FileStat* stat) = 0;

    // Moves one file (a link as the link, never its target) or one empty
    // folder to `to`, which must not exist (kErrorAlreadyExists) and whose
    // folder must (kErrorPathNotFound): nothing is ever overwritten. Within
    // a volume it is a rename. Across volumes (where the rename fails with
    // kErrorNotSameDevice) a file is copied with its attributes and times,
    // the copy is read back and compared with the original, and only then is
    // the original deleted; when a step fails the copy is removed and the
    // original stays where it was. A folder that is not empty is renamed
    // within a volume like any entry, but refused across volumes
    // (kErrorDirNotEmpty). `moved` (may be null) receives the entry's status
    // as it was before the move.
    virtual uint32_t MoveEntry(const std::string& from, const std::string& to, FileStat* moved) = 0;

    // SetFileTime on a file or folder; a time of 0 is left as it is.
    virtual uint32_t SetTimes(const std::string& path, uint64_t creationTime, uint64_t writeTime) = 0;

    // GetDiskFreeSpaceExW: the bytes the caller may still write on the volume
    // of `path` (an existing folder).
    virtual uint32_t FreeSpace(const std::string& path, uint64_t* bytes) = 0;

    // The path by which the target machine reaches a folder of the system
    // that hosts it (an absolute path of that system, which need not exist
    // yet): on Windows the path itself; under Wine the path Wine gives that
    // Linux folder (Z:\home\u\..., or \\?\unix\home\u\... when the
    // prefix has no drive for it).
    virtual uint32_t HostFolderPath(const std::string& hostPath, std::string* path) = 0;

    // Folders are created, and attributes set, when the restore store takes
    // leftovers in and gives them back; files are written only by tests and
    // fixtures.
    virtual uint32_t CreateFolder(const std::string& path) = 0; // with missing parents
    virtual uint32_t WriteFile(const std::string& path, const std::string& content) = 0;
    virtual uint32_t SetAttributes(const std::string& path, uint32_t attributes) = 0;

    bool Exists(const std::string& path) {
        uint32_t attributes = kInvalidAttributes;
        return GetAttributes(path, &attributes) == kErrorSuccess && attributes != kInvalidAttributes;
    }
    bool FolderExists(const std::string& path) {
        uint32_t attributes = kInvalidAttributes;
        return GetAttributes(path, &attributes) == kErrorSuccess && attributes != kInvalidAttributes &&
               (attributes & kAttrDirectory) != 0;
    }
};

} // namespace platform
