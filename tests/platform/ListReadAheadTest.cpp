// The host's read-ahead of the program list: once the 32-bit view was
// answered, the 64-bit view is read, and once that was, the current user's
// list; the next open of each takes that read, unless it is stale or a call
// that may have written came in between.

#include "platform/winehost/ListReadAhead.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/WindowsFacts.h"

namespace {

using platform::Hive;
using platform::wire::CListReadAhead;
using platform::wire::Op;

constexpr uint32_t kRead = 0x20019;
constexpr uint32_t kView32 = kRead | platform::kKeyWow64_32Key;
constexpr uint32_t kView64 = kRead | platform::kKeyWow64_64Key;
const std::string kList = platform::kUninstallListKey;

// A registry whose trees say which read of them this is.
struct Registry {
    int reads = 0;
    bool readNow = false; // the last open read its tree, not taking one read ahead
    uint64_t clock = 0;
    CListReadAhead readAhead{[this](Hive, const std::string&, uint32_t, CListReadAhead::Tree* tree) {
                                 tree->names = {"read " + std::to_string(++reads)};
                                 return true;
                             },
                             [this] { return clock; }};

    // One request that opens a tree, as the host serves it.
    std::string Open(Hive hive, const std::string& path, uint32_t access) {
        readAhead.BeforeRequest(static_cast<uint32_t>(Op::OpenKey));
        CListReadAhead::Tree tree;
        const int before = reads;
        readAhead.Read(hive, path, access, &tree);
        readNow = reads != before;
        readAhead.AfterReply();
        return tree.names.empty() ? std::string() : tree.names.front();
    }
};

TEST(ListReadAheadTest, EachListIsReadWhileTheClientWorksThroughThePreviousOne) {
    Registry registry;
    EXPECT_EQ(registry.Open(Hive::LocalMachine, kList, kView32), "read 1");
    EXPECT_EQ(registry.reads, 2); // the 64-bit view after it
    // The client's own reads in between change nothing.
    registry.readAhead.BeforeRequest(static_cast<uint32_t>(Op::CloseKey));
    registry.readAhead.AfterReply();
    EXPECT_EQ(registry.Open(Hive::LocalMachine, "software\\microsoft\\windows\\currentversion\\uninstall", kView64),
              "read 2");
    EXPECT_EQ(registry.reads, 3); // the user's list after it
    EXPECT_EQ(registry.Open(Hive::CurrentUser, kList, kRead), "read 3");
    EXPECT_EQ(registry.reads, 3);
    // Each read ahead answers one open only.
    EXPECT_EQ(registry.Open(Hive::CurrentUser, kList, kRead), "read 4");
}

struct StaleCase {
    const char* name;
    Op between;       // a request served between the first open and the next
    uint64_t laterMs; // time passed before the next open
    Hive hive;        // of the next open
    uint32_t access;  // of the next open
    bool fromReadAhead;
};

void PrintTo(const StaleCase& c, std::ostream* os) {
    *os << c.name;
}

class ListReadAheadTable : public ::testing::TestWithParam<StaleCase> {};

TEST_P(ListReadAheadTable, AnswersOnlyAFreshUnchangedOpenOfTheSameKey) {
    const StaleCase& c = GetParam();
    Registry registry;
    registry.Open(Hive::LocalMachine, kList, kView32);
    registry.readAhead.BeforeRequest(static_cast<uint32_t>(c.between));
    registry.readAhead.AfterReply();
    registry.clock += c.laterMs;
    registry.Open(c.hive, kList, c.access);
    EXPECT_NE(registry.readNow, c.fromReadAhead);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ListReadAheadTable,
    ::testing::Values(
        StaleCase{"WithinASecond", Op::QueryValue, CListReadAhead::kFreshMs, Hive::LocalMachine, kView64, true},
        StaleCase{"OlderThanASecond", Op::QueryValue, CListReadAhead::kFreshMs + 1, Hive::LocalMachine, kView64, false},
        StaleCase{"AValueWrittenInBetween", Op::SetValue, 0, Hive::LocalMachine, kView64, false},
        StaleCase{"AKeyDeletedInBetween", Op::DeleteKey, 0, Hive::CurrentUser, kRead, false},
        StaleCase{"AProgramRunInBetween", Op::RunStart, 0, Hive::CurrentUser, kRead, false},
        StaleCase{"OtherAccess", Op::CloseKey, 0, Hive::LocalMachine, kRead, false},
        StaleCase{"SameViewAgain", Op::CloseKey, 0, Hive::LocalMachine, kView32, false}),
    [](const ::testing::TestParamInfo<StaleCase>& info) { return std::string(info.param.name); });

TEST(ListReadAheadTest, OnlyTheLocalMachinesListStartsIt) {
    Registry registry;
    registry.Open(Hive::CurrentUser, kList, kRead);
    registry.Open(Hive::LocalMachine, kList + "\\Some Program", kView32);
    EXPECT_EQ(registry.reads, 2);
    registry.Open(Hive::LocalMachine, kList, kView64);
    EXPECT_EQ(registry.reads, 4);
}

} // namespace
