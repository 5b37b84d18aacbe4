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

// The registry side of the search, which must succeed on the fake.
QList<LeftoverItem> RegistryLeftovers(CAppEnum& appEnum, const QString& name, const QString& folder) {
    QList<LeftoverItem> found;
    EXPECT_EQ(platform::kErrorSuccess, appEnum.FindRegistryLeftovers(name, folder, &found));
    return found;
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
        leftovers = cleaner.CollectLeftovers(Make(record));
        return Describe(leftovers);
    }

    MemoryPlatform machine;
    CAppEnum appEnum;
    CLeftoverCleaner cleaner;
    QList<LeftoverItem> leftovers; // of the last collection
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
        FolderTextCase{"CommaInLocationKept", "C:\\Program Files\\Other App, Inc\\Tool", "", "",
                       "C:\\Program Files\\Other App, Inc\\Tool"},
        FolderTextCase{"QuotedLocation", "\"D:\\Apps\\Acme\\\"", "", "", "D:\\Apps\\Acme"},
        FolderTextCase{"QuotedUninstallerStem", "", "", "\"D:\\Apps\\Acme\\unins000.exe\" /SILENT", "unins000"},
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

    leftovers = cleaner.CleanLeftovers(Make({"Acme", "D:\\Apps\\Acme", "", "", ""}));

    // The read-only leftover file is made writable and deleted; the install
    // folder, emptied, goes too.
    EXPECT_EQ(machine.files.Snapshot("D:\\Apps"),
              (std::vector<std::string>{"D:\\Apps\\Other\\", "D:\\Apps\\Other\\keep.txt"}));
    EXPECT_FALSE(Exists(kRoaming + "\\Acme"));
    EXPECT_TRUE(Exists(kRoaming + "\\Acme Pro\\keep.ini"));
    EXPECT_FALSE(Exists(kDesktop + "\\Acme.lnk"));
    EXPECT_TRUE(Exists(kDesktop + "\\Acme Pro.lnk"));
    EXPECT_FALSE(machine.registry.KeyExists(Hive::LocalMachine, kUninstall + "\\Acme"));
    EXPECT_TRUE(machine.registry.ValueExists(Hive::LocalMachine, kUninstall + "\\Acme Pro", "DisplayName"));
    EXPECT_FALSE(machine.registry.ValueExists(Hive::ClassesRoot, kMuiCache, "D:\\Apps\\Acme\\acme.exe"));
    EXPECT_TRUE(machine.registry.ValueExists(Hive::ClassesRoot, kMuiCache, "D:\\Apps\\Acme Pro\\pro.exe"));
    for (const LeftoverItem& item : leftovers)
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

TEST_F(LeftoverTest, TheStemOfASystemUninstallerNamesNoMuiCacheValue) {
    MuiCache("C:\\windows\\system32\\msiexec.exe.FriendlyAppName");
    for (const char* command : {"MsiExec.exe /X{12345678-1234-1234-1234-123456789012}",
                                "\"C:\\windows\\system32\\msiexec.exe\" /X{12345678}"}) {
        leftovers = cleaner.CollectLeftovers(Make({"Acme", "", "", command, ""}));
        EXPECT_TRUE(leftovers.isEmpty()) << command << ": " << Describe(leftovers).front();
    }
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

TEST_F(LeftoverTest, TreeWalkCostsOneCallPerSearchedFolderBesidesItsRealLocation) {
    for (int folder = 0; folder < 50; ++folder)
        for (int file = 0; file < 20; ++file)
            File(kRoaming + "\\Vendor" + std::to_string(folder) + "\\sub\\f" + std::to_string(file) + ".dat");
    machine.files.ResetCallCount();
    cleaner.Search().SearchFolderTree(QString::fromStdString(kRoaming), "Acme/", "Acme\\");
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
        found = cleaner.Search().SearchAppDataFolders(QStringLiteral("E:\\Apps\\") + term, term);
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

    leftovers = cleaner.CleanLeftovers(Make({"Refused Program", folder, "", "", ""}));

    EXPECT_EQ(leftovers.size(), 0) << Describe(leftovers).front();
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

    cleaner.DeleteLeftovers(leftovers);
    // The links are gone; what they pointed at is untouched.
    EXPECT_EQ(machine.files.Snapshot("D:\\Apps"),
              (std::vector<std::string>{"D:\\Apps\\Other\\", "D:\\Apps\\Other\\keep.txt"}));
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

TEST_F(LeftoverTest, DeleteFolderTreeStopsJustBelowAKnownFolderItLeavesEmpty) {
    // The common desktop holds nothing but the program's folder: the folder
    // goes, the desktop and its parents stay.
    File(kDesktop + "\\Acme\\readme.txt");
    EXPECT_TRUE(cleaner.DeleteFolderTree(QString::fromStdString(kDesktop + "\\Acme")));
    EXPECT_TRUE(machine.files.FolderExists(kDesktop));
    EXPECT_FALSE(Exists(kDesktop + "\\Acme"));
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

TEST_F(LeftoverTest, KeyOfThe32BitViewIsNamedSoThatItsDeletionReachesIt) {
    UninstallKey(Hive::LocalMachine, "Acme", "Acme", platform::kKeyWow64_32Key);
    machine.registry.SetDword(Hive::LocalMachine, kUninstall + "\\Acme", "NoModify", 1, platform::kKeyWow64_32Key);
    File("D:\\Apps\\Acme\\a.txt");
    const std::string key = "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Acme";
    leftovers = cleaner.CollectLeftovers(Make({"Acme", "D:\\Apps\\Acme", "", "", ""}));
    bool sawNumber = false;
    for (const LeftoverItem& item : leftovers)
        sawNumber = sawNumber || item.displayText.toStdString() == key + "|NoModify:1";
    EXPECT_TRUE(sawNumber);
    cleaner.DeleteLeftovers(leftovers);
    EXPECT_FALSE(machine.registry.KeyExists(Hive::LocalMachine, kUninstall + "\\Acme", platform::kKeyWow64_32Key));
}

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
    EXPECT_EQ(CLeftoverSearch::ProgramLeaf(c.folder, c.displayName, c.publisher,
                                           [](const QString& path) {
                                               return path.compare(QLatin1String("C:\\Program Files"),
                                                                   Qt::CaseInsensitive) == 0;
                                           })
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

// --- Folders the deletion leaves empty -----------------------------------------

struct EmptiedCase {
    const char* name;
    std::vector<std::string> files;  // made before the clean, hidden when ending in "*"
    std::vector<std::string> gone;   // absent afterwards
    std::vector<std::string> stayed; // present afterwards
};

class EmptiedFolderTest : public LeftoverTest, public ::testing::WithParamInterface<EmptiedCase> {};

TEST_P(EmptiedFolderTest, RemovesEmptiedProgramFoldersUpToAProtectedOne) {
    for (std::string file : GetParam().files) {
        const bool hidden = file.back() == '*';
        if (hidden) file.pop_back();
        File(file, hidden ? uint32_t(platform::kAttrHidden) : 0u);
    }
    leftovers = cleaner.CleanLeftovers(Make({"Acme", "D:\\Apps\\Acme", "", "", ""}));
    for (const std::string& path : GetParam().gone)
        EXPECT_FALSE(Exists(path)) << path;
    for (const std::string& path : GetParam().stayed)
        EXPECT_TRUE(Exists(path)) << path;
}

INSTANTIATE_TEST_SUITE_P(
    Table, EmptiedFolderTest,
    ::testing::Values(EmptiedCase{"InstallFolderThatHeldFiles",
                                  {"D:\\Apps\\Acme\\acme.exe", "D:\\Apps\\keep.txt"},
                                  {"D:\\Apps\\Acme"},
                                  {"D:\\Apps\\keep.txt"}},
                      EmptiedCase{"InstallFolderAndItsEmptiedParent",
                                  {"D:\\Apps\\Acme\\acme.exe", "D:\\Other.txt"},
                                  {"D:\\Apps"},
                                  {"D:\\Other.txt"}},
                      EmptiedCase{"ProgramDataFolderOfOneFile",
                                  {"C:\\ProgramData\\Acme\\only.dat"},
                                  {"C:\\ProgramData\\Acme"},
                                  {"C:\\ProgramData\\Microsoft\\keep.dat"}},
                      EmptiedCase{"StartMenuFolderOfOneShortcut",
                                  {kPrograms + "\\Acme\\Acme.lnk"},
                                  {kPrograms + "\\Acme"},
                                  {kPrograms}},
                      EmptiedCase{"AppDataFolder", {kRoaming + "\\Acme\\a\\b.ini"}, {kRoaming + "\\Acme"}, {kRoaming}},
                      EmptiedCase{"HiddenFileKeepsItsFolder",
                                  {"D:\\Apps\\Acme\\acme.exe", "D:\\Apps\\Acme\\state.dat*"},
                                  {"D:\\Apps\\Acme\\acme.exe"},
                                  {"D:\\Apps\\Acme\\state.dat"}},
                      EmptiedCase{"ProtectedFolderLeftEmptyStays",
                                  {kDesktop + "\\Acme.lnk"},
                                  {kDesktop + "\\Acme.lnk"},
                                  {kDesktop, "C:\\users\\Public"}}),
    [](const ::testing::TestParamInfo<EmptiedCase>& info) { return info.param.name; });

TEST_F(LeftoverTest, ALinkIsNeverRemovedAsAnEmptiedParent) {
    // ProgramData reached through a junction, as "All Users" reaches it.
    machine.files.CreateLink("C:\\users\\All Users", "C:\\ProgramData");
    File("C:\\ProgramData\\Acme\\only.dat");
    EXPECT_TRUE(cleaner.DeleteFolderTree(QStringLiteral("C:\\users\\All Users\\Acme")));
    EXPECT_FALSE(Exists("C:\\ProgramData\\Acme"));
    uint32_t attributes = 0;
    ASSERT_EQ(machine.files.GetAttributes("C:\\users\\All Users", &attributes), platform::kErrorSuccess);
    EXPECT_TRUE(attributes & platform::kAttrReparsePoint);
}

// --- Real locations ---------------------------------------------------------------

struct LinkCase {
    const char* name;
    const char* installLocation;
    std::vector<std::string> kept;
};

class LinkedPathTest : public LeftoverTest, public ::testing::WithParamInterface<LinkCase> {};

TEST_P(LinkedPathTest, JudgesEveryFolderByItsRealLocation) {
    // The default junctions of Windows.
    machine.files.CreateLink("C:\\Documents and Settings", "C:\\users");
    machine.files.CreateLink("C:\\users\\All Users", "C:\\ProgramData");
    machine.files.CreateLink("C:\\users\\tester\\My Documents", "C:\\users\\tester\\Documents");
    File(kPrograms + "\\Other\\Other.lnk");
    leftovers = cleaner.CleanLeftovers(Make({"Refused Program", GetParam().installLocation, "", "", ""}));
    for (const std::string& path : GetParam().kept)
        EXPECT_TRUE(Exists(path)) << path;
    EXPECT_TRUE(Exists("C:\\users\\All Users"));
    EXPECT_TRUE(Exists("C:\\Documents and Settings"));
}

INSTANTIATE_TEST_SUITE_P(Table, LinkedPathTest,
                         ::testing::Values(LinkCase{"DocumentsThroughDocumentsAndSettings",
                                                    "C:\\Documents and Settings\\tester\\Documents",
                                                    {"C:\\users\\tester\\Documents\\letter.txt"}},
                                           LinkCase{"MyDocumentsJunction",
                                                    "C:\\users\\tester\\My Documents",
                                                    {"C:\\users\\tester\\Documents\\letter.txt"}},
                                           LinkCase{"ProfileThroughDocumentsAndSettings",
                                                    "C:\\Documents and Settings\\tester",
                                                    {"C:\\users\\tester\\Documents\\letter.txt"}},
                                           LinkCase{"StartMenuThroughAllUsers",
                                                    "C:\\users\\All Users\\Microsoft\\Windows\\Start Menu\\Programs",
                                                    {kPrograms + "\\Other\\Other.lnk"}},
                                           LinkCase{"ProgramDataThroughAllUsers",
                                                    "C:\\users\\All Users",
                                                    {"C:\\ProgramData\\Microsoft\\keep.dat"}},
                                           LinkCase{"ShortDotsAndSpacesResolved",
                                                    "C:\\Apps\\..\\users\\tester\\Documents\\.",
                                                    {"C:\\users\\tester\\Documents\\letter.txt"}}),
                         [](const ::testing::TestParamInfo<LinkCase>& info) { return info.param.name; });

TEST_F(LeftoverTest, AFolderReachedThroughAJunctionIsCleanedButTheJunctionStays) {
    machine.files.CreateLink("C:\\users\\All Users", "C:\\ProgramData");
    File("C:\\ProgramData\\Acme\\acme.dat");
    leftovers = cleaner.CleanLeftovers(Make({"Acme", "C:\\users\\All Users\\Acme", "", "", ""}));
    // Named by its real location: once as the install folder's content,
    // once as ProgramData's folder of that name.
    EXPECT_EQ(Describe(leftovers),
              (std::vector<std::string>{"F C:/ProgramData/Acme/acme.dat", "F C:/ProgramData/Acme/acme.dat"}));
    EXPECT_FALSE(Exists("C:\\ProgramData\\Acme"));
    EXPECT_TRUE(Exists("C:\\users\\All Users"));
    EXPECT_TRUE(Exists("C:\\ProgramData\\Microsoft\\keep.dat"));
}

// --- Wine: the Linux side is out of reach -------------------------------------------

TEST_F(LeftoverTest, AnInstallFolderOutsideTheMachinesDiskIsSkippedWithTheReason) {
    // Z: is the Linux root, and the profile's Documents a link into the
    // Linux home, as in a Wine prefix.
    machine.files.MapDriveOutside("Z:", "/");
    File("Z:\\home\\tester\\Documents\\thesis.odt");
    File("Z:\\home\\tester\\.bashrc");
    File(kRoaming + "\\tester\\keep.ini");
    UninstallKey(Hive::LocalMachine, "Home", "Home Program");
    QList<SkippedLeftover> skipped;
    leftovers = cleaner.CollectLeftovers(Make({"Home Program", "Z:\\home\\tester", "", "", ""}), &skipped);
    // The uninstall key still goes; nothing of the folder does.
    EXPECT_EQ(Describe(leftovers),
              (std::vector<std::string>{"R " + kUninstall + "\\Home|DisplayName",
                                        "R " + kUninstall + "\\Home|UninstallString", "R " + kUninstall + "\\Home"}));
    ASSERT_EQ(skipped.size(), 1);
    EXPECT_EQ(skipped.front().path.toStdString(), "Z:\\home\\tester");
    EXPECT_NE(skipped.front().reason.indexOf(QLatin1String("/home/tester")), -1)
        << skipped.front().reason.toStdString();
    cleaner.DeleteLeftovers(leftovers);
    EXPECT_TRUE(Exists("Z:\\home\\tester\\Documents\\thesis.odt"));
    EXPECT_TRUE(Exists("Z:\\home\\tester\\.bashrc"));
    EXPECT_FALSE(cleaner.DeleteFolderTree(QStringLiteral("Z:\\home\\tester\\Documents")));
    EXPECT_TRUE(Exists("Z:\\home\\tester\\Documents\\thesis.odt"));
}

TEST_F(LeftoverTest, ALinkIntoTheLinuxHomeIsRemovedAsALinkOnly) {
    machine.files.MapDriveOutside("Z:", "/");
    File("Z:\\home\\tester\\Music\\song.ogg");
    File(kRoaming + "\\Acme\\a.ini");
    machine.files.CreateLink(kRoaming + "\\Acme\\music", "Z:\\home\\tester\\Music");
    leftovers = cleaner.CleanLeftovers(Make({"Acme", "D:\\Apps\\Acme", "", "", ""}));
    EXPECT_FALSE(Exists(kRoaming + "\\Acme"));
    EXPECT_TRUE(Exists("Z:\\home\\tester\\Music\\song.ogg"));
}

// --- What other programs claim ----------------------------------------------------

TEST_F(LeftoverTest, AVendorUpdaterTakesOnlyItsOwnFilesFromTheVendorFolder) {
    const std::string vendor = "C:\\Program Files\\Vela Labs";
    File(vendor + "\\updater.exe");
    File(vendor + "\\Vela Paint\\paint.exe");
    File(vendor + "\\Vela Draw\\draw.exe");
    File(vendor + "\\Shared\\Vela Paint\\brushes.dat");
    File(kRoaming + "\\Vela Labs\\updater.ini");
    File(kRoaming + "\\Vela Labs\\Vela Paint\\paint.ini");
    File(kPrograms + "\\Vela Labs\\Vela Paint.lnk");
    File(kPrograms + "\\Vela Labs\\Vela Labs Updater.lnk");
    UninstallKey(Hive::LocalMachine, "VelaUpdater", "Vela Labs Updater");
    UninstallKey(Hive::LocalMachine, "VelaPaint", "Vela Paint");
    machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\VelaPaint", "InstallLocation",
                               vendor + "\\Vela Paint");
    UninstallKey(Hive::LocalMachine, "VelaDraw", "Vela Draw");
    machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\VelaDraw", "DisplayIcon",
                               "\"" + vendor + "\\Vela Draw\\draw.exe\",0");
    MuiCache(vendor + "\\Vela Paint\\paint.exe.FriendlyAppName");
    MuiCache(vendor + "\\updater.exe.FriendlyAppName");

    leftovers = cleaner.CleanLeftovers(Make({"Vela Labs Updater", vendor, "", "", "Vela Labs"}));

    EXPECT_FALSE(Exists(vendor + "\\updater.exe"));
    EXPECT_FALSE(Exists(kRoaming + "\\Vela Labs\\updater.ini"));
    EXPECT_FALSE(Exists(kPrograms + "\\Vela Labs\\Vela Labs Updater.lnk"));
    EXPECT_FALSE(machine.registry.KeyExists(Hive::LocalMachine, kUninstall + "\\VelaUpdater"));
    EXPECT_FALSE(machine.registry.ValueExists(Hive::ClassesRoot, kMuiCache, vendor + "\\updater.exe.FriendlyAppName"));
    for (const std::string& path :
         {vendor + "\\Vela Paint\\paint.exe", vendor + "\\Vela Draw\\draw.exe",
          vendor + "\\Shared\\Vela Paint\\brushes.dat", kRoaming + "\\Vela Labs\\Vela Paint\\paint.ini",
          kPrograms + "\\Vela Labs\\Vela Paint.lnk"})
        EXPECT_TRUE(Exists(path)) << path;
    EXPECT_TRUE(machine.registry.KeyExists(Hive::LocalMachine, kUninstall + "\\VelaPaint"));
    EXPECT_TRUE(
        machine.registry.ValueExists(Hive::ClassesRoot, kMuiCache, vendor + "\\Vela Paint\\paint.exe.FriendlyAppName"));
}

TEST_F(LeftoverTest, APlugInNamingItsHostsFolderTakesNothingOfTheHost) {
    const std::string host = "C:\\Program Files\\Host App";
    File(host + "\\host.exe");
    File(host + "\\plugins\\acme.dll");
    File(kRoaming + "\\Host App\\host.ini");
    File(kPrograms + "\\Host App\\Host App.lnk");
    File(kPrograms + "\\Acme Plug-in\\Acme Plug-in.lnk");
    UninstallKey(Hive::LocalMachine, "HostApp", "Host App");
    machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\HostApp", "InstallLocation", host);
    UninstallKey(Hive::LocalMachine, "AcmePlugin", "Acme Plug-in");
    MuiCache(host + "\\host.exe.FriendlyAppName");

    QList<SkippedLeftover> skipped;
    leftovers = cleaner.CollectLeftovers(Make({"Acme Plug-in", host, "", "", ""}), &skipped);
    cleaner.DeleteLeftovers(leftovers);

    EXPECT_EQ(skipped.size(), 1);
    EXPECT_FALSE(Exists(kPrograms + "\\Acme Plug-in"));
    EXPECT_FALSE(machine.registry.KeyExists(Hive::LocalMachine, kUninstall + "\\AcmePlugin"));
    for (const std::string& path : {host + "\\host.exe", host + "\\plugins\\acme.dll",
                                    kRoaming + "\\Host App\\host.ini", kPrograms + "\\Host App\\Host App.lnk"})
        EXPECT_TRUE(Exists(path)) << path;
    EXPECT_TRUE(machine.registry.ValueExists(Hive::ClassesRoot, kMuiCache, host + "\\host.exe.FriendlyAppName"));
}

// --- Registry leftovers stay in their hive --------------------------------------

TEST_F(LeftoverTest, AKeyIsDeletedOnlyInTheHiveItWasFoundIn) {
    UninstallKey(Hive::LocalMachine, "{GUID}", "Acme");
    UninstallKey(Hive::CurrentUser, "{GUID}", "Acme (per user)");
    machine.registry.SetString(Hive::CurrentUser, kUninstall + "\\{GUID}", "UninstallString", "C:\\u.exe");
    File("D:\\Apps\\Acme\\a.txt");
    leftovers = cleaner.CleanLeftovers(Make({"Acme", "D:\\Apps\\Acme", "", "", ""}));
    EXPECT_FALSE(machine.registry.KeyExists(Hive::LocalMachine, kUninstall + "\\{GUID}"));
    EXPECT_TRUE(machine.registry.ValueExists(Hive::CurrentUser, kUninstall + "\\{GUID}", "DisplayName"));
    EXPECT_TRUE(machine.registry.ValueExists(Hive::CurrentUser, kUninstall + "\\{GUID}", "UninstallString"));
    for (const LeftoverItem& item : leftovers)
        if (item.kind == LeftoverRegistry) {
            EXPECT_EQ(item.hive, LeftoverLocalMachine);
        }
}

// --- Fail closed ------------------------------------------------------------------

struct FailCase {
    const char* name;
    const char* failing; // the path whose listing or lookup fails
    const char* kept;
};

class FailClosedTest : public LeftoverTest, public ::testing::WithParamInterface<FailCase> {};

TEST_P(FailClosedTest, KeepsWhatASafetyCheckCannotDecide) {
    File("D:\\Apps\\Acme\\acme.exe");
    File("C:\\users\\bob\\Documents\\cv.txt");
    File(kRoaming + "\\Acme\\a.ini");
    machine.files.FailPath(GetParam().failing, platform::kErrorAccessDenied);
    const std::string folder =
        GetParam().name == std::string("UsersCannotBeListed") ? "C:\\users\\bob" : "D:\\Apps\\Acme";
    leftovers = cleaner.CleanLeftovers(Make({"Acme", folder, "", "", ""}));
    EXPECT_TRUE(Exists(GetParam().kept)) << GetParam().kept;
}

INSTANTIATE_TEST_SUITE_P(
    Table, FailClosedTest,
    ::testing::Values(FailCase{"InstallFolderCannotBeResolved", "D:\\Apps\\Acme", "D:\\Apps\\Acme\\acme.exe"},
                      FailCase{"AppDataCannotBeResolved", "C:\\users\\tester\\AppData\\Roaming",
                               "C:\\users\\tester\\AppData\\Roaming\\Acme\\a.ini"},
                      FailCase{"UsersCannotBeListed", "C:\\users", "C:\\users\\bob\\Documents\\cv.txt"}),
    [](const ::testing::TestParamInfo<FailCase>& info) { return info.param.name; });

// --- A comma in an install location ---------------------------------------------

TEST_F(LeftoverTest, ACommaInTheInstallLocationIsPartOfTheFolderName) {
    File("C:\\Program Files\\Other App, Inc\\Tool\\tool.exe");
    File("C:\\Program Files\\Other App\\other.exe");
    leftovers = cleaner.CleanLeftovers(Make({"Tool", "C:\\Program Files\\Other App, Inc\\Tool", "", "", ""}));
    EXPECT_FALSE(Exists("C:\\Program Files\\Other App, Inc\\Tool\\tool.exe"));
    EXPECT_TRUE(Exists("C:\\Program Files\\Other App\\other.exe"));
}

} // namespace
