// CClaimReader: what the texts of the other registrations claim, read
// whole, expanded with the target's environment, and with the names that
// stand after a variable no environment holds.

#include "uninstall/ClaimReader.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "tests/fake/MemoryPlatform.h"

using platform::Hive;

namespace {

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

struct TextCase {
    const char* name;
    const char* valueName;
    uint32_t type;
    std::string text;
    std::vector<std::string> folders; // each among the claimed folders
    std::vector<std::string> names;   // each among the claimed names
    std::vector<std::string> notNames;
    uint32_t access = 0; // the registry view of the registration
};

void PrintTo(const TextCase& c, std::ostream* os) {
    *os << c.name;
}

class ClaimReaderTest : public ::testing::Test {
protected:
    void Set(const std::string& key, const std::string& name, uint32_t type, const std::string& text,
             uint32_t access = 0) {
        machine.registry.SetRaw(Hive::LocalMachine, kUninstall + "\\" + key, name, type, text + std::string(1, '\0'),
                                access);
    }
    bool Read(const InstalledProgram& program = InstalledProgram(), const QString& ownName = QString()) {
        return reader.Read(
            program, ownName,
            [](const CTargetPath& path) {
                return CTargetPath::FromText(QStringLiteral("C:\\Program Files")).IsInside(path) ||
                       CTargetPath::FromText(QStringLiteral("C:\\Program Files (x86)")).IsInside(path) ||
                       CTargetPath::FromText(QStringLiteral("C:\\users\\tester\\AppData\\Local")).IsInside(path);
            },
            &claims);
    }
    bool Claims(const std::string& folder) const {
        return claims.folders.contains(CTargetPath::FromText(QString::fromStdString(folder)));
    }
    bool Names(const std::string& name) const {
        return claims.names.contains(QString::fromStdString(name), Qt::CaseInsensitive);
    }

    MemoryPlatform machine;
    CBackendWatch watch;
    CClaimReader reader{machine.registry, machine.system, watch, true};
    CClaimReader::Claims claims;
};

class ClaimTextTest : public ClaimReaderTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(ClaimTextTest, ClaimsWhatTheTextNames) {
    const TextCase& c = GetParam();
    Set("Other", "DisplayName", platform::kRegSz, "Other Suite", c.access);
    Set("Other", c.valueName, c.type, c.text, c.access);
    ASSERT_TRUE(Read()) << reader.Reason().toStdString();
    for (const std::string& folder : c.folders)
        EXPECT_TRUE(Claims(folder)) << folder;
    for (const std::string& name : c.names)
        EXPECT_TRUE(Names(name)) << name;
    for (const std::string& name : c.notNames)
        EXPECT_FALSE(Names(name)) << name;
}

INSTANTIATE_TEST_SUITE_P(Table, ClaimTextTest,
                         ::testing::Values(
                             // The text gives no bitness, so a program-files variable claims the
                             // folder of both views.
                             TextCase{"ExpandedInstallLocation",
                                      "InstallLocation",
                                      platform::kRegExpandSz,
                                      "%ProgramFiles%\\Other Tool",
                                      {"C:\\Program Files\\Other Tool", "C:\\Program Files (x86)\\Other Tool"},
                                      {"Other Suite"},
                                      {}},
                             TextCase{"ExpandedIconFolder",
                                      "DisplayIcon",
                                      platform::kRegExpandSz,
                                      "%LOCALAPPDATA%\\Other Tool\\tool.exe,0",
                                      {"C:\\users\\tester\\AppData\\Local\\Other Tool"},
                                      {},
                                      {}},
                             TextCase{"ExpandedUninstallerFolder",
                                      "UninstallString",
                                      platform::kRegExpandSz,
                                      "\"%SystemDrive%\\Tools\\Other\\uninst.exe\" /S",
                                      {"C:\\Tools\\Other"},
                                      {},
                                      {}},
                             // A variable no environment holds: whatever folder the text names
                             // bears the names after it.
                             TextCase{"UnexpandableLocation",
                                      "InstallLocation",
                                      platform::kRegExpandSz,
                                      "%VendorRoot%\\Other Tool\\bin",
                                      {},
                                      {"Other Tool", "bin"},
                                      {}},
                             TextCase{"UnexpandableIconKeepsNoFileName",
                                      "DisplayIcon",
                                      platform::kRegExpandSz,
                                      "%VendorRoot%\\Other Tool\\tool.exe,0",
                                      {},
                                      {"Other Tool"},
                                      {"tool.exe"}},
                             TextCase{"QuotedIconWithAComma",
                                      "DisplayIcon",
                                      platform::kRegSz,
                                      "\"C:\\Program Files\\Other, Inc\\Tool\\tool.exe\",0",
                                      {"C:\\Program Files\\Other, Inc\\Tool"},
                                      {},
                                      {}},
                             TextCase{"QuietUninstallerToo",
                                      "QuietUninstallString",
                                      platform::kRegSz,
                                      "\"D:\\Quiet\\q.exe\" /S",
                                      {"D:\\Quiet"},
                                      {},
                                      {}},
                             TextCase{"TextTooLongForARecord",
                                      "InstallLocation",
                                      platform::kRegSz,
                                      "D:\\" + std::string(300, 'x'),
                                      {"D:\\" + std::string(300, 'x')},
                                      {},
                                      {}},
                             TextCase{"ThirtyTwoBitView",
                                      "InstallLocation",
                                      platform::kRegSz,
                                      "D:\\Old\\Other",
                                      {"D:\\Old\\Other"},
                                      {"Other Suite"},
                                      {},
                                      platform::kKeyWow64_32Key},
                             TextCase{"IconGroupAndProgramFolderName",
                                      "Inno Setup: Icon Group",
                                      platform::kRegSz,
                                      "Vendor\\Other Group",
                                      {},
                                      {"Other Group"},
                                      {"Vendor"}}),
                         [](const ::testing::TestParamInfo<TextCase>& info) { return info.param.name; });

TEST_F(ClaimReaderTest, TheProgramsOwnRegistrationAndNameClaimNothing) {
    // Its own key, with a location too long for the record's field, which
    // the record therefore holds empty.
    const std::string longLocation = "D:\\Acme\\" + std::string(300, 'a');
    Set("Acme", "DisplayName", platform::kRegSz, "Acme");
    Set("Acme", "InstallLocation", platform::kRegSz, longLocation);
    Set("Acme", "UninstallString", platform::kRegSz, "D:\\Acme\\uninst.exe");
    // Another registration of the same name.
    Set("Acme2", "DisplayName", platform::kRegSz, "Acme");
    Set("Acme2", "InstallLocation", platform::kRegSz, "D:\\Acme2");
    InstalledProgram program;
    std::strncpy(program.displayName, "Acme", InstalledProgram::kTextSize - 1);
    std::strncpy(program.uninstallCommand, "D:\\Acme\\uninst.exe", InstalledProgram::kTextSize - 1);
    ASSERT_TRUE(Read(program, QStringLiteral("Acme")));
    EXPECT_FALSE(Claims(longLocation));
    EXPECT_FALSE(Claims("D:\\Acme"));
    EXPECT_TRUE(Claims("D:\\Acme2"));
    EXPECT_FALSE(Names("Acme"));
}

TEST_F(ClaimReaderTest, TextsThatCannotBeExpandedClaimNothingAndSayWhy) {
    Set("Other", "InstallLocation", platform::kRegExpandSz, "%ProgramFiles%\\Other Tool");
    machine.system.FailExpansion(platform::kErrorAccessDenied);
    EXPECT_FALSE(Read());
    EXPECT_TRUE(claims.folders.isEmpty());
    EXPECT_TRUE(reader.Reason().contains(QLatin1String("cannot be expanded (error 5)")))
        << reader.Reason().toStdString();
}

} // namespace
