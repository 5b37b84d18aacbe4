// How many programs a prefix's registry files hold, read without Wine: each
// row is a small piece of a system.reg or user.reg.
#include "support/PrefixProgramCount.h"

#include <gtest/gtest.h>

namespace {

struct CountCase {
    const char* name;
    const char* text;
    int programs;
};

class PrefixProgramCountTest : public testing::TestWithParam<CountCase> {};

TEST_P(PrefixProgramCountTest, CountsWhatTheListShows) {
    EXPECT_EQ(CPrefixProgramCount::CountInText(QString::fromUtf8(GetParam().text)), GetParam().programs);
}

#define KEY "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\"
#define KEY32 "[Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\"
#define PROGRAM "\"DisplayName\"=\"Cafe\"\n\"UninstallString\"=\"C:\\\\Cafe\\\\uninst.exe\"\n"

INSTANTIATE_TEST_SUITE_P(
    Table, PrefixProgramCountTest,
    testing::Values(
        CountCase{"Empty", "", 0},
        CountCase{"NoUninstallKey", "WINE REGISTRY Version 2\n[Software\\\\Cafe] 1\n" PROGRAM, 0},
        CountCase{"OneProgram", "WINE REGISTRY Version 2\n#arch=win64\n\n" KEY "Cafe] 1700000000\n#time=1\n" PROGRAM,
                  1},
        CountCase{"WindowsLineEnds", KEY "Cafe] 1\r\n\"DisplayName\"=\"Cafe\"\r\n\"UninstallString\"=\"u.exe\"\r\n", 1},
        CountCase{"KeyNamesInAnyCase",
                  "[software\\\\MICROSOFT\\\\windows\\\\currentversion\\\\UNINSTALL\\\\Cafe] 1\n" PROGRAM, 1},
        CountCase{"BothViews", KEY "Cafe] 1\n" PROGRAM KEY32 "Tea] 1\n" PROGRAM, 2},
        CountCase{"SameNameInBothViews", KEY "Cafe] 1\n" PROGRAM KEY32 "Cafe] 1\n" PROGRAM, 2},
        CountCase{"ExpandStringName",
                  KEY "Cafe] 1\n\"DisplayName\"=str(2):\"%ProgramFiles%\"\n\"UninstallString\"=\"u\"\n", 1},
        CountCase{"NoDisplayName", KEY "Cafe] 1\n\"UninstallString\"=\"u.exe\"\n", 0},
        CountCase{"EmptyDisplayName", KEY "Cafe] 1\n\"DisplayName\"=\"\"\n\"UninstallString\"=\"u.exe\"\n", 0},
        CountCase{"NumberAsDisplayName", KEY "Cafe] 1\n\"DisplayName\"=dword:00000001\n\"UninstallString\"=\"u\"\n", 0},
        CountCase{"NoUninstallCommand", KEY "Cafe] 1\n\"DisplayName\"=\"Cafe\"\n", 0},
        CountCase{"QuietCommandOnly", KEY "Cafe] 1\n\"DisplayName\"=\"Cafe\"\n\"QuietUninstallString\"=\"u /S\"\n", 1},
        CountCase{"SystemComponent", KEY "Cafe] 1\n" PROGRAM "\"SystemComponent\"=dword:00000001\n", 0},
        CountCase{"SystemComponentOff", KEY "Cafe] 1\n" PROGRAM "\"SystemComponent\"=dword:00000000\n", 1},
        CountCase{"UpdateOfAListedProgram",
                  KEY "Cafe] 1\n" PROGRAM KEY "KB1] 1\n" PROGRAM "\"ParentKeyName\"=\"CAFE\"\n", 1},
        CountCase{"HotfixOfAMissingProgram",
                  KEY "KB1] 1\n" PROGRAM "\"ParentKeyName\"=\"Gone\"\n\"ReleaseType\"=\"Hotfix\"\n", 0},
        CountCase{"MinorUpgradeOfAMissingProgram",
                  KEY "KB1] 1\n" PROGRAM "\"ParentKeyName\"=\"Gone\"\n\"IsMinorUpgrade\"=dword:00000001\n", 0},
        CountCase{"ChildOfAMissingProgram", KEY "KB1] 1\n" PROGRAM "\"ParentKeyName\"=\"Gone\"\n", 1},
        CountCase{"DeeperKeyIsNoEntry", KEY "Cafe\\\\Parts] 1\n" PROGRAM, 0},
        CountCase{"ValuesOfTheNextKeyDoNotCount",
                  KEY "Cafe] 1\n\"DisplayName\"=\"Cafe\"\n[Software\\\\Other] 1\n"
                      "\"UninstallString\"=\"u.exe\"\n",
                  0},
        CountCase{"QuoteInAValueName", KEY "Cafe] 1\n\"Odd\\\"Name\"=\"x\"\n" PROGRAM, 1},
        CountCase{"UninstallKeyItself", "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall] 1\n" PROGRAM,
                  0}),
    [](const testing::TestParamInfo<CountCase>& info) { return std::string(info.param.name); });

} // namespace
