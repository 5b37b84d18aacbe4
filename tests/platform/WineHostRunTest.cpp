// RunAndWait of the Wine client through real winehost.exe processes in the
// prefix ($WINEPREFIX), with runwait_helper.exe standing in for an
// uninstaller: the relaunched copy is waited for, the platform's own host
// answers meanwhile, and a waiting host that is killed fails that wait
// alone, at once, even though the uninstaller it started lives on.

#include <QDir>
#include <QFile>
#include <chrono>
#include <csignal>
#include <future>
#include <gtest/gtest.h>
#include <thread>

#include "platform/wine/WinePlatform.h"
#include "tests/Elapsed.h"

using namespace platform;

namespace {

using Clock = std::chrono::steady_clock;

QString DriveC() {
    return qEnvironmentVariable("WINEPREFIX") + QStringLiteral("/drive_c");
}

class WineHostRunTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // A folder of its own: the other run-and-wait tests may use the
        // prefix at the same time.
        QDir().mkpath(DriveC() + QStringLiteral("/hostrun"));
        const QString target = DriveC() + QStringLiteral("/hostrun/helper.exe");
        QFile::remove(target);
        QFile::copy(QStringLiteral(TOLVANIRE_BIN_DIR) + QStringLiteral("/runwait_helper.exe"), target);
    }

    void SetUp() override {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("WINEPREFIX"));
        PlatformOptions options;
        options.winePrefix = qEnvironmentVariable("WINEPREFIX").toStdString();
        std::string error;
        platform = CWinePlatform::Start(options, &error);
        ASSERT_NE(nullptr, platform) << error;
    }

    CWineSystem& System() { return static_cast<CWineSystem&>(platform->System()); }

    // A registry call on the platform's own host, in milliseconds.
    long long TimedRegistryCall() {
        const auto start = Clock::now();
        ScopedRegKey key(platform->Registry());
        EXPECT_EQ(kErrorSuccess, platform->Registry().OpenKey(Hive::LocalMachine, "SOFTWARE", kKeyRead, key.out()));
        return MsSince(start);
    }

    std::unique_ptr<CWinePlatform> platform;
};

TEST_F(WineHostRunTest, WaitsForTheRelaunchedCopyWhileThePlatformAnswers) {
    const QString marker = DriveC() + QStringLiteral("/hostrun/relaunch.txt");
    QFile::remove(marker);
    const auto start = Clock::now();
    auto wait = std::async(std::launch::async, [this] {
        RunOutcome outcome;
        const uint32_t status =
            System().RunAndWait("C:\\hostrun\\helper.exe relaunch 4000 C:\\hostrun\\relaunch.txt", &outcome);
        return std::make_pair(status, outcome);
    });
    // Once the helper runs, the platform's host still answers at once.
    while (System().WaitingHostProcessIds().empty() && MsSince(start) < 30000)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_LT(TimedRegistryCall(), 2000);
    EXPECT_EQ(wait.wait_for(std::chrono::seconds(0)), std::future_status::timeout) << "the wait ended too early";

    const auto result = wait.get();
    EXPECT_EQ(kErrorSuccess, result.first) << result.second.failure;
    EXPECT_TRUE(result.second.started);
    EXPECT_EQ(0u, result.second.exitCode); // the first process's, not its copy's (3)
    EXPECT_TRUE(QFile::exists(marker)) << "the wait ended before the relaunched copy finished";
    EXPECT_GE(MsSince(start), 3500);
    EXPECT_TRUE(System().WaitingHostProcessIds().empty());
    EXPECT_EQ("", platform->FatalError());
}

TEST_F(WineHostRunTest, MissingProgramFailsToStart) {
    RunOutcome outcome;
    ASSERT_EQ(kErrorSuccess, System().RunAndWait("\"C:\\hostrun\\missing.exe\" /S", &outcome));
    EXPECT_FALSE(outcome.started);
    EXPECT_EQ(kErrorFileNotFound, outcome.startError);
}

TEST_F(WineHostRunTest, KilledWaitingHostFailsThatWaitAtOnce) {
    const auto start = Clock::now();
    auto wait = std::async(std::launch::async, [this] {
        RunOutcome outcome;
        // Works for 30 s before it writes its marker and ends.
        const uint32_t status =
            System().RunAndWait("C:\\hostrun\\helper.exe child 30000 C:\\hostrun\\orphan.txt", &outcome);
        return std::make_pair(status, outcome);
    });
    std::vector<int> hosts;
    while ((hosts = System().WaitingHostProcessIds()).empty() && MsSince(start) < 30000)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(1u, hosts.size());
    ASSERT_GT(hosts[0], 0);
    ASSERT_NE(platform->HostProcessId(), hosts[0]);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500)); // the helper is running by now
    const auto killed = Clock::now();
    ASSERT_EQ(0, kill(hosts[0], SIGKILL));

    // The helper still holds whatever it got from the host, yet the wait
    // ends long before the helper does.
    ASSERT_EQ(wait.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "the wait hung";
    const auto result = wait.get();
    EXPECT_LT(MsSince(killed), 10000);
    EXPECT_EQ(kErrorBackendFailure, result.first);
    EXPECT_FALSE(result.second.started);
    EXPECT_NE(std::string::npos, result.second.failure.find("the Wine host exited unexpectedly"))
        << result.second.failure;
    EXPECT_NE(std::string::npos, result.second.failure.find("signal 9")) << result.second.failure;
    // The platform and its host are untouched.
    EXPECT_EQ("", platform->FatalError());
    EXPECT_LT(TimedRegistryCall(), 5000);
}

} // namespace
