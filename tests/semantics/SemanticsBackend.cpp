#include "SemanticsBackend.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/wine/WinePlatform.h"
#include "tests/fake/MemoryHostTransport.h"
#include "tests/fake/MemoryPlatform.h"

namespace {

// One fresh prefix in a temporary folder, with a sandbox HOME so that Wine
// never writes into the real one, shared by every Wine case of this run.
class WinePrefix : public ::testing::Environment {
public:
    // Registered before the tests run so that gtest tears it down at the
    // end; the prefix itself is made only when a Wine case first asks.
    static WinePrefix& Instance() { return *instance; }

    platform::IPlatform* Get(Backend backend, std::string* error) {
        std::lock_guard<std::mutex> lock(mutex);
        if (!started) Start();
        *error = startError;
        return backend == Backend::Wine ? batched.get() : direct.get();
    }

    std::string DriveC() const { return prefix + "/drive_c"; }

    std::string Prefix(std::string* error) {
        Get(Backend::Wine, error);
        return error->empty() ? prefix : std::string();
    }

    void TearDown() override {
        batched.reset();
        direct.reset();
        if (!root.empty()) {
            const std::string kill = "WINEPREFIX='" + prefix + "' wineserver -k >/dev/null 2>&1";
            if (std::system(kill.c_str()) != 0) { /* already gone */
            }
            const std::string remove = "rm -rf '" + root + "'";
            if (std::system(remove.c_str()) != 0) { /* left for the OS to clean */
            }
        }
    }

private:
    void Start() {
        started = true;
        char pattern[] = "/tmp/tolvanire-semantics-XXXXXX";
        if (!mkdtemp(pattern)) {
            startError = "cannot create a temporary folder";
            return;
        }
        root = pattern;
        const std::string home = root + "/home";
        mkdir(home.c_str(), 0700);
        setenv("HOME", home.c_str(), 1);
        setenv("WINEDEBUG", "-all", 1);
        prefix = root + "/prefix";
        platform::PlatformOptions options;
        options.winePrefix = prefix;
        std::string why;
        batched = platform::CWinePlatform::Start(options, &why);
        if (!batched) {
            startError = "cannot start the Wine host: " + why;
            return;
        }
        options.batchCalls = false;
        direct = platform::CWinePlatform::Start(options, &why);
        if (!direct) startError = "cannot start the second Wine host: " + why;
    }

    std::mutex mutex;
    bool started = false;
    std::string root;
    std::string prefix;
    std::string startError;
    std::unique_ptr<platform::CWinePlatform> batched;
    std::unique_ptr<platform::CWinePlatform> direct;
    static WinePrefix* const instance;
};

WinePrefix* const WinePrefix::instance = static_cast<WinePrefix*>(::testing::AddGlobalTestEnvironment(new WinePrefix));

// C:\a\b -> <prefix>/drive_c/a/b
std::string UnixPath(const std::string& windowsPath) {
    std::string rest = windowsPath.size() > 2 ? windowsPath.substr(2) : std::string();
    for (char& c : rest)
        if (c == '\\') c = '/';
    return WinePrefix::Instance().DriveC() + rest;
}

} // namespace

std::string SharedWinePrefix(std::string* error) {
    return WinePrefix::Instance().Prefix(error);
}

std::string BackendName(Backend backend) {
    switch (backend) {
    case Backend::Memory:
        return "Memory";
    case Backend::InProcess:
        return "InProcess";
    case Backend::Wine:
        return "Wine";
    case Backend::WineDirect:
        return "WineDirect";
    }
    return "?";
}

bool SemanticsContext::MakeLink(const std::string& path, const std::string& target) {
    if (memory) return memory->files.CreateLink(path, target) == platform::kErrorSuccess;
    return symlink(UnixPath(target).c_str(), UnixPath(path).c_str()) == 0;
}

bool SemanticsContext::MakeFileLink(const std::string& path, const std::string& target) {
    return !memory && symlink(UnixPath(target).c_str(), UnixPath(path).c_str()) == 0;
}

std::string SemanticsContext::LinuxPath(const std::string& path) const {
    return memory ? std::string() : UnixPath(path);
}

SemanticsBackend::SemanticsBackend(Backend backend, const std::string& caseName) {
    context.backend = backend;
    context.platform = nullptr;
    context.keyPath = "TolvanireSemantics\\" + BackendName(backend) + "\\" + caseName;
    context.folder = "C:\\TolvanireSemantics\\" + BackendName(backend) + "\\" + caseName;
    if (backend == Backend::Memory || backend == Backend::InProcess) {
        auto memory = std::make_unique<MemoryPlatform>();
        // The special folders that a fresh prefix has.
        for (int csidl : {platform::kCsidlAppData, platform::kCsidlCommonPrograms, platform::kCsidlCommonDesktop}) {
            static const char* const paths[] = {"C:\\users\\tester\\AppData\\Roaming",
                                                "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs",
                                                "C:\\users\\Public\\Desktop"};
            const int index = csidl == platform::kCsidlAppData ? 0 : csidl == platform::kCsidlCommonPrograms ? 1 : 2;
            memory->files.CreateFolder(paths[index]);
        }
        context.platform = memory.get();
        context.memory = memory.get();
        ownedMemory = std::move(memory);
        if (backend == Backend::InProcess) {
            client = CMemoryHostTransport::Connect(*ownedMemory);
            context.platform = client.get();
            if (!client) startError = "the in-process host did not start";
        }
    } else {
        context.platform = WinePrefix::Instance().Get(backend, &startError);
    }
}

SemanticsBackend::~SemanticsBackend() {
    client.reset(); // before the fake it talks to
}
