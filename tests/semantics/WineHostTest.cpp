// How the Wine client fails: never a hang, never a crash, always a reason.

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "SemanticsBackend.h"
#include "platform/wine/WinePlatform.h"

using namespace platform;

namespace {

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name(name) {
        const char* old = std::getenv(name);
        hadOld = old != nullptr;
        if (old) oldValue = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (hadOld) {
            setenv(name, oldValue.c_str(), 1);
        } else {
            unsetenv(name);
        }
    }

private:
    const char* name;
    bool hadOld = false;
    std::string oldValue;
};

struct StartFailureRow {
    const char* name;
    const char* env;      // variable to change, or null
    std::string envValue; // its value
    std::string hostPath; // the host program to start; empty: the one beside the test
    std::string prefix;   // the prefix to ask for
    std::string expected; // part of the error text
};

std::vector<StartFailureRow> StartFailureRows() {
    return {
        {"NoWineOnPath", "PATH", "/nonexistent-folder", "", "/tmp/tolvanire-no-such-prefix", "Wine is not installed"},
        {"NoHostBesideTheProgram", nullptr, "", "/nonexistent/winehost.exe", "/tmp/tolvanire-no-such-prefix",
         "winehost.exe was not found"},
        {"PrefixIsAFile", nullptr, "", "", "/etc/hostname", "is not a folder"},
        {"PrefixCannotBeCreated", nullptr, "", "", "/proc/tolvanire/prefix", "could not be created"},
    };
}

class WineHostStart : public ::testing::TestWithParam<StartFailureRow> {};

TEST_P(WineHostStart, FailsWithAReason) {
    const StartFailureRow& row = GetParam();
    std::unique_ptr<ScopedEnv> env;
    if (row.env) env = std::make_unique<ScopedEnv>(row.env, row.envValue);
    PlatformOptions options;
    options.winePrefix = row.prefix;
    options.hostPath = row.hostPath;
    std::string error;
    std::unique_ptr<IPlatform> platform = CreatePlatform(options, &error);
    EXPECT_EQ(nullptr, platform);
    EXPECT_NE(std::string::npos, error.find(row.expected)) << error;
}

INSTANTIATE_TEST_SUITE_P(WineHost, WineHostStart, ::testing::ValuesIn(StartFailureRows()),
                         [](const ::testing::TestParamInfo<StartFailureRow>& info) { return info.param.name; });

std::unique_ptr<CWinePlatform> StartOnSharedPrefix() {
    std::string error;
    const std::string prefix = SharedWinePrefix(&error);
    EXPECT_EQ("", error);
    if (prefix.empty()) return nullptr;
    PlatformOptions options;
    options.winePrefix = prefix;
    std::unique_ptr<CWinePlatform> platform = CWinePlatform::Start(options, &error);
    EXPECT_NE(nullptr, platform) << error;
    return platform;
}

TEST(WineHost, DeadHostFailsEveryCallAndSaysWhy) {
    std::unique_ptr<CWinePlatform> platform = StartOnSharedPrefix();
    ASSERT_NE(nullptr, platform);
    ScopedRegKey key(platform->Registry());
    ASSERT_EQ(kErrorSuccess, platform->Registry().OpenKey(Hive::LocalMachine, "SOFTWARE", kKeyRead, key.out()));
    EXPECT_EQ("", platform->FatalError());

    ASSERT_EQ(0, kill(platform->HostProcessId(), SIGKILL));
    RegKey other = 0;
    EXPECT_EQ(kErrorBackendFailure, platform->Registry().OpenKey(Hive::CurrentUser, "Software", kKeyRead, &other));
    EXPECT_EQ(0u, other);
    std::vector<FileEntry> entries;
    EXPECT_EQ(kErrorBackendFailure, platform->Files().ListFolder("C:\\", kListDirs, &entries));
    std::vector<std::string> converted = {"stale"};
    EXPECT_EQ(kErrorBackendFailure, platform->System().ExpandEnvironment({"a", "b"}, &converted));
    EXPECT_TRUE(converted.empty());
    EXPECT_NE(std::string::npos, platform->FatalError().find("the Wine host exited")) << platform->FatalError();
    EXPECT_NE(std::string::npos, platform->FatalError().find("signal 9")) << platform->FatalError();
}

TEST(WineHost, CallsFromSeveralThreadsAreAnsweredInTurn) {
    std::unique_ptr<CWinePlatform> platform = StartOnSharedPrefix();
    ASSERT_NE(nullptr, platform);
    IRegistry& registry = platform->Registry();
    {
        ScopedRegKey key(registry);
        ASSERT_EQ(kErrorSuccess,
                  registry.CreateKey(Hive::CurrentUser, "Software\\TolvanireThreads", kKeyAllAccess, key.out()));
        ASSERT_EQ(kErrorSuccess, registry.SetValue(key.get(), "v", kRegSz, std::string("value\0", 6)));
    }
    std::atomic<int> good{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                ScopedRegKey key(registry);
                if (registry.OpenKey(Hive::CurrentUser, "Software\\TolvanireThreads", kKeyRead, key.out()) != 0)
                    continue;
                uint32_t type = 0;
                std::string data;
                if (registry.QueryValue(key.get(), "v", 260, &type, &data) == 0 && data == std::string("value\0", 6))
                    ++good;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(800, good.load());
    EXPECT_EQ("", platform->FatalError());
}

} // namespace
