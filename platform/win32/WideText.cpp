#include "platform/win32/WideText.h"

#include <windows.h>

namespace platform {

std::wstring ToWide(const char* utf8, size_t length) {
    if (length == 0) return std::wstring();
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
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string utf8(size > 0 ? size : 0, '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), &utf8[0], size, nullptr, nullptr);
    return utf8;
}

std::string ToUtf8(const std::wstring& wide) {
    return ToUtf8(wide.data(), wide.size());
}

} // namespace platform
