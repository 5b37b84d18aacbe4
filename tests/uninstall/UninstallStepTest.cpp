// One program's step of an uninstall run against the in-memory machine,
// with scripted uninstallers: what counts as removed, and that nothing of a
// program that is still installed is ever deleted.

#include "uninstall/UninstallStep.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "inventory/AppEnum.h"
#include "support/Log.h"
#include "tests/fake/MemoryPlatform.h"
#include "uninstall/LeftoverCleaner.h"

using platform::Hive;

namespace {

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::string kFolder = "C:\\Program Files\\Acme Notes";
const std::string kUninstaller = "C:\\Program Files\\Acme Notes\\uninst.exe";
const std::string kQuotedCommand = "\"C:\\Program Files\\Acme Notes\\uninst.exe\"";
const std::string kAppData = "C:\\users\\tester\\AppData\\Roaming\\Acme Notes";

// What the scripted uninstaller does while it "runs".
enum Action : unsigned {
    kNothing = 0,
    kDeleteKey = 1,
    kDeleteUninstaller = 2,
    kDeleteProgramFile = 4,
};

struct StepCase {
    const char* name;
    std::string command; // the record's uninstall command
    Hive hive;           // where its uninstall key is
    uint32_t startError; // 0: it starts
    unsigned actions;    // Action bits
    bool backendDies;    // during the wait
    bool clean;          // leftover removal asked for
    UninstallStepReport::Outcome outcome;
    bool removed;
    bool leftoversDeleted; // the AppData folder and the key are gone afterwards
    const char* reason;    // part of the reason; empty when removed
};

void PrintTo(const StepCase& c, std::ostream* os) {
    *os << c.name;
}

InstalledProgram Record(const std::string& command) {
    InstalledProgram program;
    std::strncpy(program.displayName, "Acme Notes", InstalledProgram::kTextSize - 1);
    std::strncpy(program.installLocation, kFolder.c_str(), InstalledProgram::kTextSize - 1);
    std::strncpy(program.uninstallCommand, command.c_str(), InstalledProgram::kTextSize - 1);
    return program;
}

// A machine with Acme Notes installed: its folder with the program and its
// uninstaller, an AppData folder, its uninstall key; and a neighbour that
// must never be touched.
class UninstallStepTest : public ::testing::TestWithParam<StepCase> {
protected:
    UninstallStepTest()
        : appEnum(machine.registry, machine.system), cleaner(machine.files, machine.registry, machine.system, appEnum),
          step(machine, cleaner) {
        for (const char* folder :
             {"C:\\windows\\system32", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs",
              "C:\\users\\tester\\AppData\\Roaming", "C:\\users\\Public\\Desktop", "C:\\Program Files\\Other"})
            machine.files.CreateFolder(folder);
        File(kUninstaller);
        File(kFolder + "\\notes.exe");
        File(kAppData + "\\settings.ini");
        File("C:\\Program Files\\Other\\other.exe");
        machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\Other", "DisplayName", "Other");
        machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\Other", "UninstallString",
                                   "C:\\Program Files\\Other\\u.exe");
    }

    void SetUp() override {
        ASSERT_TRUE(logDir.isValid());
        SetLogFilePath(logDir.filePath("test.log"));
    }
    void TearDown() override { SetLogFilePath(QString()); }

    void File(const std::string& path) {
        machine.files.CreateFolder(path.substr(0, path.find_last_of('\\')));
        machine.files.WriteFile(path, "data");
    }

    void Register(Hive hive, const std::string& command) {
        machine.registry.SetString(hive, kUninstall + "\\AcmeNotes", "DisplayName", "Acme Notes");
        machine.registry.SetString(hive, kUninstall + "\\AcmeNotes", "UninstallString", command);
        machine.registry.SetString(hive, kUninstall + "\\AcmeNotes", "InstallLocation", kFolder);
    }
    bool KeyExists(Hive hive) { return machine.registry.KeyExists(hive, kUninstall + "\\AcmeNotes"); }

    QByteArray Log() {
        QFile file(logDir.filePath("test.log"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir logDir;
    MemoryPlatform machine;
    CAppEnum appEnum;
    CLeftoverCleaner cleaner;
    CUninstallStep step;
};

TEST_P(UninstallStepTest, RemovesLeftoversOnlyOfARemovedProgram) {
    const StepCase& c = GetParam();
    Register(c.hive, c.command);
    MemorySystem::ScriptedProcess process;
    process.startError = c.startError;
    process.exitCode = c.actions == kNothing ? 1223 : 0; // ERROR_CANCELLED, as a cancelled uninstaller ends
    process.backendDies = c.backendDies;
    process.run = [this, &c] {
        if (c.actions & kDeleteKey) machine.registry.DeleteKey(c.hive, kUninstall + "\\AcmeNotes");
        if (c.actions & kDeleteUninstaller) machine.files.DeleteFile(kUninstaller);
        if (c.actions & kDeleteProgramFile) machine.files.DeleteFile(kFolder + "\\notes.exe");
    };
    machine.system.SetProcess(c.command, process);

    std::vector<CUninstallStep::Phase> phases;
    const UninstallStepReport report =
        step.Run(Record(c.command), c.clean, [&phases](CUninstallStep::Phase phase) { phases.push_back(phase); });

    EXPECT_EQ(machine.system.Started(), std::vector<std::string>{c.command});
    EXPECT_EQ(report.outcome, c.outcome);
    EXPECT_EQ(report.removed, c.removed);
    EXPECT_EQ(report.started, c.startError == 0 && !c.backendDies);
    EXPECT_EQ(report.startError, c.startError);
    if (report.started) {
        EXPECT_EQ(report.exitCode, process.exitCode);
    }
    EXPECT_EQ(report.reason.isEmpty(), *c.reason == '\0') << report.reason.toStdString();
    EXPECT_TRUE(report.reason.contains(QString::fromUtf8(c.reason))) << report.reason.toStdString();

    // Leftovers go only with a removed program and only when asked.
    const bool cleaned = c.removed && c.clean;
    EXPECT_EQ(report.leftoversCleaned, cleaned);
    EXPECT_EQ(phases.size(), cleaned ? 2u : 1u);
    EXPECT_EQ(phases.front(), CUninstallStep::Phase::WaitingForUninstaller);
    EXPECT_EQ(machine.files.Exists(kAppData + "\\settings.ini"), !c.leftoversDeleted);
    EXPECT_EQ(KeyExists(c.hive), !c.leftoversDeleted && !(c.actions & kDeleteKey));
    EXPECT_EQ(machine.files.Exists(kFolder + "\\notes.exe"), !c.leftoversDeleted && !(c.actions & kDeleteProgramFile));
    if (c.leftoversDeleted) {
        EXPECT_FALSE(report.leftoversDeleted.isEmpty());
        EXPECT_TRUE(report.leftoversRemaining.isEmpty());
        QStringList targets;
        bool appDataReported = false;
        for (const LeftoverItem& item : report.leftoversDeleted) {
            targets << item.target;
            appDataReported |= QString(item.target)
                                   .replace(QLatin1Char('/'), QLatin1Char('\\'))
                                   .startsWith(QString::fromStdString(kAppData), Qt::CaseInsensitive);
        }
        EXPECT_TRUE(appDataReported) << targets.join(QLatin1Char('\n')).toStdString();
    } else {
        EXPECT_TRUE(report.leftoversDeleted.isEmpty());
    }
    // The neighbour is never touched.
    EXPECT_TRUE(machine.files.Exists("C:\\Program Files\\Other\\other.exe"));
    EXPECT_TRUE(machine.registry.KeyExists(Hive::LocalMachine, kUninstall + "\\Other"));

    // Only a failed start is logged as such; a program left installed says why.
    const QByteArray log = Log();
    const std::string startLine = "start process " + c.command + " failed with " + std::to_string(c.startError) + ".";
    EXPECT_EQ(log.contains(startLine.c_str()), c.startError != 0) << log.constData();
    EXPECT_EQ(log.contains("uninstall of Acme Notes: not removed"),
              c.outcome == UninstallStepReport::Outcome::StillInstalled)
        << log.constData();
}

using Outcome = UninstallStepReport::Outcome;
const std::string kMsi = "MsiExec.exe /X{6F2C1B9A-1111-2222-3333-444455556666}";

INSTANTIATE_TEST_SUITE_P(
    Table, UninstallStepTest,
    testing::Values(StepCase{"UninstallerRemovesItself", kQuotedCommand, Hive::LocalMachine, 0,
                             kDeleteKey | kDeleteUninstaller | kDeleteProgramFile, false, true, Outcome::Removed, true,
                             true, ""},
                    StepCase{"CancelledUninstallerDeletesNothing", kQuotedCommand, Hive::LocalMachine, 0, kNothing,
                             false, true, Outcome::StillInstalled, false, false,
                             "uninstall entry and its uninstaller are still there"},
                    StepCase{"CancelledUserUninstaller", kQuotedCommand, Hive::CurrentUser, 0, kNothing, false, true,
                             Outcome::StillInstalled, false, false, "still there"},
                    StepCase{"KeyGoneFilesLeftAreCleaned", kQuotedCommand, Hive::LocalMachine, 0, kDeleteKey, false,
                             true, Outcome::Removed, true, true, ""},
                    StepCase{"UninstallerGoneKeyLeftIsCleaned", kQuotedCommand, Hive::LocalMachine, 0,
                             kDeleteUninstaller, false, true, Outcome::Removed, true, true, ""},
                    StepCase{"UnquotedCommandWithSpaces", kUninstaller + " /S", Hive::LocalMachine, 0,
                             kDeleteUninstaller, false, true, Outcome::Removed, true, true, ""},
                    StepCase{"UnquotedCommandCancelled", kUninstaller + " /S", Hive::LocalMachine, 0, kNothing, false,
                             true, Outcome::StillInstalled, false, false, "still there"},
                    StepCase{"RemovedWithoutCleanKeepsLeftovers", kQuotedCommand, Hive::LocalMachine, 0, kDeleteKey,
                             false, false, Outcome::Removed, true, false, ""},
                    StepCase{"FailedStartIsLoggedAndNothingDeleted", kQuotedCommand, Hive::LocalMachine, 2, kNothing,
                             false, true, Outcome::StartFailed, false, false, "could not be started (error 2)"},
                    StepCase{"InstallerCommandKeyLeft", kMsi, Hive::LocalMachine, 0, kNothing, false, true,
                             Outcome::StillInstalled, false, false, "uninstall entry is still there"},
                    StepCase{"InstallerCommandKeyGone", kMsi, Hive::LocalMachine, 0, kDeleteKey, false, true,
                             Outcome::Removed, true, true, ""},
                    StepCase{"BackendDiesDuringTheWait", kQuotedCommand, Hive::LocalMachine, 0, kDeleteKey, true, true,
                             Outcome::BackendFailed, false, false, "could not be reached"}),
    [](const testing::TestParamInfo<StepCase>& info) { return std::string(info.param.name); });

// An entry that only shares the display name is another registration (an
// older version, the other view): it does not keep the program installed.
TEST_F(UninstallStepTest, OnlyTheRecordsOwnEntryCountsAsRegistered) {
    Register(Hive::LocalMachine, kQuotedCommand);
    machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\AcmeNotes2", "DisplayName", "Acme Notes");
    machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\AcmeNotes2", "UninstallString",
                               "C:\\Old\\uninst.exe");
    bool failed = false;
    EXPECT_TRUE(step.StillRegistered(Record(kQuotedCommand), &failed));
    machine.registry.DeleteKey(Hive::LocalMachine, kUninstall + "\\AcmeNotes");
    EXPECT_FALSE(step.StillRegistered(Record(kQuotedCommand), &failed));
    EXPECT_FALSE(failed);
    // The quiet command, which the record carries when there is one, counts too.
    machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\AcmeNotes3", "DisplayName", "Acme Notes",
                               platform::kKeyWow64_32Key);
    machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\AcmeNotes3", "QuietUninstallString",
                               kQuotedCommand + " /S", platform::kKeyWow64_32Key);
    EXPECT_TRUE(step.StillRegistered(Record(kQuotedCommand + " /S"), &failed));
}

struct CandidateCase {
    const char* name;
    std::string command;
    std::vector<std::string> candidates;
};

void PrintTo(const CandidateCase& c, std::ostream* os) {
    *os << c.name;
}

class ProgramCandidatesTest : public ::testing::TestWithParam<CandidateCase> {};

TEST_P(ProgramCandidatesTest, AsCreateProcessReadsTheCommand) {
    EXPECT_EQ(CUninstallStep::ProgramCandidates(GetParam().command), GetParam().candidates);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProgramCandidatesTest,
    testing::Values(
        CandidateCase{"Quoted", "\"C:\\Apps\\Acme\\unins000.exe\" /SILENT", {"C:\\Apps\\Acme\\unins000.exe"}},
        CandidateCase{"QuotedWithoutClosingQuote", "\"C:\\Apps\\un.exe", {"C:\\Apps\\un.exe"}},
        CandidateCase{"UnquotedWithSpaces",
                      "C:\\Program Files\\Acme\\un.exe /S",
                      {"C:\\Program", "C:\\Program.exe", "C:\\Program Files\\Acme\\un.exe",
                       "C:\\Program Files\\Acme\\un.exe /S", "C:\\Program Files\\Acme\\un.exe /S.exe"}},
        CandidateCase{"NoExtension", "  D:\\Tools\\remove", {"D:\\Tools\\remove", "D:\\Tools\\remove.exe"}},
        CandidateCase{"NetworkPath", "\\\\server\\share\\un.exe", {"\\\\server\\share\\un.exe"}},
        CandidateCase{"SearchedOnThePath", "MsiExec.exe /X{1234}", {}},
        CandidateCase{"RelativeFolder", "bin\\un.exe", {}}, CandidateCase{"Empty", "", {}}),
    [](const testing::TestParamInfo<CandidateCase>& info) { return std::string(info.param.name); });

} // namespace
