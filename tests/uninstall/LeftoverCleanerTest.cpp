// CLeftoverCleaner: the folder text of a record, the whole collection in
// step order, the deletion of what it collected, registry leftovers.

#include "uninstall/LeftoverCleaner.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "tests/uninstall/LeftoverMachine.h"

namespace {

using namespace leftover_test;

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
        // The folders named after the program, each whole with itself.
        "F C:/users/tester/AppData/Roaming/Acme/settings.ini",
        "F C:/users/tester/AppData/Roaming/Acme/cache/deep/x.tmp",
        "D C:\\users\\tester\\AppData\\Roaming\\Acme\\cache\\deep",
        "D C:\\users\\tester\\AppData\\Roaming\\Acme\\cache", "D C:\\users\\tester\\AppData\\Roaming\\Acme",
        "F C:/ProgramData/Acme/log/l.txt", "D C:\\ProgramData\\Acme\\log", "D C:\\ProgramData\\Acme",
        "F C:/ProgramData/Microsoft/Windows/Start Menu/Programs/Acme/Acme.lnk", "D " + kPrograms + "\\Acme",
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

// --- Names in any script ------------------------------------------------------

struct ScriptCase {
    const char* script;
    std::string name;      // the program's name and its folders' names
    std::string otherCase; // the same name as the record spells its folder
    std::string other;     // another program's, as many characters long
};

class ScriptNameTest : public LeftoverTest, public ::testing::WithParamInterface<ScriptCase> {};

// A program named in any script loses its install folder, its AppData
// folder, its uninstall key and its MuiCache value, also when its record
// spells the folder in another case; the program of the same length beside
// it keeps all of its own.
TEST_P(ScriptNameTest, CleansTheProgramWholeAndKeepsItsNeighbour) {
    const ScriptCase& c = GetParam();
    for (const std::string& name : {c.name, c.other}) {
        File("D:\\Apps\\" + name + "\\app.exe");
        File(kRoaming + "\\" + name + "\\settings.ini");
        UninstallKey(Hive::LocalMachine, name, name);
        MuiCache("D:\\Apps\\" + name + "\\app.exe");
    }

    leftovers = cleaner.CleanLeftovers(Make({c.name, "D:\\Apps\\" + c.otherCase, "", "", ""}));

    EXPECT_EQ(machine.files.Snapshot("D:\\Apps"),
              (std::vector<std::string>{"D:\\Apps\\" + c.other + "\\", "D:\\Apps\\" + c.other + "\\app.exe"}));
    EXPECT_FALSE(Exists(kRoaming + "\\" + c.name));
    EXPECT_TRUE(Exists(kRoaming + "\\" + c.other + "\\settings.ini"));
    EXPECT_FALSE(machine.registry.KeyExists(Hive::LocalMachine, kUninstall + "\\" + c.name));
    EXPECT_TRUE(machine.registry.KeyExists(Hive::LocalMachine, kUninstall + "\\" + c.other));
    EXPECT_FALSE(machine.registry.ValueExists(Hive::ClassesRoot, kMuiCache, "D:\\Apps\\" + c.name + "\\app.exe"));
    EXPECT_TRUE(machine.registry.ValueExists(Hive::ClassesRoot, kMuiCache, "D:\\Apps\\" + c.other + "\\app.exe"));
    EXPECT_FALSE(leftovers.isEmpty());
    for (const LeftoverItem& item : leftovers)
        EXPECT_FALSE(cleaner.LeftoverExists(item)) << item.displayText.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Table, ScriptNameTest,
                         ::testing::Values(ScriptCase{"Cyrillic", "Блокнот", "БЛОКНОТ", "Записки"},
                                           ScriptCase{"Greek", "Σημειώσεις", "ΣΗΜΕΙΏΣΕΙΣ", "Ημερολόγιο"},
                                           ScriptCase{"Chinese", "记事本", "记事本", "画图板"},
                                           ScriptCase{"Japanese", "メモ帳", "メモ帳", "付箋紙"},
                                           ScriptCase{"AccentedLatin", "Äpfel Café", "äPFEL CAFÉ", "Öl Zitrone"},
                                           ScriptCase{"Emoji", "Notes 📝", "NOTES 📝", "Notes 📒"}),
                         [](const ::testing::TestParamInfo<ScriptCase>& info) { return info.param.script; });

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
    const std::string shortcut = "F C:/ProgramData/Microsoft/Windows/Start Menu/Programs/Acme/Acme.lnk";
    EXPECT_EQ(Collect({"Acme", "", "", "", ""}),
              (std::vector<std::string>{shortcut, "D " + kPrograms + "\\Acme", shortcut,
                                        "F C:/users/Public/Desktop/Acme.lnk"}));
}

TEST_F(LeftoverTest, StartMenuSearchThatFindsOnlyFoldersIsRepeatedWithTheIconGroup) {
    Folder(kPrograms + "\\Acme\\Extras");
    File(kPrograms + "\\Acme Tools\\Acme.lnk");
    const std::string extras = "D " + kPrograms + "\\Acme\\Extras";
    // The folder of the first search stays in the scratch list and so is
    // added once more by the second (after the folder named after the
    // program, taken whole).
    EXPECT_EQ(Collect({"Acme", "", "", "", "Acme Tools"}),
              (std::vector<std::string>{extras, "D " + kPrograms + "\\Acme", extras,
                                        "F C:/ProgramData/Microsoft/Windows/Start Menu/Programs/Acme Tools/Acme.lnk",
                                        extras}));
}

TEST_F(LeftoverTest, StartMenuSearchThatFindsAFileIsNotRepeated) {
    File(kPrograms + "\\Acme\\Acme.lnk");
    File(kPrograms + "\\Acme Tools\\Acme.lnk");
    const std::string shortcut = "F C:/ProgramData/Microsoft/Windows/Start Menu/Programs/Acme/Acme.lnk";
    EXPECT_EQ(Collect({"Acme", "", "", "", "Acme Tools"}),
              (std::vector<std::string>{shortcut, "D " + kPrograms + "\\Acme", shortcut}));
}

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

// --- Registry leftovers stay in their hive --------------------------------------

// --- An uninstall key of the same name may register another program --------

struct SameNameKeyCase {
    const char* name;
    const char* command; // the UninstallString of the key left in the 32-bit view
    const char* file;    // a file that exists, or ""
    bool taken;
};

void PrintTo(const SameNameKeyCase& c, std::ostream* os) {
    *os << c.name;
}

class SameNameKeyTable : public LeftoverTest, public ::testing::WithParamInterface<SameNameKeyCase> {};

TEST_P(SameNameKeyTable, IsTakenOnlyWhenItIsTheProgramsOwnOrItsUninstallerIsGone) {
    const SameNameKeyCase& c = GetParam();
    // The removed program registered itself in the 64-bit view, whose key
    // its uninstaller took; a key of the same name is left in the 32-bit one.
    machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\Acme32", "DisplayName", "Acme",
                               platform::kKeyWow64_32Key);
    machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\Acme32", "UninstallString", c.command,
                               platform::kKeyWow64_32Key);
    if (*c.file) File(c.file);
    File("D:\\Apps\\Acme\\a.txt");
    QList<SkippedLeftover> skipped;
    leftovers = cleaner.CollectLeftovers(Make({"Acme", "D:\\Apps\\Acme", "", "\"D:\\Apps\\Acme\\uninst.exe\" /S", ""}),
                                         &skipped);
    cleaner.DeleteLeftovers(leftovers);
    EXPECT_EQ(!machine.registry.KeyExists(Hive::LocalMachine, kUninstall + "\\Acme32", platform::kKeyWow64_32Key),
              c.taken);
    bool named = false;
    for (const SkippedLeftover& item : skipped)
        named = named || (item.path.endsWith(QStringLiteral("\\Acme32")) && item.because == KeptClaimedByOther);
    EXPECT_EQ(named, !c.taken);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SameNameKeyTable,
    ::testing::Values(SameNameKeyCase{"AnotherProgramsLiveUninstaller", "\"D:\\Apps\\Acme32\\uninst.exe\"",
                                      "D:\\Apps\\Acme32\\uninst.exe", false},
                      SameNameKeyCase{"AnInstallerPackage", "MsiExec.exe /X{12345678-1234-1234-1234-123456789012}", "",
                                      false},
                      SameNameKeyCase{"AnUninstallerThatIsGone", "\"D:\\Apps\\Acme32\\uninst.exe\"", "", true},
                      SameNameKeyCase{"TheProgramsOwnCommand", "\"D:\\Apps\\Acme\\uninst.exe\" /S",
                                      "D:\\Apps\\Acme\\uninst.exe", true}),
    [](const ::testing::TestParamInfo<SameNameKeyCase>& info) { return std::string(info.param.name); });

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

// --- Programs that name no install folder ------------------------------------

// The files and folders a collection chose, each with why: "i" in the install
// folder, "p" named after the program, "v" below <Publisher>\<Name>.
std::vector<std::string> Chosen(const QList<LeftoverItem>& items) {
    std::vector<std::string> lines;
    const std::vector<std::string> described = Describe(items);
    for (int i = 0; i < items.size(); ++i) {
        if (items[i].kind != LeftoverFile && items[i].kind != LeftoverFolder) continue;
        const char* why = items[i].reason == LeftoverInInstallFolder     ? " i"
                          : items[i].reason == LeftoverNamedAfterProgram ? " p"
                                                                         : " v";
        const std::string line = described[size_t(i)] + why;
        if (!Contains(lines, line)) lines.push_back(line);
    }
    return lines;
}

struct UnnamedFolderCase {
    const char* name;
    Record record;
    std::vector<std::string> files; // present on the machine
    std::vector<std::string> chosen;
};

class UnnamedFolderTable : public LeftoverTest, public ::testing::WithParamInterface<UnnamedFolderCase> {};

TEST_P(UnnamedFolderTable, ChoosesOnlyFoldersThatNameTheProgram) {
    const UnnamedFolderCase& c = GetParam();
    // Another program, whose folders and name stay out of reach.
    machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\Other", "DisplayName", "Other Tool");
    machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\Other", "UninstallString",
                               "D:\\Apps\\Shared Juniper\\uninst.exe");
    machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\Other", "InstallLocation",
                               "D:\\Apps\\Shared Juniper");
    for (const std::string& file : c.files)
        File(file);
    EXPECT_EQ(Chosen(cleaner.CollectLeftovers(Make(c.record))), c.chosen);
}

const std::string kMsi = "MsiExec.exe /I{0B6E3A4D-7C21-4F5E-9A8B-1C2D3E4F5A6B}";
const std::string kNotesData = kRoaming + "\\Juniper Notes";

INSTANTIATE_TEST_SUITE_P(
    Table, UnnamedFolderTable,
    ::testing::Values(
        UnnamedFolderCase{"AppDataFolderOfTheNameWithoutVersionAndArchitecture",
                          {"Juniper Notes 2.1 (x64)", "", "", kMsi, "", "Juniper Works"},
                          {kNotesData + "\\settings.ini", kRoaming + "\\Juniper Notes Pro\\keep.ini"},
                          {"F C:/users/tester/AppData/Roaming/Juniper Notes/settings.ini p", "D " + kNotesData + " p"}},
        UnnamedFolderCase{
            "LocalAppDataBelowThePublisher",
            {"Juniper Notes 2.1", "", "", kMsi, "", "Juniper Works"},
            {kLocal + "\\Juniper Works\\Juniper Notes\\cache.db", kLocal + "\\Juniper Works\\Other\\k.db"},
            {"F C:/users/tester/AppData/Local/Juniper Works/Juniper Notes/cache.db v",
             "D " + kLocal + "\\Juniper Works\\Juniper Notes v"}},
        UnnamedFolderCase{"ProgramDataWithArchitectureAndLanguage",
                          {"Juniper Office x64 en-US", "", "", kMsi, "", ""},
                          {"C:\\ProgramData\\Juniper Office\\a.dat"},
                          {"F C:/ProgramData/Juniper Office/a.dat p", "D C:\\ProgramData\\Juniper Office p"}},
        UnnamedFolderCase{"StartMenuFolderOfTheBareName",
                          {"Juniper Notes 2.1", "", "", kMsi, "", ""},
                          {kPrograms + "\\Juniper Notes\\Notes.lnk"},
                          {"F C:/ProgramData/Microsoft/Windows/Start Menu/Programs/Juniper Notes/Notes.lnk p",
                           "D " + kPrograms + "\\Juniper Notes p"}},
        UnnamedFolderCase{"IconFolderThatNamesTheProgram",
                          {"Juniper Notes", "", "\"C:\\Program Files\\Juniper Notes\\jn.exe\",0", kMsi, "", ""},
                          {"C:\\Program Files\\Juniper Notes\\jn.exe"},
                          {"F C:/Program Files/Juniper Notes/jn.exe i"}},
        UnnamedFolderCase{"UninstallerFolderThatNamesThePublisher",
                          {"Notes", "", "", "\"D:\\Apps\\Juniper Works\\unins000.exe\" /SILENT", "", "Juniper Works"},
                          {"D:\\Apps\\Juniper Works\\unins000.exe"},
                          {"F D:/Apps/Juniper Works/unins000.exe i"}},
        UnnamedFolderCase{
            "RefusedLocationFallsBackToTheIconFolder",
            {"Juniper Notes", "C:\\Program Files", "C:\\Program Files\\Juniper Notes\\jn.exe", "", "", ""},
            {"C:\\Program Files\\Juniper Notes\\jn.exe", "C:\\Program Files\\Other\\o.exe"},
            {"F C:/Program Files/Juniper Notes/jn.exe i"}},
        UnnamedFolderCase{"IconInWindowsInstallersCache",
                          {"Juniper Notes", "", "C:\\windows\\Installer\\{0B6E3A4D}\\Juniper Notes.exe", kMsi, "", ""},
                          {"C:\\windows\\Installer\\{0B6E3A4D}\\Juniper Notes.exe"},
                          {}},
        UnnamedFolderCase{"IconFolderThatNamesAnotherProgram",
                          {"Juniper Notes", "", "C:\\Program Files\\Tools\\jn.exe", kMsi, "", ""},
                          {"C:\\Program Files\\Tools\\jn.exe"},
                          {}},
        UnnamedFolderCase{"UninstallerInAKnownFolder",
                          {"Juniper Notes", "", "", "\"C:\\Program Files (x86)\\Juniper Notes uninstall.exe\"", "", ""},
                          {"C:\\Program Files (x86)\\Juniper Notes uninstall.exe"},
                          {}},
        UnnamedFolderCase{"IconFolderAnotherProgramClaims",
                          {"Juniper Notes", "", "D:\\Apps\\Shared Juniper\\jn.exe", kMsi, "", ""},
                          {"D:\\Apps\\Shared Juniper\\jn.exe"},
                          {}},
        UnnamedFolderCase{"BareNameOfThePublisherIsOnlyThePublishersFolder",
                          {"Juniper 7", "", "", kMsi, "", "Juniper"},
                          {kRoaming + "\\Juniper\\Mail\\keep.ini", kRoaming + "\\Juniper\\Juniper 7\\a.ini"},
                          {"F C:/users/tester/AppData/Roaming/Juniper/Juniper 7/a.ini v",
                           "D " + kRoaming + "\\Juniper\\Juniper 7 v"}},
        UnnamedFolderCase{"GenericBareNameSearchesNothing",
                          {"Tools 2.0", "", "", kMsi, "", "Setup"},
                          {kRoaming + "\\Tools\\t.ini", kLocal + "\\Setup\\Tools\\t.ini"},
                          {}},
        UnnamedFolderCase{"FolderHoldingAnotherProgramsFolderIsNotTakenWhole",
                          {"Juniper Notes", "", "", kMsi, "", ""},
                          {kNotesData + "\\a.ini", kNotesData + "\\Other Tool\\keep.ini"},
                          {"F C:/users/tester/AppData/Roaming/Juniper Notes/a.ini p"}}),
    [](const ::testing::TestParamInfo<UnnamedFolderCase>& info) { return info.param.name; });

TEST_F(LeftoverTest, APublisherFolderGoesOnlyWhenItIsLeftEmpty) {
    File(kLocal + "\\Juniper Works\\Juniper Notes\\cache.db");
    File(kRoaming + "\\Juniper Works\\Juniper Notes\\settings.ini");
    File(kRoaming + "\\Juniper Works\\Juniper Mail\\keep.ini");
    cleaner.CleanLeftovers(Make({"Juniper Notes 2.1", "", "", "", "", "Juniper Works"}));
    EXPECT_FALSE(machine.files.FolderExists(kLocal + "\\Juniper Works"));
    EXPECT_TRUE(machine.files.FolderExists(kLocal));
    EXPECT_FALSE(machine.files.FolderExists(kRoaming + "\\Juniper Works\\Juniper Notes"));
    EXPECT_TRUE(Exists(kRoaming + "\\Juniper Works\\Juniper Mail\\keep.ini"));
}

struct ProgramNamesCase {
    const char* displayName;
    std::vector<std::string> names;
};

class ProgramNamesTest : public ::testing::TestWithParam<ProgramNamesCase> {};

TEST_P(ProgramNamesTest, DropsOnlyTrailingVersionArchitectureAndLanguage) {
    std::vector<std::string> names;
    for (const QString& name : CLeftoverSearch::ProgramNames(QString::fromUtf8(GetParam().displayName)))
        names.push_back(name.toStdString());
    EXPECT_EQ(names, GetParam().names);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProgramNamesTest,
    ::testing::Values(ProgramNamesCase{"Juniper Notes 5.4", {"Juniper Notes 5.4", "Juniper Notes"}},
                      ProgramNamesCase{"Juniper Notes (x64)", {"Juniper Notes (x64)", "Juniper Notes"}},
                      ProgramNamesCase{"Juniper Office x64 en-US", {"Juniper Office x64 en-US", "Juniper Office"}},
                      ProgramNamesCase{"Juniper 7 - 2.0.1 (64-bit)", {"Juniper 7 - 2.0.1 (64-bit)", "Juniper"}},
                      ProgramNamesCase{"Notepad2", {"Notepad2"}}, ProgramNamesCase{"Juniper Hi-Fi", {"Juniper Hi-Fi"}},
                      ProgramNamesCase{"Go 1.21", {}}, ProgramNamesCase{"Tools 2.0", {}}));

// --- What the collection keeps, and why ------------------------------------

struct KeptCase {
    const char* name;
    std::function<void(LeftoverTest&)> furnish;
    Record record;
    std::string kept; // the place left alone
    int32_t because;
};

class KeptTable : public LeftoverTest, public ::testing::WithParamInterface<KeptCase> {};

// Each place a search would have taken but a fence kept is reported once,
// with the fence that kept it, and is not among the leftovers.
TEST_P(KeptTable, SaysWhyAPlaceWasLeftAlone) {
    const KeptCase& c = GetParam();
    UninstallKey(Hive::LocalMachine, "Other", "Other Tool");
    c.furnish(*this);
    QList<SkippedLeftover> skipped;
    leftovers = cleaner.CollectLeftovers(Make(c.record), &skipped);
    const QString kept = QString::fromStdString(c.kept);
    auto same = [&kept](const QString& path) {
        return QString(path).replace(QLatin1Char('/'), QLatin1Char('\\')).compare(kept, Qt::CaseInsensitive) == 0;
    };
    int found = 0;
    QStringList all;
    for (const SkippedLeftover& skip : skipped) {
        all << QStringLiteral("%1 %2").arg(skip.because).arg(skip.path);
        if (!same(skip.path)) continue;
        ++found;
        EXPECT_EQ(skip.because, c.because) << skip.reason.toStdString();
        EXPECT_FALSE(skip.reason.isEmpty());
    }
    EXPECT_EQ(found, 1) << all.join(QLatin1Char('\n')).toStdString();
    for (const LeftoverItem& item : leftovers)
        EXPECT_FALSE(same(item.target)) << item.target.toStdString();
}

const std::string kAcme = "C:\\Program Files\\Acme Notes";

INSTANTIATE_TEST_SUITE_P(
    Table, KeptTable,
    testing::Values(KeptCase{"AnotherProgramsFolderInTheInstallFolder",
                             [](LeftoverTest& t) {
                                 t.File(kAcme + "\\notes.exe");
                                 t.File(kAcme + "\\Other Tool\\tool.exe");
                             },
                             {"Acme Notes", kAcme, "", "", ""},
                             kAcme + "\\Other Tool",
                             KeptClaimedByOther},
                    KeptCase{"AppDataFolderHoldingAnotherProgramsFolder",
                             [](LeftoverTest& t) { t.File(kRoaming + "\\Acme Notes\\Other Tool\\keep.ini"); },
                             {"Acme Notes", "", "", "", ""},
                             kRoaming + "\\Acme Notes",
                             KeptClaimedByOther},
                    KeptCase{"InstallFolderThatIsALink",
                             [](LeftoverTest& t) {
                                 t.File("D:\\Elsewhere\\data.bin");
                                 t.machine.files.CreateLink("D:\\Apps\\Acme Notes", "D:\\Elsewhere");
                             },
                             {"Acme Notes", "D:\\Apps\\Acme Notes", "", "", ""},
                             "D:\\Apps\\Acme Notes",
                             KeptBehindLink},
                    KeptCase{"InstallFolderThatIsAProfileFolder",
                             [](LeftoverTest&) {},
                             {"Acme Notes", "C:\\users\\tester\\Documents", "", "", ""},
                             "C:\\users\\tester\\Documents",
                             KeptKnownFolder},
                    KeptCase{"InstallFolderClaimedByAnother",
                             [](LeftoverTest& t) {
                                 t.File(kAcme + "\\notes.exe");
                                 t.machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\Other",
                                                              "InstallLocation", kAcme);
                             },
                             {"Acme Notes", kAcme, "", "", ""},
                             kAcme,
                             KeptClaimedByOther},
                    KeptCase{"InstallFolderThatCannotBeRead",
                             [](LeftoverTest& t) {
                                 t.File(kAcme + "\\notes.exe");
                                 t.machine.files.FailPath(kAcme, 5);
                             },
                             {"Acme Notes", kAcme, "", "", ""},
                             kAcme,
                             KeptUndecided},
                    KeptCase{"ClaimsThatCannotBeRead",
                             [](LeftoverTest& t) {
                                 t.File(kAcme + "\\notes.exe");
                                 t.machine.files.FailSpecialFolder(platform::kCsidlAppData, 5);
                             },
                             {"Acme Notes", kAcme, "", "", ""},
                             kAcme,
                             KeptUndecided},
                    KeptCase{"MuiCacheValueInsideAnotherProgramsFolder",
                             [](LeftoverTest& t) {
                                 t.File(kAcme + "\\notes.exe");
                                 t.MuiCache(kAcme + "\\Other Tool\\tool.exe.FriendlyAppName");
                             },
                             {"Acme Notes", kAcme, "", "", ""},
                             "HKEY_CLASSES_ROOT\\" + kMuiCache + "|" + kAcme + "\\Other Tool\\tool.exe.FriendlyAppName",
                             KeptClaimedByOther}),
    [](const ::testing::TestParamInfo<KeptCase>& info) { return info.param.name; });

} // namespace
