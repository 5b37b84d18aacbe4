#pragma once

#include <string>

namespace platform {

// Where the Linux program's own files lie, found from its executable's
// folder and never from the working directory or the build tree. Two
// layouts: everything beside the executable (the build tree), or installed
// (cmake --install, the .deb): the executables in <prefix>/bin, the files
// they read (Resources/, QSS/, "uiconfig") in <prefix>/share/<name> and
// winehost.exe in <prefix>/libexec/<name>. A program is installed when the
// data folder of that layout exists beside its bin folder. The Windows
// build keeps everything beside the executable and does not use this.
class CInstallLayout {
public:
    // The layout of the executable in `executableFolder` (no trailing '/').
    explicit CInstallLayout(std::string executableFolder);

    // The layout of the running executable, found once.
    static const CInstallLayout& Running();

    bool Installed() const { return installed; }
    const std::string& ExecutableFolder() const { return executableFolder; }
    // Resources/, QSS/ and "uiconfig".
    const std::string& DataFolder() const { return dataFolder; }
    // winehost.exe.
    const std::string& HostFolder() const { return hostFolder; }

private:
    std::string executableFolder;
    std::string dataFolder;
    std::string hostFolder;
    bool installed = false;
};

} // namespace platform
