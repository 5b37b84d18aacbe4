#include "platform/win32/WideText.h"

#include <windows.h>

namespace platform {

namespace {

// Nearly all registry text and most paths are ASCII, which converts unit
// for unit without a call.
template <class From> bool AllAscii(const From* text, size_t length) {
    for (size_t i = 0; i < length; ++i)
        if (static_cast<unsigned>(text[i]) >= 0x80) return false;
    return true;
}

} // namespace

std::wstring ToWide(const char* utf8, size_t length) {
    if (length == 0) return std::wstring();
    if (AllAscii(utf8, length)) return std::wstring(utf8, utf8 + length);
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8, static_cast<int>(length), nullptr, 0);
    std::wstring wide(size > 0 ? size : 0, L'\0');
    if (size > 0) MultiByteToWideChar(CP_UTF8, 0, utf8, static_cast<int>(length), &wide[0], size);
    return wide;
}

std::wstring ToWide(const std::string& utf8) {
    return ToWide(utf8.data(), utf8.size());
}

std::string ToUtf8(const wchar_t* wide, size_t length) {
    if (length == 0) return std::string();
    if (AllAscii(wide, length)) return std::string(wide, wide + length);
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string utf8(size > 0 ? size : 0, '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), &utf8[0], size, nullptr, nullptr);
    return utf8;
}

std::string ToUtf8(const std::wstring& wide) {
    return ToUtf8(wide.data(), wide.size());
}

} // namespace platform
