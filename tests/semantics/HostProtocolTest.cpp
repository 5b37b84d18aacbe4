// The host side of the protocol, run in process against the in-memory
// backends: every operation is served, broken requests end the host without
// a crash, and the key-by-key reading (what the host does on Windows) gives
// what the calls give.

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/winehost/HostServer.h"
#include "tests/fake/MemoryPlatform.h"

using namespace platform;
using namespace platform::wire;

namespace {

template <class C> std::string Payload(const typename C::Request& request) {
    return EncodeRequest<C>(request).substr(4);
}

std::string Payload(WireWriter& writer) {
    return writer.Frame().substr(4);
}

struct RequestRow {
    const char* name;
    std::string payload;
    bool complete; // a whole request, which the host answers
};

std::vector<RequestRow> Requests() {
    return {
        {"OpenKey", Payload<calls::OpenKey>({Hive::CurrentUser, "Software\\A", kKeyRead, kWantSnapshot}), true},
        {"ReadChildren", Payload<calls::ReadChildren>({Hive::CurrentUser, "Software", kKeyQueryValue, {"A", "B"}}),
         true},
        {"QueryValue", Payload<calls::QueryValue>({1, "v", 260}), true},
        {"SetValue", Payload<calls::SetValue>({1, "v", kRegSz, "x"}), true},
        {"ExpandEnvironment", Payload<calls::ExpandEnvironment>({{"a", "b"}}), true},
        {"InstallerKnowsProduct", Payload<calls::InstallerKnowsProduct>({"{8D0A3F2E-1B7C-4E5A-9F00-123456789ABC}"}),
         true},

        {"ListTree", Payload<calls::ListTree>({"C:\\x", kListFiles}), true},
        {"WriteFile", Payload<calls::WriteFile>({"C:\\x\\f", "data"}), true},
        {"ExtractIcon", Payload<calls::ExtractIcon>({"C:\\x\\f.exe", -3, 32}), true},
        {"RunStart", Payload<calls::RunStart>({"\"C:\\x\\uninst.exe\" /S"}), true},
        {"RunPoll", Payload<calls::RunPoll>({500, true}), true},
        {"Start", Payload<calls::Start>({"\"C:\\x\\uninst.exe\" /S"}), true},
        {"RunWindows", Payload<calls::RunWindows>({"\"C:\\x\\uninst.exe\" /S", true}), true},
        {"RunningImages", Payload<calls::RunningImages>({}), true},
        {"HugeCount",
         Payload(WireWriter().U32(static_cast<uint32_t>(Op::ExpandEnvironment)).U32(0xFFFFFFFF).Bytes("a")), false},
        {"HugeString", Payload(WireWriter().U32(static_cast<uint32_t>(Op::DeleteFile)).U32(0x7FFFFFFF)), false},
        {"UnknownOperation", Payload(WireWriter().U32(12345)), false},
    };
}

class TruncatedRequests : public ::testing::TestWithParam<RequestRow> {};

// Every cut of a request short of its end, and a request with bytes left
// over, is a broken stream: the host must stop (never read past the payload,
// never answer garbage).
TEST_P(TruncatedRequests, EndTheHost) {
    MemoryPlatform backend;
    CHostServer server(backend.Registry(), backend.System(), backend.Files());
    const std::string& payload = GetParam().payload;
    for (size_t length = 0; length <= payload.size(); ++length) {
        bool quit = false;
        const std::string reply = server.Handle(payload.substr(0, length), &quit);
        if (length == payload.size() && GetParam().complete) {
            EXPECT_FALSE(quit);
            EXPECT_FALSE(reply.empty());
        } else {
            EXPECT_TRUE(quit) << "cut at " << length;
            EXPECT_TRUE(reply.empty()) << "cut at " << length;
        }
    }
    bool quit = false;
    EXPECT_TRUE(server.Handle(payload + std::string(4, '\0'), &quit).empty());
    EXPECT_TRUE(quit);
}

INSTANTIATE_TEST_SUITE_P(Protocol, TruncatedRequests, ::testing::ValuesIn(Requests()),
                         [](const ::testing::TestParamInfo<RequestRow>& info) { return info.param.name; });

// An operation the client can send but the host cannot answer would end the
// host at its first use.
TEST(Protocol, EveryOperationIsServed) {
    MemoryPlatform backend;
    CHostServer server(backend.Registry(), backend.System(), backend.Files());
    for (const Op op : AllOps())
        EXPECT_TRUE(server.Serves(op)) << OpName(op);
}

TEST(Protocol, ReadChildrenKeyByKeyMatchesTheCalls) {
    MemoryPlatform backend;
    IRegistry& registry = backend.Registry();
    {
        ScopedRegKey app(registry);
        ASSERT_EQ(kErrorSuccess,
                  registry.CreateKey(Hive::CurrentUser, "Software\\Apps\\App", kKeyAllAccess, app.out()));
        ASSERT_EQ(kErrorSuccess, registry.SetValue(app.get(), "DisplayName", kRegSz, std::string("App\0", 4)));
        ASSERT_EQ(kErrorSuccess, registry.SetValue(app.get(), "Size", kRegDword, std::string("\x01\0\0\0", 4)));
        ScopedRegKey empty(registry);
        ASSERT_EQ(kErrorSuccess,
                  registry.CreateKey(Hive::CurrentUser, "Software\\Apps\\Empty", kKeyAllAccess, empty.out()));
    }
    CHostServer server(registry, backend.System(), backend.Files());
    bool quit = false;
    const std::string reply = server.Handle(
        Payload<calls::ReadChildren>({Hive::CurrentUser, "Software\\Apps", kKeyQueryValue, {"App", "Empty", "Gone"}}),
        &quit);
    ASSERT_FALSE(quit);
    uint32_t status = 0;
    calls::ReadChildrenReply read;
    ASSERT_TRUE(DecodeReply<calls::ReadChildren>(reply.substr(4), &status, &read));
    EXPECT_EQ(kErrorSuccess, status);
    ASSERT_EQ(3u, read.children.size());
    const KeySnapshot& app = read.children[0].snapshot;
    EXPECT_EQ(kErrorSuccess, read.children[0].status);
    ASSERT_TRUE(app.hasValues);
    ASSERT_EQ(2u, app.values.size());
    EXPECT_EQ("DisplayName", app.values[0].name);
    EXPECT_EQ(std::string("App\0", 4), app.values[0].data);
    EXPECT_EQ(kRegDword, app.values[1].type);
    EXPECT_FALSE(app.hasSubKeys); // not asked for: the access has no enumerate right
    EXPECT_EQ(kErrorSuccess, read.children[1].status);
    EXPECT_TRUE(read.children[1].snapshot.hasValues);
    EXPECT_TRUE(read.children[1].snapshot.values.empty());
    EXPECT_EQ(kErrorFileNotFound, read.children[2].status);
    EXPECT_FALSE(read.children[2].snapshot.hasValues);
    // Every key the host opened was closed again.
    EXPECT_EQ(0u, backend.registry.OpenHandleCount());
}

TEST(Protocol, SnapshotWithAnImpossibleCountFailsWithoutReading) {
    WireWriter writer;
    writer.U32(1).U32(0xFFFFFFFF).Bytes("only one");
    WireReader in(Payload(writer));
    KeySnapshot snapshot;
    Get(in, &snapshot);
    EXPECT_TRUE(in.Failed());
    EXPECT_LE(snapshot.values.size(), 2u);
}

TEST(Protocol, IconWhosePixelsDoNotFitItsSizeIsBroken) {
    IconImage icon;
    icon.width = 2;
    icon.height = 2;
    icon.pixels = std::string(15, 'x');
    const std::string frame = EncodeReply<calls::ExtractIcon>(kErrorSuccess, {icon});
    uint32_t status = 0;
    calls::ExtractIconReply reply;
    EXPECT_FALSE(DecodeReply<calls::ExtractIcon>(frame.substr(4), &status, &reply));
    icon.pixels += 'x';
    EXPECT_TRUE(DecodeReply<calls::ExtractIcon>(EncodeReply<calls::ExtractIcon>(kErrorSuccess, {icon}).substr(4),
                                                &status, &reply));
    EXPECT_EQ(16u, reply.image.pixels.size());
}

} // namespace
