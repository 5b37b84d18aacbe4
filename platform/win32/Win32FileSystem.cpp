#include "platform/win32/Win32FileSystem.h"

#include <algorithm>
#include <cwctype>
#include <utility>

// clang-format off
#include <windows.h>
#include <shlobj.h>
// clang-format on

// windows.h maps DeleteFile to DeleteFileA/W; the interface's own member of
// that name must keep its name here.
#undef DeleteFile

namespace platform {
namespace {

std::wstring ToWide(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(length > 0 ? length : 0, L'\0');
    if (length > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], length);
    return wide;
}

std::string ToUtf8(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(length > 0 ? length : 0, '\0');
    if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &utf8[0], length, nullptr, nullptr);
    return utf8;
}

bool IsDriveRoot(const std::wstring& path) {
    return path.size() == 3 && std::iswalpha(path[0]) && path[1] == L':' && path[2] == L'\\';
}

// Backslashes only, no trailing separator except on a drive root.
std::wstring Normalize(const std::string& utf8) {
    std::wstring path = ToWide(utf8);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    while (path.size() > 1 && path.back() == L'\\' && !IsDriveRoot(path))
        path.pop_back();
    if (path.size() == 2 && path[1] == L':') path += L'\\';
    return path;
}

// Deep trees (AppData is full of them) pass MAX_PATH; the \\?\ form lifts
// that limit for absolute drive paths.
std::wstring Long(const std::wstring& path) {
    if (path.size() >= MAX_PATH - 12 && path.size() > 2 && path[1] == L':' && path[2] == L'\\')
        return L"\\\\?\\" + path;
    return path;
}

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
    if (!folder.empty() && folder.back() == L'\\') return folder + name;
    return folder + L'\\' + name;
}

bool Passes(DWORD attributes, uint32_t flags) {
    const bool isDir = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (isDir ? !(flags & kListDirs) : !(flags & kListFiles)) return false;
    if ((attributes & FILE_ATTRIBUTE_HIDDEN) && !(flags & kListHidden)) return false;
    if ((attributes & FILE_ATTRIBUTE_SYSTEM) && !(flags & kListSystem)) return false;
    return true;
}

struct WideEntry {
    std::wstring name;
    DWORD attributes;
    std::wstring folded;
};

uint32_t ListWide(const std::wstring& folder, uint32_t flags, std::vector<WideEntry>* entries) {
    entries->clear();
    if (folder.empty()) return kErrorPathNotFound;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileExW(Long(Join(folder, L"*")).c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // An empty drive root has no "." entry to find.
        const DWORD attributes = GetFileAttributesW(Long(folder).c_str());
        if (error == ERROR_FILE_NOT_FOUND && attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return kErrorSuccess;
        return error != ERROR_SUCCESS ? error : static_cast<DWORD>(kErrorPathNotFound);
    }
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        if (Passes(data.dwFileAttributes, flags)) entries->push_back({name, data.dwFileAttributes, std::wstring()});
    } while (FindNextFileW(find, &data));
    FindClose(find);
    // Ordered the way QDir orders names ignoring case: by their lower-case
    // form, so "_a" comes before "b" (an upper-case comparison would put it
    // after "Z").
    for (WideEntry& entry : *entries) {
        entry.folded = entry.name;
        if (!entry.folded.empty())
            LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, entry.name.data(),
                          static_cast<int>(entry.name.size()), &entry.folded[0], static_cast<int>(entry.folded.size()),
                          nullptr, nullptr, 0);
    }
    std::stable_sort(entries->begin(), entries->end(), [](const WideEntry& a, const WideEntry& b) {
        if (a.folded != b.folded) return a.folded < b.folded;
        return a.name < b.name;
    });
    return kErrorSuccess;
}

// Wine removes the target of a symbolic link to an empty folder when asked
// to remove the link, so there a link is never removed from this side.
bool RunsUnderWine() {
    static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

} // namespace

uint32_t CWin32FileSystem::ListFolder(const std::string& path, uint32_t flags, std::vector<FileEntry>* entries) {
    entries->clear();
    std::vector<WideEntry> wide;
    const uint32_t status = ListWide(Normalize(path), flags, &wide);
    if (status != kErrorSuccess) return status;
    entries->reserve(wide.size());
    for (const WideEntry& entry : wide)
        entries->push_back(FileEntry{ToUtf8(entry.name), entry.attributes});
    return kErrorSuccess;
}

uint32_t CWin32FileSystem::ListTree(const std::string& base, uint32_t flags, std::vector<TreeEntry>* entries) {
    entries->clear();
    // Depth first with an explicit stack: each folder's block of entries is
    // appended when the folder is taken from the stack.
    std::vector<std::pair<uint32_t, std::wstring>> pending;
    pending.emplace_back(TreeEntry::kTreeRoot, Normalize(base));
    std::vector<WideEntry> block;
    bool first = true;
    while (!pending.empty()) {
        const std::pair<uint32_t, std::wstring> folder = std::move(pending.back());
        pending.pop_back();
        const uint32_t status = ListWide(folder.second, flags, &block);
        if (status != kErrorSuccess) {
            if (first) return status;
            continue; // a subfolder that cannot be read adds nothing
        }
        first = false;
        const size_t start = entries->size();
        for (const WideEntry& entry : block) {
            TreeEntry tree;
            tree.parent = folder.first;
            tree.entry = FileEntry{ToUtf8(entry.name), entry.attributes};
            entries->push_back(std::move(tree));
        }
        for (size_t i = block.size(); i-- > 0;) {
            const DWORD attributes = block[i].attributes;
            if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
                pending.emplace_back(static_cast<uint32_t>(start + i), Join(folder.second, block[i].name));
        }
    }
    return kErrorSuccess;
}

uint32_t CWin32FileSystem::GetAttributes(const std::string& path, uint32_t* attributes) {
    *attributes = GetFileAttributesW(Long(Normalize(path)).c_str());
    if (*attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error != ERROR_SUCCESS ? error : static_cast<DWORD>(kErrorFileNotFound);
    }
    return kErrorSuccess;
}

uint32_t CWin32FileSystem::DeleteFile(const std::string& path) {
    if (!DeleteFileW(Long(Normalize(path)).c_str())) return GetLastError();
    return kErrorSuccess;
}

uint32_t CWin32FileSystem::SetOwnerWriteOnly(const std::string& path) {
    // What the C runtime's _wchmod(path, _S_IWRITE) does: only the read-only
    // attribute changes.
    const std::wstring wide = Long(Normalize(path));
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError();
    const DWORD settable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                           FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                           FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    DWORD updated = attributes & settable & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
    if (updated == 0) updated = FILE_ATTRIBUTE_NORMAL;
    if (!SetFileAttributesW(wide.c_str(), updated)) return GetLastError();
    return kErrorSuccess;
}

uint32_t CWin32FileSystem::RemoveFolderAndEmptyParents(const std::string& path) {
    // QDir::rmpath: remove the folder, then each parent while that succeeds,
    // stopping at the drive. A junction or symbolic link is removed as a link
    // (on Windows RemoveDirectoryW does exactly that); a link met as a parent
    // ends the walk.
    const std::wstring folder = Normalize(path);
    if (folder.empty()) return kErrorPathNotFound;
    size_t end = folder.size();
    bool first = true;
    while (end > 0) {
        const std::wstring chunk = folder.substr(0, end);
        if ((chunk.size() == 2 || IsDriveRoot(chunk)) && std::iswalpha(chunk[0]) && chunk[1] == L':') break;
        const DWORD attributes = GetFileAttributesW(Long(chunk).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            if (!first) break;
            return attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : static_cast<DWORD>(ERROR_DIRECTORY);
        }
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            if (!first) break;
            if (RunsUnderWine()) return kErrorAccessDenied; // the Wine client removes it from the Linux side
        }
        if (!RemoveDirectoryW(Long(chunk).c_str())) {
            if (first) return GetLastError();
            break;
        }
        first = false;
        if (end < 2) break;
        const size_t slash = folder.rfind(L'\\', end - 1);
        if (slash == std::wstring::npos || slash == 0) break;
        end = slash;
    }
    return first ? static_cast<uint32_t>(kErrorPathNotFound) : static_cast<uint32_t>(kErrorSuccess);
}

uint32_t CWin32FileSystem::CreationTime(const std::string& path, uint64_t* fileTime) {
    *fileTime = 0;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(Long(Normalize(path)).c_str(), GetFileExInfoStandard, &data)) return GetLastError();
    *fileTime = (static_cast<uint64_t>(data.ftCreationTime.dwHighDateTime) << 32) | data.ftCreationTime.dwLowDateTime;
    return kErrorSuccess;
}

// STUB: the real implementations come with the host-protocol work that adds
// these two calls; until that is merged they report that nothing is there.
uint32_t CWin32FileSystem::ModificationTime(const std::string&, uint64_t* fileTime) {
    *fileTime = 0;
    return kErrorNotFound;
}

// STUB: see ModificationTime.
uint32_t CWin32FileSystem::ExtractIcon(const std::string&, int, uint32_t, IconImage* image) {
    *image = IconImage();
    return kErrorNotFound;
}

uint32_t CWin32FileSystem::SpecialFolder(int csidl, std::string* path) {
    path->clear();
    // shell32 drags a dozen DLLs in with it (a good part of a process start
    // under Wine), and only this call needs it: load it on first use.
    using Function = BOOL(WINAPI*)(HWND, LPWSTR, int, BOOL);
    static const Function getPath = [] {
        const HMODULE shell32 = LoadLibraryW(L"shell32.dll");
        return shell32 ? reinterpret_cast<Function>(
                             reinterpret_cast<void*>(GetProcAddress(shell32, "SHGetSpecialFolderPathW")))
                       : nullptr;
    }();
    if (!getPath) return kErrorPathNotFound;
    wchar_t buffer[MAX_PATH + 1] = {};
    if (!getPath(nullptr, buffer, csidl, FALSE)) {
        const DWORD error = GetLastError();
        return error != ERROR_SUCCESS ? error : static_cast<DWORD>(kErrorPathNotFound);
    }
    *path = ToUtf8(buffer);
    return kErrorSuccess;
}

uint32_t CWin32FileSystem::CreateFolder(const std::string& path) {
    // SHCreateDirectoryEx semantics: missing levels are created from the top;
    // a folder that already exists gives ERROR_ALREADY_EXISTS.
    const std::wstring folder = Normalize(path);
    if (folder.empty()) return kErrorPathNotFound;
    for (size_t pos = folder.find(L'\\');; pos = folder.find(L'\\', pos + 1)) {
        const std::wstring level = pos == std::wstring::npos ? folder : folder.substr(0, pos);
        const bool isDrive = level.size() == 2 && level[1] == L':';
        if (!level.empty() && !isDrive && !IsDriveRoot(level) && !CreateDirectoryW(Long(level).c_str(), nullptr)) {
            const DWORD error = GetLastError();
            if (pos == std::wstring::npos || error != ERROR_ALREADY_EXISTS) return error;
        }
        if (pos == std::wstring::npos) break;
    }
    return kErrorSuccess;
}

uint32_t CWin32FileSystem::WriteFile(const std::string& path, const std::string& content) {
    HANDLE file = CreateFileW(Long(Normalize(path)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError();
    size_t done = 0;
    DWORD status = ERROR_SUCCESS;
    while (done < content.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1u << 20));
        if (!::WriteFile(file, content.data() + done, chunk, &written, nullptr)) {
            status = GetLastError();
            break;
        }
        done += written;
    }
    CloseHandle(file);
    return status;
}

uint32_t CWin32FileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
    if (!SetFileAttributesW(Long(Normalize(path)).c_str(), attributes)) return GetLastError();
    return kErrorSuccess;
}

} // namespace platform
