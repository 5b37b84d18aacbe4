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

} // namespace
