// Runs one command through the Windows backend's RunAndWait under Wine and
// prints what came back. The command is $TOLVANIRE_PROBE_COMMAND; the file
// $TOLVANIRE_PROBE_MARKER is deleted first and looked for right after the
// wait, which tells whether the work it stands for was waited for.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "platform/win32/Win32System.h"

int main() {
    const char* command = std::getenv("TOLVANIRE_PROBE_COMMAND");
    const char* marker = std::getenv("TOLVANIRE_PROBE_MARKER");
    if (command == nullptr) return 2;
    if (marker != nullptr) DeleteFileA(marker);
    const DWORD begin = GetTickCount();
    platform::CWin32System system;
    platform::RunOutcome outcome;
    const uint32_t result = system.RunAndWait(command, &outcome);
    const DWORD elapsed = GetTickCount() - begin;
    const bool markerThere = marker != nullptr && GetFileAttributesA(marker) != INVALID_FILE_ATTRIBUTES;
    std::printf("result=%u started=%d error=%u exit=%u marker=%d ms=%lu\n", result, outcome.started ? 1 : 0,
                outcome.startError, outcome.exitCode, markerThere ? 1 : 0, elapsed);
    std::fflush(stdout);
    return 0;
}
