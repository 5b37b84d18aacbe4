#include "SemanticsBackend.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/fake/MemoryHostTransport.h"
#include "tests/fake/MemoryPlatform.h"
#include "platform/wine/WinePlatform.h"

namespace {

// One fresh prefix in a temporary folder, with a sandbox HOME so that Wine
// never writes into the real one, shared by every Wine case of this run.
class WinePrefix : public ::testing::Environment {
public:
    // Registered before the tests run so that gtest tears it down at the
    // end; the prefix itself is made only when a Wine case first asks.
    static WinePrefix& Instance() { return *instance_; }

    platform::IPlatform* Get(Backend backend, std::string* error) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!started_) Start();
        *error = error_;
        return backend == Backend::Wine ? batched_.get() : direct_.get();
    }

    std::string DriveC() const { return prefix_ + "/drive_c"; }

    std::string Prefix(std::string* error) {
        Get(Backend::Wine, error);
        return error->empty() ? prefix_ : std::string();
    }

    void TearDown() override {
        batched_.reset();
        direct_.reset();
        if (!root_.empty()) {
            const std::string kill = "WINEPREFIX='" + prefix_ + "' wineserver -k >/dev/null 2>&1";
            if (std::system(kill.c_str()) != 0) { /* already gone */
            }
            const std::string remove = "rm -rf '" + root_ + "'";
            if (std::system(remove.c_str()) != 0) { /* left for the OS to clean */
            }
        }
    }

private:
    void Start() {
        started_ = true;
        char pattern[] = "/tmp/tolvanire-semantics-XXXXXX";
        if (!mkdtemp(pattern)) {
            error_ = "cannot create a temporary folder";
            return;
        }
        root_ = pattern;
        const std::string home = root_ + "/home";
        mkdir(home.c_str(), 0700);
        setenv("HOME", home.c_str(), 1);
        setenv("WINEDEBUG", "-all", 1);
        prefix_ = root_ + "/prefix";
        platform::PlatformOptions options;
        options.winePrefix = prefix_;
        std::string why;
        batched_ = platform::CWinePlatform::Start(options, &why);
        if (!batched_) {
            error_ = "cannot start the Wine host: " + why;
            return;
        }
        options.batchCalls = false;
        direct_ = platform::CWinePlatform::Start(options, &why);
        if (!direct_) error_ = "cannot start the second Wine host: " + why;
    }

    std::mutex mutex_;
    bool started_ = false;
    std::string root_;
    std::string prefix_;
    std::string error_;
    std::unique_ptr<platform::CWinePlatform> batched_;
    std::unique_ptr<platform::CWinePlatform> direct_;
    static WinePrefix* const instance_;
};

WinePrefix* const WinePrefix::instance_ = static_cast<WinePrefix*>(::testing::AddGlobalTestEnvironment(new WinePrefix));

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
    context_.backend = backend;
    context_.platform = nullptr;
    context_.keyPath = "TolvanireSemantics\\" + BackendName(backend) + "\\" + caseName;
    context_.folder = "C:\\TolvanireSemantics\\" + BackendName(backend) + "\\" + caseName;
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
        context_.platform = memory.get();
        context_.memory = memory.get();
        memory_ = std::move(memory);
        if (backend == Backend::InProcess) {
            client_ = CMemoryHostTransport::Connect(*memory_);
            context_.platform = client_.get();
            if (!client_) error_ = "the in-process host did not start";
        }
    } else {
        context_.platform = WinePrefix::Instance().Get(backend, &error_);
    }
}

SemanticsBackend::~SemanticsBackend() {
    client_.reset(); // before the fake it talks to
}
