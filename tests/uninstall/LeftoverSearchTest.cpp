// CLeftoverSearch: whole path components, the folder name that names the
// program, and what one tree search costs.

#include "uninstall/LeftoverSearch.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "tests/uninstall/LeftoverMachine.h"

namespace {

using namespace leftover_test;

TEST_F(LeftoverTest, TreeWalkCostsOneCallPerSearchedFolderBesidesItsRealLocation) {
    for (int folder = 0; folder < 50; ++folder)
        for (int file = 0; file < 20; ++file)
            File(kRoaming + "\\Vendor" + std::to_string(folder) + "\\sub\\f" + std::to_string(file) + ".dat");
    machine.files.ResetCallCount();
    cleaner.Search().SearchFolderTree(CTargetPath::FromText(QString::fromStdString(kRoaming)), "Acme/", "Acme\\");
    EXPECT_EQ(machine.files.CallCount(), 2u);
}

// --- Whole path components ---------------------------------------------------

enum class Search { AppData, StartMenu, Desktop };

struct MatchCase {
    const char* name;
    Search search;
    const char* term;     // the leaf or program name
    std::string entry;    // a file created for the row
    std::string expected; // the leftover expected from it, empty for none
};

class ComponentMatchTest : public LeftoverTest, public ::testing::WithParamInterface<MatchCase> {};

TEST_P(ComponentMatchTest, MatchesWholeComponentsOnly) {
    const MatchCase& c = GetParam();
    File(c.entry);
    const QString term = QString::fromUtf8(c.term);
    QList<LeftoverItem> found;
    switch (c.search) {
    case Search::AppData:
        found = cleaner.Search().SearchAppDataFolders(CTargetPath::FromText(QStringLiteral("E:\\Apps\\") + term), term);
        break;
    case Search::StartMenu:
        found = cleaner.Search().SearchStartMenu(term).All();
        break;
    case Search::Desktop:
        found = cleaner.Search().SearchDesktop(term).All();
        break;
    }
    const std::vector<std::string> lines = Describe(found);
    if (c.expected.empty()) {
        EXPECT_TRUE(lines.empty()) << lines.front();
    } else {
        EXPECT_TRUE(Contains(lines, c.expected)) << (lines.empty() ? "nothing" : lines.front());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ComponentMatchTest,
    ::testing::Values(
        MatchCase{"AppDataFolderOfThatName", Search::AppData, "Acme", kRoaming + "\\Acme\\a.ini",
                  "F C:/users/tester/AppData/Roaming/Acme/a.ini"},
        MatchCase{"AppDataIgnoresCase", Search::AppData, "Acme", kRoaming + "\\ACME\\a.ini",
                  "F C:/users/tester/AppData/Roaming/ACME/a.ini"},
        MatchCase{"AppDataNestedFolder", Search::AppData, "Acme", kRoaming + "\\Vendor\\Acme\\a.ini",
                  "F C:/users/tester/AppData/Roaming/Vendor/Acme/a.ini"},
        MatchCase{"ProgramData", Search::AppData, "Acme", "C:\\ProgramData\\Acme\\a.ini",
                  "F C:/ProgramData/Acme/a.ini"},
        MatchCase{"AppDataLongerNameEndingInIt", Search::AppData, "Acme", kRoaming + "\\MyAcme\\a.ini", ""},
        MatchCase{"AppDataLongerNameStartingWithIt", Search::AppData, "Acme", kRoaming + "\\Acme Pro\\a.ini", ""},
        MatchCase{"AppDataFileOfThatNameNeedsAFolder", Search::AppData, "Acme", kRoaming + "\\Acme.ini", ""},
        MatchCase{"AppDataBaseComponentsDoNotCount", Search::AppData, "Roaming", kRoaming + "\\Vendor\\a.ini", ""},
        MatchCase{"AppDataUserNameDoesNotCount", Search::AppData, "tester", kRoaming + "\\Vendor\\a.ini", ""},
        MatchCase{"AppDataKnownFolderOfThatName", Search::AppData, "Microsoft",
                  kRoaming + "\\Microsoft\\Windows\\Start Menu\\Programs\\Other\\Other.lnk", ""},
        MatchCase{"ProgramDataKnownFolderOfThatName", Search::AppData, "Microsoft",
                  "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Other.lnk", ""},
        MatchCase{"AppDataShortLeafIsNotSearched", Search::AppData, "Go", kRoaming + "\\Go\\a.ini", ""},
        MatchCase{"StartMenuFolder", Search::StartMenu, "Acme", kPrograms + "\\Acme\\Acme.lnk",
                  "F C:/ProgramData/Microsoft/Windows/Start Menu/Programs/Acme/Acme.lnk"},
        MatchCase{"StartMenuOtherFolder", Search::StartMenu, "Acme", kPrograms + "\\Acme Pro\\Acme.lnk", ""},
        MatchCase{"StartMenuNameAfterLastBackslash", Search::StartMenu, "Vendor\\Acme", kPrograms + "\\Acme\\Acme.lnk",
                  "F C:/ProgramData/Microsoft/Windows/Start Menu/Programs/Acme/Acme.lnk"},
        MatchCase{"StartMenuShortName", Search::StartMenu, "Go", kPrograms + "\\Go\\Go.lnk", ""},
        MatchCase{"DesktopShortcut", Search::Desktop, "Acme", kDesktop + "\\Acme.lnk",
                  "F C:/users/Public/Desktop/Acme.lnk"},
        MatchCase{"DesktopShortcutIgnoresCase", Search::Desktop, "Acme", kDesktop + "\\acme.LNK",
                  "F C:/users/Public/Desktop/acme.LNK"},
        MatchCase{"DesktopLongerShortcutName", Search::Desktop, "Acme", kDesktop + "\\Acme Pro.lnk", ""},
        MatchCase{"DesktopShortcutEndingInName", Search::Desktop, "Acme", kDesktop + "\\MyAcme.lnk", ""},
        MatchCase{"DesktopFolder", Search::Desktop, "Acme", kDesktop + "\\Acme\\readme.txt",
                  "D C:\\users\\Public\\Desktop\\Acme"},
        MatchCase{"DesktopBaseComponentsDoNotCount", Search::Desktop, "Public", kDesktop + "\\Other.lnk", ""},
        MatchCase{"DesktopShortName", Search::Desktop, "Go", kDesktop + "\\Go.lnk", ""}),
    [](const ::testing::TestParamInfo<MatchCase>& info) { return info.param.name; });

// --- The folder name that names the program ------------------------------------

struct LeafCase {
    const char* name;
    const char* folder;
    const char* displayName;
    const char* publisher;
    const char* leaf; // empty: the AppData and ProgramData searches are skipped
};

class ProgramLeafTest : public ::testing::TestWithParam<LeafCase> {};

TEST_P(ProgramLeafTest, TakesOnlyAComponentThatNamesTheProgram) {
    const LeafCase& c = GetParam();
    EXPECT_EQ(CLeftoverSearch::ProgramLeaf(
                  CTargetPath::FromText(c.folder), c.displayName, c.publisher,
                  [](const CTargetPath& path) { return path == CTargetPath::FromText("C:\\Program Files"); })
                  .toStdString(),
              c.leaf);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProgramLeafTest,
    ::testing::Values(
        LeafCase{"FirefoxLeaf", "C:\\Program Files\\Mozilla Firefox", "Mozilla Firefox (x64 en-US)", "Mozilla",
                 "Mozilla Firefox"},
        LeafCase{"SevenZipLeaf", "C:\\Program Files\\7-Zip", "7-Zip 23.01 (x64)", "Igor Pavlov", "7-Zip"},
        LeafCase{"BinTakesParent", "C:\\Program Files\\Acme Studio\\bin", "Acme Studio", "", "Acme Studio"},
        LeafCase{"X64TakesParent", "C:\\Program Files\\Acme Studio\\x64", "Acme Studio (x64)", "", "Acme Studio"},
        LeafCase{"VersionTakesParent", "C:\\Program Files\\Acme Studio\\1.0", "Acme Studio", "", "Acme Studio"},
        LeafCase{"AppTakesParent", "C:\\Program Files\\Acme Studio\\App", "Acme Studio", "", "Acme Studio"},
        LeafCase{"CurrentTakesParent", "C:\\Program Files\\Acme Studio\\Current", "Acme Studio", "", "Acme Studio"},
        LeafCase{"PublisherNamesTheVendorFolder", "C:\\Program Files\\Vela Labs\\bin", "Paint Pro", "Vela Labs",
                 "Vela Labs"},
        LeafCase{"NothingNamesTheProgram", "D:\\Games\\1.0", "Star Quest", "", ""},
        LeafCase{"KnownFolderNeverNamesIt", "C:\\Program Files\\x64", "Program Files Tool", "", ""},
        LeafCase{"GenericWordsOnly", "D:\\Tools\\bin", "Acme Tools", "", ""},
        LeafCase{"NoFolder", "unins000", "Acme", "", ""}),
    [](const ::testing::TestParamInfo<LeafCase>& info) { return info.param.name; });

TEST_F(LeftoverTest, AGenericInstallFolderLeafReachesNoOtherProgram) {
    File("C:\\Program Files\\Acme Studio\\bin\\acme.exe");
    File(kRoaming + "\\Acme Studio\\prefs.ini");
    File(kRoaming + "\\Other Tool\\bin\\other.dll");
    File("C:\\ProgramData\\Other Tool\\bin\\other.dat");
    leftovers = cleaner.CleanLeftovers(Make({"Acme Studio", "C:\\Program Files\\Acme Studio\\bin", "", "", ""}));
    EXPECT_FALSE(Exists("C:\\Program Files\\Acme Studio"));
    EXPECT_FALSE(Exists(kRoaming + "\\Acme Studio"));
    EXPECT_TRUE(Exists(kRoaming + "\\Other Tool\\bin\\other.dll"));
    EXPECT_TRUE(Exists("C:\\ProgramData\\Other Tool\\bin\\other.dat"));
}

// --- Registry: the search through the inventory ------------------------------

struct NameCase {
    const char* name;
    const char* programName;
    bool collected;
};

class DisplayNameTest : public LeftoverTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(DisplayNameTest, TakesOnlyAnEqualDisplayName) {
    UninstallKey(Hive::LocalMachine, "{1}", "Acme Notes Pro");
    UninstallKey(Hive::LocalMachine, "{2}", "Acme Notes");
    const QList<LeftoverItem> found = RegistryLeftovers(appEnum, QString::fromUtf8(GetParam().programName), QString());
    const std::vector<std::string> lines = Describe(found);
    EXPECT_EQ(Contains(lines, "R " + kUninstall + "\\{2}"), GetParam().collected);
    EXPECT_FALSE(Contains(lines, "R " + kUninstall + "\\{1}"));
}

INSTANTIATE_TEST_SUITE_P(Table, DisplayNameTest,
                         ::testing::Values(NameCase{"Equal", "Acme Notes", true},
                                           NameCase{"EqualIgnoringCase", "ACME notes", true},
                                           NameCase{"Contained", "Acme", false}, NameCase{"Empty", "", false},
                                           NameCase{"Longer", "Acme Notes Pro Plus", false}),
                         [](const ::testing::TestParamInfo<NameCase>& info) { return info.param.name; });

TEST_F(LeftoverTest, LaterViewsStopAtTheirFirstKeyOnceOneIsFound) {
    UninstallKey(Hive::LocalMachine, "Acme32", "Acme", platform::kKeyWow64_32Key);
    UninstallKey(Hive::LocalMachine, "Aaa", "Other");
    UninstallKey(Hive::LocalMachine, "Acme64", "Acme");
    UninstallKey(Hive::CurrentUser, "Acme", "Acme");
    const std::vector<std::string> lines = Describe(RegistryLeftovers(appEnum, QStringLiteral("Acme"), QString()));
    EXPECT_TRUE(Contains(lines, "R SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Acme32"));
    EXPECT_FALSE(Contains(lines, "R " + kUninstall + "\\Acme64"));
    // HKCU's first key is the program's own, so it is taken.
    EXPECT_TRUE(Contains(lines, "R " + kUninstall + "\\Acme"));
}

struct MuiCase {
    const char* name;
    const char* folder;
    const char* value;
    bool collected;
};

class MuiCacheTest : public LeftoverTest, public ::testing::WithParamInterface<MuiCase> {};

TEST_P(MuiCacheTest, MatchesTheFolderAsWholeComponents) {
    MuiCache(GetParam().value);
    const QList<LeftoverItem> found =
        RegistryLeftovers(appEnum, QStringLiteral("Nobody"), QString::fromUtf8(GetParam().folder));
    EXPECT_EQ(found.size() == 1, GetParam().collected);
    if (found.size() == 1) {
        EXPECT_EQ(found.front().displayText.toStdString(), "HKEY_CLASSES_ROOT\\" + kMuiCache + "|" + GetParam().value);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, MuiCacheTest,
    ::testing::Values(
        MuiCase{"InsideFolder", "C:\\Apps\\Acme Notes", "C:\\Apps\\Acme Notes\\n.exe.FriendlyAppName", true},
        MuiCase{"IgnoresCase", "C:\\Apps\\Acme Notes", "c:\\apps\\ACME NOTES\\N.EXE", true},
        MuiCase{"SiblingFolder", "C:\\Apps\\Acme Notes", "C:\\Apps\\Acme Notes Pro\\p.exe", false},
        MuiCase{"IconPathWithSuffix", "C:\\Apps\\Acme\\acme.exe", "C:\\Apps\\Acme\\acme.exe.FriendlyAppName", true},
        MuiCase{"StemAsFileName", "unins000", "D:\\Apps\\Acme\\unins000.exe", true},
        MuiCase{"StemInsideLongerName", "unins000", "D:\\Apps\\Acme\\myunins000.exe", false},
        MuiCase{"ShortText", "D:", "D:\\Apps\\Acme\\a.exe", false}),
    [](const ::testing::TestParamInfo<MuiCase>& info) { return info.param.name; });

} // namespace
