#include "uninstall/LeftoverCleaner.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "inventory/AppEnum.h"
#include "tests/fake/MemoryPlatform.h"

using platform::Hive;

namespace {

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::string kMuiCache = "Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache";
const std::string kRoaming = "C:\\users\\tester\\AppData\\Roaming";
const std::string kPrograms = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
const std::string kDesktop = "C:\\users\\Public\\Desktop";

struct Record {
    std::string displayName;
    std::string installLocation;
    std::string displayIcon;
    std::string uninstallCommand;
    std::string iconGroup;
};

InstalledProgram Make(const Record& record) {
    InstalledProgram program;
    auto put = [](char(&field)[InstalledProgram::kTextSize], const std::string& text) {
        std::strncpy(field, text.c_str(), InstalledProgram::kTextSize - 1);
    };
    put(program.displayName, record.displayName);
    put(program.installLocation, record.installLocation);
    put(program.displayIcon, record.displayIcon);
    put(program.uninstallCommand, record.uninstallCommand);
    put(program.iconGroup, record.iconGroup);
    return program;
}

// A short text per leftover: "F path", "D path", "R target|value", "M name".
std::vector<std::string> Describe(const QList<LeftoverItem>& items) {
    std::vector<std::string> lines;
    for (const LeftoverItem& item : items) {
        const char* kind = item.kind == LeftoverFile       ? "F "
                           : item.kind == LeftoverFolder   ? "D "
                           : item.kind == LeftoverRegistry ? "R "
                                                           : "M ";
        std::string line = kind + item.target.toStdString();
        if (!item.valueName.isEmpty()) line += "|" + item.valueName.toStdString();
        lines.push_back(line);
    }
    return lines;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    for (const std::string& l : lines)
        if (l == line) return true;
    return false;
}

// A 64-bit machine laid out like a fresh Wine prefix for the user "tester".
class LeftoverTest : public ::testing::Test {
protected:
    LeftoverTest()
        : appEnum(machine.registry, machine.system), cleaner(machine.files, machine.registry, machine.system, appEnum) {
        for (const char* folder :
             {"C:\\windows\\system32", "C:\\windows\\temp", "C:\\Program Files\\Common Files",
              "C:\\Program Files (x86)\\Common Files", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs",
              "C:\\users\\tester\\AppData\\Roaming\\Microsoft", "C:\\users\\tester\\AppData\\Local\\Temp",
              "C:\\users\\tester\\AppData\\LocalLow", "C:\\users\\tester\\Desktop", "C:\\users\\tester\\Documents",
              "C:\\users\\tester\\Downloads", "C:\\users\\tester\\Music", "C:\\users\\tester\\Pictures",
              "C:\\users\\tester\\Videos", "C:\\users\\Public\\Desktop", "C:\\users\\Public\\Documents",
              "C:\\users\\other\\Documents", "D:\\Apps"})
            Folder(folder);
        File("C:\\windows\\system32\\kernel32.dll");
        File("C:\\users\\tester\\AppData\\Roaming\\Microsoft\\keep.dat");
        File("C:\\users\\tester\\Documents\\letter.txt");
        File("C:\\ProgramData\\Microsoft\\keep.dat");
    }

    void Folder(const std::string& path) { machine.files.CreateFolder(path); }
    void File(const std::string& path, uint32_t attributes = 0) {
        const size_t slash = path.find_last_of('\\');
        machine.files.CreateFolder(path.substr(0, slash));
        machine.files.WriteFile(path, "data");
        if (attributes) machine.files.SetAttributes(path, attributes);
    }
    bool Exists(const std::string& path) { return machine.files.Exists(path); }

    void UninstallKey(Hive hive, const std::string& subKey, const std::string& displayName, uint32_t access = 0) {
        machine.registry.SetString(hive, kUninstall + "\\" + subKey, "DisplayName", displayName, access);
        machine.registry.SetString(hive, kUninstall + "\\" + subKey, "UninstallString", "C:\\u.exe", access);
    }
    void MuiCache(const std::string& name) {
        machine.registry.SetString(Hive::ClassesRoot, kMuiCache, name, "Friendly");
    }

    std::vector<std::string> Collect(const Record& record) {
        cleaner.CollectLeftovers(Make(record));
        return Describe(cleaner.leftovers);
    }

    MemoryPlatform machine;
    CAppEnum appEnum;
    CLeftoverCleaner cleaner;
};

// --- Folder text ------------------------------------------------------------

struct FolderTextCase {
    const char* name;
    const char* installLocation;
    const char* displayIcon;
    const char* uninstallCommand;
    const char* expected;
};

class FolderTextTest : public ::testing::TestWithParam<FolderTextCase> {};

TEST_P(FolderTextTest, Derives) {
    const FolderTextCase& c = GetParam();
    EXPECT_EQ(CLeftoverCleaner::FolderText(c.installLocation, c.displayIcon, c.uninstallCommand).toStdString(),
              c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FolderTextTest,
    ::testing::Values(
        FolderTextCase{"TrailingBackslashDropped", "D:\\Apps\\Acme\\", "", "", "D:\\Apps\\Acme"},
        FolderTextCase{"QuotedIconPath", "", "\"C:\\Apps\\Acme\\acme.exe\",0", "", "C:\\Apps\\Acme\\acme.exe"},
        FolderTextCase{"UninstallerStem", "", "", "D:\\Apps\\Acme\\unins000.exe", "unins000"},
        FolderTextCase{"LocationWinsOverIcon", "D:\\Apps\\Acme", "C:\\Other\\o.exe", "", "D:\\Apps\\Acme"},
        FolderTextCase{"DotDotResolved", "C:\\Apps\\..\\windows", "", "", "C:\\windows"},
        FolderTextCase{"ForwardSlashesMadeNative", "C:/Apps//Acme/", "", "", "C:\\Apps\\Acme"},
        FolderTextCase{"NothingUsable", "", "", "C:\\u.e", ""}),
    [](const ::testing::TestParamInfo<FolderTextCase>& info) { return info.param.name; });

// --- The whole collection, in order ------------------------------------------

TEST_F(LeftoverTest, CollectsEveryPlaceInStepOrder) {
    File("D:\\Apps\\Acme\\readme.txt");
    File("D:\\Apps\\Acme\\acme.exe");
    File("D:\\Apps\\Acme\\hidden.dat", platform::kAttrHidden);
    Folder("D:\\Apps\\Acme\\data");
    Folder("D:\\Apps\\Acme\\bin");
    File(kRoaming + "\\Acme\\settings.ini");
    File(kRoaming + "\\Acme\\cache\\deep\\x.tmp");
    File("C:\\ProgramData\\Acme\\log\\l.txt");
    File(kPrograms + "\\Acme\\Acme.lnk");
    File(kDesktop + "\\Acme.lnk");
    UninstallKey(Hive::LocalMachine, "Acme", "Acme");
    MuiCache("D:\\Apps\\Acme\\acme.exe.FriendlyAppName");
    MuiCache("D:\\Apps\\Other\\o.exe.FriendlyAppName");

    const std::vector<std::string> expected = {
        // The install folder: folders, then files; the hidden file stays.
        "D D:/Apps/Acme/bin", "D D:/Apps/Acme/data", "F D:/Apps/Acme/acme.exe", "F D:/Apps/Acme/readme.txt",
        // AppData, then ProgramData: files, then folders, deepest first.
        "F C:/users/tester/AppData/Roaming/Acme/settings.ini",
        "F C:/users/tester/AppData/Roaming/Acme/cache/deep/x.tmp",
        "D C:\\users\\tester\\AppData\\Roaming\\Acme\\cache\\deep",
        "D C:\\users\\tester\\AppData\\Roaming\\Acme\\cache",
        // ProgramData holds the common Start Menu, so its shortcut is found
        // there first and again by the Start Menu search.
        "F C:/ProgramData/Acme/log/l.txt", "F C:/ProgramData/Microsoft/Windows/Start Menu/Programs/Acme/Acme.lnk",
        "D C:\\ProgramData\\Acme\\log",
        // Start Menu and desktop.
        "F C:/ProgramData/Microsoft/Windows/Start Menu/Programs/Acme/Acme.lnk", "F C:/users/Public/Desktop/Acme.lnk",
        // The uninstall key's values, the key, the MuiCache value.
        "R " + kUninstall + "\\Acme|DisplayName", "R " + kUninstall + "\\Acme|UninstallString",
        "R " + kUninstall + "\\Acme", "M D:\\Apps\\Acme\\acme.exe.FriendlyAppName"};
    EXPECT_EQ(Collect({"Acme", "D:\\Apps\\Acme\\", "", "", ""}), expected);
}

TEST_F(LeftoverTest, CleanRemovesWhatItCollectedAndKeepsTheRest) {
    File("D:\\Apps\\Acme\\data\\a.bin");
    File("D:\\Apps\\Acme\\readme.txt", platform::kAttrReadOnly);
    File("D:\\Apps\\Other\\keep.txt");
    File(kRoaming + "\\Acme\\cache\\x.tmp");
    File(kRoaming + "\\Acme Pro\\keep.ini");
    File(kDesktop + "\\Acme.lnk");
    File(kDesktop + "\\Acme Pro.lnk");
    UninstallKey(Hive::LocalMachine, "Acme", "Acme");
    UninstallKey(Hive::LocalMachine, "Acme Pro", "Acme Pro");
    MuiCache("D:\\Apps\\Acme\\acme.exe");
    MuiCache("D:\\Apps\\Acme Pro\\pro.exe");

    cleaner.CleanLeftovers(Make({"Acme", "D:\\Apps\\Acme", "", "", ""}));

    // The read-only leftover file is made writable and deleted; the install
    // folder, having held files, stays behind empty.
    EXPECT_EQ(machine.files.Snapshot("D:\\Apps"),
              (std::vector<std::string>{"D:\\Apps\\Acme\\", "D:\\Apps\\Other\\", "D:\\Apps\\Other\\keep.txt"}));
    EXPECT_FALSE(Exists(kRoaming + "\\Acme"));
    EXPECT_TRUE(Exists(kRoaming + "\\Acme Pro\\keep.ini"));
    EXPECT_FALSE(Exists(kDesktop + "\\Acme.lnk"));
    EXPECT_TRUE(Exists(kDesktop + "\\Acme Pro.lnk"));
    EXPECT_FALSE(machine.registry.KeyExists(Hive::LocalMachine, kUninstall + "\\Acme"));
    EXPECT_TRUE(machine.registry.ValueExists(Hive::LocalMachine, kUninstall + "\\Acme Pro", "DisplayName"));
    EXPECT_FALSE(machine.registry.ValueExists(Hive::ClassesRoot, kMuiCache, "D:\\Apps\\Acme\\acme.exe"));
    EXPECT_TRUE(machine.registry.ValueExists(Hive::ClassesRoot, kMuiCache, "D:\\Apps\\Acme Pro\\pro.exe"));
    for (const LeftoverItem& item : cleaner.leftovers)
        EXPECT_FALSE(cleaner.LeftoverExists(item)) << item.displayText.toStdString();
    EXPECT_EQ(machine.registry.OpenHandleCount(), 0u);
}

TEST_F(LeftoverTest, UninstallerStemFeedsOnlyTheMuiCacheSearch) {
    File(kRoaming + "\\unins000\\x.ini");
    File("C:\\ProgramData\\unins000\\y.ini");
    MuiCache("D:\\Apps\\Acme\\unins000.exe");
    MuiCache("D:\\Apps\\Acme\\myunins000.exe");
    UninstallKey(Hive::LocalMachine, "Acme", "Acme");
    const std::vector<std::string> lines = Collect({"Acme", "", "", "D:\\Apps\\Acme\\unins000.exe", ""});
    EXPECT_EQ(lines, (std::vector<std::string>{"R " + kUninstall + "\\Acme|DisplayName",
                                               "R " + kUninstall + "\\Acme|UninstallString",
                                               "R " + kUninstall + "\\Acme", "M D:\\Apps\\Acme\\unins000.exe"}));
}

TEST_F(LeftoverTest, EmptyFolderTextStillSearchesStartMenuAndDesktopButNotTheRegistry) {
    File(kPrograms + "\\Acme\\Acme.lnk");
    File(kDesktop + "\\Acme.lnk");
    UninstallKey(Hive::LocalMachine, "Acme", "Acme");
    EXPECT_EQ(Collect({"Acme", "", "", "", ""}),
              (std::vector<std::string>{"F C:/ProgramData/Microsoft/Windows/Start Menu/Programs/Acme/Acme.lnk",
                                        "F C:/users/Public/Desktop/Acme.lnk"}));
}

TEST_F(LeftoverTest, StartMenuSearchThatFindsOnlyFoldersIsRepeatedWithTheIconGroup) {
    Folder(kPrograms + "\\Acme\\Extras");
    File(kPrograms + "\\Acme Tools\\Acme.lnk");
    const std::string extras = "D " + kPrograms + "\\Acme\\Extras";
    // The folder of the first search stays in the scratch list and so is
    // added once more by the second.
    EXPECT_EQ(Collect({"Acme", "", "", "", "Acme Tools"}),
              (std::vector<std::string>{
                  extras, "F C:/ProgramData/Microsoft/Windows/Start Menu/Programs/Acme Tools/Acme.lnk", extras}));
}

TEST_F(LeftoverTest, StartMenuSearchThatFindsAFileIsNotRepeated) {
    File(kPrograms + "\\Acme\\Acme.lnk");
    File(kPrograms + "\\Acme Tools\\Acme.lnk");
    EXPECT_EQ(Collect({"Acme", "", "", "", "Acme Tools"}),
              (std::vector<std::string>{"F C:/ProgramData/Microsoft/Windows/Start Menu/Programs/Acme/Acme.lnk"}));
}

TEST_F(LeftoverTest, TreeWalkCostsOneCallPerSearchedFolder) {
    for (int folder = 0; folder < 50; ++folder)
        for (int file = 0; file < 20; ++file)
            File(kRoaming + "\\Vendor" + std::to_string(folder) + "\\sub\\f" + std::to_string(file) + ".dat");
    machine.files.ResetCallCount();
    cleaner.SearchFolderTree(QString::fromStdString(kRoaming), "Acme/", "Acme\\");
    EXPECT_EQ(machine.files.CallCount(), 1u);
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
    switch (c.search) {
    case Search::AppData:
        cleaner.SearchAppDataFolders(QStringLiteral("E:\\Apps\\") + term);
        break;
    case Search::StartMenu:
        cleaner.SearchStartMenu(term);
        break;
    case Search::Desktop:
        cleaner.SearchDesktop(term);
        break;
    }
    const std::vector<std::string> lines = Describe(cleaner.leftovers);
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

// --- Refused install folders -------------------------------------------------

struct RefusedCase {
    const char* name;
    const char* folder;
};

class RefusedFolderTest : public LeftoverTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedFolderTest, CollectsAndDeletesNothingOfIt) {
    const std::string folder = GetParam().folder;
    cleaner.SetOwnFolder(QStringLiteral("C:\\Tools\\Tolvanire"));
    File("C:\\Tools\\Tolvanire\\tolvanire.exe");
    Folder(folder);
    File(folder + "\\keep.txt");
    Folder(folder + "\\keepdir");
    const std::string leaf = folder.substr(folder.find_last_of('\\') + 1);
    if (leaf.size() >= 3) File(kRoaming + "\\" + leaf + "\\appdata.ini");
    MuiCache(folder + "\\app.exe");
    const std::vector<std::string> before = machine.files.Snapshot("C:\\");

    cleaner.CleanLeftovers(Make({"Refused Program", folder, "", "", ""}));

    EXPECT_EQ(cleaner.leftovers.size(), 0) << Describe(cleaner.leftovers).front();
    EXPECT_EQ(machine.files.Snapshot("C:\\"), before);
    EXPECT_TRUE(machine.registry.ValueExists(Hive::ClassesRoot, kMuiCache, folder + "\\app.exe"));
}

INSTANTIATE_TEST_SUITE_P(
    Table, RefusedFolderTest,
    ::testing::Values(
        RefusedCase{"DriveRoot", "C:\\"}, RefusedCase{"WindowsFolder", "C:\\windows"},
        RefusedCase{"InsideWindows", "C:\\windows\\system32\\Acme"},
        RefusedCase{"DotDotIntoWindows", "C:\\Apps\\..\\windows\\system32"},
        RefusedCase{"ProgramFiles", "C:\\Program Files"}, RefusedCase{"ProgramFilesX86", "C:\\Program Files (x86)"},
        RefusedCase{"CommonFiles", "C:\\Program Files\\Common Files"},
        RefusedCase{"CommonFilesX86", "C:\\Program Files (x86)\\Common Files"},
        RefusedCase{"ProgramData", "C:\\ProgramData"}, RefusedCase{"Users", "C:\\users"},
        RefusedCase{"Profile", "C:\\users\\tester"}, RefusedCase{"OtherProfile", "C:\\users\\other"},
        RefusedCase{"PublicProfile", "C:\\users\\Public"}, RefusedCase{"Desktop", "C:\\users\\tester\\Desktop"},
        RefusedCase{"Documents", "C:\\users\\tester\\Documents"},
        RefusedCase{"OtherUsersDocuments", "C:\\users\\other\\Documents"},
        RefusedCase{"Downloads", "C:\\users\\tester\\Downloads"}, RefusedCase{"Music", "C:\\users\\tester\\Music"},
        RefusedCase{"Pictures", "C:\\users\\tester\\Pictures"}, RefusedCase{"Videos", "C:\\users\\tester\\Videos"},
        RefusedCase{"AppData", "C:\\users\\tester\\AppData"},
        RefusedCase{"Roaming", "C:\\users\\tester\\AppData\\Roaming"},
        RefusedCase{"Local", "C:\\users\\tester\\AppData\\Local"},
        RefusedCase{"LocalLow", "C:\\users\\tester\\AppData\\LocalLow"},
        RefusedCase{"Temp", "C:\\users\\tester\\AppData\\Local\\Temp"}, RefusedCase{"WindowsTemp", "C:\\windows\\temp"},
        RefusedCase{"CommonStartMenu", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu"},
        RefusedCase{"CommonPrograms", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"},
        RefusedCase{"UserPrograms", "C:\\users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"},
        RefusedCase{"OwnFolder", "C:\\Tools\\Tolvanire"}, RefusedCase{"AboveOwnFolder", "C:\\Tools"},
        RefusedCase{"InsideOwnFolder", "C:\\Tools\\Tolvanire\\plugins"}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) { return info.param.name; });

TEST_F(LeftoverTest, AnOrdinaryFolderBesideTheRefusedOnesIsCollected) {
    File("C:\\Program Files\\Acme\\acme.exe");
    EXPECT_EQ(Collect({"Acme", "C:\\Program Files\\Acme", "", "", ""}),
              (std::vector<std::string>{"F C:/Program Files/Acme/acme.exe"}));
}

// --- Links ---------------------------------------------------------------------

TEST_F(LeftoverTest, JunctionLoopsAreNeitherFollowedNorDeletedThrough) {
    File("D:\\Apps\\Acme\\acme.exe");
    machine.files.CreateLink("D:\\Apps\\Acme\\loop", "D:\\Apps");
    File(kRoaming + "\\Acme\\cache\\c.tmp");
    machine.files.CreateLink(kRoaming + "\\Acme\\cache\\back", kRoaming);
    machine.files.CreateLink(kRoaming + "\\Acme\\docs", "C:\\users\\tester\\Documents");
    File("D:\\Apps\\Other\\keep.txt");

    const std::vector<std::string> lines = Collect({"Acme", "D:\\Apps\\Acme", "", "", ""});
    EXPECT_TRUE(Contains(lines, "D D:/Apps/Acme/loop"));
    EXPECT_TRUE(Contains(lines, "D " + kRoaming + "\\Acme\\cache\\back"));
    EXPECT_TRUE(Contains(lines, "D " + kRoaming + "\\Acme\\docs"));
    EXPECT_EQ(lines.size(), 6u);

    cleaner.DeleteLeftovers();
    // The links are gone; what they pointed at is untouched.
    EXPECT_EQ(machine.files.Snapshot("D:\\Apps"),
              (std::vector<std::string>{"D:\\Apps\\Acme\\", "D:\\Apps\\Other\\", "D:\\Apps\\Other\\keep.txt"}));
    EXPECT_FALSE(Exists(kRoaming + "\\Acme"));
    EXPECT_TRUE(Exists(kRoaming + "\\Microsoft\\keep.dat"));
    EXPECT_TRUE(Exists("C:\\users\\tester\\Documents\\letter.txt"));
}

// --- DeleteFolderTree ----------------------------------------------------------

TEST_F(LeftoverTest, DeleteFolderTreeRemovesEmptyParentsAndStopsAtAFullOne) {
    File("D:\\Apps\\Acme\\data\\a\\b.bin");
    File("D:\\Apps\\keep.txt");
    EXPECT_TRUE(cleaner.DeleteFolderTree(QStringLiteral("D:\\Apps\\Acme\\data")));
    EXPECT_EQ(machine.files.Snapshot("D:\\"), (std::vector<std::string>{"D:\\Apps\\", "D:\\Apps\\keep.txt"}));
}

TEST_F(LeftoverTest, DeleteFolderTreeKeepsHiddenAndReadOnlyFilesAndTheirFolders) {
    File("D:\\Apps\\Acme\\data\\visible.txt");
    File("D:\\Apps\\Acme\\data\\secret.txt", platform::kAttrHidden);
    File("D:\\Apps\\Acme\\cfg\\locked.ini", platform::kAttrReadOnly);
    File("D:\\Apps\\Acme\\gone\\x.txt");
    EXPECT_FALSE(cleaner.DeleteFolderTree(QStringLiteral("D:\\Apps\\Acme")));
    EXPECT_EQ(machine.files.Snapshot("D:\\Apps"),
              (std::vector<std::string>{"D:\\Apps\\Acme\\", "D:\\Apps\\Acme\\cfg\\", "D:\\Apps\\Acme\\cfg\\locked.ini",
                                        "D:\\Apps\\Acme\\data\\", "D:\\Apps\\Acme\\data\\secret.txt"}));
}

TEST_F(LeftoverTest, DeleteFolderTreeEdgeAnswers) {
    EXPECT_FALSE(cleaner.DeleteFolderTree(QString()));
    EXPECT_TRUE(cleaner.DeleteFolderTree(QStringLiteral("D:\\Apps\\Missing")));
    EXPECT_FALSE(cleaner.DeleteFolderTree(QStringLiteral("C:\\users\\tester\\Documents")));
    EXPECT_TRUE(Exists("C:\\users\\tester\\Documents\\letter.txt"));
}

TEST_F(LeftoverTest, DeleteFolderTreeNeverTakesAKnownFolderWithItsEmptyParents) {
    // The common desktop holds nothing but the program's folder: removing
    // that folder with its empty parents would remove the desktop too.
    File(kDesktop + "\\Acme\\readme.txt");
    EXPECT_FALSE(cleaner.DeleteFolderTree(QString::fromStdString(kDesktop + "\\Acme")));
    EXPECT_TRUE(machine.files.FolderExists(kDesktop));
    EXPECT_FALSE(Exists(kDesktop + "\\Acme\\readme.txt"));
}

// --- Registry ------------------------------------------------------------------

struct NameCase {
    const char* name;
    const char* programName;
    bool collected;
};

class DisplayNameTest : public LeftoverTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(DisplayNameTest, TakesOnlyAnEqualDisplayName) {
    UninstallKey(Hive::LocalMachine, "{1}", "Acme Notes Pro");
    UninstallKey(Hive::LocalMachine, "{2}", "Acme Notes");
    const QList<LeftoverItem> found =
        appEnum.FindRegistryLeftovers(QString::fromUtf8(GetParam().programName), QString());
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

TEST_F(LeftoverTest, KeyOfThe32BitViewIsNamedSoThatItsDeletionReachesIt) {
    UninstallKey(Hive::LocalMachine, "Acme", "Acme", platform::kKeyWow64_32Key);
    machine.registry.SetDword(Hive::LocalMachine, kUninstall + "\\Acme", "NoModify", 1, platform::kKeyWow64_32Key);
    File("D:\\Apps\\Acme\\a.txt");
    const std::string key = "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Acme";
    cleaner.CollectLeftovers(Make({"Acme", "D:\\Apps\\Acme", "", "", ""}));
    bool sawNumber = false;
    for (const LeftoverItem& item : cleaner.leftovers)
        sawNumber = sawNumber || item.displayText.toStdString() == key + "|NoModify:1";
    EXPECT_TRUE(sawNumber);
    cleaner.DeleteLeftovers();
    EXPECT_FALSE(machine.registry.KeyExists(Hive::LocalMachine, kUninstall + "\\Acme", platform::kKeyWow64_32Key));
}

TEST_F(LeftoverTest, LaterViewsStopAtTheirFirstKeyOnceOneIsFound) {
    UninstallKey(Hive::LocalMachine, "Acme32", "Acme", platform::kKeyWow64_32Key);
    UninstallKey(Hive::LocalMachine, "Aaa", "Other");
    UninstallKey(Hive::LocalMachine, "Acme64", "Acme");
    UninstallKey(Hive::CurrentUser, "Acme", "Acme");
    const std::vector<std::string> lines = Describe(appEnum.FindRegistryLeftovers(QStringLiteral("Acme"), QString()));
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
        appEnum.FindRegistryLeftovers(QStringLiteral("Nobody"), QString::fromUtf8(GetParam().folder));
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

TEST_F(LeftoverTest, NamesOutsideLatin1AreDeletedByTheirStoredBytes) {
    // Code page 1252: 0x80 is the euro sign, which Latin-1 cannot carry.
    const std::string subKey = std::string("Acme \x80");
    UninstallKey(Hive::LocalMachine, subKey, subKey);
    MuiCache("D:\\Apps\\Acme \x80\\a.exe");
    File("D:\\Apps\\Acme \xE2\x82\xAC\\a.exe");
    cleaner.CleanLeftovers(Make({subKey, "D:\\Apps\\Acme \x80", "", "", ""}));
    EXPECT_FALSE(machine.registry.KeyExists(Hive::LocalMachine, kUninstall + "\\" + subKey));
    EXPECT_FALSE(machine.registry.ValueExists(Hive::ClassesRoot, kMuiCache, "D:\\Apps\\Acme \x80\\a.exe"));
    EXPECT_FALSE(Exists("D:\\Apps\\Acme \xE2\x82\xAC\\a.exe"));
}

} // namespace
