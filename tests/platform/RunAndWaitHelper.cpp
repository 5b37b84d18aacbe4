// A stand-in uninstaller for the run-and-wait tests under Wine. Modes:
//   exit N                 ends at once with exit code N
//   relaunch MS MARKER     copies itself to %TEMP%\Au_.exe, starts that copy
//                          with "child MS MARKER" and ends at once (as NSIS
//                          uninstallers do)
//   child MS MARKER        waits MS ms, writes MARKER, ends with 3
//   started MS MARKER      writes MARKER, then waits MS ms (a browser)
//   breakaway MS MARKER    starts "child MS MARKER" outside the job, ends
//   browser URL            opens URL through the shell, ends
//   holdmutex MS MARKER    starts, outside the job, a copy that holds
//                          Windows Installer's mutex for MS ms and then
//                          writes MARKER; ends once the copy holds it
//   mutexchild MS MARKER   that copy
//   window MS MARKER       shows a window (a wizard waiting for the user)
//                          for MS ms, then writes MARKER
//   shell MS MARKER        opens a folder window of the shell, makes sure
//                          after MS ms that it still runs, writes MARKER and
//                          ends, leaving the shell open
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <shellapi.h>
#include <string>

namespace {

const char* const kHeldEvent = "TolvanireRunWaitMutexHeld";

void WriteMarker(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

std::string Self() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

bool Start(const std::string& program, const std::string& arguments, DWORD flags) {
    std::string command = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup, &process)) {
        std::printf("start failed with %lu\n", GetLastError());
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 100;
    const std::string mode = argv[1];
    if (mode == "exit") return std::atoi(argv[2]);
    if (mode == "browser") {
        const auto result =
            reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", argv[2], nullptr, nullptr, SW_SHOWNORMAL));
        return result > 32 ? 0 : 101;
    }
    if (argc < 4) return 100;
    const DWORD ms = static_cast<DWORD>(std::atol(argv[2]));
    const std::string rest = std::string(argv[2]) + " " + argv[3];
    if (mode == "child") {
        Sleep(ms);
        WriteMarker(argv[3]);
        return 3;
    }
    if (mode == "started") {
        WriteMarker(argv[3]);
        Sleep(ms);
        return 0;
    }
    if (mode == "relaunch") {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        const std::string copy = std::string(temp) + "Au_.exe";
        if (!CopyFileA(Self().c_str(), copy.c_str(), FALSE)) return 102;
        return Start(copy, "child " + rest, 0) ? 0 : 103;
    }
    if (mode == "window") {
        HWND window = CreateWindowExA(0, "STATIC", "Helper wizard", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300,
                                      200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (window == nullptr) return 107;
        const DWORD end = GetTickCount() + ms;
        while (GetTickCount() < end) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&message);
            Sleep(20);
        }
        DestroyWindow(window);
        WriteMarker(argv[3]);
        return 0;
    }
    if (mode == "shell") {
        char windows[MAX_PATH] = {};
        GetWindowsDirectoryA(windows, MAX_PATH);
        std::string command = "\"" + std::string(windows) + "\\explorer.exe\" C:\\";
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
            return 108;
        const bool stays = WaitForSingleObject(process.hProcess, ms) == WAIT_TIMEOUT;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        if (!stays) return 109;
        WriteMarker(argv[3]);
        return 0;
    }
    if (mode == "breakaway") return Start(Self(), "child " + rest, CREATE_BREAKAWAY_FROM_JOB) ? 0 : 104;
    if (mode == "holdmutex") {
        HANDLE held = CreateEventA(nullptr, TRUE, FALSE, kHeldEvent);
        ResetEvent(held); // left set by an earlier run that is still alive
        if (!Start(Self(), "mutexchild " + rest, CREATE_BREAKAWAY_FROM_JOB)) return 105;
        const DWORD wait = WaitForSingleObject(held, 10000);
        CloseHandle(held);
        return wait == WAIT_OBJECT_0 ? 0 : 106;
    }
    if (mode == "mutexchild") {
        HANDLE mutex = CreateMutexA(nullptr, TRUE, "Global\\_MSIExecute");
        HANDLE held = OpenEventA(EVENT_MODIFY_STATE, FALSE, kHeldEvent);
        if (held != nullptr) SetEvent(held);
        Sleep(ms);
        WriteMarker(argv[3]);
        ReleaseMutex(mutex);
        return 0;
    }
    return 100;
}
