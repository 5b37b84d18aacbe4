// CFolderTreeRemover: trees deleted at their real location, links removed
// as links, emptied folders removed up to a protected one.

#include "uninstall/FolderTreeRemover.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "tests/uninstall/LeftoverMachine.h"

namespace {

using namespace leftover_test;

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
    // Nothing is listed through a link.
    for (const std::string& line : lines)
        for (const char* through : {"/loop/", "\\loop\\", "/back/", "\\back\\", "/docs/", "\\docs\\"})
            EXPECT_EQ(line.find(through), std::string::npos) << line;

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

TEST_F(LeftoverTest, AReadOnlyFolderThatStaysKeepsItsAttribute) {
    File("D:\\Apps\\Acme\\cache\\visible.txt");
    File("D:\\Apps\\Acme\\cache\\secret.txt", platform::kAttrHidden);
    File("D:\\Apps\\Acme\\gone\\x.txt");
    machine.files.SetAttributes("D:\\Apps\\Acme\\cache", platform::kAttrReadOnly);
    machine.files.SetAttributes("D:\\Apps\\Acme\\gone", platform::kAttrReadOnly);
    EXPECT_FALSE(cleaner.DeleteFolderTree(QStringLiteral("D:\\Apps\\Acme")));
    EXPECT_EQ(
        machine.files.Snapshot("D:\\Apps"),
        (std::vector<std::string>{"D:\\Apps\\Acme\\", "D:\\Apps\\Acme\\cache\\", "D:\\Apps\\Acme\\cache\\secret.txt"}));
    uint32_t attributes = 0;
    ASSERT_EQ(machine.files.GetAttributes("D:\\Apps\\Acme\\cache", &attributes), platform::kErrorSuccess);
    EXPECT_TRUE(attributes & platform::kAttrReadOnly);
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

TEST_F(LeftoverTest, ALinkIntoTheLinuxHomeIsRemovedAsALinkOnly) {
    machine.files.MapDriveOutside("Z:", "/");
    File("Z:\\home\\tester\\Music\\song.ogg");
    File(kRoaming + "\\Acme\\a.ini");
    machine.files.CreateLink(kRoaming + "\\Acme\\music", "Z:\\home\\tester\\Music");
    leftovers = cleaner.CleanLeftovers(Make({"Acme", "D:\\Apps\\Acme", "", "", ""}));
    EXPECT_FALSE(Exists(kRoaming + "\\Acme"));
    EXPECT_TRUE(Exists("Z:\\home\\tester\\Music\\song.ogg"));
}

} // namespace
