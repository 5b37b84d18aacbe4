// The core face against the in-memory machine: one program's uninstall
// with scripted uninstallers (what counts as removed, and that nothing of a
// program that is still installed is ever deleted), the records with their
// decoded texts, lookup by display name, leftovers collected and cleaned;
// and, through the Wine client and an in-process host, a backend that
// fails at any request of each call.

#include "uninstall/UninstallerCore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "support/Log.h"
#include "tests/Elapsed.h"
#include "tests/ScopedVariable.h"
#include "tests/fake/MemoryPlatform.h"
#ifdef TOLVANIRE_TEST_WINE_CLIENT
#include "tests/fake/MemoryHostTransport.h"
#endif

using platform::Hive;

namespace {

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::string kFolder = "C:\\Program Files\\Acme Notes";
const std::string kUninstaller = "C:\\Program Files\\Acme Notes\\uninst.exe";
const std::string kQuotedCommand = "\"C:\\Program Files\\Acme Notes\\uninst.exe\"";
const std::string kAppData = "C:\\users\\tester\\AppData\\Roaming\\Acme Notes";
const std::string kCodeOfBroken = "{5A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D}";

// What the scripted uninstaller does while it "runs".
enum Action : unsigned {
    kNothing = 0,
    kDeleteKey = 1,
    kDeleteUninstaller = 2,
    kDeleteProgramFile = 4,
    // Before the uninstall: an earlier uninstaller (a suite) removed it all.
    kGoneBefore = 8,
    // Before the uninstall: only its uninstaller file is missing (a broken entry).
    kUninstallerGoneBefore = 16,
};

struct StepCase {
    const char* name;
    std::string command;                                 // the record's uninstall command
    Hive hive;                                           // where its uninstall key is
    uint32_t startError;                                 // 0: it starts
    unsigned actions;                                    // Action bits
    bool backendDies;                                    // during the wait
    bool clean;                                          // leftover removal asked for
    std::optional<UninstallStepReport::Outcome> outcome; // none: the target machine was lost
    bool removed;
    bool leftoversDeleted; // the AppData folder and the key are gone afterwards
    const char* reason;    // part of the reason; empty when removed
};

void PrintTo(const StepCase& c, std::ostream* os) {
    *os << c.name;
}

void File(MemoryPlatform& machine, const std::string& path) {
    machine.files.CreateFolder(path.substr(0, path.find_last_of('\\')));
    machine.files.WriteFile(path, "data");
}

// Acme Notes on disk: its folder with the program and its uninstaller, an
// AppData folder; and a neighbour that must never be touched.
void Furnish(MemoryPlatform& machine) {
    for (const char* folder :
         {"C:\\windows\\system32", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs",
          "C:\\users\\tester\\AppData\\Roaming", "C:\\users\\Public\\Desktop", "C:\\Program Files\\Other"})
        machine.files.CreateFolder(folder);
    File(machine, kUninstaller);
    File(machine, kFolder + "\\notes.exe");
    File(machine, kAppData + "\\settings.ini");
    File(machine, "C:\\Program Files\\Other\\other.exe");
    machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\Other", "DisplayName", "Other");
    machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\Other", "UninstallString",
                               "C:\\Program Files\\Other\\u.exe");
}

// Acme Notes' uninstall key.
void Register(MemoryPlatform& machine, Hive hive, const std::string& command) {
    machine.registry.SetString(hive, kUninstall + "\\AcmeNotes", "DisplayName", "Acme Notes");
    machine.registry.SetString(hive, kUninstall + "\\AcmeNotes", "UninstallString", command);
    machine.registry.SetString(hive, kUninstall + "\\AcmeNotes", "InstallLocation", kFolder);
}

// A machine with Acme Notes installed (its key is written by each test)
// and its neighbour. One fixture for each table.
template <class Case> class CoreFixture : public ::testing::TestWithParam<Case> {
protected:
    CoreFixture() : core(machine) { Furnish(machine); }

    void SetUp() override {
        ASSERT_TRUE(logDir.isValid());
        SetLogFilePath(logDir.filePath("test.log"));
    }
    void TearDown() override { SetLogFilePath(QString()); }

    bool KeyExists(Hive hive) { return machine.registry.KeyExists(hive, kUninstall + "\\AcmeNotes"); }

    // The record of Acme Notes as the face reads it.
    ProgramRecord Acme() {
        const Expected<std::vector<ProgramRecord>, BackendFailure> records = core.Records();
        EXPECT_TRUE(records.HasValue());
        const ProgramRecord* found = records ? CUninstallerCore::FindByName(*records, "Acme Notes") : nullptr;
        EXPECT_NE(found, nullptr);
        return found ? *found : ProgramRecord();
    }

    QByteArray Log() {
        QFile file(logDir.filePath("test.log"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir logDir;
    MemoryPlatform machine;
    CUninstallerCore core;
};

using UninstallerCoreTest = CoreFixture<StepCase>;

TEST_P(UninstallerCoreTest, RemovesLeftoversOnlyOfARemovedProgram) {
    const StepCase& c = GetParam();
    Register(machine, c.hive, c.command);
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
    const ProgramRecord acme = Acme();
    if (c.actions & kGoneBefore) machine.registry.DeleteKey(c.hive, kUninstall + "\\AcmeNotes");
    if (c.actions & (kGoneBefore | kUninstallerGoneBefore)) machine.files.DeleteFile(kUninstaller);

    std::vector<CUninstallerCore::Phase> phases;
    const Expected<UninstallStepReport, UninstallFailure> result =
        core.Uninstall(acme, c.clean, [&phases](CUninstallerCore::Phase phase) { phases.push_back(phase); });

    EXPECT_EQ(machine.system.Started(), std::vector<std::string>{c.command});
    // A lost target machine is the result's failure; its report tells how
    // far the step got.
    ASSERT_EQ(result.HasValue(), c.outcome.has_value());
    const UninstallStepReport& report = result ? *result : result.Error().report;
    if (c.outcome) {
        EXPECT_EQ(report.outcome, *c.outcome);
    } else {
        EXPECT_EQ(result.Error().reason.toStdString(), machine.FatalError());
    }
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
    EXPECT_EQ(phases.front(), CUninstallerCore::Phase::WaitingForUninstaller);
    EXPECT_EQ(machine.files.Exists(kAppData + "\\settings.ini"), !c.leftoversDeleted);
    EXPECT_EQ(KeyExists(c.hive), !c.leftoversDeleted && !(c.actions & (kDeleteKey | kGoneBefore)));
    EXPECT_EQ(machine.files.Exists(kFolder + "\\notes.exe"), !c.leftoversDeleted && !(c.actions & kDeleteProgramFile));
    if (c.leftoversDeleted) {
        EXPECT_FALSE(report.leftovers.Deleted().isEmpty());
        EXPECT_TRUE(report.leftovers.Remaining().isEmpty());
        QStringList targets;
        bool appDataReported = false;
        for (const LeftoverItem& item : report.leftovers.Deleted()) {
            targets << item.target;
            appDataReported |= QString(item.target)
                                   .replace(QLatin1Char('/'), QLatin1Char('\\'))
                                   .startsWith(QString::fromStdString(kAppData), Qt::CaseInsensitive);
        }
        EXPECT_TRUE(appDataReported) << targets.join(QLatin1Char('\n')).toStdString();
    } else {
        EXPECT_TRUE(report.leftovers.items.isEmpty());
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
    Table, UninstallerCoreTest,
    testing::Values(
        StepCase{"UninstallerRemovesItself", kQuotedCommand, Hive::LocalMachine, 0,
                 kDeleteKey | kDeleteUninstaller | kDeleteProgramFile, false, true, Outcome::Removed, true, true, ""},
        StepCase{"CancelledUninstallerDeletesNothing", kQuotedCommand, Hive::LocalMachine, 0, kNothing, false, true,
                 Outcome::StillInstalled, false, false, "uninstall entry and its uninstaller are still there"},
        StepCase{"CancelledUserUninstaller", kQuotedCommand, Hive::CurrentUser, 0, kNothing, false, true,
                 Outcome::StillInstalled, false, false, "still there"},
        StepCase{"KeyGoneFilesLeftAreCleaned", kQuotedCommand, Hive::LocalMachine, 0, kDeleteKey, false, true,
                 Outcome::Removed, true, true, ""},
        StepCase{"UninstallerGoneKeyLeftIsCleaned", kQuotedCommand, Hive::LocalMachine, 0, kDeleteUninstaller, false,
                 true, Outcome::Removed, true, true, ""},
        StepCase{"UnquotedCommandWithSpaces", kUninstaller + " /S", Hive::LocalMachine, 0, kDeleteUninstaller, false,
                 true, Outcome::Removed, true, true, ""},
        StepCase{"UnquotedCommandCancelled", kUninstaller + " /S", Hive::LocalMachine, 0, kNothing, false, true,
                 Outcome::StillInstalled, false, false, "still there"},
        StepCase{"RemovedWithoutCleanKeepsLeftovers", kQuotedCommand, Hive::LocalMachine, 0, kDeleteKey, false, false,
                 Outcome::Removed, true, false, ""},
        StepCase{"FailedStartIsLoggedAndNothingDeleted", kQuotedCommand, Hive::LocalMachine, 2, kNothing, false, true,
                 Outcome::StartFailed, false, false, "could not be started (error 2)"},
        // Its start fails, but it is gone: removed, and cleaned.
        StepCase{"FailedStartOfAProgramAlreadyGoneCountsAsRemoved", kQuotedCommand, Hive::LocalMachine, 2, kGoneBefore,
                 false, true, Outcome::Removed, true, true, ""},
        // A missing uninstaller alone does not make it gone.
        StepCase{"FailedStartWithItsEntryLeftStays", kQuotedCommand, Hive::LocalMachine, 2, kUninstallerGoneBefore,
                 false, true, Outcome::StartFailed, false, false, "could not be started (error 2)"},
        StepCase{"InstallerCommandKeyLeft", kMsi, Hive::LocalMachine, 0, kNothing, false, true, Outcome::StillInstalled,
                 false, false, "uninstall entry is still there"},
        StepCase{"InstallerCommandKeyGone", kMsi, Hive::LocalMachine, 0, kDeleteKey, false, true, Outcome::Removed,
                 true, true, ""},
        StepCase{"BackendDiesDuringTheWait", kQuotedCommand, Hive::LocalMachine, 0, kDeleteKey, true, true,
                 std::nullopt, false, false, "the target machine could not be reached: "}),
    [](const testing::TestParamInfo<StepCase>& info) { return std::string(info.param.name); });

struct WaitCase {
    const char* name;
    unsigned actions; // Action bits: what the uninstaller deletes
    int runningMs;    // the first process, after its work (negative: for ever)
    int trayMs;       // a tray helper left running after it (0: none; negative: for ever)
    int skipAfterMs;  // the user skips once the wait lasted this long (negative: never)
    Outcome outcome;
    bool skipped;
    const char* leftRunning; // what still ran when the wait ended early; empty: it ended by itself
    long long minMs;
    long long maxMs;
};

void PrintTo(const WaitCase& c, std::ostream* os) {
    *os << c.name;
}

using UninstallWaitTest = CoreFixture<WaitCase>;

// A wait ends when the whole uninstaller has; or once the first process has
// ended and the uninstall entry is gone, after the grace; or when the user
// skips it. Nothing is ended, and the removal check decides.
TEST_P(UninstallWaitTest, EndsAndTheRemovalCheckDecides) {
    const WaitCase& c = GetParam();
    Register(machine, Hive::LocalMachine, kQuotedCommand);
    const ProgramRecord acme = Acme();
    MemorySystem::ScriptedProcess process;
    process.run = [this, &c] {
        if (c.actions & kDeleteKey) machine.registry.DeleteKey(Hive::LocalMachine, kUninstall + "\\AcmeNotes");
        if (c.actions & kDeleteUninstaller) machine.files.DeleteFile(kUninstaller);
    };
    process.runningMs = c.runningMs;
    if (c.trayMs != 0) process.leftRunning = {"tray.exe"};
    process.leftRunningMs = c.trayMs;
    machine.system.SetProcess(kQuotedCommand, process);
    core.SetWaitTimes({150, 20});
    core.SkipWait(); // no wait runs yet: ignored
    std::vector<CUninstallerCore::WaitState> heard;
    core.SetWaitCallback([&](const CUninstallerCore::WaitState& state) {
        heard.push_back(state);
        EXPECT_TRUE(core.CurrentWait().waiting);
        if (c.skipAfterMs >= 0 && state.elapsedMs >= c.skipAfterMs) {
            core.SkipWait();
            // Until the wait looks again, it says it was asked to stop, so
            // that the window does not offer "Skip" a second time.
            EXPECT_TRUE(core.CurrentWait().skipAsked);
        }
    });

    const auto start = std::chrono::steady_clock::now();
    const Expected<UninstallStepReport, UninstallFailure> result = core.Uninstall(acme, false);
    const long long elapsed = MsSince(start);
    ASSERT_TRUE(result.HasValue()) << result.Error().reason.toStdString();
    const UninstallStepReport& report = *result;
    EXPECT_EQ(report.outcome, c.outcome) << report.reason.toStdString();
    EXPECT_EQ(report.waitSkipped, c.skipped);
    EXPECT_EQ(report.leftRunning.join(QLatin1Char(',')), QString::fromUtf8(c.leftRunning));
    EXPECT_EQ(report.exitCode, c.runningMs < 0 ? platform::kStillActive : 0u);
    EXPECT_GE(elapsed, c.minMs);
    EXPECT_LT(elapsed, c.maxMs);
    EXPECT_FALSE(core.CurrentWait().waiting);
    EXPECT_FALSE(core.CurrentWait().skipAsked);
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.front().running, QStringList{"uninst.exe"});
    EXPECT_FALSE(heard.front().firstEnded);
    // The grace runs only once the first process has ended and the entry is gone.
    for (const CUninstallerCore::WaitState& state : heard)
        EXPECT_TRUE(!state.programGone || (state.firstEnded && (c.actions & kDeleteKey)));
}

INSTANTIATE_TEST_SUITE_P(Table, UninstallWaitTest,
                         testing::Values(WaitCase{"GraceEndsTheWaitOnceTheEntryIsGone", kDeleteKey | kDeleteUninstaller,
                                                  0, -1, -1, Outcome::Removed, false, "tray.exe", 150, 2000},
                                         WaitCase{"HelperThatEndsWithinTheGraceIsWaitedFor", kDeleteKey, 0, 80, -1,
                                                  Outcome::Removed, false, "", 80, 2000},
                                         WaitCase{"NoGraceWhileTheEntryStays", kNothing, 0, 400, -1,
                                                  Outcome::StillInstalled, false, "", 400, 2400},
                                         // A missing uninstaller file says that the program is removed, not
                                         // that its uninstaller is done.
                                         WaitCase{"NoGraceWhileOnlyTheUninstallerFileIsGone", kDeleteUninstaller, 0,
                                                  400, -1, Outcome::Removed, false, "", 400, 2400},
                                         WaitCase{"NoGraceWhileTheFirstProcessRuns", kDeleteKey, 400, 0, -1,
                                                  Outcome::Removed, false, "", 400, 2400},
                                         WaitCase{"SkipLeavesTheHelperAndTheEntryDecides", kNothing, 0, -1, 100,
                                                  Outcome::StillInstalled, true, "tray.exe", 100, 2000},
                                         WaitCase{"SkipWhileTheFirstProcessRunsAfterItsWork", kDeleteKey, -1, 0, 100,
                                                  Outcome::Removed, true, "uninst.exe", 100, 2000},
                                         WaitCase{"SkipWhileTheFirstProcessRunsCancelled", kNothing, -1, 0, 100,
                                                  Outcome::StillInstalled, true, "uninst.exe", 100, 2000}),
                         [](const testing::TestParamInfo<WaitCase>& info) { return std::string(info.param.name); });

// A removed program whose leftovers cannot be told from what another
// program claims keeps them all, and the report says why.
TEST_F(UninstallerCoreTest, AStoppedCollectionSaysWhyAndDeletesNothing) {
    Register(machine, Hive::LocalMachine, kQuotedCommand);
    const ProgramRecord acme = Acme();
    machine.registry.FailKey(Hive::LocalMachine, kUninstall + "\\Other", platform::kErrorAccessDenied);
    MemorySystem::ScriptedProcess process;
    process.run = [this] { machine.registry.DeleteKey(Hive::LocalMachine, kUninstall + "\\AcmeNotes"); };
    machine.system.SetProcess(kQuotedCommand, process);

    const Expected<UninstallStepReport, UninstallFailure> result = core.Uninstall(acme, true);

    ASSERT_TRUE(result.HasValue()) << result.Error().reason.toStdString();
    EXPECT_EQ(result->outcome, UninstallStepReport::Outcome::Removed);
    EXPECT_TRUE(result->leftoversCleaned);
    EXPECT_TRUE(result->leftovers.items.isEmpty());
    const QString& why = result->leftovers.stopReason;
    EXPECT_TRUE(why.contains(QLatin1String("Uninstall\\Other (64-bit view) cannot be read"))) << why.toStdString();
    EXPECT_TRUE(machine.files.Exists(kAppData + "\\settings.ini"));
    EXPECT_TRUE(machine.files.Exists(kFolder + "\\notes.exe"));
    EXPECT_TRUE(Log().contains("leftovers of Acme Notes left alone: the registration")) << Log().constData();
}

// --- Entries whose uninstaller is missing -------------------------------------

struct BrokenCase {
    const char* name;
    std::string command;
    Hive hive;
    uint32_t view;         // of the local machine's key
    bool uninstallerGone;  // its folder was deleted by hand
    bool installerPackage; // a Windows Installer package's entry
    bool force;
    bool clean;
    bool started; // an uninstaller was run
    Outcome outcome;
    bool entryGone;
    bool leftoversGone;
};

void PrintTo(const BrokenCase& c, std::ostream* os) {
    *os << c.name;
}

using BrokenEntryTest = CoreFixture<BrokenCase>;

// A forced removal deletes the entry where it was read and, when asked,
// its leftovers; it runs nothing. An uninstaller that is there, and a
// Windows Installer package, are never forced.
TEST_P(BrokenEntryTest, ForcedOnlyWhenTheUninstallerIsConfirmedMissing) {
    const BrokenCase& c = GetParam();
    const std::string key = kUninstall + "\\" + (c.installerPackage ? kCodeOfBroken : std::string("AcmeNotes"));
    machine.registry.SetString(c.hive, key, "DisplayName", "Acme Notes", c.view);
    machine.registry.SetString(c.hive, key, "UninstallString", c.command, c.view);
    machine.registry.SetString(c.hive, key, "InstallLocation", kFolder, c.view);
    if (c.installerPackage) machine.registry.SetDword(c.hive, key, "WindowsInstaller", 1, c.view);
    // The same key name in the other view of the machine: another registration.
    const uint32_t otherView =
        c.view == platform::kKeyWow64_32Key ? platform::kKeyWow64_64Key : platform::kKeyWow64_32Key;
    const std::string twin = kUninstall + "\\AcmeNotes";
    if (c.hive == Hive::LocalMachine || otherView == platform::kKeyWow64_32Key)
        machine.registry.SetString(Hive::LocalMachine, twin, "DisplayName", "Acme Notes Classic", otherView);
    MemorySystem::ScriptedProcess process;
    if (c.uninstallerGone)
        process.startError = 2;
    else
        process.run = [&] { machine.registry.DeleteKey(c.hive, key); };
    machine.system.SetProcess(c.command, process);
    if (c.uninstallerGone) {
        machine.files.DeleteFile(kUninstaller);
        machine.files.DeleteFile(kFolder + "\\notes.exe");
        machine.files.RemoveFolder(kFolder);
    }
    const ProgramRecord acme = Acme();
    EXPECT_EQ(core.UninstallerMissing(acme), c.uninstallerGone && !c.installerPackage);

    const Expected<UninstallStepReport, UninstallFailure> result = core.Uninstall(acme, c.clean, {}, c.force);

    ASSERT_TRUE(result.HasValue()) << result.Error().reason.toStdString();
    EXPECT_EQ(machine.system.Started().empty(), !c.started);
    EXPECT_EQ(result->outcome, c.outcome) << result->reason.toStdString();
    const bool forced = c.force && c.uninstallerGone && !c.installerPackage;
    EXPECT_EQ(result->uninstallerMissing, forced);
    EXPECT_EQ(machine.registry.KeyExists(c.hive, key, c.view), !c.entryGone);
    EXPECT_EQ(machine.files.Exists(kAppData + "\\settings.ini"), !c.leftoversGone);
    if (forced) {
        // The entry comes first among what was deleted, named so that its
        // view is reached.
        ASSERT_FALSE(result->leftovers.items.isEmpty());
        const LeftoverItem& entry = result->leftovers.items.front().item;
        EXPECT_FALSE(result->leftovers.items.front().remains);
        EXPECT_EQ(entry.kind, LeftoverRegistry);
        EXPECT_EQ(entry.hive, c.hive == Hive::CurrentUser ? LeftoverCurrentUser : LeftoverLocalMachine);
        EXPECT_TRUE(entry.target.endsWith(QLatin1String("\\AcmeNotes"))) << entry.target.toStdString();
        EXPECT_EQ(entry.target.contains(QLatin1String("WOW6432Node")),
                  c.view == platform::kKeyWow64_32Key && c.hive == Hive::LocalMachine);
        EXPECT_TRUE(Log().contains("uninstall of Acme Notes: its uninstaller is missing, its entry was removed."));
    }
    // Neither the key of the other view nor the neighbour is touched.
    EXPECT_TRUE(machine.registry.KeyExists(Hive::LocalMachine, twin, otherView));
    EXPECT_TRUE(machine.files.Exists("C:\\Program Files\\Other\\other.exe"));
    EXPECT_TRUE(machine.registry.KeyExists(Hive::LocalMachine, kUninstall + "\\Other"));
}

const uint32_t k32 = platform::kKeyWow64_32Key;
const uint32_t k64 = platform::kKeyWow64_64Key;

INSTANTIATE_TEST_SUITE_P(
    Table, BrokenEntryTest,
    testing::Values(BrokenCase{"ForcedRemovesEntryAndLeftovers", kQuotedCommand, Hive::LocalMachine, k64, true, false,
                               true, true, false, Outcome::Removed, true, true},
                    BrokenCase{"ForcedInThe32BitView", kQuotedCommand, Hive::LocalMachine, k32, true, false, true, true,
                               false, Outcome::Removed, true, true},
                    BrokenCase{"ForcedUserEntry", kUninstaller + " /S", Hive::CurrentUser, 0, true, false, true, true,
                               false, Outcome::Removed, true, true},
                    BrokenCase{"ForcedWithoutCleanKeepsLeftovers", kQuotedCommand, Hive::LocalMachine, k64, true, false,
                               true, false, false, Outcome::Removed, true, false},
                    BrokenCase{"NotForcedItStays", kQuotedCommand, Hive::LocalMachine, k64, true, false, false, true,
                               true, Outcome::StartFailed, false, false},
                    BrokenCase{"ForcedButTheUninstallerIsThereRunsIt", kQuotedCommand, Hive::LocalMachine, k64, false,
                               false, true, true, true, Outcome::Removed, true, true},
                    BrokenCase{"InstallerPackageIsNeverForced", "\"C:\\Program Files\\Acme Notes\\setup.exe\" /x",
                               Hive::LocalMachine, k64, true, true, true, true, true, Outcome::StartFailed, false,
                               false}),
    [](const testing::TestParamInfo<BrokenCase>& info) { return std::string(info.param.name); });

// --- Windows Installer packages ------------------------------------------------

struct InstallerCase {
    const char* name;
    std::string keyName;
    int windowsInstaller; // the DWORD; negative: absent
    bool known;           // Windows Installer knows the key name as a product
    bool unattended;
    std::string runs; // the command that must run
};

void PrintTo(const InstallerCase& c, std::ostream* os) {
    *os << c.name;
}

const std::string kCode = "{0B6E3A4D-7C21-4F5E-9A8B-1C2D3E4F5A6B}";
const std::string kReconfigure = "MsiExec.exe /I" + kCode;
const std::string kSystemMsiexec = "\"C:\\windows\\System32\\msiexec.exe\" /X";

using InstallerCommandTest = CoreFixture<InstallerCase>;

// Whatever the entry's command says, a package Windows Installer knows is
// removed through it; the removal check decides as for any program.
TEST_P(InstallerCommandTest, RunsTheRemovalThatRemovesThePackage) {
    const InstallerCase& c = GetParam();
    const std::string key = kUninstall + "\\" + c.keyName;
    machine.registry.SetString(Hive::LocalMachine, key, "DisplayName", "Acme Notes");
    machine.registry.SetString(Hive::LocalMachine, key, "UninstallString", kReconfigure);
    if (c.windowsInstaller >= 0)
        machine.registry.SetDword(Hive::LocalMachine, key, "WindowsInstaller", uint32_t(c.windowsInstaller));
    if (c.known) machine.system.AddInstallerProduct(c.keyName);
    MemorySystem::ScriptedProcess removal;
    removal.run = [this, &key] { machine.registry.DeleteKey(Hive::LocalMachine, key); };
    machine.system.SetProcess(c.runs, removal);
    core.SetUnattended(c.unattended);

    const Expected<UninstallStepReport, UninstallFailure> result = core.Uninstall(Acme(), false);

    EXPECT_EQ(machine.system.Started(), std::vector<std::string>{c.runs});
    ASSERT_TRUE(result.HasValue());
    EXPECT_EQ(result->outcome, Outcome::Removed);
}

INSTANTIATE_TEST_SUITE_P(
    Table, InstallerCommandTest,
    testing::Values(InstallerCase{"KnownPackage", kCode, 1, true, false, kSystemMsiexec + kCode},
                    InstallerCase{"KnownPackageUnattended", kCode, 1, true, true, kSystemMsiexec + kCode + " /qn"},
                    InstallerCase{"LowerCaseProductCode", "{0b6e3a4d-7c21-4f5e-9a8b-1c2d3e4f5a6b}", 1, true, false,
                                  kSystemMsiexec + "{0b6e3a4d-7c21-4f5e-9a8b-1c2d3e4f5a6b}"},
                    InstallerCase{"ProductWindowsInstallerDoesNotKnow", kCode, 1, false, true, kReconfigure},
                    InstallerCase{"NotMarkedAsAPackage", kCode, -1, true, false, kReconfigure},
                    InstallerCase{"MarkedZero", kCode, 0, true, false, kReconfigure},
                    InstallerCase{"KeyNameIsNoProductCode", "AcmeNotes", 1, true, false, kReconfigure},
                    InstallerCase{"KeyNameAlmostAProductCode", "{0B6E3A4D-7C21-4F5E-9A8B-1C2D3E4F5A6G}", 1, true, false,
                                  kReconfigure}),
    [](const testing::TestParamInfo<InstallerCase>& info) { return std::string(info.param.name); });

// Each text field lands in its own place, decoded from the ANSI code page
// (1252 here), and each record says where it was read.
TEST(UninstallerCoreRecords, TextsAreDecodedFieldByFieldWithTheirSource) {
    MemoryPlatform machine;
    const std::string key = kUninstall + "\\Café";
    const struct {
        const char* value;
        const char* text;
    } fields[] = {{"DisplayName", "Café Tool"},
                  {"Publisher", "Müller"},
                  {"DisplayVersion", "1.0²"},
                  {"DisplayIcon", "C:\\Café\\icon.ico,1"},
                  {"InstallLocation", "C:\\Café"},
                  {"UninstallString", "C:\\Café\\unï.exe"},
                  {"Inno Setup: Icon Group", "Café Group"}};
    for (const auto& field : fields)
        machine.registry.SetString(Hive::LocalMachine, key, field.value, field.text, platform::kKeyWow64_32Key);
    machine.registry.SetString(Hive::CurrentUser, kUninstall + "\\Mine", "DisplayName", "User Tool");
    machine.registry.SetString(Hive::CurrentUser, kUninstall + "\\Mine", "UninstallString", "C:\\m\\u.exe");

    CUninstallerCore core(machine);
    const Expected<std::vector<ProgramRecord>, BackendFailure> records = core.Records();
    ASSERT_TRUE(records.HasValue());
    ASSERT_EQ(records->size(), 2u);
    const ProgramRecord& cafe = records->at(0);
    const ProgramText& t = cafe.text;
    EXPECT_EQ(t.name, QString::fromUtf8("Café Tool"));
    EXPECT_EQ(t.publisher, QString::fromUtf8("Müller"));
    EXPECT_EQ(t.version, QString::fromUtf8("1.0²"));
    EXPECT_EQ(t.displayIcon, QString::fromUtf8("C:\\Café\\icon.ico,1"));
    EXPECT_EQ(t.installLocation, QString::fromUtf8("C:\\Café"));
    EXPECT_EQ(t.uninstallCommand, QString::fromUtf8("C:\\Café\\unï.exe"));
    EXPECT_EQ(t.iconGroup, QString::fromUtf8("Café Group"));
    // The record holds the same text as UTF-8, which the dialogs read.
    EXPECT_EQ(QString::fromUtf8(cafe.program.displayName), t.name);
    EXPECT_EQ(QString::fromUtf8(cafe.program.publisher), t.publisher);
    EXPECT_EQ(cafe.source, ProgramSource::LocalMachine32);
    EXPECT_EQ(records->at(1).text.name, "User Tool");
    EXPECT_EQ(records->at(1).source, ProgramSource::CurrentUser);
}

struct FindCase {
    const char* name;
    const char* wanted;
    int found; // index in {"acme notes", "Acme Notes", "Birch", "Блокнот", "Σημειώσεις", "Äpfel", "Straße"}; -1: none
};

void PrintTo(const FindCase& c, std::ostream* os) {
    *os << c.name;
}

class FindByNameTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindByNameTest, ExactMatchFirstThenIgnoringCase) {
    const char* names[] = {"acme notes", "Acme Notes", "Birch", "Блокнот", "Σημειώσεις", "Äpfel", "Straße"};
    std::vector<ProgramRecord> records(std::size(names));
    for (size_t i = 0; i < records.size(); ++i)
        records[i].text.name = QString::fromUtf8(names[i]);
    const ProgramRecord* found = CUninstallerCore::FindByName(records, QString::fromUtf8(GetParam().wanted));
    EXPECT_EQ(found, GetParam().found < 0 ? nullptr : &records[size_t(GetParam().found)]);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FindByNameTest,
    testing::Values(FindCase{"ExactBeatsAnEarlierCaseMatch", "Acme Notes", 1},
                    FindCase{"ExactLowerCase", "acme notes", 0}, FindCase{"FirstMatchIgnoringCase", "ACME NOTES", 0},
                    FindCase{"IgnoringCaseOnly", "birch", 2}, FindCase{"PrefixIsNoMatch", "Acme", -1},
                    FindCase{"Empty", "", -1}, FindCase{"CyrillicIgnoringCase", "БЛОКНОТ", 3},
                    FindCase{"GreekFinalSigmaIgnoringCase", "ΣΗΜΕΙΏΣΕΙΣ", 4},
                    FindCase{"AccentedLatinIgnoringCase", "äPFEL", 5}, FindCase{"SharpSIsNoDoubleS", "STRASSE", -1}),
    [](const testing::TestParamInfo<FindCase>& info) { return std::string(info.param.name); });

// A collection deletes nothing; a clean deletes what it collects and says
// that each item is gone; the neighbour survives both.
TEST_F(UninstallerCoreTest, CollectsThenCleansTheLeftovers) {
    Register(machine, Hive::LocalMachine, kQuotedCommand);
    const ProgramRecord acme = Acme();
    const Expected<LeftoverCollection, BackendFailure> collection = core.CollectLeftovers(acme);
    ASSERT_TRUE(collection.HasValue());
    QStringList targets;
    for (const LeftoverItem& item : collection->items)
        targets << QString(item.target).replace(QLatin1Char('/'), QLatin1Char('\\'));
    EXPECT_TRUE(targets.contains(QString::fromStdString(kAppData + "\\settings.ini"), Qt::CaseInsensitive))
        << targets.join('\n').toStdString();
    EXPECT_TRUE(targets.contains(QString::fromStdString(kUninstall + "\\AcmeNotes")))
        << targets.join('\n').toStdString();
    EXPECT_TRUE(machine.files.Exists(kAppData + "\\settings.ini"));
    EXPECT_TRUE(KeyExists(Hive::LocalMachine));

    const Expected<LeftoverCleanup, BackendFailure> cleanup = core.CleanLeftovers(acme);
    ASSERT_TRUE(cleanup.HasValue());
    EXPECT_EQ(cleanup->items.size(), collection->items.size());
    EXPECT_TRUE(cleanup->Remaining().isEmpty());
    EXPECT_FALSE(machine.files.Exists(kAppData + "\\settings.ini"));
    EXPECT_FALSE(KeyExists(Hive::LocalMachine));
    EXPECT_TRUE(machine.files.Exists("C:\\Program Files\\Other\\other.exe"));
    EXPECT_TRUE(machine.registry.KeyExists(Hive::LocalMachine, kUninstall + "\\Other"));
}

// The searches overlap; what two of them find is one leftover, listed,
// deleted and counted once.
struct OnceCase {
    const char* name;
    std::vector<std::string> folders; // made before the collection
    std::vector<std::string> files;
    std::string iconGroup;
    std::string found; // the leftover two searches find
};

void PrintTo(const OnceCase& c, std::ostream* os) {
    *os << c.name;
}

class LeftoverOnceTest : public ::testing::TestWithParam<OnceCase> {};

TEST_P(LeftoverOnceTest, WhatTwoSearchesFindIsOneItem) {
    const OnceCase& c = GetParam();
    MemoryPlatform machine;
    Furnish(machine);
    Register(machine, Hive::LocalMachine, kQuotedCommand);
    if (!c.iconGroup.empty())
        machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\AcmeNotes", "Inno Setup: Icon Group",
                                   c.iconGroup);
    for (const std::string& folder : c.folders)
        machine.files.CreateFolder(folder);
    for (const std::string& file : c.files)
        File(machine, file);
    CUninstallerCore core(machine);
    const Expected<std::vector<ProgramRecord>, BackendFailure> records = core.Records();
    ASSERT_TRUE(records.HasValue());
    const ProgramRecord* acme = CUninstallerCore::FindByName(*records, "Acme Notes");
    ASSERT_NE(acme, nullptr);

    const Expected<LeftoverCollection, BackendFailure> collection = core.CollectLeftovers(*acme);
    ASSERT_TRUE(collection.HasValue());
    QStringList targets;
    for (const LeftoverItem& item : collection->items)
        targets << QStringLiteral("%1 %2|%3")
                       .arg(item.kind)
                       .arg(QString(item.target).replace(QLatin1Char('/'), QLatin1Char('\\')), item.valueName);
    EXPECT_EQ(targets.removeDuplicates(), 0) << targets.join('\n').toStdString();
    const QString found = QString::fromStdString(c.found);
    EXPECT_EQ(std::count_if(collection->items.begin(), collection->items.end(),
                            [&found](const LeftoverItem& item) {
                                return QString(item.target).replace(QLatin1Char('/'), QLatin1Char('\\')) == found;
                            }),
              1)
        << targets.join('\n').toStdString();

    const Expected<LeftoverCleanup, BackendFailure> cleanup = core.CleanLeftovers(*acme);
    ASSERT_TRUE(cleanup.HasValue());
    EXPECT_EQ(cleanup->Deleted().size(), collection->items.size());
    EXPECT_TRUE(cleanup->Remaining().isEmpty());
    uint32_t attributes = 0;
    EXPECT_NE(machine.files.GetAttributes(c.found, &attributes), platform::kErrorSuccess);
}

const std::string kStartMenu = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
const std::string kDesktop = "C:\\users\\Public\\Desktop";

INSTANTIATE_TEST_SUITE_P(Table, LeftoverOnceTest,
                         testing::Values(
                             // The ProgramData walk covers the common Start Menu, where the
                             // Start Menu search finds the shortcut again.
                             OnceCase{"ShortcutInTheCommonStartMenu",
                                      {},
                                      {kStartMenu + "\\Acme Notes\\Acme Notes.lnk"},
                                      "",
                                      kStartMenu + "\\Acme Notes\\Acme Notes.lnk"},
                             // A desktop search that finds no file is repeated with the icon
                             // group, and the repeat gives the first one's finds again.
                             OnceCase{"DesktopFolderFoundAgainWithTheIconGroup",
                                      {kDesktop + "\\Acme Notes"},
                                      {},
                                      "Acme Tools",
                                      kDesktop + "\\Acme Notes"}),
                         [](const testing::TestParamInfo<OnceCase>& info) { return std::string(info.param.name); });

#ifdef TOLVANIRE_TEST_WINE_CLIENT
using Fault = CMemoryHostTransport::Fault;

struct FaultRow {
    const char* name;
    Fault fault;
    const char* reason; // part of the failure's reason
};

void PrintTo(const FaultRow& row, std::ostream* os) {
    *os << row.name;
}

// The Wine client as it runs for a prefix at `prefix` (none when empty):
// the Linux files of that prefix's shortcuts come within reach.
class PrefixPlatform : public platform::IPlatform {
public:
    PrefixPlatform(platform::IPlatform& client, std::string folder) : inner(client), prefix(std::move(folder)) {}
    platform::IRegistry& Registry() override { return inner.Registry(); }
    platform::ISystem& System() override { return inner.System(); }
    platform::IFileSystem& Files() override { return inner.Files(); }
    std::string FatalError() const override { return inner.FatalError(); }
    std::string LinuxPrefix() const override { return prefix; }

private:
    platform::IPlatform& inner;
    std::string prefix;
};

// Each call of the face through the Wine client, with the host failing at
// each of the call's requests in turn: the call returns the failure with
// the host's reason, never a result, and sends nothing more to the host.
class UninstallerCoreFailure : public ::testing::TestWithParam<FaultRow> {
protected:
    // Acme Notes installed, with an uninstaller that removes it.
    static void Fill(MemoryPlatform& machine) {
        Furnish(machine);
        Register(machine, Hive::LocalMachine, kQuotedCommand);
        MemorySystem::ScriptedProcess process;
        MemoryPlatform* target = &machine;
        process.run = [target] {
            target->registry.DeleteKey(Hive::LocalMachine, kUninstall + "\\AcmeNotes");
            target->files.DeleteFile(kUninstaller);
        };
        machine.system.SetProcess(kQuotedCommand, process);
    }

    // Runs `call` on a fresh machine with the host failing at each request
    // in turn, until a run gets through; `call` says whether it saw the
    // failure (and checks what it got). Returns the requests of that run.
    size_t FailAtEveryRequest(
        const std::function<bool(CUninstallerCore& core, MemoryPlatform& machine, const ProgramRecord& acme)>& call) {
        for (size_t request = 1; request < 1000; ++request) {
            MemoryPlatform machine;
            Fill(machine);
            // The record is read before the fault is armed.
            CUninstallerCore reader(machine);
            const Expected<std::vector<ProgramRecord>, BackendFailure> records = reader.Records();
            const ProgramRecord* acme = records ? CUninstallerCore::FindByName(*records, "Acme Notes") : nullptr;
            if (acme == nullptr) {
                ADD_FAILURE() << "Acme Notes is not listed";
                return 0;
            }
            auto script = std::make_shared<CMemoryHostTransport::Script>();
            platform::CWineHostConnection::Limits limits;
            limits.silenceMs = 100;
            std::unique_ptr<platform::IPlatform> client =
                CMemoryHostTransport::Connect(machine, nullptr, true, limits, script);
            EXPECT_NE(client, nullptr);
            if (!client) return 0;
            script->failAt = request + script->requests;
            script->fault = GetParam().fault;
            PrefixPlatform target(*client, linuxPrefix);
            CUninstallerCore core(target);
            const bool failed = call(core, machine, *acme);
            if (script->failAt > script->requests) { // the fault never struck
                EXPECT_FALSE(failed);
                return request - 1;
            }
            SCOPED_TRACE("host failing at request " + std::to_string(request));
            EXPECT_TRUE(failed);
            EXPECT_EQ(script->afterFault, 0u) << "requests sent to a host that had failed";
        }
        ADD_FAILURE() << "the call never got through";
        return 0;
    }

    bool HasReason(const QString& text) const { return text.contains(QString::fromUtf8(GetParam().reason)); }

    std::string linuxPrefix; // the prefix the client reaches; none when empty
};

// A host that falls silent ends the same way, a time-out later (the
// client's and the command line's failure tests cover it).
const FaultRow kFaults[] = {
    {"Dies", Fault::Dies, "the Wine host exited unexpectedly"},
    {"AnswersGarbage", Fault::AnswersGarbage, "broken reply"},
};

TEST_P(UninstallerCoreFailure, Records) {
    const size_t requests = FailAtEveryRequest([this](CUninstallerCore& core, MemoryPlatform&, const ProgramRecord&) {
        const Expected<std::vector<ProgramRecord>, BackendFailure> records = core.Records();
        if (records) return false;
        EXPECT_TRUE(HasReason(records.Error().reason)) << records.Error().reason.toStdString();
        return true;
    });
    EXPECT_GE(requests, 3u);
}

TEST_P(UninstallerCoreFailure, CollectLeftovers) {
    const size_t requests =
        FailAtEveryRequest([this](CUninstallerCore& core, MemoryPlatform&, const ProgramRecord& acme) {
            const Expected<LeftoverCollection, BackendFailure> collection = core.CollectLeftovers(acme);
            if (collection) return false;
            EXPECT_TRUE(HasReason(collection.Error().reason)) << collection.Error().reason.toStdString();
            return true;
        });
    EXPECT_GE(requests, 4u);
}

TEST_P(UninstallerCoreFailure, CleanLeftovers) {
    const size_t requests =
        FailAtEveryRequest([this](CUninstallerCore& core, MemoryPlatform& machine, const ProgramRecord& acme) {
            const Expected<LeftoverCleanup, BackendFailure> cleanup = core.CleanLeftovers(acme);
            if (cleanup) {
                EXPECT_FALSE(machine.files.Exists(kAppData + "\\settings.ini"));
                return false;
            }
            EXPECT_TRUE(HasReason(cleanup.Error().reason)) << cleanup.Error().reason.toStdString();
            return true;
        });
    EXPECT_GE(requests, 4u);
}

// In a prefix, the menu entry Wine made in the Linux home for a shortcut
// that is gone goes last: never while the host fails before the prefix's
// own leftovers are gone (also while the core asks whether the shortcut is
// still there), and with a clean that gets through.
TEST_P(UninstallerCoreFailure, CleanLeftoversTakesTheLinuxSideLast) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const ScopedVariable homeVariable("HOME", home.path());
    const ScopedVariable data("XDG_DATA_HOME", home.path() + QStringLiteral("/.local/share"));
    const ScopedVariable config("XDG_CONFIG_HOME", home.path() + QStringLiteral("/.config"));
    linuxPrefix = (home.path() + QStringLiteral("/prefix")).toStdString();
    const QString launcher = home.path() + QStringLiteral("/.local/share/applications/wine/Programs/Old/Old.desktop");
    auto writeLauncher = [&] {
        QDir().mkpath(QFileInfo(launcher).path());
        QFile file(launcher);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Desktop Entry]\nExec=env WINEPREFIX=\"" + QByteArray::fromStdString(linuxPrefix) +
                   "\" wine C:\\\\\\\\Old\\\\\\\\Old.lnk\n");
    };
    writeLauncher();

    int keptOnFailure = 0;
    const size_t requests =
        FailAtEveryRequest([&](CUninstallerCore& core, MemoryPlatform& machine, const ProgramRecord& acme) {
            const Expected<LeftoverCleanup, BackendFailure> cleanup = core.CleanLeftovers(acme);
            if (!cleanup) {
                // Gone only when the host failed after all else was deleted.
                if (QFile::exists(launcher))
                    ++keptOnFailure;
                else
                    EXPECT_FALSE(machine.files.Exists(kAppData + "\\settings.ini"));
                writeLauncher();
                return true;
            }
            EXPECT_FALSE(QFile::exists(launcher));
            EXPECT_TRUE(cleanup->Remaining().isEmpty());
            EXPECT_EQ(std::count_if(
                          cleanup->items.begin(), cleanup->items.end(),
                          [](const CleanedLeftover& cleaned) { return cleaned.item.kind == LeftoverLinuxDesktopFile; }),
                      1);
            return false;
        });
    EXPECT_GE(requests, 5u);
    EXPECT_GT(keptOnFailure, 3);
}

// A fault in the host of the wait fails that wait alone (the target machine
// is still there); a fault in the platform's own host is the result's
// failure, which tells whether the program was already gone. Nothing of a
// program not known to be removed is deleted.
TEST_P(UninstallerCoreFailure, Uninstall) {
    // How the failing runs ended: the wait failed, the target was lost
    // before the removal was known, or while the leftovers were removed.
    int waitFailed = 0, lostBeforeRemoval = 0, lostWhileCleaning = 0;
    const size_t requests =
        FailAtEveryRequest([&](CUninstallerCore& core, MemoryPlatform& machine, const ProgramRecord& acme) {
            const Expected<UninstallStepReport, UninstallFailure> result = core.Uninstall(acme, true);
            const UninstallStepReport& report = result ? *result : result.Error().report;
            if (!report.removed) {
                EXPECT_TRUE(machine.files.Exists(kAppData + "\\settings.ini"));
            }
            if (result && result->outcome != UninstallStepReport::Outcome::WaitFailed) {
                EXPECT_EQ(result->outcome, UninstallStepReport::Outcome::Removed);
                return false;
            }
            ++(result ? waitFailed : report.removed ? lostWhileCleaning : lostBeforeRemoval);
            if (result) {
                EXPECT_TRUE(core.Reachable().HasValue());
                EXPECT_TRUE(report.reason.startsWith("the wait for its uninstaller failed: "))
                    << report.reason.toStdString();
            } else {
                EXPECT_FALSE(core.Reachable().HasValue());
                EXPECT_TRUE(HasReason(result.Error().reason)) << result.Error().reason.toStdString();
                EXPECT_TRUE(report.reason.startsWith(report.removed ? "the leftover removal could not finish: "
                                                                    : "the target machine could not be reached: "))
                    << report.reason.toStdString();
            }
            EXPECT_TRUE(HasReason(report.reason)) << report.reason.toStdString();
            return true;
        });
    EXPECT_GE(requests, 6u);
    EXPECT_GT(waitFailed, 0);
    EXPECT_GT(lostBeforeRemoval, 0);
    EXPECT_GT(lostWhileCleaning, 0);
}

INSTANTIATE_TEST_SUITE_P(Faults, UninstallerCoreFailure, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<FaultRow>& info) { return info.param.name; });
#endif

} // namespace
