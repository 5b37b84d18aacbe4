#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

#include "platform/FileSystem.h"

// Facts of Windows that the backends and the core both rely on, written
// once. Plain C++, so that the MinGW host builds it too.
namespace platform {

// The fixed size of the ANSI buffers the program reads Windows text into
// (registry names and texts, profile strings) and formats its log lines in:
// 259 bytes and the terminating zero.
constexpr uint32_t kTextBufferSize = 260;

// The shell's cache of program display names, under HKEY_CLASSES_ROOT.
constexpr const char* kMuiCacheKey = "Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache";

// Every character below 0x80: such text reads the same in every ANSI code
// page, and converts to and from UTF-16 unchanged.
template <typename Char> bool IsAscii(const std::basic_string<Char>& text) {
    for (const Char c : text)
        if (static_cast<std::make_unsigned_t<Char>>(c) >= 0x80) return false;
    return true;
}

// The length of a Windows Installer product code: "{" 8-4-4-4-12 hex "}".
constexpr size_t kProductCodeLength = 38;

// Whether `text` is a product code as Windows Installer writes it (either
// case of hex digit).
inline bool IsProductCode(const std::string& text) {
    if (text.size() != kProductCodeLength || text.front() != '{' || text.back() != '}') return false;
    for (size_t i = 1; i + 1 < text.size(); ++i) {
        const char c = text[i];
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (dash ? c != '-' : !hex) return false;
    }
    return true;
}

// Whether a code page maps the bytes below 0x80 to the same characters as
// ASCII, as every ANSI code page of Windows does (and UTF-8): ASCII text then
// needs no conversion.
inline bool CodePageKeepsAscii(uint32_t codePage) {
    return codePage == 874 || codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950 ||
           (codePage >= 1250 && codePage <= 1258) || codePage == 65001;
}

// Whether an entry with these attributes belongs in a listing made with
// `flags` (kListFiles, kListDirs, kListHidden, kListSystem).
inline bool PassesListFlags(uint32_t attributes, uint32_t flags) {
    const bool isDir = (attributes & kAttrDirectory) != 0;
    if (isDir ? !(flags & kListDirs) : !(flags & kListFiles)) return false;
    if ((attributes & kAttrHidden) && !(flags & kListHidden)) return false;
    if ((attributes & kAttrSystem) && !(flags & kListSystem)) return false;
    return true;
}

} // namespace platform
