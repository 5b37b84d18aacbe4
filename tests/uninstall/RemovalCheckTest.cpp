// Whether a program is gone after its uninstaller has ended: its own
// uninstall entry, and the program files its command may start.

#include "uninstall/RemovalCheck.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "tests/fake/MemoryPlatform.h"

using platform::Hive;

namespace {

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::string kQuotedCommand = "\"C:\\Program Files\\Acme Notes\\uninst.exe\"";

InstalledProgram Record(const std::string& command) {
    InstalledProgram program;
    std::strncpy(program.displayName, "Acme Notes", InstalledProgram::kTextSize - 1);
    std::strncpy(program.uninstallCommand, command.c_str(), InstalledProgram::kTextSize - 1);
    return program;
}

// An entry that only shares the display name is another registration (an
// older version, the other view): it does not keep the program installed.
TEST(RemovalCheckTest, OnlyTheRecordsOwnEntryCountsAsRegistered) {
    MemoryPlatform machine;
    CRemovalCheck check(machine.registry, machine.files);
    machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\AcmeNotes", "DisplayName", "Acme Notes");
    machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\AcmeNotes", "UninstallString", kQuotedCommand);
    machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\AcmeNotes2", "DisplayName", "Acme Notes");
    machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\AcmeNotes2", "UninstallString",
                               "C:\\Old\\uninst.exe");
    bool failed = false;
    EXPECT_TRUE(check.StillRegistered(Record(kQuotedCommand), &failed));
    machine.registry.DeleteKey(Hive::LocalMachine, kUninstall + "\\AcmeNotes");
    EXPECT_FALSE(check.StillRegistered(Record(kQuotedCommand), &failed));
    EXPECT_FALSE(failed);
    // The quiet command, which the record carries when there is one, counts too.
    machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\AcmeNotes3", "DisplayName", "Acme Notes",
                               platform::kKeyWow64_32Key);
    machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\AcmeNotes3", "QuietUninstallString",
                               kQuotedCommand + " /S", platform::kKeyWow64_32Key);
    EXPECT_TRUE(check.StillRegistered(Record(kQuotedCommand + " /S"), &failed));
}

struct CandidateCase {
    const char* name;
    std::string command;
    std::vector<std::string> candidates;
};

void PrintTo(const CandidateCase& c, std::ostream* os) {
    *os << c.name;
}

class ProgramCandidatesTest : public ::testing::TestWithParam<CandidateCase> {};

TEST_P(ProgramCandidatesTest, AsCreateProcessReadsTheCommand) {
    EXPECT_EQ(CRemovalCheck::ProgramCandidates(GetParam().command), GetParam().candidates);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProgramCandidatesTest,
    testing::Values(
        CandidateCase{"Quoted", "\"C:\\Apps\\Acme\\unins000.exe\" /SILENT", {"C:\\Apps\\Acme\\unins000.exe"}},
        CandidateCase{"QuotedWithoutClosingQuote", "\"C:\\Apps\\un.exe", {"C:\\Apps\\un.exe"}},
        CandidateCase{"UnquotedWithSpaces",
                      "C:\\Program Files\\Acme\\un.exe /S",
                      {"C:\\Program", "C:\\Program.exe", "C:\\Program Files\\Acme\\un.exe",
                       "C:\\Program Files\\Acme\\un.exe /S", "C:\\Program Files\\Acme\\un.exe /S.exe"}},
        CandidateCase{"NoExtension", "  D:\\Tools\\remove", {"D:\\Tools\\remove", "D:\\Tools\\remove.exe"}},
        CandidateCase{"NetworkPath", "\\\\server\\share\\un.exe", {"\\\\server\\share\\un.exe"}},
        CandidateCase{"SearchedOnThePath", "MsiExec.exe /X{1234}", {}},
        CandidateCase{"RelativeFolder", "bin\\un.exe", {}}, CandidateCase{"Empty", "", {}}),
    [](const testing::TestParamInfo<CandidateCase>& info) { return std::string(info.param.name); });

} // namespace
