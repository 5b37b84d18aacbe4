#include "support/CrashHandler.h"

#ifdef _WIN32
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <dbghelp.h>
#else
#include <atomic>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <execinfo.h>
#include <fcntl.h>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/InstallLayout.h"
#endif

namespace crash {

const char* CrashEventName(unsigned long exceptionCode) {
    return exceptionCode == 0xE0000001UL ? "ZEL_Memory_Crash_{c3d61a40-a3e6-402b-b373-fd90d30893c8}"
                                         : "ZEL_Crash_{FC1A0E29-3523-4152-B110-3340363E5DB7}";
}

} // namespace crash

#ifdef _WIN32

namespace {

using MiniDumpWriteDumpFn = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE, PMINIDUMP_EXCEPTION_INFORMATION,
                                          PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION);

struct DumpRequest {
    EXCEPTION_POINTERS* pointers;
    DWORD threadId;
};

// Wide, so that a folder named in any script is reached.
wchar_t exeDirectory[1024];
bool exeDirectoryKnown = false;
volatile LONG dumpCounter = -1; // the first dump gets number 0

// The module's folder, ending in a backslash; worked out once per process.
const wchar_t* ExeDirectory() {
    if (!exeDirectoryKnown) {
        wchar_t path[1024] = {};
        GetModuleFileNameW(nullptr, path, 1023);
        wchar_t drive[_MAX_DRIVE] = {};
        wchar_t dir[_MAX_DIR] = {};
        _wsplitpath(path, drive, dir, nullptr, nullptr);
        _snwprintf(exeDirectory, 1023, L"%ls%ls", drive, dir);
        exeDirectoryKnown = true;
    }
    return exeDirectory;
}

DWORD WINAPI DumpThread(LPVOID parameter) {
    const DumpRequest* request = static_cast<const DumpRequest*>(parameter);
    const wchar_t* directory = ExeDirectory();

    // A DbgHelp shipped beside the program is newer than the system's on
    // old Windows versions, so it goes first.
    wchar_t dllPath[1200] = {};
    _snwprintf(dllPath, 1199, L"%lsDbgHelp.dll", directory);
    HMODULE dbghelp = LoadLibraryW(dllPath);
    if (dbghelp == nullptr) dbghelp = LoadLibraryA("DbgHelp.dll");
    if (dbghelp == nullptr) return 0;
    const auto writeDump =
        reinterpret_cast<MiniDumpWriteDumpFn>(reinterpret_cast<void*>(GetProcAddress(dbghelp, "MiniDumpWriteDump")));
    if (writeDump == nullptr) return 0;

    const LONG number = InterlockedIncrement(&dumpCounter);
    wchar_t dumpPath[1200] = {};
    _snwprintf(dumpPath, 1199, L"%lszelwudump%d.dmp", directory, static_cast<int>(number));
    HANDLE file =
        CreateFileW(dumpPath, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;

    MINIDUMP_EXCEPTION_INFORMATION info = {};
    info.ThreadId = request->threadId;
    info.ExceptionPointers = request->pointers;
    info.ClientPointers = FALSE;
    const BOOL written =
        writeDump(GetCurrentProcess(), GetCurrentProcessId(), file, MiniDumpNormal, &info, nullptr, nullptr);
    CloseHandle(file);
    return written ? 1 : 0;
}

LONG WINAPI CrashFilter(EXCEPTION_POINTERS* pointers) {
    const DWORD code = pointers && pointers->ExceptionRecord ? pointers->ExceptionRecord->ExceptionCode : 0;
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, crash::CrashEventName(code));
    if (event != nullptr) {
        SetEvent(event);
        CloseHandle(event);
    }

    // The dump is written from a fresh thread: the faulting thread's stack
    // may be exhausted or corrupt.
    DumpRequest request = {pointers, GetCurrentThreadId()};
    HANDLE thread = CreateThread(nullptr, 0, DumpThread, &request, 0, nullptr);
    if (thread == nullptr) return EXCEPTION_CONTINUE_SEARCH;
    if (WaitForSingleObject(thread, 10000) == WAIT_TIMEOUT) TerminateThread(thread, 0);
    CloseHandle(thread);
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

void crash::InstallCrashHandler() {
    SetUnhandledExceptionFilter(CrashFilter);
}

#else // POSIX

namespace {

const int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

char reportDirectory[PATH_MAX + 2]; // ends with '/'
std::atomic<int> reportCounter{0};
alignas(16) char alternateStack[64 * 1024];

// The folder of the log (support/HostPaths.h, DefaultLogFolder), found
// without Qt: $XDG_STATE_HOME/tolvanire-uninstaller, or
// ~/.local/state/tolvanire-uninstaller.
std::string StateFolder() {
    const char* stateHome = std::getenv("XDG_STATE_HOME");
    if (stateHome != nullptr && stateHome[0] == '/') return std::string(stateHome) + "/tolvanire-uninstaller";
    const char* home = std::getenv("HOME");
    std::string folder = home != nullptr ? home : "";
    if (folder.empty()) {
        const passwd* entry = getpwuid(getuid());
        if (entry == nullptr || entry->pw_dir == nullptr) return std::string();
        folder = entry->pw_dir;
    }
    return folder + "/.local/state/tolvanire-uninstaller";
}

// Only async-signal-safe calls from here on: write, open, close, mkdir, raise,
// and backtrace (made safe by calling it once at installation, which
// loads the unwinder before any crash).
void Write(int fd, const char* text) {
    size_t length = std::strlen(text);
    while (length > 0) {
        const ssize_t done = write(fd, text, length);
        if (done <= 0) return;
        text += done;
        length -= static_cast<size_t>(done);
    }
}

// Writes `value` in `base` into `buffer` (at least 24 bytes).
const char* FormatNumber(char* buffer, unsigned long long value, unsigned base) {
    char* end = buffer + 23;
    *end = '\0';
    char* p = end;
    do {
        *--p = "0123456789abcdef"[value % base];
        value /= base;
    } while (value != 0 && p > buffer);
    return p;
}

const char* SignalName(int signal) {
    switch (signal) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGFPE:
        return "SIGFPE";
    case SIGILL:
        return "SIGILL";
    case SIGABRT:
        return "SIGABRT";
    default:
        return "signal";
    }
}

// Makes each missing folder of `path` (which ends with '/'): the log's
// folder may not exist yet.
void MakeFolders(char* path) {
    for (char* slash = std::strchr(path + 1, '/'); slash != nullptr; slash = std::strchr(slash + 1, '/')) {
        *slash = '\0';
        mkdir(path, 0700);
        *slash = '/';
    }
}

void OnFatalSignal(int signal, siginfo_t* info, void*) {
    const int number = reportCounter.fetch_add(1);
    char path[sizeof reportDirectory + 40];
    char digits[24];
    std::strcpy(path, reportDirectory);
    MakeFolders(path);
    std::strcat(path, "zelwudump");
    std::strcat(path, FormatNumber(digits, static_cast<unsigned>(number), 10));
    std::strcat(path, ".txt");

    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
        Write(fd, "Tolvanire Uninstaller crashed.\nsignal: ");
        Write(fd, FormatNumber(digits, static_cast<unsigned>(signal), 10));
        Write(fd, " (");
        Write(fd, SignalName(signal));
        Write(fd, ")\naddress: 0x");
        Write(fd, FormatNumber(digits, info ? reinterpret_cast<unsigned long long>(info->si_addr) : 0, 16));
        Write(fd, "\npid: ");
        Write(fd, FormatNumber(digits, static_cast<unsigned>(getpid()), 10));
        Write(fd, "\nbacktrace:\n");
        void* frames[64];
        const int count = backtrace(frames, 64);
        backtrace_symbols_fd(frames, count, fd);
        close(fd);
    }
    // The handler was reset on entry: the default action (core dump,
    // non-zero status) follows, as if nothing had been installed.
    raise(signal);
}

} // namespace

void crash::InstallCrashHandler() {
    // Beside the executable, unless it is installed into folders that
    // belong to the system: then in the folder of the log.
    const platform::CInstallLayout& layout = platform::CInstallLayout::Running();
    const std::string folder = layout.Installed() ? StateFolder() : layout.ExecutableFolder();
    reportDirectory[0] = '\0';
    if (!folder.empty() && folder.size() + 1 < sizeof reportDirectory) {
        std::strcpy(reportDirectory, folder.c_str());
        std::strcat(reportDirectory, "/");
    }

    void* warmUp[2];
    backtrace(warmUp, 2);

    // A stack overflow leaves no stack for the handler: give it its own.
    stack_t stack = {};
    stack.ss_sp = alternateStack;
    stack.ss_size = sizeof alternateStack;
    sigaltstack(&stack, nullptr);

    struct sigaction action = {};
    action.sa_sigaction = OnFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (int signal : kFatalSignals)
        sigaction(signal, &action, nullptr);
}

#endif

namespace {
// Before main: a crash during start-up is reported too.
[[maybe_unused]] const bool crashHandlerInstalled = (crash::InstallCrashHandler(), true);
} // namespace
