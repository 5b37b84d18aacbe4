// CProtectedFolders, the fences of the leftover remover: known and own
// folders, real locations, the Linux side, what other programs claim, and
// checks that cannot decide. Each table runs the whole cleaner and checks
// what must survive.

#include "uninstall/ProtectedFolders.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "tests/uninstall/LeftoverMachine.h"

namespace {

using namespace leftover_test;

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
    // then as ProgramData's folder of that name, found by its leaf and by
    // the display name (that one with the folder itself).
    EXPECT_EQ(Describe(leftovers),
              (std::vector<std::string>{"F C:/ProgramData/Acme/acme.dat", "F C:/ProgramData/Acme/acme.dat",
                                        "F C:/ProgramData/Acme/acme.dat", "D C:\\ProgramData\\Acme"}));
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

// A program's name counts only below the known folders: a program named
// like a user, or like "Program Files", reaches nothing.
TEST_F(LeftoverTest, AClaimedNameAtOrAboveAKnownFolderHoldsNothing) {
    UninstallKey(Hive::LocalMachine, "Tester", "tester");
    UninstallKey(Hive::LocalMachine, "Roaming", "Roaming");
    File(kRoaming + "\\Acme\\settings.ini");
    File("C:\\Program Files\\Acme\\acme.exe");
    leftovers = cleaner.CleanLeftovers(Make({"Acme", "C:\\Program Files\\Acme", "", "", ""}));
    EXPECT_TRUE(cleaner.StopReason().isEmpty()) << cleaner.StopReason().toStdString();
    EXPECT_FALSE(Exists(kRoaming + "\\Acme"));
    EXPECT_FALSE(Exists("C:\\Program Files\\Acme"));
}

// --- Fences without holes ---------------------------------------------------------
//
// Each row cleans a program beside "Other Tool", an unrelated program whose
// files must all survive, in a layout where the remover once reached what
// another program bears by name, fails to state, writes unexpanded, or
// could not read.

const std::string kOtherTool = "C:\\Program Files\\Other Tool";
const std::string kVendor = "C:\\Program Files\\Vendor";
const std::string kStartUp = kPrograms + "\\StartUp";

void Register(LeftoverTest& t, const std::string& key, const std::string& displayName, const std::string& location,
              uint32_t access = 0) {
    t.UninstallKey(Hive::LocalMachine, key, displayName, access);
    if (!location.empty())
        t.machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\" + key, "InstallLocation", location, access);
}

void SetExpandable(LeftoverTest& t, const std::string& key, const std::string& name, const std::string& text) {
    t.machine.registry.SetRaw(Hive::LocalMachine, kUninstall + "\\" + key, name, platform::kRegExpandSz,
                              text + std::string(1, '\0'));
}

struct FenceCase {
    const char* name;
    void (*arrange)(LeftoverTest&);
    Record program;                // the program cleaned
    std::vector<std::string> kept; // besides Other Tool's files
    std::vector<std::string> gone; // the program's own files that stay in reach
    const char* stopReason;        // part of the reason the collection stops with; null: it runs
};

void PrintTo(const FenceCase& c, std::ostream* os) {
    *os << c.name;
}

class FenceTest : public LeftoverTest, public ::testing::WithParamInterface<FenceCase> {};

TEST_P(FenceTest, KeepsWhatTheProgramCannotBeSureIsItsOwn) {
    const FenceCase& c = GetParam();
    Register(*this, "OtherTool", "Other Tool", kOtherTool);
    const std::vector<std::string> otherTool = {
        kOtherTool + "\\OtherTool.exe", kRoaming + "\\Other Tool\\bin\\other.dll",
        "C:\\ProgramData\\Other Tool\\bin\\other.dat", kPrograms + "\\Other Tool\\Other Tool.lnk"};
    for (const std::string& path : otherTool)
        File(path);
    c.arrange(*this);

    QList<SkippedLeftover> skipped;
    leftovers = cleaner.CollectLeftovers(Make(c.program), &skipped);
    cleaner.DeleteLeftovers(leftovers);

    for (const std::string& path : otherTool)
        EXPECT_TRUE(Exists(path)) << path;
    for (const std::string& path : c.kept)
        EXPECT_TRUE(Exists(path)) << path;
    for (const std::string& path : c.gone)
        EXPECT_FALSE(Exists(path)) << path;
    if (c.stopReason) {
        EXPECT_TRUE(leftovers.isEmpty());
        EXPECT_NE(cleaner.StopReason().indexOf(QLatin1String(c.stopReason)), -1) << cleaner.StopReason().toStdString();
        ASSERT_FALSE(skipped.isEmpty());
        EXPECT_NE(skipped.back().reason.indexOf(cleaner.StopReason()), -1) << skipped.back().reason.toStdString();
    } else {
        EXPECT_TRUE(cleaner.StopReason().isEmpty()) << cleaner.StopReason().toStdString();
    }
    EXPECT_FALSE(cleaner.BackendFailed());
}

INSTANTIATE_TEST_SUITE_P(
    Table, FenceTest,
    ::testing::Values(
        // A helper installed in a folder named after its vendor's main
        // product: the folder's name is no name the helper bears.
        FenceCase{"AFolderNameVoidsNoOtherProgramsName",
                  [](LeftoverTest& t) {
                      Register(t, "Acme", "Acme", "C:\\Program Files\\Acme Main");
                      for (const std::string& path :
                           {std::string("C:\\Program Files\\Acme Main\\acme.exe"), kRoaming + "\\Acme\\settings.ini",
                            std::string("C:\\ProgramData\\Acme\\data.dat"), kPrograms + "\\Acme\\Acme.lnk",
                            std::string("D:\\Apps\\Acme\\helper.exe")})
                          t.File(path);
                  },
                  {"Acme Helper", "D:\\Apps\\Acme", "", "", ""},
                  {kRoaming + "\\Acme\\settings.ini", "C:\\ProgramData\\Acme\\data.dat", kPrograms + "\\Acme\\Acme.lnk",
                   "C:\\Program Files\\Acme Main\\acme.exe"},
                  {},
                  nullptr},
        // An install folder at or inside another program's named folder
        // under AppData or the Start Menu: nothing in it, nor the folder,
        // nor what holds it.
        FenceCase{"APlugInInsideAnotherProgramsAppDataFolder",
                  [](LeftoverTest& t) {
                      Register(t, "OtherApp", "Other App", "");
                      t.File(kRoaming + "\\Other App\\Plugins\\Acme\\acme.dll");
                  },
                  {"Acme Plug-in", kRoaming + "\\Other App\\Plugins\\Acme", "", "", ""},
                  {kRoaming + "\\Other App\\Plugins\\Acme\\acme.dll"},
                  {},
                  nullptr},
        FenceCase{"AnInstallFolderThatIsAnotherProgramsAppDataFolder",
                  [](LeftoverTest& t) {
                      Register(t, "OtherApp", "Other App", "");
                      t.File(kRoaming + "\\Other App\\config.ini");
                  },
                  {"Acme Plug-in", kRoaming + "\\Other App", "", "", ""},
                  {kRoaming + "\\Other App\\config.ini"},
                  {},
                  nullptr},
        FenceCase{"AnInstallFolderThatIsAnotherProgramsStartMenuFolder",
                  [](LeftoverTest& t) {
                      Register(t, "OtherApp", "Other App", "");
                      t.File(kPrograms + "\\Other App\\Other App.lnk");
                  },
                  {"Acme Plug-in", kPrograms + "\\Other App", "", "", ""},
                  {kPrograms + "\\Other App\\Other App.lnk"},
                  {},
                  nullptr},
        // Texts written unexpanded claim what they name once expanded.
        FenceCase{"UnexpandedTextsClaimWhatTheyName",
                  [](LeftoverTest& t) {
                      SetExpandable(t, "OtherTool", "InstallLocation", "%ProgramFiles%\\Other Tool");
                      SetExpandable(t, "OtherTool", "DisplayIcon", "%ProgramFiles%\\Other Tool\\OtherTool.exe,0");
                  },
                  {"Other Tool Plug-in", kOtherTool, "", "", ""},
                  {},
                  {},
                  nullptr},
        // A quoted icon path is read whole, its commas included.
        FenceCase{"ACommaInAQuotedIconPathKeepsItsClaim",
                  [](LeftoverTest& t) {
                      Register(t, "ToolSuite", "Tool Suite", "");
                      t.machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\ToolSuite", "DisplayIcon",
                                                   "\"C:\\Program Files\\Other, Inc\\Tool\\tool.exe\",0");
                      t.File("C:\\Program Files\\Other, Inc\\Tool\\tool.exe");
                      t.File("C:\\Program Files\\Other, Inc\\updater.exe");
                  },
                  {"Other Updater", "C:\\Program Files\\Other, Inc", "", "", ""},
                  {"C:\\Program Files\\Other, Inc\\Tool\\tool.exe"},
                  {"C:\\Program Files\\Other, Inc\\updater.exe"},
                  nullptr},
        // A registration that cannot be read stops the collection.
        FenceCase{"ARegistrationThatCannotBeOpened",
                  [](LeftoverTest& t) {
                      t.machine.registry.FailKey(Hive::LocalMachine, kUninstall + "\\OtherTool",
                                                 platform::kErrorAccessDenied);
                  },
                  {"Other Tool Plug-in", kOtherTool, "", "", ""},
                  {},
                  {},
                  "OtherTool (64-bit view) cannot be read (error 5)"},
        FenceCase{"AListOfAViewThatCannotBeOpened",
                  [](LeftoverTest& t) {
                      t.machine.registry.FailKey(Hive::LocalMachine, kUninstall, platform::kErrorAccessDenied);
                  },
                  {"Other Tool Plug-in", kOtherTool, "", "", ""},
                  {},
                  {},
                  "(64-bit view) cannot be opened (error 5)"},
        FenceCase{"AListOfAViewThatCannotBeEnumerated",
                  [](LeftoverTest& t) {
                      t.machine.registry.FailKey(Hive::LocalMachine, kUninstall, 0, platform::kErrorAccessDenied);
                  },
                  {"Other Tool Plug-in", kOtherTool, "", "", ""},
                  {},
                  {},
                  "(64-bit view) cannot be read (error 5)"},
        // A subkey name longer than the first buffer is read with a larger one.
        FenceCase{"ASubkeyNameLongerThanTheBuffer",
                  [](LeftoverTest& t) {
                      t.machine.registry.DeleteKey(Hive::LocalMachine, kUninstall + "\\OtherTool");
                      Register(t, std::string(300, 'K'), "Other Tool", kOtherTool);
                  },
                  {"Other Tool Plug-in", kOtherTool, "", "", ""},
                  {},
                  {},
                  nullptr},
        // A known folder whose lookup failed may be any folder.
        FenceCase{"AKnownFolderLookupThatFails",
                  [](LeftoverTest& t) {
                      t.File(kStartUp + "\\Other Tool.lnk");
                      t.machine.files.FailSpecialFolder(platform::kCsidlCommonStartup, platform::kErrorAccessDenied);
                  },
                  {"Acme Launcher", kStartUp, "", "", ""},
                  {kStartUp + "\\Other Tool.lnk"},
                  {},
                  "the special folder 24 could not be looked up (error 5)"},
        // "bin." is an entry of its own: the updater's, beside "bin", which
        // Other Tool claims only by its folder. Every call on it names it
        // exactly, so that Windows' reading of "bin." as "bin" reaches
        // nothing of Other Tool's.
        FenceCase{"ANameEndingInADotDoesNotReachItsTwin",
                  [](LeftoverTest& t) {
                      t.machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\OtherTool", "DisplayIcon",
                                                   kVendor + "\\bin\\OtherTool.exe");
                      t.File(kVendor + "\\bin\\OtherTool.exe");
                      t.File(kVendor + "\\updater.exe");
                      t.machine.files.CreateFolder("\\\\?\\" + kVendor + "\\bin.");
                      t.machine.files.WriteFile("\\\\?\\" + kVendor + "\\bin.\\stale.dat", "data");
                  },
                  {"Vendor Updater", kVendor, "", "", ""},
                  {kVendor + "\\bin\\OtherTool.exe"},
                  {kVendor + "\\updater.exe", "\\\\?\\" + kVendor + "\\bin."},
                  nullptr},
        // A read-only folder of the program goes once it is empty.
        FenceCase{"AReadOnlyFolderIsRemovedOnceEmptied",
                  [](LeftoverTest& t) {
                      t.File("D:\\Apps\\Acme\\data\\a.bin");
                      t.File("D:\\Apps\\Acme\\acme.exe");
                      t.File("D:\\Apps\\keep.txt");
                      t.machine.files.SetAttributes("D:\\Apps\\Acme\\data", platform::kAttrReadOnly);
                      t.machine.files.SetAttributes("D:\\Apps\\Acme", platform::kAttrReadOnly);
                  },
                  {"Acme", "D:\\Apps\\Acme", "", "", ""},
                  {"D:\\Apps\\keep.txt"},
                  {"D:\\Apps\\Acme"},
                  nullptr}),
    [](const ::testing::TestParamInfo<FenceCase>& info) { return info.param.name; });

} // namespace
