#pragma once

#include <qwindowdefs.h>

// Blur behind a translucent window where the host offers it (Windows 10 and
// later, through CHostServices); elsewhere every operation is a no-op and
// IsWindows10OrLater() is false.
class CAeroGlassHelper {
public:
    CAeroGlassHelper();
    virtual ~CAeroGlassHelper();

    // Major file version of kernel32.dll is 10 or more; false on any failure.
    bool IsWindows10OrLater() const;

    // Records the window and, on Windows 10 or later, asks for blur behind
    // it. The region is reserved and not used.
    void EnableBlur(WId window, void* region = nullptr);

    WId LastWindow() const { return blurredWindow; }
    // The desktop window manager's module when the process has it loaded.
    void* DwmModule() const { return dwmapi; }

    CAeroGlassHelper(const CAeroGlassHelper&) = delete;
    CAeroGlassHelper& operator=(const CAeroGlassHelper&) = delete;

private:
    void* dwmapi = nullptr; // module handle, looked up, never loaded
    WId blurredWindow = 0;
};
