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

struct MissingCase {
    const char* name;
    std::string command;
    std::vector<std::string> paths; // what must all be absent
};

void PrintTo(const MissingCase& c, std::ostream* os) {
    *os << c.name;
}

class UninstallerPathsTest : public ::testing::TestWithParam<MissingCase> {};

// Only a command whose program file can be told for sure may ever be taken
// for a broken entry; every run of words CreateProcess would try first must
// be absent too.
TEST_P(UninstallerPathsTest, NamesTheProgramFileOnlyWhenSure) {
    EXPECT_EQ(CRemovalCheck::UninstallerPaths(GetParam().command), GetParam().paths);
}

INSTANTIATE_TEST_SUITE_P(
    Table, UninstallerPathsTest,
    testing::Values(
        MissingCase{"Quoted", "\"C:\\Program Files\\Acme\\un.exe\" /S", {"C:\\Program Files\\Acme\\un.exe"}},
        MissingCase{"QuotedWithoutExtension", "\"D:\\Tools\\remove\"", {"D:\\Tools\\remove", "D:\\Tools\\remove.exe"}},
        MissingCase{"UnquotedWithSpacesEveryRun",
                    "C:\\Program Files\\Acme\\un.exe /S",
                    {"C:\\Program", "C:\\Program.exe", "C:\\Program Files\\Acme\\un.exe",
                     "C:\\Program Files\\Acme\\un.exe /S", "C:\\Program Files\\Acme\\un.exe /S.exe"}},
        MissingCase{"RunsThatNameNoFileAreLeftOut", "C:\\Apps\\un.exe /D=\"C:\\x\"", {"C:\\Apps\\un.exe"}},
        MissingCase{"UnquotedExeInUpperCase", "C:\\Apps\\UN.EXE", {"C:\\Apps\\UN.EXE"}},
        MissingCase{
            "UnquotedFolderNamedLikeAnExe", "C:\\My.exe Tools\\un.exe", {"C:\\My.exe", "C:\\My.exe Tools\\un.exe"}},
        MissingCase{
            "UnquotedWithoutExtensionOrSpace", "D:\\Tools\\remove", {"D:\\Tools\\remove", "D:\\Tools\\remove.exe"}},
        MissingCase{"UnquotedWithoutExeButWithSpaces", "C:\\Apps\\remove tool /S", {}},
        MissingCase{"QuoteNotClosed", "\"C:\\Apps\\un.exe", {}},
        MissingCase{"InstallerBare", "MsiExec.exe /X{6F2C1B9A-1111-2222-3333-444455556666}", {}},
        MissingCase{
            "InstallerByFullPath", "C:\\windows\\system32\\msiexec.exe /X{6F2C1B9A-1111-2222-3333-444455556666}", {}},
        MissingCase{"InstallerQuoted", "\"C:\\windows\\system32\\MSIEXEC\" /I{1}", {}},
        MissingCase{"Relative", "bin\\un.exe", {}}, MissingCase{"Variable", "%ProgramFiles%\\Acme\\un.exe", {}},
        MissingCase{"Empty", "   ", {}}),
    [](const testing::TestParamInfo<MissingCase>& info) { return std::string(info.param.name); });

// Missing only when the machine says of each path that nothing is there.
TEST(RemovalCheckTest, UninstallerIsMissingOnlyWhenConfirmedAbsent) {
    MemoryPlatform machine;
    CRemovalCheck check(machine.registry, machine.files);
    const std::string command = "C:\\Program Files\\Acme\\un.exe /S";
    bool failed = false;
    EXPECT_TRUE(check.UninstallerMissing(command, &failed));
    machine.files.CreateFolder("C:\\Program Files\\Acme");
    // A folder where Windows would look for the program is none.
    machine.files.CreateFolder("C:\\Program");
    EXPECT_TRUE(check.UninstallerMissing(command, &failed));
    // CreateProcess would start C:\Program.exe first.
    ASSERT_EQ(machine.files.WriteFile("C:\\Program.exe", "MZ"), platform::kErrorSuccess);
    EXPECT_FALSE(check.UninstallerMissing(command, &failed));
    machine.files.DeleteFile("C:\\Program.exe");
    machine.files.WriteFile("C:\\Program Files\\Acme\\un.exe", "MZ");
    EXPECT_FALSE(check.UninstallerMissing(command, &failed));
    machine.files.DeleteFile("C:\\Program Files\\Acme\\un.exe");
    EXPECT_TRUE(check.UninstallerMissing(command, &failed));
    // A file that cannot be looked at may be there.
    machine.files.FailPath("C:\\Program Files\\Acme\\un.exe", 5);
    EXPECT_FALSE(check.UninstallerMissing(command, &failed));
    EXPECT_FALSE(failed);
    EXPECT_FALSE(check.UninstallerMissing("MsiExec.exe /X{1}", &failed));
}

// The broken entry's own key is found where the record was read, and there
// alone.
TEST(RemovalCheckTest, FindsTheEntryInItsOwnHiveAndView) {
    MemoryPlatform machine;
    CRemovalCheck check(machine.registry, machine.files);
    machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\AcmeNotes", "DisplayName", "Acme Notes",
                               platform::kKeyWow64_32Key);
    machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\AcmeNotes", "UninstallString", kQuotedCommand,
                               platform::kKeyWow64_32Key);
    bool failed = false;
    std::string subKey;
    EXPECT_TRUE(
        check.FindEntry(Record(kQuotedCommand), Hive::LocalMachine, platform::kKeyWow64_32Key, &subKey, &failed));
    EXPECT_EQ(subKey, "AcmeNotes");
    EXPECT_FALSE(
        check.FindEntry(Record(kQuotedCommand), Hive::LocalMachine, platform::kKeyWow64_64Key, &subKey, &failed));
    EXPECT_FALSE(check.FindEntry(Record(kQuotedCommand), Hive::CurrentUser, 0, &subKey, &failed));
    EXPECT_FALSE(
        check.FindEntry(Record("C:\\other.exe"), Hive::LocalMachine, platform::kKeyWow64_32Key, &subKey, &failed));
    EXPECT_FALSE(failed);
}

} // namespace
