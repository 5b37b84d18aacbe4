// How the Wine client fails when its host dies, answers garbage or falls
// silent: the call and every later one return kErrorBackendFailure, no
// empty answer passes as data, the host is ended and FatalError() says why.
// A host that is slow but sends progress frames is not silent. The host
// runs in process, so each fault is placed exactly.

#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

#include "tests/Elapsed.h"
#include "tests/fake/MemoryHostTransport.h"
#include "tests/fake/MemoryPlatform.h"

using namespace platform;
using Fault = CMemoryHostTransport::Fault;

namespace {

using Clock = std::chrono::steady_clock;

CWineHostConnection::Limits QuickLimits(int ms) {
    CWineHostConnection::Limits limits;
    limits.silenceMs = ms;
    return limits;
}

struct FaultRow {
    const char* name;
    Fault fault;
    const char* reason; // part of FatalError()
};

class HostFailure : public ::testing::TestWithParam<FaultRow> {};

TEST_P(HostFailure, FailsThisAndEveryLaterCall) {
    MemoryPlatform backend;
    backend.files.CreateFolder("C:\\data");
    CMemoryHostTransport* transport = nullptr;
    auto client = CMemoryHostTransport::Connect(backend, &transport, true, QuickLimits(300));
    ASSERT_NE(nullptr, client);
    uint32_t attributes = 0;
    ASSERT_EQ(kErrorSuccess, client->Files().GetAttributes("C:\\data", &attributes));
    EXPECT_EQ("", client->FatalError());

    transport->FailAt(transport->Requests() + 1, GetParam().fault);
    const auto start = Clock::now();
    std::vector<FileEntry> entries = {FileEntry()};
    EXPECT_EQ(kErrorBackendFailure, client->Files().ListFolder("C:\\", kListDirs, &entries));
    EXPECT_TRUE(entries.empty());
    EXPECT_LT(MsSince(start), 3000);
    EXPECT_NE(std::string::npos, client->FatalError().find(GetParam().reason)) << client->FatalError();

    // Nothing more reaches the host, and nothing comes back as data.
    const size_t requests = transport->Requests();
    RegKey key = 7;
    EXPECT_EQ(kErrorBackendFailure, client->Registry().OpenKey(Hive::CurrentUser, "Software", kKeyRead, &key));
    EXPECT_EQ(0u, key);
    std::vector<std::string> converted = {"stale"};
    EXPECT_EQ(kErrorBackendFailure, client->System().ExpandEnvironment({"%TEMP%"}, &converted));
    EXPECT_TRUE(converted.empty());
    EXPECT_EQ(kErrorBackendFailure, client->Files().GetAttributes("C:\\data", &attributes));
    EXPECT_EQ(kErrorBackendFailure, client->Files().DeleteFile("C:\\data\\x"));
    EXPECT_EQ(requests, transport->Requests());
    if (GetParam().fault != Fault::Dies) {
        EXPECT_TRUE(transport->Ended()) << "a host that cannot be trusted is ended";
    }
}

INSTANTIATE_TEST_SUITE_P(
    HostFailure, HostFailure,
    ::testing::Values(FaultRow{"Dies", Fault::Dies, "the Wine host exited unexpectedly"},
                      FaultRow{"AnswersGarbage", Fault::AnswersGarbage, "broken reply to ListFolder"},
                      FaultRow{"FallsSilent", Fault::FallsSilent, "did not answer ListFolder: nothing came for 300 ms"},
                      FaultRow{"FreezesMidReply", Fault::FreezesMidReply,
                               "did not answer ListFolder: nothing came for 300 ms"}),
    [](const ::testing::TestParamInfo<FaultRow>& info) { return info.param.name; });

// A host that stops answering ends the call within its limit, not later.
TEST(HostFailureLimit, SilentHostEndsWithinTheLimit) {
    MemoryPlatform backend;
    CMemoryHostTransport* transport = nullptr;
    auto client = CMemoryHostTransport::Connect(backend, &transport, true, QuickLimits(500));
    ASSERT_NE(nullptr, client);
    transport->FailAt(1, Fault::FallsSilent);
    const auto start = Clock::now();
    std::string path;
    EXPECT_EQ(kErrorBackendFailure, client->Files().SpecialFolder(kCsidlAppData, &path));
    const long long elapsed = MsSince(start);
    EXPECT_GE(elapsed, 450);
    EXPECT_LT(elapsed, 2500);
    EXPECT_TRUE(transport->Ended());
    EXPECT_EQ("", path);
}

struct SlowRow {
    const char* name;
    bool bulk; // a bulk call (ListFolder), whose host sends progress frames, or a short one (GetAttributes)
    bool succeeds;
};

class SlowHost : public ::testing::TestWithParam<SlowRow> {};

// Only silence ends a call: a bulk call that takes three times the silence
// limit succeeds, while a short call that falls silent as long fails in
// that limit.
TEST_P(SlowHost, OnlySilenceEndsACall) {
    MemoryPlatform backend;
    backend.files.CreateFolder("C:\\data\\sub");
    auto script = std::make_shared<CMemoryHostTransport::Script>();
    script->failAt = 1;
    script->fault = Fault::AnswersSlowly;
    script->slowMs = 900;
    script->progressMs = 100;
    auto client = CMemoryHostTransport::Connect(backend, nullptr, true, QuickLimits(300), script);
    ASSERT_NE(nullptr, client);
    const auto start = Clock::now();
    std::vector<FileEntry> entries;
    uint32_t attributes = 0;
    const uint32_t status = GetParam().bulk ? client->Files().ListFolder("C:\\data", kListDirs, &entries)
                                            : client->Files().GetAttributes("C:\\data", &attributes);
    const long long elapsed = MsSince(start);
    if (GetParam().succeeds) {
        EXPECT_EQ(kErrorSuccess, status) << client->FatalError();
        EXPECT_GE(elapsed, 850);
        ASSERT_EQ(1u, entries.size());
        EXPECT_EQ("sub", entries[0].name);
    } else {
        EXPECT_EQ(kErrorBackendFailure, status);
        EXPECT_LT(elapsed, 850);
        EXPECT_NE(std::string::npos, client->FatalError().find("did not answer GetAttributes: nothing came for 300 ms"))
            << client->FatalError();
    }
}

INSTANTIATE_TEST_SUITE_P(HostFailure, SlowHost,
                         ::testing::Values(SlowRow{"BulkCallWithProgress", true, true},
                                           SlowRow{"ShortCallFallsSilent", false, false}),
                         [](const ::testing::TestParamInfo<SlowRow>& info) { return info.param.name; });

// A long call runs on a host of its own, so a hung or busy first host does
// not hold up the calls made meanwhile on the second.
TEST(HostFailureLimit, SiblingHostAnswersWhileTheFirstIsBusy) {
    MemoryPlatform backend;
    backend.files.CreateFolder("C:\\data");
    CMemoryHostTransport* transport = nullptr;
    auto client = CMemoryHostTransport::Connect(backend, &transport, true, QuickLimits(1500));
    ASSERT_NE(nullptr, client);
    transport->FailAt(1, Fault::FallsSilent);
    std::string error;
    std::unique_ptr<CWineHostConnection> sibling = client->Host().OpenSibling(&error);
    ASSERT_NE(nullptr, sibling) << error;

    auto blocked = std::async(std::launch::async, [&client] {
        uint32_t attributes = 0;
        return client->Files().GetAttributes("C:\\data", &attributes);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto start = Clock::now();
    wire::calls::AttributesReply reply;
    EXPECT_EQ(kErrorSuccess, sibling->Call<wire::calls::GetAttributes>({"C:\\data"}, &reply));
    EXPECT_NE(0u, reply.attributes & kAttrDirectory);
    EXPECT_LT(MsSince(start), 500);
    EXPECT_EQ(kErrorBackendFailure, blocked.get());
    EXPECT_EQ("", sibling->FatalError());
}

// A greeting of another protocol version is refused at the start.
TEST(HostFailureLimit, HostOfAnotherProtocolIsRefused) {
    class OldHost : public IHostTransport {
    public:
        bool Write(const std::string&) override { return true; }
        ReadResult Read(char* buffer, size_t capacity, size_t* got, int) override {
            wire::Greeting greeting;
            greeting.version = wire::kProtocolVersion - 1;
            const std::string frame = wire::EncodeFrame(greeting);
            *got = std::min(capacity, frame.size());
            frame.copy(buffer, *got);
            return ReadResult::Data;
        }
        void End() override {}
        std::string ExitDescription() override { return "ended"; }
        std::string LastWords() override { return std::string(); }
    };
    std::string error;
    auto client = CWinePlatform::Connect([](std::string*) { return std::make_unique<OldHost>(); },
                                         CWineHostConnection::Limits(), true, &error);
    EXPECT_EQ(nullptr, client);
    EXPECT_NE(std::string::npos, error.find("does not speak this program's protocol")) << error;
}

} // namespace
