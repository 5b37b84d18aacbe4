// Starts a program, waits for it and tells whether it crashed the way the
// crash handler reports a crash: the named crash event signalled and
// "zelwudump0.dmp" written beside the program.
//
//   crashwatch.exe PROGRAM [ARGUMENT...]   exit 0 when both happened
#include <windows.h>

#include <cstdio>
#include <string>

#include "support/CrashHandler.h"

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: crashwatch PROGRAM [ARGUMENT...]\n");
        return 2;
    }
    // Made before the program starts, so that its handler finds the event.
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, crash::CrashEventName(0xC0000005UL));
    if (event == nullptr) return 2;

    std::string commandLine;
    for (int i = 1; i < argc; ++i)
        commandLine += std::string(i > 1 ? " " : "") + "\"" + argv[i] + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "crashwatch: cannot start %s (%lu)\n", argv[1], GetLastError());
        return 2;
    }
    const DWORD waited = WaitForSingleObject(process.hProcess, 120000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);

    std::string dump = argv[1];
    const size_t slash = dump.find_last_of("\\/");
    dump = (slash == std::string::npos ? std::string() : dump.substr(0, slash + 1)) + "zelwudump0.dmp";
    const bool signalled = WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
    const bool dumped = GetFileAttributesA(dump.c_str()) != INVALID_FILE_ATTRIBUTES;
    std::printf("%s: the program ended (exit code 0x%08lX)\n", waited == WAIT_OBJECT_0 ? "ok  " : "FAIL", code);
    std::printf("%s: the crash event was signalled\n", signalled ? "ok  " : "FAIL");
    std::printf("%s: %s was written\n", dumped ? "ok  " : "FAIL", dump.c_str());
    return waited == WAIT_OBJECT_0 && signalled && dumped ? 0 : 1;
}
