// The host side of the protocol, run in process against the in-memory
// backends: broken requests end the host without a crash, and the key-by-key
// reading (what the host does on Windows) gives what the calls give.

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/winehost/HostServer.h"
#include "platform/winehost/WireReader.h"
#include "platform/winehost/WireWriter.h"
#include "tests/fake/MemoryPlatform.h"

using namespace platform;
using namespace platform::wire;

namespace {

std::string Payload(WireWriter& writer) {
    return writer.Frame().substr(4);
}

struct RequestRow {
    const char* name;
    std::string payload;
};

std::vector<RequestRow> Requests() {
    std::vector<RequestRow> rows;
    auto add = [&rows](const char* name, WireWriter writer) { rows.push_back({name, Payload(writer)}); };
    add("OpenKey",
        WireWriter().U32(static_cast<uint32_t>(Op::OpenKey)).U32(1).Bytes("Software\\A").U32(kKeyRead).U32(1));
    add("ReadChildren", WireWriter()
                            .U32(static_cast<uint32_t>(Op::ReadChildren))
                            .U32(1)
                            .Bytes("Software")
                            .U32(kKeyQueryValue)
                            .U32(2)
                            .Bytes("A")
                            .Bytes("B"));
    add("QueryValue", WireWriter().U32(static_cast<uint32_t>(Op::QueryValue)).U64(1).Bytes("v").U32(260));
    add("SetValue", WireWriter().U32(static_cast<uint32_t>(Op::SetValue)).U64(1).Bytes("v").U32(1).Bytes("x"));
    add("AnsiToUtf8", WireWriter().U32(static_cast<uint32_t>(Op::AnsiToUtf8)).U32(2).Bytes("a").Bytes("b"));
    add("ListTree", WireWriter().U32(static_cast<uint32_t>(Op::ListTree)).Bytes("C:\\x").U32(kListFiles));
    add("WriteFile", WireWriter().U32(static_cast<uint32_t>(Op::WriteFile)).Bytes("C:\\x\\f").Bytes("data"));
    add("HugeCount", WireWriter().U32(static_cast<uint32_t>(Op::AnsiToUtf8)).U32(0xFFFFFFFF).Bytes("a"));
    add("HugeString", WireWriter().U32(static_cast<uint32_t>(Op::DeleteFile)).U32(0x7FFFFFFF));
    add("UnknownOperation", WireWriter().U32(12345));
    return rows;
}

class TruncatedRequests : public ::testing::TestWithParam<RequestRow> {};

// Every cut of a request short of its end is a broken stream: the host must
// stop (never read past the payload, never answer garbage).
TEST_P(TruncatedRequests, EndTheHost) {
    MemoryPlatform backend;
    CHostServer server(backend.Registry(), backend.System(), backend.Files());
    const std::string& payload = GetParam().payload;
    const bool complete =
        std::string(GetParam().name).rfind("Huge", 0) != 0 && std::string(GetParam().name) != "UnknownOperation";
    for (size_t length = 0; length <= payload.size(); ++length) {
        bool quit = false;
        const std::string reply = server.Handle(payload.substr(0, length), &quit);
        if (length == payload.size() && complete) {
            EXPECT_FALSE(quit);
            EXPECT_FALSE(reply.empty());
        } else {
            EXPECT_TRUE(quit) << "cut at " << length;
            EXPECT_TRUE(reply.empty()) << "cut at " << length;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Protocol, TruncatedRequests, ::testing::ValuesIn(Requests()),
                         [](const ::testing::TestParamInfo<RequestRow>& info) { return info.param.name; });

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
    WireWriter request;
    request.U32(static_cast<uint32_t>(Op::ReadChildren))
        .U32(static_cast<uint32_t>(Hive::CurrentUser))
        .Bytes("Software\\Apps");
    request.U32(kKeyQueryValue).U32(3).Bytes("App").Bytes("Empty").Bytes("Gone");
    bool quit = false;
    const std::string reply = server.Handle(Payload(request), &quit);
    ASSERT_FALSE(quit);
    WireReader in(reply.substr(4));
    EXPECT_EQ(kErrorSuccess, in.U32());
    ASSERT_EQ(3u, in.U32());
    KeySnapshot snapshot;
    EXPECT_EQ(kErrorSuccess, in.U32());
    ASSERT_TRUE(ReadKeySnapshot(in, &snapshot));
    ASSERT_TRUE(snapshot.hasValues);
    ASSERT_EQ(2u, snapshot.values.size());
    EXPECT_EQ("DisplayName", snapshot.values[0].name);
    EXPECT_EQ(std::string("App\0", 4), snapshot.values[0].data);
    EXPECT_EQ(kRegDword, snapshot.values[1].type);
    EXPECT_FALSE(snapshot.hasSubKeys); // not asked for: the access has no enumerate right
    EXPECT_EQ(kErrorSuccess, in.U32());
    ASSERT_TRUE(ReadKeySnapshot(in, &snapshot));
    EXPECT_TRUE(snapshot.hasValues);
    EXPECT_TRUE(snapshot.values.empty());
    EXPECT_EQ(kErrorFileNotFound, in.U32());
    ASSERT_TRUE(ReadKeySnapshot(in, &snapshot));
    EXPECT_FALSE(snapshot.hasValues);
    EXPECT_TRUE(in.AtEnd());
    // Every key the host opened was closed again.
    EXPECT_EQ(0u, backend.registry.OpenHandleCount());
}

TEST(Protocol, SnapshotWithAnImpossibleCountFailsWithoutReading) {
    WireWriter writer;
    writer.U32(1).U32(0xFFFFFFFF).Bytes("only one");
    WireReader in(Payload(writer));
    KeySnapshot snapshot;
    EXPECT_FALSE(ReadKeySnapshot(in, &snapshot));
    EXPECT_LE(snapshot.values.size(), 2u);
}

} // namespace
