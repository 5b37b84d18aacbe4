#pragma once

#include "platform/FileSystem.h"

namespace platform {

// IFileSystem on the wide file calls of kernel32 and shell32.
class CWin32FileSystem : public IFileSystem {
public:
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
};

} // namespace platform
