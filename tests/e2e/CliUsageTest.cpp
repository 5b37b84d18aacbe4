#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "CliRunner.h"

namespace {

struct UsageCase {
    const char* name;
    QStringList arguments;
    int exitCode;
    const char* errorText;  // in stderr; empty: stderr stays empty
    const char* outputText; // in stdout
};

class CliUsageTest : public testing::TestWithParam<UsageCase> {};

// Usage errors end with 2 before any Wine process starts; help ends with 0.
TEST_P(CliUsageTest, ExitsWithTheDocumentedCode) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    // A prefix that does not exist: a run that wrongly went ahead would make one.
    const QString prefix = home.filePath("never-created");
    const CliResult result =
        CCliRunner::Run(GetParam().arguments, CCliRunner::WineEnvironment(prefix, home.path()), 30000);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, GetParam().exitCode) << result.err.constData();
    if (*GetParam().errorText) {
        EXPECT_TRUE(result.err.contains(GetParam().errorText)) << result.err.constData();
    } else {
        EXPECT_TRUE(result.err.isEmpty()) << result.err.constData();
    }
    EXPECT_TRUE(result.out.contains(GetParam().outputText)) << result.out.constData();
    EXPECT_FALSE(QFileInfo::exists(prefix));
}

INSTANTIATE_TEST_SUITE_P(
    Table, CliUsageTest,
    testing::Values(UsageCase{"NoCommand", {}, 2, "Usage: tolvanire-uninstaller-cli <command>", ""},
                    UsageCase{"UnknownCommand", {"frobnicate"}, 2, "unknown command 'frobnicate'", ""},
                    UsageCase{"UnknownOption", {"list", "--bogus"}, 2, "Unknown option 'bogus'", ""},
                    UsageCase{"PrefixWithoutFolder", {"list", "--prefix"}, 2, "Missing value after '--prefix'", ""},
                    UsageCase{"StrayArgument", {"list", "extra"}, 2, "unexpected argument 'extra'", ""},
                    UsageCase{"Help", {"--help"}, 0, "", "list"},
                    UsageCase{"ListHelp", {"list", "--help"}, 0, "", "--json"},
                    UsageCase{
                        "UninstallWithoutName", {"uninstall", "--clean"}, 2, "expected at least one program name", ""},
                    // The usage names the program and the command, not the
                    // path the program was started by.
                    UsageCase{"UninstallUsageNamesTheCommand",
                              {"uninstall"},
                              2,
                              "\n\nUsage: tolvanire-uninstaller-cli uninstall [options] NAME...\n",
                              ""},
                    UsageCase{"UninstallHelp", {"uninstall", "--help"}, 0, "", "--clean"},
                    UsageCase{"RestoreWithoutId", {"restore"}, 2, "expected --list or one restore point id", ""},
                    UsageCase{"RestoreListAndId",
                              {"restore", "--list", "20261211-103000"},
                              2,
                              "expected --list or one restore point id",
                              ""},
                    UsageCase{"RestoreHelp", {"restore", "--help"}, 0, "", "never overwritten"},
                    UsageCase{"PrefixesHelp", {"prefixes", "--help"}, 0, "", "--json"},
                    UsageCase{"PrefixesStrayArgument", {"prefixes", "extra"}, 2, "unexpected argument 'extra'", ""},
                    UsageCase{"LeftoversHelpNamesTheCommand",
                              {"leftovers", "--help"},
                              0,
                              "",
                              "Usage: tolvanire-uninstaller-cli leftovers [options] NAME\n"},
                    UsageCase{"OrphansDeleteWithoutPath", {"orphans", "--delete"}, 2, "needs at least one folder", ""},
                    UsageCase{"OrphansPathWithoutDelete", {"orphans", "C:\\Gone"}, 2, "only with --delete", ""},
                    // No prefix to manage: said, and nothing is created.
                    UsageCase{"PrefixMissing", {"list"}, 2, "never-created (WINEPREFIX) does not exist", ""},
                    UsageCase{"OptionPrefixMissing",
                              {"leftovers", "Some Program", "--prefix", "no-such-prefix"},
                              2,
                              "no-such-prefix (--prefix) does not exist",
                              ""}),
    [](const testing::TestParamInfo<UsageCase>& info) { return std::string(info.param.name); });

// Without Wine the program says so and ends with 3 instead of hanging.
TEST(CliPlatformTest, MissingWineIsAPlatformFailure) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    // A prefix as far as the program can tell, so that it goes on to Wine.
    ASSERT_TRUE(QDir().mkpath(home.filePath("prefix")));
    QFile registry(home.filePath("prefix/system.reg"));
    ASSERT_TRUE(registry.open(QIODevice::WriteOnly));
    registry.close();
    QProcessEnvironment environment = CCliRunner::WineEnvironment(home.filePath("prefix"), home.path());
    environment.insert("PATH", home.path()); // an empty folder: no wine, no wineboot
    const CliResult result = CCliRunner::Run({"list"}, environment, 60000);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_TRUE(result.err.startsWith("cannot start the Wine host: ")) << result.err.constData();
    EXPECT_TRUE(result.out.isEmpty());
}

} // namespace
