#include "app/host/WinHostServices.h"

#include <windows.h>

#include <shellapi.h>
#include <vector>

#include "support/HostPaths.h"

namespace {

const wchar_t kWindowClass[] = L"Tolvanire_WUUI";
const UINT kRaiseMessage = WM_APP + 1;

const wchar_t* WideText(const QString& text) {
    return reinterpret_cast<const wchar_t*>(text.utf16());
}

// The mutex says who runs. Qt names its own window classes, so a hidden
// top-level helper window of the agreed class, named after the key, is what
// a later start (or any other program looking for the running uninstaller
// by its window class) finds; it forwards the raise request to the claim.
// Where no top-level window can be made (Wine without a display) the helper
// is a message-only window, which a later start finds all the same.
class CWinInstanceClaim : public CInstanceClaim {
public:
    CWinInstanceClaim(HANDLE mutexHandle, const QString& key) : mutex(mutexHandle) {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = &CWinInstanceClaim::Proc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kWindowClass;
        // Fails harmlessly when an earlier claim of this process registered it.
        RegisterClassW(&windowClass);
        helper = CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, WideText(key), WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 windowClass.hInstance, nullptr);
        if (helper == nullptr)
            helper = CreateWindowExW(0, kWindowClass, WideText(key), 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     windowClass.hInstance, nullptr);
        if (helper != nullptr) SetWindowLongPtrW(helper, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }

    // Dropping the claim lets the next instance start.
    ~CWinInstanceClaim() override {
        if (helper != nullptr) DestroyWindow(helper);
        if (mutex != nullptr) {
            ReleaseMutex(mutex);
            CloseHandle(mutex);
        }
    }

private:
    // A later instance hands this process the right to bring its window to
    // the front, then sends the raise message and waits for the answer, so
    // that its own message box opens above the raised window, not under it.
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == kRaiseMessage) {
            auto* owner = reinterpret_cast<CWinInstanceClaim*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
            if (owner != nullptr) emit owner->RaiseRequested();
            return 1;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    HANDLE mutex = nullptr;
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
    HANDLE handle = CreateMutexW(nullptr, TRUE, WideText(key));
    const DWORD error = GetLastError();
    if (handle == nullptr || error != ERROR_ALREADY_EXISTS) return std::make_unique<CWinInstanceClaim>(handle, key);
    // Held open, this handle would keep the running instance's mark alive
    // after it ends.
    CloseHandle(handle);

    HWND running = FindWindowW(kWindowClass, WideText(key));
    if (running == nullptr) running = FindWindowExW(HWND_MESSAGE, nullptr, kWindowClass, WideText(key));
    if (running != nullptr) {
        // Started by the user, this process may bring a window to the front;
        // the running instance is to use that right for its own window.
        DWORD runningProcess = 0;
        GetWindowThreadProcessId(running, &runningProcess);
        AllowSetForegroundWindow(runningProcess);
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(running, kRaiseMessage, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 3000, &answer);
    }
    return nullptr;
}
