#include "platform/wine/WinePlatform.h"

#include <climits>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "platform/InstallLayout.h"
#include "platform/wine/PipeHostTransport.h"

namespace platform {
namespace {

bool IsFolder(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool Exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

bool IsExecutable(const std::string& path) {
    return access(path.c_str(), X_OK) == 0 && !IsFolder(path);
}

std::string FindOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string list = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(':', start);
        if (end == std::string::npos) end = list.size();
        const std::string folder = end > start ? list.substr(start, end - start) : ".";
        const std::string candidate = folder + "/" + program;
        if (IsExecutable(candidate)) return candidate;
        start = end + 1;
    }
    return std::string();
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && *home) return home;
    const passwd* entry = getpwuid(getuid());
    return entry && entry->pw_dir ? entry->pw_dir : std::string();
}

} // namespace

std::string CWinePlatform::ResolvePrefix(const PlatformOptions& options) {
    std::string prefix = options.winePrefix;
    if (prefix.empty()) {
        const char* fromEnvironment = std::getenv("WINEPREFIX");
        if (fromEnvironment) prefix = fromEnvironment;
    }
    if (prefix.empty()) prefix = HomeFolder() + "/.wine";
    if (prefix[0] != '/') {
        char cwd[PATH_MAX + 1];
        if (getcwd(cwd, sizeof(cwd))) prefix = std::string(cwd) + "/" + prefix;
    }
    while (prefix.size() > 1 && prefix.back() == '/')
        prefix.pop_back();
    return prefix;
}

CWinePlatform::CWinePlatform(std::unique_ptr<CWineHostConnection> connection, std::string prefix, bool batchCalls)
    : host(std::move(connection)), prefix(std::move(prefix)), registry(*host, batchCalls), system(*host),
      files(*host, batchCalls) {}

std::unique_ptr<CWinePlatform> CWinePlatform::Start(const PlatformOptions& options, std::string* error,
                                                    CWineHostConnection::Limits limits) {
    CPipeHostTransport::Options hostOptions;
    hostOptions.prefix = ResolvePrefix(options);

    hostOptions.hostPath =
        options.hostPath.empty() ? CInstallLayout::Running().HostFolder() + "/winehost.exe" : options.hostPath;
    if (!Exists(hostOptions.hostPath)) {
        *error = "winehost.exe was not found where the program keeps it (" + hostOptions.hostPath + ")";
        return nullptr;
    }
    hostOptions.winePath = FindOnPath("wine");
    if (hostOptions.winePath.empty()) {
        *error = "Wine is not installed (no \"wine\" program on PATH)";
        return nullptr;
    }

    const std::string& prefix = hostOptions.prefix;
    if (Exists(prefix) && !IsFolder(prefix)) {
        *error = "the Wine prefix " + prefix + " is not a folder";
        return nullptr;
    }
    // A prefix whose registry has not been written yet still has drive_c.
    if (!Exists(prefix + "/system.reg") && !IsFolder(prefix + "/drive_c")) {
        // The Mono and Gecko installers would otherwise ask, in a window,
        // whether to download them.
        const char* arguments[] = {hostOptions.winePath.c_str(), "wineboot", "-i", nullptr};
        std::string output;
        const int status =
            CPipeHostTransport::RunQuiet(hostOptions.winePath, arguments, prefix, "mscoree,mshtml=", 300000, &output);
        if (status != 0 || !IsFolder(prefix + "/drive_c")) {
            std::string last = output;
            while (!last.empty() && (last.back() == '\n' || last.back() == '\r'))
                last.pop_back();
            const size_t newline = last.rfind('\n');
            if (newline != std::string::npos) last = last.substr(newline + 1);
            *error = "the Wine prefix " + prefix + " could not be created (wineboot -i " +
                     (status < 0 ? std::string("did not finish") : "ended with exit code " + std::to_string(status)) +
                     (last.empty() ? std::string() : ": " + last) + ")";
            return nullptr;
        }
    }

    auto host = std::make_unique<CWineHostConnection>(
        [hostOptions](std::string* why) -> std::unique_ptr<IHostTransport> {
            auto transport = std::make_unique<CPipeHostTransport>();
            if (!transport->Start(hostOptions, why)) return nullptr;
            return transport;
        },
        limits);
    if (!host->Start(error)) return nullptr;
    return std::unique_ptr<CWinePlatform>(new CWinePlatform(std::move(host), prefix, options.batchCalls));
}

std::unique_ptr<CWinePlatform> CWinePlatform::Connect(CWineHostConnection::TransportFactory factory,
                                                      CWineHostConnection::Limits limits, bool batchCalls,
                                                      std::string* error) {
    auto host = std::make_unique<CWineHostConnection>(std::move(factory), limits);
    if (!host->Start(error)) return nullptr;
    return std::unique_ptr<CWinePlatform>(new CWinePlatform(std::move(host), std::string(), batchCalls));
}

} // namespace platform
