#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

#include "platform/FileSystem.h"
#include "platform/Registry.h"

// Facts of Windows that the backends and the core both rely on, written
// once. Plain C++, so that the MinGW host builds it too.
namespace platform {

// The fixed size of the buffers the program reads Windows text into
// (registry names and texts as the wide calls count them, profile strings)
// and of the UTF-8 text fields of a program record and the log lines:
// 259 and the terminating zero.
constexpr uint32_t kTextBufferSize = 260;
// The data buffer, in bytes, of a wide registry call that reads a text of
// kTextBufferSize UTF-16 units.
constexpr uint32_t kTextDataBufferSize = 2 * kTextBufferSize;

// The list of installed programs, under HKEY_LOCAL_MACHINE (in both views)
// and HKEY_CURRENT_USER: one subkey per program.
constexpr const char* kUninstallListKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The shell's cache of program display names, under HKEY_CLASSES_ROOT.
constexpr const char* kMuiCacheKey = "Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache";

// Registry names compare without regard to case: `text` with its ASCII
// letters in upper case, the form both sides of the Wine host compare.
inline std::string UpperAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return text;
}

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

// Registry value types that hold text, which the registry interface hands
// over as UTF-8.
inline bool IsTextType(uint32_t type) {
    return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

// The number of UTF-16 code units of a UTF-8 text: what a wide call's
// buffer must hold of it. A character outside the Basic Multilingual Plane
// (four UTF-8 bytes) takes two; every other character one.
inline size_t Utf16Length(const std::string& utf8) {
    size_t units = 0;
    for (const char c : utf8) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80) ++units;
        if (byte >= 0xF0) ++units;
    }
    return units;
}

// The byte size a wide registry call gives for data of `type` that the
// interface hands over as `data` (UTF-8 for text).
inline size_t WideDataSize(uint32_t type, const std::string& data) {
    return IsTextType(type) ? 2 * Utf16Length(data) : data.size();
}

// The longest start of a UTF-8 text that fits in `maxBytes` without
// cutting a character in two.
inline std::string Utf8Prefix(const std::string& utf8, size_t maxBytes) {
    if (utf8.size() <= maxBytes) return utf8;
    size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80)
        --end;
    return utf8.substr(0, end);
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
