#pragma once

#include <memory>
#include <string>

#include "platform/Platform.h"
#include "platform/wine/WineFileSystem.h"
#include "platform/wine/WineHostConnection.h"
#include "platform/wine/WineRegistry.h"
#include "platform/wine/WineSystem.h"

namespace platform {

// The Windows programs of a Wine prefix, reached through winehost.exe.
class CWinePlatform : public IPlatform {
public:
    // Finds Wine and winehost.exe, creates the prefix when it does not exist
    // yet and starts the host in it. Null and `error` set on failure.
    static std::unique_ptr<CWinePlatform> Start(const PlatformOptions& options, std::string* error,
                                                CWineHostConnection::Limits limits = CWineHostConnection::Limits());

    // The client over hosts that `factory` opens (the tests' in-process
    // host), with no prefix behind it. Null and `error` set on failure.
    static std::unique_ptr<CWinePlatform> Connect(CWineHostConnection::TransportFactory factory,
                                                  CWineHostConnection::Limits limits, bool batchCalls,
                                                  std::string* error);

    IRegistry& Registry() override { return registry; }
    ISystem& System() override { return system; }
    IFileSystem& Files() override { return files; }
    std::string FatalError() const override { return host->FatalError(); }
    std::string LinuxPrefix() const override { return prefix; }

    const std::string& Prefix() const { return prefix; }
    // For tests that end the host behind the client's back.
    int HostProcessId() const { return host->HostProcessId(); }
    CWineHostConnection& Host() { return *host; }

    // The prefix the options select: the given one, else $WINEPREFIX, else
    // ~/.wine; always absolute.
    static std::string ResolvePrefix(const PlatformOptions& options);

private:
    CWinePlatform(std::unique_ptr<CWineHostConnection> connection, std::string prefix, bool batchCalls);

    std::unique_ptr<CWineHostConnection> host;
    std::string prefix;
    CWineRegistry registry;
    CWineSystem system;
    CWineFileSystem files;
};

} // namespace platform
