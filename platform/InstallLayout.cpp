#include "platform/InstallLayout.h"

#include <climits>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

// Both relative to the executables' folder, from the install folders the
// build was configured with (packaging/linux/Layout.cmake).
#ifndef TOLVANIRE_DATA_FROM_BIN
#error "TOLVANIRE_DATA_FROM_BIN is not defined"
#endif
#ifndef TOLVANIRE_HOST_FROM_BIN
#error "TOLVANIRE_HOST_FROM_BIN is not defined"
#endif

namespace platform {
namespace {

// `folder`/`relative` with "." and ".." taken out by name: the executable's
// folder comes from /proc/self/exe with every link resolved already, so
// ".." is its parent.
std::string Join(const std::string& folder, const std::string& relative) {
    std::vector<std::string> parts;
    const std::string path = folder + "/" + relative;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string joined;
    for (const std::string& part : parts)
        joined += "/" + part;
    return joined.empty() ? "/" : joined;
}

bool IsFolder(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string RunningExecutableFolder() {
    char path[PATH_MAX + 1] = {};
    const ssize_t length = readlink("/proc/self/exe", path, PATH_MAX);
    if (length <= 0) return std::string();
    const std::string full(path, static_cast<size_t>(length));
    const size_t slash = full.rfind('/');
    return slash == std::string::npos ? std::string() : full.substr(0, slash);
}

} // namespace

CInstallLayout::CInstallLayout(std::string folder) : executableFolder(std::move(folder)) {
    const std::string installedData = Join(executableFolder, TOLVANIRE_DATA_FROM_BIN);
    installed = !executableFolder.empty() && IsFolder(installedData);
    dataFolder = installed ? installedData : executableFolder;
    hostFolder = installed ? Join(executableFolder, TOLVANIRE_HOST_FROM_BIN) : executableFolder;
}

const CInstallLayout& CInstallLayout::Running() {
    static const CInstallLayout layout(RunningExecutableFolder());
    return layout;
}

} // namespace platform
