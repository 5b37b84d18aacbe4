#pragma once

#include "platform/Platform.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"

namespace platform {

// The machine the program runs on, through the Windows API.
class CWin32Platform : public IPlatform {
public:
    IRegistry& Registry() override { return registry; }
    ISystem& System() override { return system; }
    IFileSystem& Files() override { return files; }
    std::string FatalError() const override { return std::string(); }

private:
    CWin32Registry registry;
    CWin32System system;
    CWin32FileSystem files;
};

} // namespace platform
