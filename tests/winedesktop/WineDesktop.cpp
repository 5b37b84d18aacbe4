// Holds Wine's desktop for the Windows GUI tests.
//
// Wine starts its desktop process (explorer.exe /desktop) for the first
// program that needs a desktop and hands it that program's stderr; the
// desktop then lives as long as any Wine program runs. Started by a GUI
// test, it kept that test's output pipe open, so CTest waited for the test
// until its timeout although the test had long ended. Started by this
// program instead, with no CTest pipe, the desktop is up before the first
// GUI test and stays until the last has ended.
//
//   winedesktop serve   brings the desktop up, says so, and holds it until told to stop
//   winedesktop ready   waits (at most a minute) until a "serve" has the desktop up
//   winedesktop stop    tells "serve" to end
#include <windows.h>

#include <cstring>

namespace {

const wchar_t kReadyEvent[] = L"TolvanireTestDesktopReady";
const wchar_t kStopEvent[] = L"TolvanireTestDesktopStop";
// A run that is broken off never says stop: the desktop is let go after
// this long anyway.
const DWORD kLongestRunMs = 4 * 60 * 60 * 1000;

} // namespace

int main(int argc, char* argv[]) {
    const char* mode = argc == 2 ? argv[1] : "";
    // Manual-reset events, made by whichever side comes first.
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, kReadyEvent);
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, kStopEvent);
    if (ready == nullptr || stop == nullptr) return 3;
    if (std::strcmp(mode, "serve") == 0) {
        // A stop left set by an earlier run ends nothing of this one.
        ResetEvent(stop);
        // Returns once Wine's desktop process has made the desktop window.
        if (GetDesktopWindow() == nullptr) return 1;
        SetEvent(ready);
        WaitForSingleObject(stop, kLongestRunMs);
        return 0;
    }
    if (std::strcmp(mode, "ready") == 0) return WaitForSingleObject(ready, 60 * 1000) == WAIT_OBJECT_0 ? 0 : 1;
    if (std::strcmp(mode, "stop") == 0) return SetEvent(stop) ? 0 : 1;
    return 2;
}
