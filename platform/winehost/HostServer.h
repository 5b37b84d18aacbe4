#pragma once

#include <string>

#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "platform/winehost/HostProtocol.h"

namespace platform::wire {

// Answers host-protocol requests (HostProtocol.h) by calling a backend. It
// does no input or output itself: winehost.exe feeds it the frames read from
// stdin and writes its replies to stdout.
class CHostServer {
public:
    // `unixPath` maps a Windows path to the Linux path behind it; only the
    // host under Wine can answer that.
    using UnixPathFunction = std::string (*)(const std::string& windowsPath);
    CHostServer(IRegistry& registry, ISystem& system, IFileSystem& files, UnixPathFunction unixPath = nullptr);

    // The frame the host sends before its first request.
    std::string Greeting();

    // Handles one request payload. Returns the reply frame, or an empty
    // string for a request that gets no reply. `quit` is set when the host
    // should end (a Quit request or a request that cannot be parsed).
    std::string Handle(const std::string& payload, bool* quit);

private:
    KeySnapshot Snapshot(RegKey key);

    IRegistry& registry_;
    ISystem& system_;
    IFileSystem& files_;
    UnixPathFunction unixPath_;
};

} // namespace platform::wire
