// A Windows program (built with MinGW, run under Wine) that links the crash
// handler and crashes on purpose, and a driver mode that checks what the
// crash left behind.
//
//   crashdump.exe crash [HEXCODE]  crash with an access violation, or raise HEXCODE
//   crashdump.exe check            crash twice in child processes and check the
//                                  dumps and the named events; exit 0 when right
//   crashdump.exe check-fake       the same with a stand-in DbgHelp.dll beside the
//                                  program, whose dumps read "FAKE-DUMP"
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/CrashHandler.h"

namespace {

std::string ProgramPath() {
    char path[1024] = {};
    GetModuleFileNameA(nullptr, path, sizeof path - 1);
    return path;
}

std::string ProgramDirectory() {
    std::string path = ProgramPath();
    return path.substr(0, path.find_last_of('\\') + 1);
}

DWORD RunChild(const std::string& arguments) {
    std::string commandLine = "\"" + ProgramPath() + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 0xFFFFFFFF;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

std::string ReadStart(const std::string& path, size_t count) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return std::string();
    std::string data(count, '\0');
    data.resize(std::fread(&data[0], 1, count, file));
    std::fclose(file);
    return data;
}

int failures = 0;

void Expect(bool condition, const char* what) {
    std::printf("%s: %s\n", condition ? "ok  " : "FAIL", what);
    if (!condition) ++failures;
}

bool Signalled(HANDLE event) {
    return WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

// One crashing child: which event it signalled and what its first dump holds.
void CheckCrash(const char* childArguments, unsigned long code, const std::string& signature, HANDLE general,
                HANDLE memory) {
    const std::string dump = ProgramDirectory() + "zelwudump0.dmp";
    DeleteFileA(dump.c_str());
    DeleteFileA((ProgramDirectory() + "zelwudump1.dmp").c_str());

    const DWORD exitCode = RunChild(childArguments);
    std::printf("child '%s' exited with 0x%08lx\n", childArguments, static_cast<unsigned long>(exitCode));
    Expect(exitCode != 0 && exitCode != 0xFFFFFFFF, "the crashing child ended with a failure status");
    Expect(ReadStart(dump, signature.size()) == signature,
           ("zelwudump0.dmp beside the program starts with " + signature).c_str());
    Expect(GetFileAttributesA((ProgramDirectory() + "zelwudump1.dmp").c_str()) == INVALID_FILE_ATTRIBUTES,
           "one crash writes one dump");
    const bool memoryCrash = code == 0xE0000001UL;
    Expect(Signalled(memory) == memoryCrash,
           memoryCrash ? "memory crash event signalled" : "memory crash event left alone");
    Expect(Signalled(general) == !memoryCrash,
           memoryCrash ? "general crash event left alone" : "general crash event signalled");
}

int Check(const std::string& signature) {
    // Created here first, so the events outlive each child and can be read
    // after it has ended.
    HANDLE general = CreateEventA(nullptr, FALSE, FALSE, crash::CrashEventName(0xC0000005UL));
    HANDLE memory = CreateEventA(nullptr, FALSE, FALSE, crash::CrashEventName(0xE0000001UL));
    Expect(general != nullptr && memory != nullptr && general != memory, "both crash events can be created");

    CheckCrash("crash", 0xC0000005UL, signature, general, memory);
    CheckCrash("crash e0000001", 0xE0000001UL, signature, general, memory);
    std::printf("%d failure(s)\n", failures);
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "crash") {
        if (argc > 2) RaiseException(static_cast<DWORD>(std::strtoul(argv[2], nullptr, 16)), 0, 0, nullptr);
        volatile int* nowhere = nullptr;
        *nowhere = 1;
        return 3; // not reached
    }
    if (mode == "check") return Check("MDMP");
    if (mode == "check-fake") return Check("FAKE-DUMP");
    std::fprintf(stderr, "usage: crashdump.exe crash [HEXCODE] | check | check-fake\n");
    return 2;
}
