// RunAndWait through the Wine client and the host dispatch, in process: the
// outcome crosses the wire unchanged, the wait runs on a host of its own so
// that the platform's host keeps answering meanwhile, and a wait whose host
// dies, answers garbage or falls silent fails alone, within its limit. What
// a watch hears and a stop mean the same on the fake and through the host.

#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "tests/Elapsed.h"
#include "tests/fake/MemoryHostTransport.h"
#include "tests/fake/MemoryPlatform.h"

using namespace platform;
using Fault = CMemoryHostTransport::Fault;

namespace {

using Clock = std::chrono::steady_clock;

struct OutcomeRow {
    const char* name;
    std::string command;
    bool scripted;
    MemorySystem::ScriptedProcess process;
    RunOutcome expected;
};

std::vector<OutcomeRow> OutcomeRows() {
    // Named, not `{}`: GCC 12 at -O3 takes the std::function inside a
    // braced temporary for uninitialized (-Wmaybe-uninitialized).
    const MemorySystem::ScriptedProcess unscripted;
    MemorySystem::ScriptedProcess exits7;
    exits7.exitCode = 7;
    MemorySystem::ScriptedProcess crashes;
    crashes.exitCode = 0xC0000005u;
    MemorySystem::ScriptedProcess denied;
    denied.startError = kErrorAccessDenied;
    RunOutcome started7;
    started7.started = true;
    started7.exitCode = 7;
    RunOutcome startedCrash;
    startedCrash.started = true;
    startedCrash.exitCode = 0xC0000005u;
    RunOutcome notFound;
    notFound.startError = kErrorFileNotFound;
    RunOutcome notAllowed;
    notAllowed.startError = kErrorAccessDenied;
    return {
        {"ExitCode", "\"C:\\Program Files\\Acme\\uninst.exe\" /S", true, exits7, started7},
        {"ExitCodeWithTheHighBit", "C:\\Acme\\uninst.exe", true, crashes, startedCrash},
        // The command crosses as the ANSI bytes it was read as.
        {"MissingProgram", "\"C:\\Caf\xE9\\gone.exe\" /x", false, unscripted, notFound},
        {"StartRefused", "C:\\Locked\\uninst.exe", true, denied, notAllowed},
    };
}

class HostRunOutcome : public ::testing::TestWithParam<OutcomeRow> {};

TEST_P(HostRunOutcome, CrossesTheWireUnchanged) {
    const OutcomeRow& row = GetParam();
    MemoryPlatform backend;
    if (row.scripted) backend.system.SetProcess(row.command, row.process);
    CMemoryHostTransport* own = nullptr;
    int hostsOpened = 0;
    auto client = CMemoryHostTransport::Connect(backend, &own, true, CWineHostConnection::Limits(), nullptr,
                                                [&hostsOpened](CMemoryHostTransport&, int) { ++hostsOpened; });
    ASSERT_NE(nullptr, client);
    RunOutcome outcome;
    outcome.exitCode = 99;
    ASSERT_EQ(kErrorSuccess, client->System().RunAndWait(row.command, &outcome));
    EXPECT_EQ(row.expected.started, outcome.started);
    EXPECT_EQ(row.expected.startError, outcome.startError);
    EXPECT_EQ(row.expected.exitCode, outcome.exitCode);
    EXPECT_EQ("", outcome.failure);
    EXPECT_EQ(std::vector<std::string>{row.command}, backend.system.Started());
    // It ran on a second host; the platform's own never saw it.
    EXPECT_EQ(2, hostsOpened);
    EXPECT_EQ(0u, own->Requests());
    EXPECT_EQ("", client->FatalError());
}

INSTANTIATE_TEST_SUITE_P(HostRun, HostRunOutcome, ::testing::ValuesIn(OutcomeRows()),
                         [](const ::testing::TestParamInfo<OutcomeRow>& info) { return info.param.name; });

class HostStartOutcome : public ::testing::TestWithParam<OutcomeRow> {};

// A start without a wait goes to the platform's own host and answers as
// soon as the program has started; it has no exit code.
TEST_P(HostStartOutcome, CrossesTheWireWithoutAnExitCode) {
    const OutcomeRow& row = GetParam();
    MemoryPlatform backend;
    if (row.scripted) backend.system.SetProcess(row.command, row.process);
    CMemoryHostTransport* own = nullptr;
    int hostsOpened = 0;
    auto client = CMemoryHostTransport::Connect(backend, &own, true, CWineHostConnection::Limits(), nullptr,
                                                [&hostsOpened](CMemoryHostTransport&, int) { ++hostsOpened; });
    ASSERT_NE(nullptr, client);
    RunOutcome outcome;
    ASSERT_EQ(kErrorSuccess, client->System().Start(row.command, &outcome));
    EXPECT_EQ(row.expected.started, outcome.started);
    EXPECT_EQ(row.expected.startError, outcome.startError);
    EXPECT_EQ(0u, outcome.exitCode);
    EXPECT_EQ(std::vector<std::string>{row.command}, backend.system.Started());
    EXPECT_EQ(1, hostsOpened);
    EXPECT_EQ(1u, own->Requests());
}

INSTANTIATE_TEST_SUITE_P(HostRun, HostStartOutcome, ::testing::ValuesIn(OutcomeRows()),
                         [](const ::testing::TestParamInfo<OutcomeRow>& info) { return info.param.name; });

// The windows of a waiting uninstaller are counted, and raised on request,
// only while its wait runs, and only for its own command.
TEST(HostRun, WindowsOfTheUninstallerBeingWaitedFor) {
    MemoryPlatform backend;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<void> running;
    MemorySystem::ScriptedProcess wizard;
    wizard.windows = 2;
    wizard.run = [&running, released] {
        running.set_value();
        released.wait_for(std::chrono::seconds(10));
    };
    const std::string command = "\"C:\\Wizard\\uninst.exe\"";
    backend.system.SetProcess(command, wizard);
    auto client = CMemoryHostTransport::Connect(backend);
    ASSERT_NE(nullptr, client);
    uint32_t count = 99;
    ASSERT_EQ(kErrorSuccess, client->System().RunWindows(command, false, &count));
    EXPECT_EQ(0u, count);

    auto wait = std::async(std::launch::async, [&client, &command] {
        RunOutcome outcome;
        return client->System().RunAndWait(command, &outcome);
    });
    running.get_future().wait();
    ASSERT_EQ(kErrorSuccess, client->System().RunWindows(command, false, &count));
    EXPECT_EQ(2u, count);
    EXPECT_TRUE(backend.system.Raised().empty());
    ASSERT_EQ(kErrorSuccess, client->System().RunWindows(command, true, &count));
    EXPECT_EQ(2u, count);
    EXPECT_EQ(std::vector<std::string>{command}, backend.system.Raised());
    ASSERT_EQ(kErrorSuccess, client->System().RunWindows("C:\\Other\\uninst.exe", true, &count));
    EXPECT_EQ(0u, count);
    release.set_value();
    EXPECT_EQ(kErrorSuccess, wait.get());
    ASSERT_EQ(kErrorSuccess, client->System().RunWindows(command, false, &count));
    EXPECT_EQ(0u, count);
}

// The running programs' files cross the wire whole: non-ASCII names
// unchanged, each once, none when nothing runs.
TEST(HostRun, RunningImagesCrossTheWire) {
    MemoryPlatform backend;
    auto client = CMemoryHostTransport::Connect(backend);
    ASSERT_NE(nullptr, client);
    std::vector<std::string> paths{"stale"};
    ASSERT_EQ(kErrorSuccess, client->System().RunningImages(&paths));
    EXPECT_TRUE(paths.empty());
    const std::vector<std::string> images{"C:\\Program Files\\Редактор\\edit.exe",
                                          "C:\\Program Files (x86)\\播放器\\play.exe"};
    backend.system.SetRunningImages({images[0], images[1], images[0]});
    ASSERT_EQ(kErrorSuccess, client->System().RunningImages(&paths));
    EXPECT_EQ(images, paths);
}

// While an uninstaller runs for minutes, the window still reads icons and
// files through the platform's host.
TEST(HostRun, PlatformHostAnswersWhileTheUninstallerRuns) {
    MemoryPlatform backend;
    backend.files.CreateFolder("C:\\data");
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<void> running;
    MemorySystem::ScriptedProcess process;
    process.exitCode = 3;
    process.run = [&running, released] {
        running.set_value();
        // Bounded, so that a client that queued its calls behind the wait
        // fails the test instead of hanging it.
        released.wait_for(std::chrono::seconds(10));
    };
    backend.system.SetProcess("C:\\slow\\uninst.exe", process);
    auto client = CMemoryHostTransport::Connect(backend);
    ASSERT_NE(nullptr, client);

    auto wait = std::async(std::launch::async, [&client] {
        RunOutcome outcome;
        const uint32_t status = client->System().RunAndWait("C:\\slow\\uninst.exe", &outcome);
        return std::make_pair(status, outcome.exitCode);
    });
    running.get_future().wait();
    const auto start = Clock::now();
    auto call = std::async(std::launch::async, [&client] {
        uint32_t attributes = 0;
        return client->Files().GetAttributes("C:\\data", &attributes);
    });
    const bool answered = call.wait_for(std::chrono::seconds(3)) == std::future_status::ready;
    release.set_value();
    ASSERT_TRUE(answered) << "a call made during the wait was held up by it";
    EXPECT_EQ(kErrorSuccess, call.get());
    EXPECT_LT(MsSince(start), 1000);
    EXPECT_EQ(wait.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    const auto result = wait.get();
    EXPECT_EQ(kErrorSuccess, result.first);
    EXPECT_EQ(3u, result.second);
}

enum class Stop { Never, OnceFirstEnded, After200Ms };

struct WatchRow {
    const char* name;
    MemorySystem::ScriptedProcess process; // what the uninstaller does
    Stop stop;
    bool stopped;
    uint32_t exitCode;
    std::vector<std::string> leftRunning; // what the last report named
    long long minMs;
};

std::vector<WatchRow> WatchRows() {
    MemorySystem::ScriptedProcess leavesTwo;
    leavesTwo.exitCode = 7;
    leavesTwo.runningMs = 100;
    leavesTwo.leftRunning = {"tray.exe", "Au_.exe"};
    leavesTwo.leftRunningMs = 400;
    MemorySystem::ScriptedProcess leavesOneForEver = leavesTwo;
    leavesOneForEver.leftRunning = {"tray.exe"};
    leavesOneForEver.leftRunningMs = -1;
    MemorySystem::ScriptedProcess neverEnds;
    neverEnds.runningMs = -1;
    return {
        {"HearsTheFirstEndAndWhatRunsOn", leavesTwo, Stop::Never, false, 7, {"tray.exe", "Au_.exe"}, 450},
        {"StopAfterTheFirstEndedLeavesTheRestRunning",
         leavesOneForEver,
         Stop::OnceFirstEnded,
         true,
         7,
         {"tray.exe"},
         100},
        {"StopWhileTheFirstRuns", neverEnds, Stop::After200Ms, true, kStillActive, {"uninst.exe"}, 200},
    };
}

class HostRunWatch : public ::testing::TestWithParam<std::tuple<WatchRow, bool>> {};

// The same wait on the fake itself and through the Wine client and the
// host (the second parameter).
TEST_P(HostRunWatch, HearsTheWaitAndStopsIt) {
    const WatchRow& row = std::get<0>(GetParam());
    MemoryPlatform backend;
    backend.system.SetProcess("C:\\Acme\\uninst.exe", row.process);
    std::unique_ptr<CWinePlatform> client;
    if (std::get<1>(GetParam())) {
        client = CMemoryHostTransport::Connect(backend);
        ASSERT_NE(nullptr, client);
    }
    ISystem& system = client ? client->System() : backend.System();
    std::vector<RunProgress> heard;
    const auto start = Clock::now();
    RunOutcome outcome;
    ASSERT_EQ(kErrorSuccess,
              system.RunAndWatch(
                  "C:\\Acme\\uninst.exe",
                  [&](const RunProgress& progress) {
                      heard.push_back(progress);
                      return row.stop == Stop::Never ||
                             (row.stop == Stop::OnceFirstEnded ? !progress.firstEnded : MsSince(start) < 200);
                  },
                  &outcome));
    const long long elapsed = MsSince(start);
    EXPECT_TRUE(outcome.started);
    EXPECT_EQ(row.stopped, outcome.stopped);
    EXPECT_EQ(row.exitCode, outcome.exitCode);
    EXPECT_GE(elapsed, row.minMs);
    EXPECT_LT(elapsed, row.minMs + 2000) << "a stop ends the wait at once";
    ASSERT_FALSE(heard.empty());
    // The first report comes at the start and names the first process.
    EXPECT_FALSE(heard.front().firstEnded);
    EXPECT_EQ(std::vector<std::string>{"uninst.exe"}, heard.front().running);
    EXPECT_EQ(row.leftRunning, heard.back().running);
    if (row.exitCode != kStillActive) {
        EXPECT_TRUE(heard.back().firstEnded);
        EXPECT_EQ(row.exitCode, heard.back().exitCode);
    }
}

INSTANTIATE_TEST_SUITE_P(HostRun, HostRunWatch, ::testing::Combine(::testing::ValuesIn(WatchRows()), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<WatchRow, bool>>& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "_ThroughTheHost" : "_OnTheFake");
                         });

struct WaitFaultRow {
    const char* name;
    Fault fault;        // placed on the waiting host's request `at`
    size_t at;          // 1: RunStart, then one RunPoll about every half second
    bool backendDies;   // or the host's backend fails the wait
    const char* reason; // part of RunOutcome::failure
};

class HostRunFault : public ::testing::TestWithParam<WaitFaultRow> {};

// A wait whose host fails ends with kErrorBackendFailure and a reason, in
// time, and leaves the platform and later waits working.
TEST_P(HostRunFault, FailsThatWaitAlone) {
    const WaitFaultRow& row = GetParam();
    MemoryPlatform backend;
    backend.files.CreateFolder("C:\\data");
    MemorySystem::ScriptedProcess process;
    process.exitCode = 5;
    process.backendDies = row.backendDies;
    process.runningMs = 3000;
    backend.system.SetProcess("C:\\a\\uninst.exe", process);
    backend.system.SetProcess("C:\\b\\uninst.exe", MemorySystem::ScriptedProcess());
    CWineHostConnection::Limits limits;
    limits.silenceMs = 400;
    CMemoryHostTransport* own = nullptr;
    auto client = CMemoryHostTransport::Connect(backend, &own, true, limits, nullptr,
                                                [&row](CMemoryHostTransport& host, int number) {
                                                    if (number == 1 && row.fault != Fault::None)
                                                        host.FailAt(row.at, row.fault);
                                                });
    ASSERT_NE(nullptr, client);

    const auto start = Clock::now();
    RunOutcome outcome;
    outcome.started = true;
    outcome.exitCode = 9;
    EXPECT_EQ(kErrorBackendFailure, client->System().RunAndWait("C:\\a\\uninst.exe", &outcome));
    EXPECT_LT(MsSince(start), 3000);
    // Nothing of a wait that failed passes for an outcome.
    EXPECT_FALSE(outcome.started);
    EXPECT_EQ(0u, outcome.exitCode);
    EXPECT_NE(std::string::npos, outcome.failure.find(row.reason)) << outcome.failure;

    EXPECT_EQ("", client->FatalError());
    uint32_t attributes = 0;
    EXPECT_EQ(kErrorSuccess, client->Files().GetAttributes("C:\\data", &attributes));
    if (!row.backendDies) {
        // The next wait gets a host of its own and works.
        RunOutcome next;
        EXPECT_EQ(kErrorSuccess, client->System().RunAndWait("C:\\b\\uninst.exe", &next));
        EXPECT_TRUE(next.started);
        EXPECT_EQ("", next.failure);
    }
    EXPECT_EQ(1u, own->Requests()) << "only the one call above reached the platform's host";
}

INSTANTIATE_TEST_SUITE_P(
    HostRun, HostRunFault,
    ::testing::Values(WaitFaultRow{"HostDies", Fault::Dies, 1, false, "the Wine host exited unexpectedly"},
                      WaitFaultRow{"HostAnswersGarbage", Fault::AnswersGarbage, 1, false, "broken reply to RunStart"},
                      WaitFaultRow{"HostFallsSilent", Fault::FallsSilent, 1, false,
                                   "did not answer RunStart: nothing came for 400 ms"},
                      // Frozen while the uninstaller runs: found in the
                      // silence limit, not after the hour.
                      WaitFaultRow{"HostFreezesMidWait", Fault::FallsSilent, 3, false,
                                   "did not answer RunPoll: nothing came for 400 ms"},
                      WaitFaultRow{"HostDiesMidWait", Fault::Dies, 3, false, "the Wine host exited unexpectedly"},
                      // Only this side speaks of backend failures.
                      WaitFaultRow{"BackendFailsTheWait", Fault::None, 0, true, "broken reply to RunPoll"}),
    [](const ::testing::TestParamInfo<WaitFaultRow>& info) { return info.param.name; });

// A platform whose host is already gone starts no second one.
TEST(HostRun, DeadPlatformRunsNothing) {
    MemoryPlatform backend;
    backend.system.SetProcess("C:\\a\\uninst.exe", MemorySystem::ScriptedProcess());
    CMemoryHostTransport* own = nullptr;
    int hostsOpened = 0;
    auto client = CMemoryHostTransport::Connect(backend, &own, true, CWineHostConnection::Limits(), nullptr,
                                                [&hostsOpened](CMemoryHostTransport&, int) { ++hostsOpened; });
    ASSERT_NE(nullptr, client);
    own->FailAt(1, Fault::Dies);
    uint32_t attributes = 0;
    EXPECT_EQ(kErrorBackendFailure, client->Files().GetAttributes("C:\\", &attributes));
    RunOutcome outcome;
    EXPECT_EQ(kErrorBackendFailure, client->System().RunAndWait("C:\\a\\uninst.exe", &outcome));
    EXPECT_NE(std::string::npos, outcome.failure.find("exited unexpectedly")) << outcome.failure;
    EXPECT_EQ(1, hostsOpened);
    EXPECT_TRUE(backend.system.Started().empty());
}

} // namespace
