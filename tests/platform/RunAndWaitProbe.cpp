// Runs one command through the Windows backend's RunAndWatch under Wine and
// prints what came back. The command is $TOLVANIRE_PROBE_COMMAND; the file
// $TOLVANIRE_PROBE_MARKER is deleted first and looked for right after the
// wait, which tells whether the work it stands for was waited for.
// $TOLVANIRE_PROBE_STOP stops the wait: "first" once the first process has
// ended, a number after that many milliseconds. The program files the wait
// named while it ran are printed too.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "platform/win32/Win32System.h"

int main() {
    const char* command = std::getenv("TOLVANIRE_PROBE_COMMAND");
    const char* marker = std::getenv("TOLVANIRE_PROBE_MARKER");
    const char* stop = std::getenv("TOLVANIRE_PROBE_STOP");
    if (command == nullptr) return 2;
    if (marker != nullptr) DeleteFileA(marker);
    const bool stopOnceFirstEnded = stop != nullptr && std::strcmp(stop, "first") == 0;
    const DWORD stopAfterMs = stop != nullptr && !stopOnceFirstEnded ? static_cast<DWORD>(std::atol(stop)) : 0;
    const DWORD begin = GetTickCount();
    std::set<std::string> heard;
    platform::CWin32System system;
    platform::RunOutcome outcome;
    const uint32_t result = system.RunAndWatch(
        command,
        [&](const platform::RunProgress& progress) {
            heard.insert(progress.running.begin(), progress.running.end());
            if (stopOnceFirstEnded) return !progress.firstEnded;
            return stopAfterMs == 0 || GetTickCount() - begin < stopAfterMs;
        },
        &outcome);
    const DWORD elapsed = GetTickCount() - begin;
    const bool markerThere = marker != nullptr && GetFileAttributesA(marker) != INVALID_FILE_ATTRIBUTES;
    std::string names;
    for (const std::string& name : heard)
        names += (names.empty() ? "" : ",") + name;
    std::printf("result=%u started=%d error=%u exit=%u marker=%d ms=%lu stopped=%d heard=%s\n", result,
                outcome.started ? 1 : 0, outcome.startError, outcome.exitCode, markerThere ? 1 : 0, elapsed,
                outcome.stopped ? 1 : 0, names.c_str());
    std::fflush(stdout);
    return 0;
}
