#include "app/AeroGlassHelper.h"

#ifdef _WIN32
#include <windows.h>

#include <vector>

namespace {
// The record the composition call takes. The data pointer and its size are
// pointer-sized fields: three 32-bit words would cut the address in half in
// a 64-bit process.
struct CompositionAttributeData {
    DWORD attribute;
    PVOID data;
    SIZE_T size;
};

struct AccentPolicy {
    DWORD accentState;
    DWORD accentFlags;
    DWORD gradientColor;
    DWORD animationId;
};

constexpr DWORD kAttributeAccentPolicy = 19;
constexpr DWORD kAccentBlurBehind = 3;

using SetWindowCompositionAttributeFn = BOOL(WINAPI*)(HWND, CompositionAttributeData*);
} // namespace
#endif

CAeroGlassHelper::CAeroGlassHelper() {
#ifdef _WIN32
    m_dwmapi = reinterpret_cast<void*>(GetModuleHandleA("dwmapi"));
#endif
}

CAeroGlassHelper::~CAeroGlassHelper() = default;

bool CAeroGlassHelper::IsWindows10OrLater() const {
#ifdef _WIN32
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA("kernel32.dll", &handle);
    if (size == 0) return false;
    std::vector<char> data(size);
    if (!GetFileVersionInfoA("kernel32.dll", 0, size, data.data())) return false;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<LPVOID*>(&info), &length) || info == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO))
        return false;
    return info->dwFileVersionMS > 0x9FFFF;
#else
    return false;
#endif
}

void CAeroGlassHelper::EnableBlur(WId window, void*) {
    m_window = window;
#ifdef _WIN32
    if (!IsWindows10OrLater()) return;
    HMODULE user32 = GetModuleHandleA("user32.dll");
    if (user32 == nullptr) return;
    auto setAttribute = reinterpret_cast<SetWindowCompositionAttributeFn>(
        reinterpret_cast<void*>(GetProcAddress(user32, "SetWindowCompositionAttribute")));
    if (setAttribute == nullptr) return; // shown without blur
    AccentPolicy accent = {kAccentBlurBehind, 0, 0, 0};
    CompositionAttributeData record = {kAttributeAccentPolicy, &accent, sizeof accent};
    setAttribute(reinterpret_cast<HWND>(window), &record);
#endif
}
