// RunAndWait of the Wine client through real winehost.exe processes in the
// prefix ($WINEPREFIX), with runwait_helper.exe standing in for an
// uninstaller: the relaunched copy is waited for, the platform's own host
// answers meanwhile, a stop crosses to the waiting host and ends the wait
// at once but not the copy, and a waiting host that is killed fails that
// wait alone, at once, even though the uninstaller it started lives on.

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

TEST_F(WineHostRunTest, StopEndsTheWaitButNotTheCopy) {
    const QString marker = DriveC() + QStringLiteral("/hostrun/leftcopy.txt");
    QFile::remove(marker);
    bool copyNamed = false;
    const auto start = Clock::now();
    RunOutcome outcome;
    // Stopped once the first process has ended and the copy it started,
    // which works for 8 s, has been named.
    ASSERT_EQ(kErrorSuccess, System().RunAndWatch(
                                 "C:\\hostrun\\helper.exe relaunch 8000 C:\\hostrun\\leftcopy.txt",
                                 [&copyNamed](const RunProgress& progress) {
                                     for (const std::string& name : progress.running)
                                         copyNamed |= QString::fromStdString(name).compare(QStringLiteral("Au_.exe"),
                                                                                           Qt::CaseInsensitive) == 0;
                                     return !(progress.firstEnded && copyNamed);
                                 },
                                 &outcome))
        << outcome.failure;
    EXPECT_LT(MsSince(start), 7000);
    EXPECT_TRUE(outcome.started);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_EQ(0u, outcome.exitCode);
    EXPECT_TRUE(copyNamed);
    EXPECT_FALSE(QFile::exists(marker)) << "the wait went on after the stop";
    EXPECT_TRUE(System().WaitingHostProcessIds().empty());
    // The copy was not ended: it finishes its work.
    bool appeared = false;
    for (int i = 0; i < 200 && !appeared; ++i) {
        appeared = QFile::exists(marker);
        if (!appeared) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(appeared);
    EXPECT_EQ("", platform->FatalError());
}

TEST_F(WineHostRunTest, MissingProgramFailsToStart) {
    RunOutcome outcome;
    ASSERT_EQ(kErrorSuccess, System().RunAndWait("\"C:\\hostrun\\missing.exe\" /S", &outcome));
    EXPECT_FALSE(outcome.started);
    EXPECT_EQ(kErrorFileNotFound, outcome.startError);
}

// This program's own uninstaller: confirmed started through the platform's
// host, long before it ends.
TEST_F(WineHostRunTest, StartReturnsOnceTheProgramRuns) {
    const QString marker = DriveC() + QStringLiteral("/hostrun/started.txt");
    QFile::remove(marker);
    const auto start = Clock::now();
    RunOutcome outcome;
    ASSERT_EQ(kErrorSuccess, System().Start("C:\\hostrun\\helper.exe started 3000 C:\\hostrun\\started.txt", &outcome));
    EXPECT_TRUE(outcome.started);
    EXPECT_LT(MsSince(start), 2500);
    for (int i = 0; i < 200 && !QFile::exists(marker); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(QFile::exists(marker)) << "the started program never ran";
    ASSERT_EQ(kErrorSuccess, System().Start("\"C:\\hostrun\\missing.exe\" /S", &outcome));
    EXPECT_FALSE(outcome.started);
    EXPECT_EQ(kErrorFileNotFound, outcome.startError);
}

// A program that runs in the prefix is among the running images, by its
// full path, as long as it runs.
TEST_F(WineHostRunTest, RunningImagesNameTheRunningProgram) {
    const QString marker = DriveC() + QStringLiteral("/hostrun/images.txt");
    QFile::remove(marker);
    RunOutcome outcome;
    ASSERT_EQ(kErrorSuccess, System().Start("C:\\hostrun\\helper.exe started 4000 C:\\hostrun\\images.txt", &outcome));
    ASSERT_TRUE(outcome.started);
    for (int i = 0; i < 200 && !QFile::exists(marker); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::vector<std::string> images;
    ASSERT_EQ(kErrorSuccess, System().RunningImages(&images));
    auto holds = [&images](const QString& file) {
        for (const std::string& image : images)
            if (QString::fromStdString(image).endsWith(file, Qt::CaseInsensitive)) return true;
        return false;
    };
    EXPECT_TRUE(holds(QStringLiteral("C:\\hostrun\\helper.exe")));
    EXPECT_TRUE(holds(QStringLiteral("\\winehost.exe")));
}

// The wizard of the uninstaller being waited for is found, through the
// platform's host, while the wait runs on a host of its own; and brought to
// the front on request.
TEST_F(WineHostRunTest, RunWindowsFindsTheWaitingWizard) {
    const std::string command = "C:\\hostrun\\helper.exe window 6000 C:\\hostrun\\window.txt";
    uint32_t count = 99;
    ASSERT_EQ(kErrorSuccess, System().RunWindows(command, false, &count));
    EXPECT_EQ(0u, count);
    const auto start = Clock::now();
    auto wait = std::async(std::launch::async, [this, &command] {
        RunOutcome outcome;
        return System().RunAndWait(command, &outcome);
    });
    count = 0;
    while (count == 0 && MsSince(start) < 20000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        ASSERT_EQ(kErrorSuccess, System().RunWindows(command, false, &count));
    }
    EXPECT_EQ(1u, count);
    ASSERT_EQ(kErrorSuccess, System().RunWindows(command, true, &count));
    EXPECT_EQ(1u, count);
    // Another command's wait has no windows.
    ASSERT_EQ(kErrorSuccess, System().RunWindows("C:\\hostrun\\helper.exe exit 0", false, &count));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(kErrorSuccess, wait.get());
    ASSERT_EQ(kErrorSuccess, System().RunWindows(command, false, &count));
    EXPECT_EQ(0u, count);
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
