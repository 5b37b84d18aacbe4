#include "platform/win32/Win32System.h"

#include "platform/Errors.h"
#include "platform/win32/DllFunction.h"
#include "platform/win32/WideText.h"

// clang-format off
#include <windows.h>
#include <msi.h>
#include <shlwapi.h>
#include <tlhelp32.h>
// clang-format on

#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace platform {

uint16_t CWin32System::NativeProcessorArchitecture() {
    SYSTEM_INFO info;
    std::memset(&info, 0, sizeof(info));
    GetNativeSystemInfo(&info);
    return info.wProcessorArchitecture;
}

uint32_t CWin32System::InstallerKnowsProduct(const std::string& productCode, bool* known) {
    // Loaded on first use, as the desktop calls are: most starts of the
    // host never ask. Without it no product is known, and an entry's own
    // command runs.
    static const auto query = [] {
        decltype(&MsiQueryProductStateW) loaded = nullptr;
        LoadDllFunction(LoadLibraryW(L"msi.dll"), "MsiQueryProductStateW", &loaded);
        return loaded;
    }();
    // An advertised product is removed by Windows Installer as well; one of
    // another user is none of this user's to remove.
    const INSTALLSTATE state = query != nullptr ? query(ToWide(productCode).c_str()) : INSTALLSTATE_UNKNOWN;
    *known = state == INSTALLSTATE_DEFAULT || state == INSTALLSTATE_ADVERTISED;
    return kErrorSuccess;
}

uint32_t CWin32System::ExpandEnvironment(const std::vector<std::string>& texts, std::vector<std::string>* expanded) {
    expanded->clear();
    std::vector<std::string> result;
    result.reserve(texts.size());
    for (const std::string& text : texts) {
        const std::wstring wide = ToWide(text);
        // The size asked for counts the terminating zero; a value may grow
        // between the two calls, so the second is repeated while it does.
        std::wstring out;
        DWORD needed = ExpandEnvironmentStringsW(wide.c_str(), nullptr, 0);
        while (needed > out.size()) {
            out.assign(needed, L'\0');
            needed = ExpandEnvironmentStringsW(wide.c_str(), &out[0], static_cast<DWORD>(out.size()));
            if (needed == 0) return GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_INVALID_DATA;
        }
        if (needed == 0) return GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_INVALID_DATA;
        out.resize(needed - 1);
        result.push_back(ToUtf8(out));
    }
    *expanded = std::move(result);
    return kErrorSuccess;
}

bool RunsUnderWine() {
    static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

namespace {

// Closes a kernel handle when it goes out of scope.
class ScopedHandle {
public:
    explicit ScopedHandle(HANDLE handle = nullptr) : handle(handle) {}
    ~ScopedHandle() {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    HANDLE get() const { return handle; }
    bool valid() const { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle;
};

constexpr ULONG_PTR kJobKey = 1;

std::wstring LongPath(const std::wstring& path) {
    if (path.empty()) return path;
    std::wstring buffer(MAX_PATH, L'\0');
    DWORD length = GetLongPathNameW(path.c_str(), &buffer[0], static_cast<DWORD>(buffer.size()));
    if (length > buffer.size()) {
        buffer.assign(length, L'\0');
        length = GetLongPathNameW(path.c_str(), &buffer[0], static_cast<DWORD>(buffer.size()));
    }
    if (length == 0 || length > buffer.size()) return path;
    buffer.resize(length);
    return buffer;
}

// The calls of user32 and shlwapi, loaded on first use: importing them
// makes every start of the Wine host set up user32 (a window station, the
// input method), which takes longer than reading the whole program list,
// while only a wait looks for windows and browsers.
struct DesktopApi {
    decltype(&EnumWindows) enumWindows = nullptr;
    decltype(&GetWindowLongW) getWindowLong = nullptr;
    decltype(&GetWindowThreadProcessId) getWindowThreadProcessId = nullptr;
    decltype(&IsIconic) isIconic = nullptr;
    decltype(&IsWindowVisible) isWindowVisible = nullptr;
    decltype(&SetForegroundWindow) setForegroundWindow = nullptr;
    decltype(&SetWindowPos) setWindowPos = nullptr;
    decltype(&ShowWindow) showWindow = nullptr;
    decltype(&AssocQueryStringW) assocQueryString = nullptr;

    static const DesktopApi& Get() {
        static const DesktopApi api = [] {
            DesktopApi loaded;
            if (const HMODULE user32 = LoadLibraryW(L"user32.dll")) {
                LoadDllFunction(user32, "EnumWindows", &loaded.enumWindows);
                LoadDllFunction(user32, "GetWindowLongW", &loaded.getWindowLong);
                LoadDllFunction(user32, "GetWindowThreadProcessId", &loaded.getWindowThreadProcessId);
                LoadDllFunction(user32, "IsIconic", &loaded.isIconic);
                LoadDllFunction(user32, "IsWindowVisible", &loaded.isWindowVisible);
                LoadDllFunction(user32, "SetForegroundWindow", &loaded.setForegroundWindow);
                LoadDllFunction(user32, "SetWindowPos", &loaded.setWindowPos);
                LoadDllFunction(user32, "ShowWindow", &loaded.showWindow);
            }
            if (const HMODULE shlwapi = LoadLibraryW(L"shlwapi.dll"))
                LoadDllFunction(shlwapi, "AssocQueryStringW", &loaded.assocQueryString);
            return loaded;
        }();
        return api;
    }
    bool HasWindows() const {
        return enumWindows && getWindowLong && getWindowThreadProcessId && isIconic && isWindowVisible &&
               setForegroundWindow && setWindowPos && showWindow;
    }
};

bool SameText(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

std::wstring FileName(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

// The programs the shell opens web pages with.
std::vector<std::wstring> BrowserExecutables() {
    std::vector<std::wstring> browsers;
    for (const wchar_t* scheme : {L"http", L"https"}) {
        wchar_t buffer[2 * MAX_PATH] = {};
        DWORD size = ARRAYSIZE(buffer);
        const auto assocQueryString = DesktopApi::Get().assocQueryString;
        if (assocQueryString &&
            SUCCEEDED(assocQueryString(ASSOCF_NONE, ASSOCSTR_EXECUTABLE, scheme, L"open", buffer, &size)) &&
            buffer[0] != L'\0')
            browsers.push_back(LongPath(buffer));
    }
    return browsers;
}

bool IsBrowser(const std::wstring& image, const std::vector<std::wstring>& browsers) {
    if (image.empty()) return false;
    for (const std::wstring& browser : browsers) {
        // An association that names a bare file is matched by name.
        const bool bareName = browser.find_first_of(L"\\/") == std::wstring::npos;
        if (bareName ? SameText(FileName(image), browser) : SameText(image, browser)) return true;
    }
    return false;
}

// The shell, which an uninstaller starts to show a folder or restarts
// after it replaced a shell extension, and which Wine starts as the
// desktop inside the job of the first program to open a window. It runs on
// after the uninstaller and is never its work.
bool IsShell(const std::wstring& image) {
    wchar_t windows[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    const std::wstring folder(windows, length);
    for (const wchar_t* file : {L"\\explorer.exe", L"\\system32\\explorer.exe", L"\\SysWOW64\\explorer.exe"})
        if (SameText(image, folder + file)) return true;
    return false;
}

enum class ImageState { Known, NotYet, Gone };

// The program file of a process. Wine names a process only once it has
// started running, a little after the job reports it: NotYet until then.
ImageState ProcessImage(DWORD processId, std::wstring* image) {
    ScopedHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process.valid()) return ImageState::Gone;
    std::wstring buffer(32768, L'\0');
    DWORD size = static_cast<DWORD>(buffer.size());
    if (!QueryFullProcessImageNameW(process.get(), 0, &buffer[0], &size) || size == 0) {
        DWORD exitCode = 0;
        return GetExitCodeProcess(process.get(), &exitCode) && exitCode == STILL_ACTIVE ? ImageState::NotYet
                                                                                        : ImageState::Gone;
    }
    buffer.resize(size);
    *image = LongPath(buffer);
    return ImageState::Known;
}

DWORD ParentProcessId(DWORD processId) {
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.valid()) return 0;
    PROCESSENTRY32W entry;
    std::memset(&entry, 0, sizeof(entry));
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
        if (entry.th32ProcessID == processId) return entry.th32ParentProcessID;
    return 0;
}

bool IsMsiexecName(std::string name) {
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return name == "msiexec" || name == "msiexec.exe";
}

// Whether the program a command line starts is msiexec: its first word (or
// quoted text), without its folder.
bool CommandRunsMsiexec(const std::string& commandLine) {
    size_t begin = commandLine.find_first_not_of(" \t");
    if (begin == std::string::npos) return false;
    size_t end;
    if (commandLine[begin] == '"') {
        ++begin;
        end = commandLine.find('"', begin);
    } else {
        end = commandLine.find_first_of(" \t", begin);
    }
    std::string program = commandLine.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
    const size_t separator = program.find_last_of("\\/");
    if (separator != std::string::npos) program.erase(0, separator + 1);
    return IsMsiexecName(program);
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(length > 0 ? length : 0, '\0');
    if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0], length, nullptr, nullptr);
    return utf8;
}

// The processes in the job; false when the job cannot tell.
bool JobProcesses(HANDLE job, std::vector<DWORD>* processes) {
    processes->clear();
    // ULONG_PTR elements keep the list's alignment.
    std::vector<ULONG_PTR> buffer(2 + 4096);
    auto* list = reinterpret_cast<JOBOBJECT_BASIC_PROCESS_ID_LIST*>(buffer.data());
    if (!QueryInformationJobObject(job, JobObjectBasicProcessIdList, list,
                                   static_cast<DWORD>(buffer.size() * sizeof(ULONG_PTR)), nullptr) ||
        list->NumberOfProcessIdsInList < list->NumberOfAssignedProcesses)
        return false;
    for (DWORD i = 0; i < list->NumberOfProcessIdsInList; ++i)
        processes->push_back(static_cast<DWORD>(list->ProcessIdList[i]));
    return true;
}

// True when no process is left in the job but ignored ones.
bool OnlyIgnoredLeft(HANDLE job, const std::set<DWORD>& ignored) {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting;
    std::memset(&accounting, 0, sizeof(accounting));
    if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting, sizeof(accounting), nullptr))
        return false;
    if (accounting.ActiveProcesses == 0) return true;
    if (ignored.empty()) return false;
    std::vector<DWORD> processes;
    if (!JobProcesses(job, &processes)) return false;
    for (const DWORD process : processes)
        if (ignored.count(process) == 0) return false;
    return true;
}

constexpr DWORD kReportMs = 500;

// Tells the caller's watch what the wait knows: at most every kReportMs,
// and at once when the first process has ended. Costs nothing without a
// watch.
class WaitReporter {
public:
    WaitReporter(const RunWatch& watch, HANDLE first) : watch(watch), first(first) {}

    // False once the watch asked to stop. `running` gives the processes
    // still waited for; it is asked only when a report is due.
    template <class Running> bool Report(Running running, bool installerBusy = false) {
        if (!watch) return true;
        const bool firstEnded = WaitForSingleObject(first, 0) == WAIT_OBJECT_0;
        const DWORD now = GetTickCount();
        if (reported && firstEnded == progress.firstEnded && now - last < kReportMs) return true;
        progress.firstEnded = firstEnded;
        DWORD exitCode = 0;
        progress.exitCode = firstEnded && GetExitCodeProcess(first, &exitCode) ? exitCode : 0;
        progress.running = running();
        progress.installerBusy = installerBusy;
        reported = true;
        last = now;
        return watch(progress);
    }

private:
    const RunWatch& watch;
    HANDLE first;
    RunProgress progress;
    bool reported = false;
    DWORD last = 0;
};

// The program file of a process, as the progress names it; empty while
// it cannot be told.
std::string ProcessName(DWORD processId) {
    std::wstring image;
    return ProcessImage(processId, &image) == ImageState::Known ? Utf8(FileName(image)) : std::string();
}

// Waits until the job holds no process but the user's browser and the
// shell, or the watch stops it (false). The port is read with a time-out so that a lost
// message cannot hold the wait: each pass also asks the job itself.
bool WaitForJob(HANDLE job, HANDLE port, DWORD rootProcessId, bool* ranMsiexec, WaitReporter& reporter) {
    std::set<DWORD> ignored;
    std::vector<DWORD> unsorted; // new processes whose program is not known yet, oldest first
    std::vector<std::wstring> browsers;
    bool browsersRead = false;
    std::map<DWORD, std::string> names; // of the processes named in a report so far
    // A process of the browser or the shell, or one that a process not
    // waited for started, is not waited for either; msiexec brings Windows Installer in.
    auto sort = [&] {
        for (auto it = unsorted.begin(); it != unsorted.end();) {
            std::wstring image;
            const ImageState state = ProcessImage(*it, &image);
            if (state == ImageState::NotYet) {
                ++it;
                continue;
            }
            if (state == ImageState::Known) {
                if (SameText(FileName(image), L"msiexec.exe")) *ranMsiexec = true;
                if (!browsersRead) {
                    browsers = BrowserExecutables();
                    browsersRead = true;
                }
                if (IsBrowser(image, browsers) || IsShell(image) || ignored.count(ParentProcessId(*it)) != 0)
                    ignored.insert(*it);
            }
            it = unsorted.erase(it);
        }
    };
    auto running = [&] {
        std::vector<std::string> list;
        std::vector<DWORD> processes;
        JobProcesses(job, &processes);
        for (const DWORD process : processes) {
            if (ignored.count(process) != 0) continue;
            std::string& name = names[process];
            if (name.empty()) name = ProcessName(process);
            if (!name.empty()) list.push_back(name);
        }
        return list;
    };
    for (;;) {
        DWORD message = 0;
        ULONG_PTR key = 0;
        LPOVERLAPPED overlapped = nullptr;
        const BOOL got = GetQueuedCompletionStatus(port, &message, &key, &overlapped, unsorted.empty() ? 500 : 50);
        if (!got && overlapped == nullptr && GetLastError() != WAIT_TIMEOUT) return true; // the port failed
        if (got && key == kJobKey) {
            const DWORD processId = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(overlapped));
            if (message == JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO) return true;
            if (message == JOB_OBJECT_MSG_NEW_PROCESS && processId != rootProcessId) {
                unsorted.push_back(processId);
            } else if (message == JOB_OBJECT_MSG_EXIT_PROCESS || message == JOB_OBJECT_MSG_ABNORMAL_EXIT_PROCESS) {
                ignored.erase(processId);
                names.erase(processId);
            }
        }
        sort();
        if (OnlyIgnoredLeft(job, ignored)) return true;
        if (!reporter.Report(running)) return false;
    }
}

// One process alone, as a report names it.
std::vector<std::string> OnlyProcess(DWORD processId) {
    const std::string name = ProcessName(processId);
    return name.empty() ? std::vector<std::string>() : std::vector<std::string>{name};
}

// Waits for the first process alone, where no job holds its tree; false
// when the watch stops it.
bool WaitForProcess(HANDLE process, DWORD processId, WaitReporter& reporter) {
    while (WaitForSingleObject(process, kReportMs) == WAIT_TIMEOUT)
        if (!reporter.Report([processId] { return OnlyProcess(processId); })) return false;
    return true;
}

// Windows Installer holds this mutex while it runs an installation, also
// after the msiexec that asked for it has ended. False when the watch
// stops the wait.
bool WaitForInstallerIdle(WaitReporter& reporter) {
    for (;;) {
        ScopedHandle mutex(OpenMutexW(SYNCHRONIZE, FALSE, L"Global\\_MSIExecute"));
        if (mutex.valid()) {
            for (;;) {
                const DWORD result = WaitForSingleObject(mutex.get(), kReportMs);
                if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) {
                    ReleaseMutex(mutex.get());
                    return true;
                }
                if (result != WAIT_TIMEOUT) return true;
                if (!reporter.Report([] { return std::vector<std::string>(); }, true)) return false;
            }
        }
        // A mutex we may not open still exists: look again later.
        if (GetLastError() != ERROR_ACCESS_DENIED) return true;
        Sleep(kReportMs);
        if (!reporter.Report([] { return std::vector<std::string>(); }, true)) return false;
    }
}

// The name of the job of a RunAndWait of `commandLine`: a hash of the
// command, so that RunWindows finds it from any process of the target.
std::wstring JobName(const std::string& commandLine) {
    uint64_t hash = 1469598103934665603ull; // FNV-1a
    for (const unsigned char c : commandLine)
        hash = (hash ^ c) * 1099511628211ull;
    std::wstring name = L"TolvanireUninstallRun.";
    for (int shift = 60; shift >= 0; shift -= 4)
        name += L"0123456789abcdef"[(hash >> shift) & 0xF];
    return name;
}

// A job of its own for one wait. Should another wait of the same command
// already hold the name, this one goes without it rather than share a job.
HANDLE CreateRunJob(const std::string& commandLine) {
    HANDLE job = CreateJobObjectW(nullptr, JobName(commandLine).c_str());
    if (job != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(job);
        job = CreateJobObjectW(nullptr, nullptr);
    }
    return job;
}

struct WindowSearch {
    std::set<DWORD> processes; // of the job
    std::vector<HWND> found;
};

BOOL CALLBACK CollectJobWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    const DesktopApi& api = DesktopApi::Get();
    if (!api.isWindowVisible(window) || (api.getWindowLong(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0) return TRUE;
    DWORD processId = 0;
    api.getWindowThreadProcessId(window, &processId);
    if (search->processes.count(processId) != 0) search->found.push_back(window);
    return TRUE;
}

// Starts a command line as stored; the caller owns the returned handles.
bool StartCommand(const std::string& commandLine, DWORD flags, PROCESS_INFORMATION* process) {
    // CreateProcessW may write into the command line it is given.
    std::wstring command = ToWide(commandLine);
    command.push_back(L'\0');
    STARTUPINFOW startup;
    std::memset(&startup, 0, sizeof(startup));
    startup.cb = sizeof(startup);
    std::memset(process, 0, sizeof(*process));
    return CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup, process) !=
           FALSE;
}

} // namespace

uint32_t CWin32System::RunAndWatch(const std::string& commandLine, const RunWatch& watch, RunOutcome* outcome) {
    *outcome = RunOutcome();
    ScopedHandle job(CreateRunJob(commandLine));
    ScopedHandle port(job.valid() ? CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1) : nullptr);
    bool inJob = false;
    if (job.valid() && port.valid()) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
        std::memset(&limits, 0, sizeof(limits));
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
        JOBOBJECT_ASSOCIATE_COMPLETION_PORT association;
        association.CompletionKey = reinterpret_cast<PVOID>(kJobKey);
        association.CompletionPort = port.get();
        inJob = SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits)) &&
                SetInformationJobObject(job.get(), JobObjectAssociateCompletionPortInformation, &association,
                                        sizeof(association));
    }

    PROCESS_INFORMATION process;
    // Suspended until it is in the job, so that no child escapes it.
    if (!StartCommand(commandLine, inJob ? CREATE_SUSPENDED : 0, &process)) {
        outcome->startError = GetLastError();
        return kErrorSuccess;
    }
    outcome->started = true;
    ScopedHandle processHandle(process.hProcess);
    ScopedHandle threadHandle(process.hThread);
    // A job cannot always be nested (before Windows 8): then only the
    // process itself is waited for.
    const bool suspended = inJob;
    if (inJob && !AssignProcessToJobObject(job.get(), process.hProcess)) inJob = false;
    if (suspended) ResumeThread(process.hThread);

    bool ranMsiexec = CommandRunsMsiexec(commandLine);
    WaitReporter reporter(watch, process.hProcess);
    // The watch hears of the start before anything is waited for.
    const bool done = reporter.Report([&] { return OnlyProcess(process.dwProcessId); }) &&
                      (!inJob || WaitForJob(job.get(), port.get(), process.dwProcessId, &ranMsiexec, reporter)) &&
                      WaitForProcess(process.hProcess, process.dwProcessId, reporter) &&
                      (!ranMsiexec || WaitForInstallerIdle(reporter));
    outcome->stopped = !done;
    // kStillActive while the first process runs.
    DWORD exitCode = 0;
    if (GetExitCodeProcess(process.hProcess, &exitCode)) outcome->exitCode = exitCode;
    return kErrorSuccess;
}

uint32_t CWin32System::Start(const std::string& commandLine, RunOutcome* outcome) {
    *outcome = RunOutcome();
    PROCESS_INFORMATION process;
    if (!StartCommand(commandLine, 0, &process)) {
        outcome->startError = GetLastError();
        return kErrorSuccess;
    }
    outcome->started = true;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return kErrorSuccess;
}

uint32_t CWin32System::RunWindows(const std::string& commandLine, bool raise, uint32_t* count) {
    *count = 0;
    ScopedHandle job(OpenJobObjectW(JOB_OBJECT_QUERY, FALSE, JobName(commandLine).c_str()));
    if (!job.valid()) return kErrorSuccess; // no such wait runs
    // The job's own list of its processes: IsProcessInJob does not answer
    // under Wine.
    std::vector<DWORD> processes;
    if (!JobProcesses(job.get(), &processes)) return kErrorSuccess;
    const DesktopApi& api = DesktopApi::Get();
    if (!api.HasWindows()) return kErrorSuccess;
    WindowSearch search;
    search.processes.insert(processes.begin(), processes.end());
    api.enumWindows(CollectJobWindow, reinterpret_cast<LPARAM>(&search));
    *count = static_cast<uint32_t>(search.found.size());
    if (!raise || search.found.empty()) return kErrorSuccess;
    // In reverse order of the window list, so that the one on top stays on top.
    for (auto it = search.found.rbegin(); it != search.found.rend(); ++it) {
        if (api.isIconic(*it)) api.showWindow(*it, SW_RESTORE);
        api.setWindowPos(*it, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    }
    api.setForegroundWindow(search.found.front());
    return kErrorSuccess;
}

uint32_t CWin32System::RunningImages(std::vector<std::string>* paths) {
    paths->clear();
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.valid()) return GetLastError();
    std::set<std::string> seen;
    PROCESSENTRY32W entry;
    std::memset(&entry, 0, sizeof(entry));
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        // A process of another user, or one that has ended since the
        // snapshot, cannot be opened: it is left out, as the contract says.
        std::wstring image;
        if (ProcessImage(entry.th32ProcessID, &image) != ImageState::Known) continue;
        std::string utf8 = ToUtf8(image);
        if (seen.insert(utf8).second) paths->push_back(std::move(utf8));
    }
    return kErrorSuccess;
}

} // namespace platform
