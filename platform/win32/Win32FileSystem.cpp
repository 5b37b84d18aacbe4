#include "platform/win32/Win32FileSystem.h"

#include <algorithm>
#include <cwctype>
#include <utility>
#include <vector>

#include "platform/WindowsFacts.h"
#include "platform/win32/DllFunction.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32System.h"

// clang-format off
#include <windows.h>
#include <shlobj.h>
// clang-format on

// windows.h maps DeleteFile to DeleteFileA/W; the interface's own member of
// that name must keep its name here.
#undef DeleteFile
#undef ExtractIcon

namespace platform {
namespace {

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

bool IsExact(const std::wstring& path) {
    return path.compare(0, 4, L"\\\\?\\") == 0;
}

// The form in which a path goes to the wide calls. A path in the \\?\ form
// names exactly the entry its components spell (a name may end in dots or
// spaces, which no other form can reach). Any other drive path is first made
// full as Windows makes it, then given the \\?\ form too, so that its
// meaning does not change with its length: ".." resolved, and the trailing
// dots and spaces that Windows drops from a name dropped.
std::wstring CallPath(const std::string& utf8) {
    std::wstring path = ToWide(utf8);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    if (IsExact(path)) {
        while (path.size() > 7 && path.back() == L'\\')
            path.pop_back();
        if (path.size() == 6 && path[5] == L':') path += L'\\';
        return path;
    }
    path = Normalize(utf8);
    if (path.size() < 3 || !std::iswalpha(path[0]) || path[1] != L':' || path[2] != L'\\') return path;
    std::wstring full(path.size() + MAX_PATH, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
    if (length >= full.size()) {
        full.assign(length + 1, L'\0');
        length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
    }
    if (length == 0 || length >= full.size()) return Long(path);
    full.resize(length);
    return L"\\\\?\\" + full;
}

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
    if (!folder.empty() && folder.back() == L'\\') return folder + name;
    return folder + L'\\' + name;
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
    HANDLE find = FindFirstFileExW(Join(folder, L"*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // An empty drive root has no "." entry to find.
        const DWORD attributes = GetFileAttributesW(folder.c_str());
        if (error == ERROR_FILE_NOT_FOUND && attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return kErrorSuccess;
        return error != ERROR_SUCCESS ? error : static_cast<DWORD>(kErrorPathNotFound);
    }
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        if (PassesListFlags(data.dwFileAttributes, flags))
            entries->push_back({name, data.dwFileAttributes, std::wstring()});
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

// The drawing calls, from user32 and gdi32. They are loaded on first use:
// under Wine, loading them costs a good part of a host start, and only the
// icon calls need them.
struct IconApi {
    decltype(&PrivateExtractIconsW) extract = nullptr;
    decltype(&GetIconInfo) getIconInfo = nullptr;
    decltype(&DestroyIcon) destroyIcon = nullptr;
    decltype(&GetDC) getDC = nullptr;
    decltype(&ReleaseDC) releaseDC = nullptr;
    decltype(&GetObjectW) getObject = nullptr;
    decltype(&GetDIBits) getDIBits = nullptr;
    decltype(&DeleteObject) deleteObject = nullptr;

    static const IconApi& Get() {
        static const IconApi api = [] {
            IconApi loaded;
            const HMODULE user32 = LoadLibraryW(L"user32.dll");
            const HMODULE gdi32 = LoadLibraryW(L"gdi32.dll");
            if (!user32 || !gdi32) return loaded;
            LoadDllFunction(user32, "PrivateExtractIconsW", &loaded.extract);
            LoadDllFunction(user32, "GetIconInfo", &loaded.getIconInfo);
            LoadDllFunction(user32, "DestroyIcon", &loaded.destroyIcon);
            LoadDllFunction(user32, "GetDC", &loaded.getDC);
            LoadDllFunction(user32, "ReleaseDC", &loaded.releaseDC);
            LoadDllFunction(gdi32, "GetObjectW", &loaded.getObject);
            LoadDllFunction(gdi32, "GetDIBits", &loaded.getDIBits);
            LoadDllFunction(gdi32, "DeleteObject", &loaded.deleteObject);
            return loaded;
        }();
        return api;
    }
    bool Complete() const {
        return extract && getIconInfo && destroyIcon && getDC && releaseDC && getObject && getDIBits && deleteObject;
    }
};

// The pixels of an icon as 32-bit BGRA, top row first, straight alpha.
// Icons with an alpha channel carry it in their colour bitmap; older ones
// are opaque where their mask is black.
uint32_t IconPixels(const IconApi& api, HICON icon, IconImage* image) {
    ICONINFO info = {};
    if (!api.getIconInfo(icon, &info)) return GetLastError();
    BITMAP mask = {};
    api.getObject(info.hbmMask, sizeof(mask), &mask);
    const bool colour = info.hbmColor != nullptr;
    const LONG width = mask.bmWidth;
    // A monochrome icon keeps its AND mask above its XOR image.
    const LONG height = colour ? mask.bmHeight : mask.bmHeight / 2;
    uint32_t status = kErrorNotFound;
    if (width > 0 && height > 0 && width <= 1024 && height <= 1024) {
        BITMAPINFO header = {};
        header.bmiHeader.biSize = sizeof(header.bmiHeader);
        header.bmiHeader.biWidth = width;
        header.bmiHeader.biHeight = -(colour ? height : height * 2); // top row first
        header.bmiHeader.biPlanes = 1;
        header.bmiHeader.biBitCount = 32;
        header.bmiHeader.biCompression = BI_RGB;
        const size_t pixelCount = static_cast<size_t>(width) * height;
        std::vector<uint32_t> maskBits(colour ? pixelCount : pixelCount * 2);
        std::vector<uint32_t> colourBits(pixelCount);
        HDC dc = api.getDC(nullptr);
        bool read = api.getDIBits(dc, info.hbmMask, 0, colour ? height : height * 2, maskBits.data(), &header,
                                  DIB_RGB_COLORS) != 0;
        if (read && colour) {
            header.bmiHeader.biHeight = -height;
            read = api.getDIBits(dc, info.hbmColor, 0, height, colourBits.data(), &header, DIB_RGB_COLORS) != 0;
        } else if (read) {
            for (size_t i = 0; i < pixelCount; ++i)
                colourBits[i] = maskBits[pixelCount + i] & 0x00FFFFFF;
        }
        api.releaseDC(nullptr, dc);
        if (read) {
            bool hasAlpha = false;
            for (size_t i = 0; colour && i < pixelCount && !hasAlpha; ++i)
                hasAlpha = (colourBits[i] >> 24) != 0;
            if (!hasAlpha) {
                for (size_t i = 0; i < pixelCount; ++i)
                    colourBits[i] = (colourBits[i] & 0x00FFFFFF) | ((maskBits[i] & 0x00FFFFFF) ? 0u : 0xFF000000u);
            }
            image->width = static_cast<uint32_t>(width);
            image->height = static_cast<uint32_t>(height);
            image->pixels.resize(pixelCount * 4);
            for (size_t i = 0; i < pixelCount; ++i)
                for (int byte = 0; byte < 4; ++byte)
                    image->pixels[i * 4 + byte] = static_cast<char>((colourBits[i] >> (8 * byte)) & 0xFF);
            status = kErrorSuccess;
        }
    }
    if (info.hbmColor) api.deleteObject(info.hbmColor);
    if (info.hbmMask) api.deleteObject(info.hbmMask);
    return status;
}

uint64_t FromFileTime(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FILETIME ToFileTime(uint64_t time) {
    FILETIME result;
    result.dwLowDateTime = static_cast<DWORD>(time & 0xFFFFFFFFu);
    result.dwHighDateTime = static_cast<DWORD>(time >> 32);
    return result;
}

FileStat StatOf(const WIN32_FILE_ATTRIBUTE_DATA& data) {
    FileStat stat;
    stat.attributes = data.dwFileAttributes;
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        stat.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stat.creationTime = FromFileTime(data.ftCreationTime);
    stat.writeTime = FromFileTime(data.ftLastWriteTime);
    return stat;
}

// The attributes SetFileAttributesW takes.
constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                      FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

uint32_t SetWideTimes(const std::wstring& path, uint64_t creationTime, uint64_t writeTime) {
    // Only the right to write attributes is asked for, which a read-only
    // file grants; a folder opens only with the backup flag; a link is
    // given its own times.
    HANDLE handle =
        CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return GetLastError();
    const FILETIME creation = ToFileTime(creationTime), write = ToFileTime(writeTime);
    const BOOL set = SetFileTime(handle, creationTime ? &creation : nullptr, nullptr, writeTime ? &write : nullptr);
    const DWORD error = set ? ERROR_SUCCESS : GetLastError();
    CloseHandle(handle);
    return error;
}

HANDLE OpenToRead(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                       nullptr);
}

// Reads both files to the end; ERROR_FILE_CORRUPT when they differ.
uint32_t CompareFiles(const std::wstring& first, const std::wstring& second) {
    HANDLE a = OpenToRead(first);
    if (a == INVALID_HANDLE_VALUE) return GetLastError();
    HANDLE b = OpenToRead(second);
    if (b == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        CloseHandle(a);
        return error;
    }
    constexpr DWORD kChunk = 1u << 20;
    std::vector<char> left(kChunk), right(kChunk);
    DWORD status = ERROR_SUCCESS;
    for (;;) {
        DWORD readA = 0, readB = 0;
        if (!ReadFile(a, left.data(), kChunk, &readA, nullptr) || !ReadFile(b, right.data(), kChunk, &readB, nullptr)) {
            status = GetLastError();
            break;
        }
        if (readA != readB || !std::equal(left.begin(), left.begin() + readA, right.begin())) {
            status = ERROR_FILE_CORRUPT;
            break;
        }
        if (readA == 0) break;
    }
    CloseHandle(a);
    CloseHandle(b);
    return status;
}

// Removes a file or an empty folder, clearing its read-only attribute
// first; the attribute is put back when the entry stays.
uint32_t RemoveEntry(const std::wstring& path, DWORD attributes) {
    const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly) {
        DWORD cleared = attributes & kSettableAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        if (!SetFileAttributesW(path.c_str(), cleared ? cleared : FILE_ATTRIBUTE_NORMAL)) return GetLastError();
    }
    const bool removed =
        (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str());
    if (removed) return ERROR_SUCCESS;
    const DWORD error = GetLastError();
    if (readOnly) SetFileAttributesW(path.c_str(), attributes & kSettableAttributes);
    return error;
}

// The move between volumes: a copy (a folder is made anew), compared with
// the original and given its attributes and times, and only then the
// original deleted. When a step fails the copy goes and the original stays.
uint32_t MoveAcrossVolumes(const std::wstring& from, const std::wstring& to, const WIN32_FILE_ATTRIBUTE_DATA& data) {
    const bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const BOOL copied = folder ? CreateDirectoryW(to.c_str(), nullptr)
                               : CopyFileExW(from.c_str(), to.c_str(), nullptr, nullptr, nullptr,
                                             COPY_FILE_FAIL_IF_EXISTS | COPY_FILE_COPY_SYMLINK);
    if (!copied) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_EXISTS ? static_cast<DWORD>(ERROR_ALREADY_EXISTS) : error;
    }
    uint32_t error = folder ? ERROR_SUCCESS : CompareFiles(from, to);
    if (error == ERROR_SUCCESS)
        error = SetWideTimes(to, FromFileTime(data.ftCreationTime), FromFileTime(data.ftLastWriteTime));
    const DWORD attributes = data.dwFileAttributes & kSettableAttributes;
    if (error == ERROR_SUCCESS && !SetFileAttributesW(to.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL))
        error = GetLastError();
    if (error == ERROR_SUCCESS) error = RemoveEntry(from, data.dwFileAttributes);
    if (error != ERROR_SUCCESS) RemoveEntry(to, data.dwFileAttributes | FILE_ATTRIBUTE_READONLY);
    return error;
}

} // namespace

uint32_t CWin32FileSystem::ListFolder(const std::string& path, uint32_t flags, std::vector<FileEntry>* entries) {
    entries->clear();
    std::vector<WideEntry> wide;
    const uint32_t status = ListWide(CallPath(path), flags, &wide);
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
    pending.emplace_back(TreeEntry::kTreeRoot, CallPath(base));
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
    *attributes = GetFileAttributesW(CallPath(path).c_str());
    if (*attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error != ERROR_SUCCESS ? error : static_cast<DWORD>(kErrorFileNotFound);
    }
    return kErrorSuccess;
}

uint32_t CWin32FileSystem::DeleteFile(const std::string& path) {
    if (!DeleteFileW(CallPath(path).c_str())) return GetLastError();
    return kErrorSuccess;
}

uint32_t CWin32FileSystem::SetOwnerWriteOnly(const std::string& path) {
    // What the C runtime's _wchmod(path, _S_IWRITE) does: only the read-only
    // attribute changes.
    const std::wstring wide = CallPath(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError();
    DWORD updated = attributes & kSettableAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
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
            // Wine removes the target of a symbolic link to an empty folder when
            // asked to remove the link, so there a link is never removed from this side.
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

uint32_t CWin32FileSystem::RemoveFolder(const std::string& path) {
    const std::wstring folder = CallPath(path);
    if (folder.empty() || IsDriveRoot(folder) || (IsExact(folder) && IsDriveRoot(folder.substr(4))))
        return kErrorAccessDenied;
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError();
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return ERROR_DIRECTORY;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && RunsUnderWine()) return kErrorAccessDenied;
    if (!RemoveDirectoryW(folder.c_str())) return GetLastError();
    return kErrorSuccess;
}

uint32_t CWin32FileSystem::FinalPath(const std::string& path, std::string* real) {
    real->clear();
    // No access is asked for: only the name is needed, and a folder opens
    // only with the backup flag.
    HANDLE handle = CreateFileW(CallPath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return GetLastError();
    std::wstring name(MAX_PATH, L'\0');
    DWORD length = GetFinalPathNameByHandleW(handle, &name[0], static_cast<DWORD>(name.size()), VOLUME_NAME_DOS);
    if (length >= name.size()) {
        name.assign(length + 1, L'\0');
        length = GetFinalPathNameByHandleW(handle, &name[0], static_cast<DWORD>(name.size()), VOLUME_NAME_DOS);
    }
    const DWORD error = length == 0 || length >= name.size() ? GetLastError() : ERROR_SUCCESS;
    CloseHandle(handle);
    if (length == 0 || length >= name.size()) return error != ERROR_SUCCESS ? error : ERROR_INVALID_NAME;
    name.resize(length);
    // "\\?\C:\..." or "\\?\UNC\server\share\...".
    if (name.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        name = L"\\\\" + name.substr(8);
    else if (name.compare(0, 4, L"\\\\?\\") == 0)
        name = name.substr(4);
    // Long names for any 8.3 component the handle's name may still carry.
    std::wstring longName(name.size() + MAX_PATH, L'\0');
    const DWORD longLength = GetLongPathNameW(name.c_str(), &longName[0], static_cast<DWORD>(longName.size()));
    if (longLength > 0 && longLength < longName.size()) name.assign(longName.data(), longLength);
    *real = ToUtf8(name);
    return kErrorSuccess;
}

uint32_t CWin32FileSystem::CreationTime(const std::string& path, uint64_t* fileTime) {
    *fileTime = 0;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(CallPath(path).c_str(), GetFileExInfoStandard, &data)) return GetLastError();
    *fileTime = FromFileTime(data.ftCreationTime);
    return kErrorSuccess;
}

uint32_t CWin32FileSystem::ModificationTime(const std::string& path, uint64_t* fileTime) {
    *fileTime = 0;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(CallPath(path).c_str(), GetFileExInfoStandard, &data)) return GetLastError();
    *fileTime = FromFileTime(data.ftLastWriteTime);
    return kErrorSuccess;
}

uint32_t CWin32FileSystem::ExtractIcon(const std::string& path, int index, uint32_t size, IconImage* image) {
    *image = IconImage();
    const std::wstring file = Normalize(path);
    if (GetFileAttributesW(Long(file).c_str()) == INVALID_FILE_ATTRIBUTES) return GetLastError();
    if (size == 0 || size > 256) return kErrorInvalidParameter;
    const IconApi& api = IconApi::Get();
    if (!api.Complete()) return kErrorNotFound;
    HICON icon = nullptr;
    UINT id = 0;
    // A negative index names a resource id, as ExtractIconEx takes it.
    const UINT count =
        api.extract(file.c_str(), index, static_cast<int>(size), static_cast<int>(size), &icon, &id, 1, 0);
    if (count == 0 || count == 0xFFFFFFFF || !icon) return kErrorNotFound;
    const uint32_t status = IconPixels(api, icon, image);
    api.destroyIcon(icon);
    return status;
}

uint32_t CWin32FileSystem::SpecialFolder(int csidl, std::string* path) {
    path->clear();
    // shell32 drags a dozen DLLs in with it (a good part of a process start
    // under Wine), and only this call needs it: load it on first use.
    static const auto getPath = [] {
        BOOL(WINAPI * loaded)(HWND, LPWSTR, int, BOOL) = nullptr;
        LoadDllFunction(LoadLibraryW(L"shell32.dll"), "SHGetSpecialFolderPathW", &loaded);
        return loaded;
    }();
    if (!getPath) return kErrorPathNotFound;
    wchar_t buffer[MAX_PATH + 1] = {};
    // The call sets no error of its own when the folder is not there: a
    // stale one must not read as a failed lookup.
    SetLastError(ERROR_SUCCESS);
    if (!getPath(nullptr, buffer, csidl, FALSE)) {
        const DWORD error = GetLastError();
        return error != ERROR_SUCCESS ? error : static_cast<DWORD>(kErrorPathNotFound);
    }
    *path = ToUtf8(buffer);
    return kErrorSuccess;
}

uint32_t CWin32FileSystem::Stat(const std::string& path, FileStat* stat) {
    *stat = FileStat();
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(CallPath(path).c_str(), GetFileExInfoStandard, &data)) return GetLastError();
    *stat = StatOf(data);
    return kErrorSuccess;
}

uint32_t CWin32FileSystem::MoveEntry(const std::string& from, const std::string& to, FileStat* moved) {
    if (moved) *moved = FileStat();
    const std::wstring source = CallPath(from), target = CallPath(to);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(source.c_str(), GetFileExInfoStandard, &data)) return GetLastError();
    // Wine moves the target of a symbolic link instead of the link: the Wine
    // client moves links from the Linux side.
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && RunsUnderWine()) return kErrorAccessDenied;
    // Neither flag: an existing target is never replaced, and the copy
    // between volumes is ours, so that it is compared before the original
    // goes.
    if (!MoveFileExW(source.c_str(), target.c_str(), 0)) {
        const DWORD error = GetLastError();
        if (error != ERROR_NOT_SAME_DEVICE) return error == ERROR_FILE_EXISTS ? ERROR_ALREADY_EXISTS : error;
        // A copy of a link would be a copy of what it points at.
        if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return error;
        if (const uint32_t failed = MoveAcrossVolumes(source, target, data)) return failed;
    }
    if (moved) *moved = StatOf(data);
    return kErrorSuccess;
}

uint32_t CWin32FileSystem::SetTimes(const std::string& path, uint64_t creationTime, uint64_t writeTime) {
    return SetWideTimes(CallPath(path), creationTime, writeTime);
}

uint32_t CWin32FileSystem::FreeSpace(const std::string& path, uint64_t* bytes) {
    *bytes = 0;
    std::wstring folder = CallPath(path);
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    ULARGE_INTEGER available;
    if (!GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) return GetLastError();
    *bytes = available.QuadPart;
    return kErrorSuccess;
}

uint32_t CWin32FileSystem::HostFolderPath(const std::string& hostPath, std::string* path) {
    path->clear();
    // Only a path of a Linux host (as the Linux program hands it to the Wine
    // host) needs Wine's name for it; a Windows path is the machine's own,
    // also for this program built for Windows and run under Wine.
    if (!RunsUnderWine() || hostPath.empty() || hostPath[0] != '/') {
        *path = hostPath;
        return kErrorSuccess;
    }
    // Wine's own export, which the host finds only under Wine.
    using Function = wchar_t*(__cdecl*)(const char*);
    static const Function dosName = [] {
        Function loaded = nullptr;
        LoadDllFunction(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name", &loaded);
        return loaded;
    }();
    if (!dosName) return kErrorCallNotImplemented;
    wchar_t* name = dosName(hostPath.c_str());
    if (!name) return kErrorPathNotFound;
    *path = ToUtf8(name);
    HeapFree(GetProcessHeap(), 0, name);
    return kErrorSuccess;
}

uint32_t CWin32FileSystem::CreateFolder(const std::string& path) {
    // SHCreateDirectoryEx semantics: missing levels are created from the top;
    // a folder that already exists gives ERROR_ALREADY_EXISTS.
    const std::wstring folder = CallPath(path);
    if (folder.empty()) return kErrorPathNotFound;
    const size_t start = IsExact(folder) ? 4 : 0;
    for (size_t pos = folder.find(L'\\', start);; pos = folder.find(L'\\', pos + 1)) {
        const std::wstring level = pos == std::wstring::npos ? folder : folder.substr(0, pos);
        const std::wstring bare = level.substr(start);
        const bool isDrive = bare.size() == 2 && bare[1] == L':';
        if (!bare.empty() && !isDrive && !IsDriveRoot(bare) && !CreateDirectoryW(level.c_str(), nullptr)) {
            const DWORD error = GetLastError();
            if (pos == std::wstring::npos || error != ERROR_ALREADY_EXISTS) return error;
        }
        if (pos == std::wstring::npos) break;
    }
    return kErrorSuccess;
}

uint32_t CWin32FileSystem::WriteFile(const std::string& path, const std::string& content) {
    HANDLE file =
        CreateFileW(CallPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
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
    if (!SetFileAttributesW(CallPath(path).c_str(), attributes)) return GetLastError();
    return kErrorSuccess;
}

} // namespace platform
