#include "platform/win32/Win32System.h"

#include <windows.h>

#include <cstring>

namespace platform {

uint16_t CWin32System::NativeProcessorArchitecture() {
    SYSTEM_INFO info;
    std::memset(&info, 0, sizeof(info));
    GetNativeSystemInfo(&info);
    return info.wProcessorArchitecture;
}

uint32_t CWin32System::AnsiCodePage() {
    return GetACP();
}

uint32_t CWin32System::AnsiToUtf8(const std::vector<std::string>& texts, std::vector<std::string>* converted) {
    std::vector<std::string>& result = *converted;
    result.clear();
    result.reserve(texts.size());
    std::wstring wide;
    for (const std::string& text : texts) {
        const int length = static_cast<int>(strnlen(text.data(), text.size()));
        std::string utf8;
        if (length > 0) {
            const int wideLength = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
            wide.assign(wideLength > 0 ? wideLength : 0, L'\0');
            if (wideLength > 0 && MultiByteToWideChar(CP_ACP, 0, text.data(), length, &wide[0], wideLength) > 0) {
                const int utf8Length =
                    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
                utf8.assign(utf8Length > 0 ? utf8Length : 0, '\0');
                if (utf8Length > 0)
                    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, &utf8[0], utf8Length, nullptr, nullptr);
            }
        }
        result.push_back(std::move(utf8));
    }
    return kErrorSuccess;
}

bool RunsUnderWine() {
    static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

} // namespace platform
