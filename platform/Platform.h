#pragma once

#include <memory>
#include <string>

#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/System.h"

namespace platform {

// Everything the system reads from or changes on the target machine.
class IPlatform {
public:
    virtual ~IPlatform() = default;

    virtual IRegistry& Registry() = 0;
    virtual ISystem& System() = 0;
    virtual IFileSystem& Files() = 0;

    // Empty while the backend works. Once a call has failed with
    // kErrorBackendFailure, a sentence that says why ("the Wine host
    // exited ...").
    virtual std::string FatalError() const = 0;

    // The Linux folder of the Wine prefix this platform reaches; empty when
    // the target is not a prefix (Windows itself, an in-process host).
    virtual std::string LinuxPrefix() const { return std::string(); }
};

struct PlatformOptions {
    // The Wine prefix to manage (Linux only). Empty: $WINEPREFIX, else ~/.wine.
    std::string winePrefix;
    // Wine only: answer the reads of an open key from what the host sent
    // when it was opened, and walk trees from the Linux side. Tests turn it
    // off to compare those answers with the real calls.
    bool batchCalls = true;
    // Wine only: the host program to start; empty: winehost.exe where the
    // running executable's layout keeps it (CInstallLayout).
    std::string hostPath;
};

// The one place that chooses the backend: the Windows API on Windows, the
// Wine host elsewhere. Returns null and sets `error` when the backend
// cannot start.
std::unique_ptr<IPlatform> CreatePlatform(const PlatformOptions& options, std::string* error);

} // namespace platform
