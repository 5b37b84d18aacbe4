// The silence limit of the Wine client against real winehost.exe processes
// in the prefix ($WINEPREFIX): a host frozen (SIGSTOP) in the middle of a
// stream of bulk calls is found within the limit, with the reason, and a
// bulk call that lasts far longer than the limit succeeds, since its host
// sends progress frames while it works.

#include <QDir>
#include <QFile>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <future>
#include <gtest/gtest.h>
#include <thread>

#include "platform/wine/WinePlatform.h"
#include "tests/Elapsed.h"

using namespace platform;

namespace {

using Clock = std::chrono::steady_clock;

std::unique_ptr<CWinePlatform> StartPlatform(CWineHostConnection::Limits limits = CWineHostConnection::Limits()) {
    PlatformOptions options;
    options.winePrefix = qEnvironmentVariable("WINEPREFIX").toStdString();
    std::string error;
    std::unique_ptr<CWinePlatform> platform = CWinePlatform::Start(options, &error, limits);
    EXPECT_NE(nullptr, platform) << error;
    return platform;
}

TEST(WineHostSilence, FrozenHostIsFoundWithinTheSilenceLimit) {
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("WINEPREFIX"));
    std::unique_ptr<CWinePlatform> platform = StartPlatform();
    ASSERT_NE(nullptr, platform);
    const int host = platform->HostProcessId();
    ASSERT_GT(host, 0);
    std::atomic<int> calls{0};
    auto lister = std::async(std::launch::async, [&] {
        std::vector<FileEntry> entries;
        uint32_t status = kErrorSuccess;
        while ((status = platform->Files().ListFolder("C:\\windows\\system32", kListFiles | kListDirs, &entries)) ==
               kErrorSuccess)
            ++calls;
        return status;
    });
    while (calls < 3)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_EQ(0, kill(host, SIGSTOP));
    const auto frozen = Clock::now();
    const bool ended = lister.wait_for(std::chrono::seconds(40)) == std::future_status::ready;
    kill(host, SIGCONT); // ended by the client by now; harmless either way
    ASSERT_TRUE(ended) << "the call on a frozen host never ended";
    const long long elapsed = MsSince(frozen);
    EXPECT_EQ(kErrorBackendFailure, lister.get());
    EXPECT_GE(elapsed, 19000);
    EXPECT_LT(elapsed, 30000);
    EXPECT_NE(std::string::npos, platform->FatalError().find("did not answer ListFolder: nothing came for 20 s"))
        << platform->FatalError();
}

TEST(WineHostSilence, SlowBulkCallSucceedsThroughItsProgressFrames) {
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("WINEPREFIX"));
    // A tree of 300 folders of 1,000 files each, which the host walks for
    // several times the silence limit under Wine. It is made once in the
    // build folder, outside the prefix that each run makes afresh, and
    // reached through Wine's Z: drive.
    const QString root = QStringLiteral(TOLVANIRE_SLOW_TREE);
    constexpr int kFolders = 300;
    constexpr int kFiles = 1000;
    for (int folder = 0; folder < kFolders; ++folder) {
        const QString path = root + QStringLiteral("/f%1").arg(folder);
        QDir().mkpath(path);
        for (int file = 0; file < kFiles; ++file) {
            QFile touch(path + QStringLiteral("/file%1.txt").arg(file));
            if (!touch.exists()) {
                ASSERT_TRUE(touch.open(QIODevice::WriteOnly));
            }
        }
    }
    CWineHostConnection::Limits limits;
    limits.silenceMs = 1500;
    std::unique_ptr<CWinePlatform> platform = StartPlatform(limits);
    ASSERT_NE(nullptr, platform);
    const auto start = Clock::now();
    wire::calls::ListTreeReply reply;
    const uint32_t status = platform->Host().Call<wire::calls::ListTree>(
        {"Z:" + QString(root).replace(QLatin1Char('/'), QLatin1Char('\\')).toStdString(), kListFiles | kListDirs},
        &reply);
    const long long elapsed = MsSince(start);
    EXPECT_EQ(kErrorSuccess, status) << platform->FatalError();
    EXPECT_EQ(size_t(kFolders + kFolders * kFiles), reply.entries.size());
    std::printf("the walk of %d files took %lld ms\n", kFolders * kFiles, elapsed);
    // Only a call that outlasts the limit shows the frames at work.
    if (elapsed <= limits.silenceMs) GTEST_SKIP() << "the walk was too quick to need progress frames";
}

} // namespace
