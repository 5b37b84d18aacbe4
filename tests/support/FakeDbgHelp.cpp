// A stand-in DbgHelp.dll: put beside the crash test program it shows that
// the copy beside the executable is preferred to the system's.
#include <windows.h>

#include <dbghelp.h>

extern "C" __declspec(dllexport) BOOL WINAPI
    MiniDumpWriteDump(HANDLE, DWORD, HANDLE file, MINIDUMP_TYPE, PMINIDUMP_EXCEPTION_INFORMATION,
                      PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION) {
    static const char marker[] = "FAKE-DUMP";
    DWORD written = 0;
    return WriteFile(file, marker, sizeof marker - 1, &written, nullptr);
}
