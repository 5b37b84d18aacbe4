// The scan for folders that programs already gone left behind, on a machine
// laid out like a fresh Wine prefix: what a registered program claims (by
// folder, by a path under it, by name, in either view or hive), the
// system's own folders, links, hidden folders and folders of running
// programs are never offered; a failure to read any fence offers nothing;
// and a deletion takes only folders that a scan made then still offers.

#include "uninstall/OrphanScan.h"

#include <QStringList>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "tests/uninstall/LeftoverMachine.h"

using namespace leftover_test;
using platform::Hive;

namespace {

const std::string kProgramFiles = "C:\\Program Files";
const std::string kProgramFilesX86 = "C:\\Program Files (x86)";
const std::string kProgramData = "C:\\ProgramData";

class OrphanScanTest : public LeftoverTest {
public:
    OrphanScanTest() : scan(machine.files, machine.registry, machine.system, true) {
        // What a fresh prefix holds in the roots.
        for (const std::string& folder :
             {kProgramFiles + "\\Internet Explorer", kProgramFiles + "\\Windows Media Player",
              kProgramFiles + "\\Windows NT", kProgramFilesX86 + "\\Internet Explorer",
              kProgramFilesX86 + "\\Windows Media Player", kProgramFilesX86 + "\\Windows NT", kLocal + "\\Microsoft",
              kPrograms + "\\Administrative Tools", kPrograms + "\\StartUp"})
            Folder(folder);
    }

    // A registration with its texts (64-bit view of the machine unless
    // `hive` and `access` say otherwise).
    void Register(const std::string& key, const std::vector<std::pair<std::string, std::string>>& values,
                  Hive hive = Hive::LocalMachine, uint32_t access = 0) {
        for (const auto& value : values)
            machine.registry.SetString(hive, kUninstall + "\\" + key, value.first, value.second, access);
    }

    std::vector<std::string> Offered() {
        QList<OrphanFolder> found;
        EXPECT_TRUE(scan.Scan(&found)) << scan.Reason().toStdString();
        std::vector<std::string> paths;
        for (const OrphanFolder& folder : found)
            paths.push_back(folder.path.toStdString());
        return paths;
    }

    COrphanScan scan;
};

TEST_F(OrphanScanTest, FreshPrefixOffersNothing) {
    EXPECT_EQ(std::vector<std::string>(), Offered());
}

TEST_F(OrphanScanTest, EveryRootIsLookedAtInOrder) {
    machine.files.SetSpecialFolder(platform::kCsidlPrograms, kRoaming + "\\Microsoft\\Windows\\Start Menu\\Programs");
    for (const std::string& folder :
         {kProgramFiles + "\\Gone Editor", kProgramFilesX86 + "\\Gone Player", kRoaming + "\\Редактор",
          kLocal + "\\播放器", kProgramData + "\\Gone Service",
          kRoaming + "\\Microsoft\\Windows\\Start Menu\\Programs\\Gone Group", kPrograms + "\\Gone Shared Group"})
        Folder(folder);
    // Only folders directly in a root are offered, never what they hold.
    File(kProgramFiles + "\\Gone Editor\\sub\\edit.exe");
    EXPECT_EQ((std::vector<std::string>{kProgramFiles + "\\Gone Editor", kProgramFilesX86 + "\\Gone Player",
                                        kRoaming + "\\Редактор", kLocal + "\\播放器", kProgramData + "\\Gone Service",
                                        kRoaming + "\\Microsoft\\Windows\\Start Menu\\Programs\\Gone Group",
                                        kPrograms + "\\Gone Shared Group"}),
              Offered());
}

// Each row adds a fence to a machine that holds one candidate folder; the
// folder must then stay off the list.
struct FenceRow {
    const char* name;
    std::string folder;
    std::function<void(OrphanScanTest&)> fence;
};

class OrphanFences : public OrphanScanTest, public ::testing::WithParamInterface<FenceRow> {};

TEST_P(OrphanFences, KeepTheFolderOffTheList) {
    Folder(GetParam().folder);
    File(GetParam().folder + "\\settings.ini");
    ASSERT_EQ(std::vector<std::string>{GetParam().folder}, Offered()) << "the candidate alone is offered";
    GetParam().fence(*this);
    EXPECT_EQ(std::vector<std::string>(), Offered());
}

std::vector<FenceRow> FenceRows() {
    const std::string kCandidate = kProgramFiles + "\\Tarn Suite";
    return {
        {"InstallLocation", kCandidate,
         [=](OrphanScanTest& t) {
             t.Register("Tarn", {{"DisplayName", "Ledger"}, {"InstallLocation", kCandidate}});
         }},
        {"PathUnderIt", kCandidate,
         [=](OrphanScanTest& t) {
             t.Register("Tarn", {{"DisplayName", "Ledger"}, {"DisplayIcon", kCandidate + "\\bin\\ledger.exe,0"}});
         }},
        {"UninstallerInThe32BitView", kCandidate,
         [=](OrphanScanTest& t) {
             t.Register("Tarn", {{"DisplayName", "Ledger"}, {"UninstallString", "\"" + kCandidate + "\\un.exe\" /S"}},
                        Hive::LocalMachine, platform::kKeyWow64_32Key);
         }},
        {"ExpandedTextOfTheUser", kCandidate,
         [](OrphanScanTest& t) {
             t.Register("Tarn", {{"DisplayName", "Ledger"}, {"InstallLocation", "%ProgramFiles%\\Tarn Suite"}},
                        Hive::CurrentUser);
         }},
        {"DisplayName", kRoaming + "\\Quill Notes",
         [](OrphanScanTest& t) {
             t.Register("{guid}", {{"DisplayName", "Quill Notes"}});
         }},
        {"DisplayNameWithVersion", kLocal + "\\Quill Notes",
         [](OrphanScanTest& t) {
             t.Register("{guid}", {{"DisplayName", "Quill Notes 5.4 (x64)"}});
         }},
        {"Publisher", kRoaming + "\\Quillworks",
         [](OrphanScanTest& t) {
             t.Register("Notes", {{"DisplayName", "Notes"}, {"Publisher", "Quillworks Ltd"}});
         }},
        {"StartMenuGroup", kPrograms + "\\Quill Group",
         [](OrphanScanTest& t) {
             t.Register("Notes_is1", {{"DisplayName", "Notes"}, {"Inno Setup: Icon Group", "Quill Group"}});
         }},
        {"ShortcutInTheGroup", kPrograms + "\\Tarn Group",
         [](OrphanScanTest& t) {
             t.File(kPrograms + "\\Tarn Group\\Tools\\Ledger Viewer.lnk");
             t.Register("Viewer", {{"DisplayName", "Ledger Viewer"}}, Hive::CurrentUser);
         }},
        {"ChineseName", kProgramData + "\\播放器",
         [](OrphanScanTest& t) {
             t.Register("Player", {{"DisplayName", "播放器"}});
         }},
        {"CyrillicNameInOtherCase", kRoaming + "\\Редактор",
         [](OrphanScanTest& t) {
             t.Register("Editor", {{"DisplayName", "РЕДАКТОР"}}, Hive::CurrentUser);
         }},
        {"RunningProgram", kLocal + "\\Tarn",
         [](OrphanScanTest& t) { t.machine.system.SetRunningImages({kLocal + "\\Tarn\\app\\tarn.exe"}); }},
        {"RunningProgramByAnotherSpelling", kLocal + "\\Tarn",
         [](OrphanScanTest& t) { t.machine.system.SetRunningImages({"c:/USERS/tester/appdata/local/tarn/tarn.exe"}); }},
        {"HiddenFolder", kProgramData + "\\Tarn",
         [](OrphanScanTest& t) { t.machine.files.SetAttributes(kProgramData + "\\Tarn", platform::kAttrHidden); }},
        {"OwnFolder", kProgramFiles + "\\Tarn",
         [](OrphanScanTest& t) { t.scan.SetOwnFolder(QString::fromStdString(kProgramFiles + "\\Tarn\\bin")); }},
    };
}

INSTANTIATE_TEST_SUITE_P(OrphanScan, OrphanFences, ::testing::ValuesIn(FenceRows()),
                         [](const ::testing::TestParamInfo<FenceRow>& info) { return info.param.name; });

// The size counts every file below the folder, hidden ones included, and
// the last change is the latest of the folder and all it holds.
TEST_F(OrphanScanTest, SizeAndLastChange) {
    const std::string folder = kRoaming + "\\Gone Editor";
    File(folder + "\\a.ini");
    File(folder + "\\cache\\deep\\b.bin", platform::kAttrHidden);
    machine.files.WriteFile(folder + "\\cache\\deep\\b.bin", "0123456789");
    constexpr uint64_t kFolderTime = 139000000000000000ULL;
    constexpr uint64_t kFileTime = 140000000000000000ULL;
    machine.files.SetModificationTime(folder + "\\cache\\deep\\b.bin", kFileTime);
    machine.files.SetModificationTime(folder, kFolderTime);
    QList<OrphanFolder> found;
    ASSERT_TRUE(scan.Scan(&found)) << scan.Reason().toStdString();
    ASSERT_EQ(1, found.size());
    EXPECT_EQ(14, found[0].size);
    EXPECT_EQ(kFileTime, found[0].lastChange);
}

TEST_F(OrphanScanTest, LinksAndFilesAreNeverOffered) {
    Folder("C:\\Elsewhere\\Data");
    ASSERT_EQ(platform::kErrorSuccess, machine.files.CreateLink(kRoaming + "\\Linked", "C:\\Elsewhere\\Data"));
    File(kProgramData + "\\stray.log");
    EXPECT_EQ(std::vector<std::string>(), Offered());
}

TEST_F(OrphanScanTest, MissingRootsAreEmpty) {
    machine.files.SetSpecialFolder(platform::kCsidlProgramFilesX86, "C:\\No Such Folder");
    Folder(kProgramFiles + "\\Gone Editor");
    EXPECT_EQ(std::vector<std::string>{kProgramFiles + "\\Gone Editor"}, Offered());
}

// What cannot be read offers nothing, with the reason.
struct FailureRow {
    const char* name;
    std::function<void(OrphanScanTest&)> fail;
};

class OrphanFailures : public OrphanScanTest, public ::testing::WithParamInterface<FailureRow> {};

TEST_P(OrphanFailures, OfferNothing) {
    Folder(kProgramFiles + "\\Gone Editor");
    GetParam().fail(*this);
    QList<OrphanFolder> found{OrphanFolder{QStringLiteral("stale")}};
    EXPECT_FALSE(scan.Scan(&found));
    EXPECT_TRUE(found.isEmpty());
    EXPECT_FALSE(scan.Reason().isEmpty());
    QList<OrphanDeletion> results;
    EXPECT_FALSE(scan.Delete({QString::fromStdString(kProgramFiles + "\\Gone Editor")}, &results));
    EXPECT_TRUE(Exists(kProgramFiles + "\\Gone Editor"));
}

INSTANTIATE_TEST_SUITE_P(
    OrphanScan, OrphanFailures,
    ::testing::Values(
        FailureRow{"RootListing",
                   [](OrphanScanTest& t) { t.machine.files.FailPath(kRoaming, platform::kErrorAccessDenied); }},
        FailureRow{"RootLookup",
                   [](OrphanScanTest& t) {
                       t.machine.files.FailSpecialFolder(platform::kCsidlCommonAppData, platform::kErrorAccessDenied);
                   }},
        FailureRow{"Registrations",
                   [](OrphanScanTest& t) {
                       t.machine.registry.FailKey(Hive::CurrentUser, kUninstall, platform::kErrorAccessDenied);
                   }}),
    [](const ::testing::TestParamInfo<FailureRow>& info) { return info.param.name; });

TEST_F(OrphanScanTest, DeletesOnlyWhatTheScanStillOffers) {
    for (const std::string& file : {kRoaming + "\\Gone Editor\\cache\\a.bin", kRoaming + "\\Gone Editor\\b.ini",
                                    kLocal + "\\Gone Player\\c.dat", kLocal + "\\Claimed Later\\d.dat"})
        File(file);
    ASSERT_EQ(3u, Offered().size());
    // Claimed between the list and the deletion.
    Register("Later", {{"DisplayName", "Ledger"}, {"InstallLocation", kLocal + "\\Claimed Later"}});
    const QStringList asked{QString::fromStdString(kRoaming + "\\Gone Editor"),
                            QString::fromStdString(kLocal + "\\Claimed Later"),
                            QString::fromStdString(kProgramFiles + "\\Windows NT"), QString::fromStdString(kLocal),
                            QStringLiteral("relative\\path")};
    QList<OrphanDeletion> results;
    ASSERT_TRUE(scan.Delete(asked, &results)) << scan.Reason().toStdString();
    ASSERT_EQ(asked.size(), results.size());
    EXPECT_TRUE(results[0].offered && results[0].deleted);
    for (int i = 1; i < results.size(); ++i)
        EXPECT_FALSE(results[i].offered || results[i].deleted) << results[i].path.toStdString();
    EXPECT_FALSE(Exists(kRoaming + "\\Gone Editor"));
    EXPECT_TRUE(Exists(kRoaming));
    for (const std::string& kept : {kLocal + "\\Gone Player\\c.dat", kLocal + "\\Claimed Later\\d.dat",
                                    kProgramFiles + "\\Windows NT", kRoaming + "\\Microsoft\\keep.dat"})
        EXPECT_TRUE(Exists(kept)) << kept;
}

// The one table of names never offered: what Windows and Wine put in the
// roots, compared as Windows compares names; a program's name is not in it.
TEST(OrphanNames, NeverOfferedTable) {
    const struct {
        const char* name;
        bool never;
    } rows[] = {
        {"Common Files", true},
        {"common files", true},
        {"Windows NT", true},
        {"Microsoft", true},
        {"MICROSOFT", true},
        {"Internet Explorer", true},
        {"Windows Media Player", true},
        {"Windows Mail", true},
        {"Microsoft.NET", true},
        {"Packages", true},
        {"Temp", true},
        {"Administrative Tools", true},
        {"StartUp", true},
        {"Wine", true},
        {"Tolvanire Uninstaller", true},
        {" Programs ", true},
        {"Microsoft Office", false},
        {"Gone Editor", false},
        {"Windows NT Tools", false},
        {"Редактор", false},
        {"", false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.never, COrphanScan::IsNeverOffered(QString::fromUtf8(row.name))) << row.name;
}

} // namespace
