#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "platform/Platform.h"

// The backends the semantics tables run against: the in-memory fake; the
// Wine client talking in process to the host's dispatch over the fake (so
// that a client and host that disagree fail a quick test); and the real
// Windows backend under Wine, once with the batched answers of the client
// and once with every call made by Windows itself.
enum class Backend { Memory, InProcess, Wine, WineDirect };

class MemoryPlatform;

// Everything one case needs: the platform, and a place of its own in the
// registry and on drive C that no other case or backend uses.
struct SemanticsContext {
    Backend backend;
    platform::IPlatform* platform;
    MemoryPlatform* memory = nullptr; // the fake behind Memory and InProcess
    std::string keyPath;              // "TolvanireSemantics\\<backend>\\<case>", below SOFTWARE or Software
    std::string folder;               // "C:\\TolvanireSemantics\\<backend>\\<case>"

    // Whether the answers come from the in-memory fake (which follows
    // Windows where Wine differs).
    bool Fake() const { return memory != nullptr; }

    platform::IRegistry& Registry() { return platform->Registry(); }
    platform::IFileSystem& Files() { return platform->Files(); }

    // A directory link at `path` to `target` (Windows paths). Under Wine
    // it is a symbolic link made from the Linux side, which is how Wine
    // prefixes carry them (the user folders link into the Linux home).
    bool MakeLink(const std::string& path, const std::string& target);
    // A symbolic link to a file (Wine only: the fake has folder links only).
    bool MakeFileLink(const std::string& path, const std::string& target);
    // The Linux path of a Windows path on drive C (Wine only), for fixtures
    // that only the Linux side can make: modes, attributes, odd names.
    std::string LinuxPath(const std::string& path) const;
};

std::string BackendName(Backend backend);
inline void PrintTo(Backend backend, std::ostream* os) {
    *os << BackendName(backend);
}

// The fresh prefix shared by every Wine case of this run, made on first use.
// Empty (with `error` set) when Wine could not be started.
std::string SharedWinePrefix(std::string* error);

// A context for one case. The fake is fresh for every case; the Wine
// backends share one fresh prefix per run of the test program.
class SemanticsBackend {
public:
    SemanticsBackend(Backend backend, const std::string& caseName);
    ~SemanticsBackend();

    // False (with the reason in Error()) when Wine could not be started.
    bool Ready() const { return context.platform != nullptr; }
    const std::string& Error() const { return startError; }
    SemanticsContext& Context() { return context; }

private:
    std::unique_ptr<MemoryPlatform> ownedMemory;
    std::unique_ptr<platform::IPlatform> client;
    SemanticsContext context;
    std::string startError;
};
