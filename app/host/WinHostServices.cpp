#include "app/host/WinHostServices.h"

#include <windows.h>

#include <shellapi.h>
#include <vector>

#include "support/HostPaths.h"

namespace {

const wchar_t kWindowClass[] = L"Tolvanire_WUUI";
const UINT kRaiseMessage = WM_APP + 1;
const UINT kHideMessage = WM_APP + 2;

// The mutex says who runs. Qt names its own window classes, so a hidden
// helper window of the agreed class is what a later start finds; it
// forwards the raise request to the claim.
class CWinInstanceClaim : public CInstanceClaim {
public:
    explicit CWinInstanceClaim(HANDLE mutexHandle) : mutex(mutexHandle) {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = &CWinInstanceClaim::Proc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kWindowClass;
        RegisterClassW(&windowClass);
        helper = CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, L"Tolvanire Uninstaller", WS_POPUP, 0, 0, 0, 0,
                                 nullptr, nullptr, windowClass.hInstance, nullptr);
        if (helper != nullptr) SetWindowLongPtrW(helper, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }

    // The mutex stays open for the life of the process, as the running
    // instance's mark.
    ~CWinInstanceClaim() override {
        if (helper != nullptr) DestroyWindow(helper);
    }

private:
    // A later instance shows the helper (SetWindowPos with SWP_SHOWWINDOW)
    // and makes it the foreground window, which hands this process the right
    // to bring its own window forward; then it sends the raise message and
    // waits for it, so that its own message box opens above the raised
    // window, not under it.
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* owner = reinterpret_cast<CWinInstanceClaim*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        switch (message) {
        case WM_WINDOWPOSCHANGED:
            // The helper has no face of its own: it hides again at once.
            if (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_SHOWWINDOW)
                PostMessageW(hwnd, kHideMessage, 0, 0);
            break;
        case kHideMessage:
            ShowWindow(hwnd, SW_HIDE);
            return 0;
        case kRaiseMessage:
            ShowWindow(hwnd, SW_HIDE);
            if (owner != nullptr) emit owner->RaiseRequested();
            return 1;
        default:
            break;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    [[maybe_unused]] HANDLE mutex = nullptr;
    HWND helper = nullptr;
};

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

QString CWinHostServices::ExecutableFolder() const {
    return ExecutableDirectory();
}

QString CWinHostServices::LogFolder() const {
    return DefaultLogFolder();
}

bool CWinHostServices::IsWindows10OrLater() const {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(L"kernel32.dll", &handle);
    if (size == 0) return false;
    std::vector<char> data(size);
    if (!GetFileVersionInfoW(L"kernel32.dll", 0, size, data.data())) return false;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || info == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO))
        return false;
    return HIWORD(info->dwFileVersionMS) >= 10;
}

bool CWinHostServices::OpenUrl(const QString& url) {
    if (url.trimmed().isEmpty()) return false;
    // The shell gets 8-bit text.
    const QByteArray text = url.toLatin1();
    // ShellExecute reports success with a value above 32.
    const auto result =
        reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", text.constData(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

void CWinHostServices::EnableBlur(WId window) {
    if (!IsWindows10OrLater()) return;
    HMODULE user32 = GetModuleHandleA("user32.dll");
    if (user32 == nullptr) return;
    // Not part of the documented API: looked up, and without it the window
    // is shown without blur.
    auto setAttribute = reinterpret_cast<SetWindowCompositionAttributeFn>(
        reinterpret_cast<void*>(GetProcAddress(user32, "SetWindowCompositionAttribute")));
    if (setAttribute == nullptr) return;
    AccentPolicy accent = {kAccentBlurBehind, 0, 0, 0};
    CompositionAttributeData record = {kAttributeAccentPolicy, &accent, sizeof accent};
    setAttribute(reinterpret_cast<HWND>(window), &record);
}

void* CWinHostServices::DwmModule() const {
    return reinterpret_cast<void*>(GetModuleHandleA("dwmapi"));
}

QString CWinHostServices::SingleInstanceKey() const {
    return QStringLiteral("TolvanireWU_Mutex_610044_Wexmoor");
}

std::unique_ptr<CInstanceClaim> CWinHostServices::ClaimSingleInstance(const QString& key) {
    HANDLE handle = CreateMutexW(nullptr, TRUE, reinterpret_cast<const wchar_t*>(key.utf16()));
    const DWORD error = GetLastError();
    if (handle == nullptr || error != ERROR_ALREADY_EXISTS) return std::make_unique<CWinInstanceClaim>(handle);

    HWND running = FindWindowW(kWindowClass, nullptr);
    if (running != nullptr) {
        if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
        SetWindowPos(running, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
        SetActiveWindow(running);
        SetForegroundWindow(running);
        FlashWindow(running, TRUE);
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(running, kRaiseMessage, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 3000, &answer);
    }
    return nullptr;
}
