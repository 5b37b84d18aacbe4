// "tolvanire-uninstaller-cli uninstall" against the in-memory machine with
// scripted uninstallers: exit codes, progress and report, and which
// leftovers go.

#include "cli/CliUninstall.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

#include "support/Log.h"
#include "tests/fake/MemoryPlatform.h"
#ifdef TOLVANIRE_TEST_WINE_CLIENT
#include "tests/fake/MemoryHostTransport.h"
#endif

using platform::Hive;

namespace {

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// What a program's scripted uninstaller does.
// RemovesTheSuite also removes Cafe Timer, as a suite's uninstaller does.
// FolderDeleted: its folder, uninstaller and all, was deleted by hand.
enum class Behaviour { Removes, RemovesTheSuite, Cancels, FailsToStart, BackendDies, FolderDeleted };

struct CliCase {
    const char* name;
    QStringList names;
    std::map<std::string, Behaviour> behaviours; // by program; default: removes
    bool clean;
    cli::ExitCode exitCode;
    std::vector<std::string> started; // programs whose uninstaller was run, in order
    QStringList outLines;             // each must be in stdout
    const char* errText;              // in stderr; empty: nothing checked
    std::vector<std::string> appDataGone;
    bool forceMissing = false;
};

void PrintTo(const CliCase& c, std::ostream* os) {
    *os << c.name;
}

std::string Folder(const std::string& program) {
    return "C:\\Program Files\\" + program;
}
std::string Command(const std::string& program) {
    return "\"" + Folder(program) + "\\uninst.exe\"";
}
std::string AppData(const std::string& program) {
    return "C:\\users\\tester\\AppData\\Roaming\\" + program;
}

class CliUninstallTest : public ::testing::TestWithParam<CliCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(logDir.isValid());
        SetLogFilePath(logDir.filePath("test.log"));
        for (const char* folder : {"C:\\windows\\system32", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs",
                                   "C:\\users\\tester\\AppData\\Roaming", "C:\\users\\Public\\Desktop"})
            machine.files.CreateFolder(folder);
        for (const std::string program : {"Acme Notes", "Cafe Timer", "Plain Viewer"})
            Install(program);
    }
    void TearDown() override { SetLogFilePath(QString()); }

    void Install(const std::string& program) {
        const std::string key = kUninstall + "\\" + program;
        machine.registry.SetString(Hive::LocalMachine, key, "DisplayName", program);
        machine.registry.SetString(Hive::LocalMachine, key, "UninstallString", Command(program));
        machine.registry.SetString(Hive::LocalMachine, key, "InstallLocation", Folder(program));
        machine.files.CreateFolder(Folder(program));
        machine.files.WriteFile(Folder(program) + "\\uninst.exe", "MZ");
        machine.files.CreateFolder(AppData(program));
        machine.files.WriteFile(AppData(program) + "\\settings.ini", "x");
    }

    void Script(const std::string& program, Behaviour behaviour) {
        MemorySystem::ScriptedProcess process;
        switch (behaviour) {
        case Behaviour::Removes:
            process.run = [this, program] {
                machine.registry.DeleteKey(Hive::LocalMachine, kUninstall + "\\" + program);
                machine.files.DeleteFile(Folder(program) + "\\uninst.exe");
            };
            break;
        case Behaviour::RemovesTheSuite:
            process.run = [this, program] {
                for (const std::string& gone : {program, std::string("Cafe Timer")}) {
                    machine.registry.DeleteKey(Hive::LocalMachine, kUninstall + "\\" + gone);
                    machine.files.DeleteFile(Folder(gone) + "\\uninst.exe");
                }
            };
            break;
        case Behaviour::Cancels:
            process.exitCode = 1223;
            break;
        case Behaviour::FailsToStart:
            process.startError = 5;
            break;
        case Behaviour::BackendDies:
            process.backendDies = true;
            break;
        case Behaviour::FolderDeleted:
            machine.files.DeleteFile(Folder(program) + "\\uninst.exe");
            machine.files.RemoveFolder(Folder(program));
            process.startError = 2;
            break;
        }
        machine.system.SetProcess(Command(program), process);
    }

    cli::ExitCode Run(const QStringList& names, bool clean, bool json, platform::IPlatform* through = nullptr) {
        CCliUninstall::Options options;
        options.names = names;
        options.clean = clean;
        options.json = json;
        return Run(options, through);
    }
    cli::ExitCode Run(const CCliUninstall::Options& options, platform::IPlatform* through = nullptr) {
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        CUninstallerCore core(through ? *through : machine);
        CCliUninstall command(core, outStream, errStream);
        return command.Run(options);
    }

    // Acme Notes removes itself, ends after `runningMs` and leaves a tray
    // helper running for `trayMs` (negative: for ever).
    void ScriptTrayHelper(int runningMs, int trayMs) {
        MemorySystem::ScriptedProcess process;
        process.run = [this] { machine.registry.DeleteKey(Hive::LocalMachine, kUninstall + "\\Acme Notes"); };
        process.runningMs = runningMs;
        process.leftRunning = {"tray.exe"};
        process.leftRunningMs = trayMs;
        machine.system.SetProcess(Command("Acme Notes"), process);
    }

    QTemporaryDir logDir;
    MemoryPlatform machine;
    QString out;
    QString err;
};

TEST_P(CliUninstallTest, RunsTheNamedProgramsOneAfterAnother) {
    const CliCase& c = GetParam();
    for (const std::string program : {"Acme Notes", "Cafe Timer", "Plain Viewer"}) {
        const auto it = c.behaviours.find(program);
        Script(program, it == c.behaviours.end() ? Behaviour::Removes : it->second);
    }
    CCliUninstall::Options options;
    options.names = c.names;
    options.clean = c.clean;
    options.forceMissing = c.forceMissing;
    EXPECT_EQ(Run(options), c.exitCode) << out.toStdString() << err.toStdString();
    std::vector<std::string> expectedStarted;
    for (const std::string& program : c.started)
        expectedStarted.push_back(Command(program));
    EXPECT_EQ(machine.system.Started(), expectedStarted);
    for (const QString& line : c.outLines)
        EXPECT_TRUE(out.contains(line)) << line.toStdString() << "\n---\n" << out.toStdString();
    if (*c.errText) {
        EXPECT_TRUE(err.contains(QString::fromUtf8(c.errText))) << err.toStdString();
    }
    for (const std::string program : {"Acme Notes", "Cafe Timer", "Plain Viewer"}) {
        const bool gone = std::find(c.appDataGone.begin(), c.appDataGone.end(), program) != c.appDataGone.end();
        EXPECT_EQ(machine.files.Exists(AppData(program) + "\\settings.ini"), !gone) << program;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, CliUninstallTest,
    testing::Values(CliCase{"AllRemovedWithoutClean",
                            {"Acme Notes", "Cafe Timer"},
                            {},
                            false,
                            cli::ExitCode::Success,
                            {"Acme Notes", "Cafe Timer"},
                            {"[1/2] Acme Notes: waiting for the uninstaller...",
                             "[1/2] Acme Notes: removed (exit code 0)",
                             "[2/2] Cafe Timer: waiting for the uninstaller...", "2 of 2 programs removed"},
                            "",
                            {}},
                    CliCase{"CleanRemovesLeftoversOfRemovedOnly",
                            {"Acme Notes", "Cafe Timer", "Plain Viewer"},
                            {{"Cafe Timer", Behaviour::Cancels}},
                            true,
                            cli::ExitCode::Incomplete,
                            {"Acme Notes", "Cafe Timer", "Plain Viewer"},
                            {"[1/3] Acme Notes: removing leftovers...",
                             "[2/3] Cafe Timer: not removed: its uninstall entry and "
                             "its uninstaller are still there (exit code 1223)",
                             "removed (exit code 0), 2 leftovers deleted, 0 not deleted",
                             // As Windows writes a path.
                             "    deleted\tfile\tC:\\users\\tester\\AppData\\Roaming\\Acme Notes\\settings.ini\n",
                             "2 of 3 programs removed"},
                            "",
                            {"Acme Notes", "Plain Viewer"}},
                    CliCase{"FailedStartGoesOn",
                            {"Plain Viewer", "Acme Notes"},
                            {{"Plain Viewer", Behaviour::FailsToStart}},
                            true,
                            cli::ExitCode::Incomplete,
                            {"Plain Viewer", "Acme Notes"},
                            {"[1/2] Plain Viewer: not started: its uninstaller could not be started (error 5)",
                             "1 of 2 programs removed"},
                            "",
                            {"Acme Notes"}},
                    // Its start fails because an earlier uninstaller removed it:
                    // it counts as removed, and its leftovers go.
                    CliCase{"ProgramGoneBeforeItsTurnCountsAsRemoved",
                            {"Acme Notes", "Cafe Timer"},
                            {{"Acme Notes", Behaviour::RemovesTheSuite}, {"Cafe Timer", Behaviour::FailsToStart}},
                            true,
                            cli::ExitCode::Success,
                            {"Acme Notes", "Cafe Timer"},
                            {"[2/2] Cafe Timer: removed already (its uninstaller could not be started, error 5), "
                             "2 leftovers deleted, 0 not deleted",
                             "2 of 2 programs removed"},
                            "",
                            {"Acme Notes", "Cafe Timer"}},
                    CliCase{"UnknownNameRunsNothing",
                            {"Acme Notes", "Nope"},
                            {},
                            true,
                            cli::ExitCode::UnknownName,
                            {},
                            {},
                            "no installed program is named 'Nope'",
                            {}},
                    CliCase{"NameIgnoringCaseAndGivenTwice",
                            {"acme NOTES", "Acme Notes"},
                            {},
                            false,
                            cli::ExitCode::Success,
                            {"Acme Notes"},
                            {"[1/1] Acme Notes: removed", "1 of 1 program removed"},
                            "",
                            {}},
                    // Nothing runs while a program's uninstaller is missing
                    // and its removal was not forced.
                    CliCase{"MissingUninstallerRefusedWithoutForce",
                            {"Cafe Timer", "Acme Notes"},
                            {{"Acme Notes", Behaviour::FolderDeleted}},
                            true,
                            cli::ExitCode::UninstallerMissing,
                            {},
                            {},
                            "the uninstaller of 'Acme Notes' is missing",
                            {}},
                    // Forced: the broken entry goes with its leftovers and
                    // counts as removed; the others run their uninstallers.
                    CliCase{"MissingUninstallerForced",
                            {"Acme Notes", "Cafe Timer"},
                            {{"Acme Notes", Behaviour::FolderDeleted}},
                            true,
                            cli::ExitCode::Success,
                            {"Cafe Timer"},
                            {"[1/2] Acme Notes: entry removed (its uninstaller was missing), 3 leftovers deleted",
                             "    deleted\tregistry\tSOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Acme "
                             "Notes\n",
                             "2 of 2 programs removed"},
                            "",
                            {"Acme Notes", "Cafe Timer"},
                            true},
                    CliCase{"BackendDeathStopsTheRun",
                            {"Acme Notes", "Cafe Timer"},
                            {{"Acme Notes", Behaviour::BackendDies}},
                            true,
                            cli::ExitCode::BackendFailed,
                            {"Acme Notes"},
                            {"[1/2] Acme Notes: failed: the target machine could not be reached"},
                            "the Wine host failed: ",
                            {}}),
    [](const testing::TestParamInfo<CliCase>& info) { return std::string(info.param.name); });

TEST_F(CliUninstallTest, JsonReportKeepsProgressOffTheStandardOutput) {
    Script("Acme Notes", Behaviour::Removes);
    Script("Cafe Timer", Behaviour::Cancels);
    EXPECT_EQ(Run({"Acme Notes", "Cafe Timer"}, true, true), cli::ExitCode::Incomplete);
    EXPECT_TRUE(err.contains("[1/2] Acme Notes: waiting for the uninstaller...")) << err.toStdString();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(out.toUtf8(), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << out.toStdString();
    const QJsonArray reports = document.array();
    ASSERT_EQ(reports.size(), 2);
    const QJsonObject acme = reports[0].toObject();
    EXPECT_EQ(acme["displayName"].toString(), "Acme Notes");
    EXPECT_EQ(acme["outcome"].toString(), "removed");
    EXPECT_TRUE(acme["started"].toBool());
    EXPECT_TRUE(acme["removed"].toBool());
    EXPECT_TRUE(acme["leftoversCleaned"].toBool());
    EXPECT_FALSE(acme["leftoversDeleted"].toArray().isEmpty());
    const QJsonObject cafe = reports[1].toObject();
    EXPECT_EQ(cafe["outcome"].toString(), "stillInstalled");
    EXPECT_EQ(cafe["exitCode"].toInt(), 1223);
    EXPECT_FALSE(cafe["removed"].toBool());
    EXPECT_FALSE(cafe["leftoversCleaned"].toBool());
    EXPECT_TRUE(cafe["leftoversDeleted"].toArray().isEmpty());
    EXPECT_FALSE(cafe["reason"].toString().isEmpty());
}

// The JSON report of a forced removal says so, and lists what the clean
// kept with why.
TEST_F(CliUninstallTest, JsonReportSaysWhatWasKeptAndWhy) {
    Script("Acme Notes", Behaviour::FolderDeleted);
    machine.files.CreateFolder(AppData("Acme Notes") + "\\Cafe Timer");
    machine.files.WriteFile(AppData("Acme Notes") + "\\Cafe Timer\\keep.ini", "x");
    CCliUninstall::Options options;
    options.names = QStringList{"Acme Notes"};
    options.clean = true;
    options.json = true;
    options.forceMissing = true;
    EXPECT_EQ(Run(options), cli::ExitCode::Success) << err.toStdString();
    const QJsonArray reports = QJsonDocument::fromJson(out.toUtf8()).array();
    ASSERT_EQ(reports.size(), 1) << out.toStdString();
    const QJsonObject acme = reports[0].toObject();
    EXPECT_EQ(acme["outcome"].toString(), "removed");
    EXPECT_TRUE(acme["uninstallerMissing"].toBool());
    EXPECT_FALSE(acme["started"].toBool());
    const QJsonObject entry = acme["leftoversDeleted"].toArray().first().toObject();
    EXPECT_EQ(entry["kind"].toString(), "registry");
    EXPECT_EQ(entry["chosenBecause"].toString(), "uninstallEntry");
    QStringList kept;
    for (const QJsonValue& value : acme["leftoversKept"].toArray())
        kept << value["keptBecause"].toString() + " " + value["target"].toString().replace('/', '\\');
    EXPECT_TRUE(kept.contains("claimedByOther " + QString::fromStdString(AppData("Acme Notes") + "\\Cafe Timer")))
        << kept.join('\n').toStdString();
    EXPECT_TRUE(machine.files.Exists(AppData("Acme Notes") + "\\Cafe Timer\\keep.ini"));
    EXPECT_FALSE(machine.files.Exists(AppData("Acme Notes") + "\\settings.ini"));
}

// A long wait says, every interval and no more often, which processes it
// still waits for.
TEST_F(CliUninstallTest, LongWaitSaysWhatItStillWaitsFor) {
    ScriptTrayHelper(150, 150);
    CCliUninstall::Options options;
    options.names = QStringList{"Acme Notes"};
    options.progressEveryMs = 50;
    EXPECT_EQ(Run(options), cli::ExitCode::Success) << out.toStdString();
    EXPECT_TRUE(out.contains("[1/1] Acme Notes: still waiting for uninst.exe (0 s)\n")) << out.toStdString();
    EXPECT_TRUE(out.contains("[1/1] Acme Notes: still waiting for tray.exe (0 s; the program is gone)\n"))
        << out.toStdString();
    // About one line per 50 ms of the 300 ms wait, not one per report.
    const int lines = out.count("still waiting");
    EXPECT_GE(lines, 3) << out.toStdString();
    EXPECT_LE(lines, 8) << out.toStdString();
    // The helper ended within the grace: nothing was left running.
    EXPECT_TRUE(out.contains("[1/1] Acme Notes: removed (exit code 0)\n")) << out.toStdString();
}

// A helper left running for ever holds the run only for the grace once the
// program is gone; the report names it.
TEST_F(CliUninstallTest, HelperLeftRunningHoldsTheRunForTheGraceOnly) {
    ScriptTrayHelper(0, -1);
    Script("Cafe Timer", Behaviour::Removes);
    CCliUninstall::Options options;
    options.names = QStringList{"Acme Notes", "Cafe Timer"};
    options.json = true;
    options.waitTimes.graceMs = 100;
    EXPECT_EQ(Run(options), cli::ExitCode::Success) << err.toStdString();
    EXPECT_TRUE(err.contains("[1/2] Acme Notes: removed (exit code 0; left running: tray.exe)")) << err.toStdString();
    const QJsonArray reports = QJsonDocument::fromJson(out.toUtf8()).array();
    ASSERT_EQ(reports.size(), 2) << out.toStdString();
    EXPECT_EQ(reports[0].toObject()["leftRunning"].toArray(), QJsonArray{"tray.exe"});
    EXPECT_TRUE(reports[1].toObject()["leftRunning"].toArray().isEmpty());
}

#ifdef TOLVANIRE_TEST_WINE_CLIENT
// Through the Wine client, each wait runs on a host of its own: when that
// host dies mid-wait, the program's step fails with the reason and the run
// stops, and no leftover of that program is deleted.
TEST_F(CliUninstallTest, WaitWhoseHostDiesStopsTheRunThroughTheWineClient) {
    Script("Acme Notes", Behaviour::Removes);
    Script("Cafe Timer", Behaviour::Removes);
    Script("Plain Viewer", Behaviour::Removes);
    auto client = CMemoryHostTransport::Connect(machine, nullptr, true, platform::CWineHostConnection::Limits(),
                                                nullptr, [](CMemoryHostTransport& host, int number) {
                                                    // The second wait's host dies before it answers.
                                                    if (number == 2) host.FailAt(1, CMemoryHostTransport::Fault::Dies);
                                                });
    ASSERT_NE(nullptr, client);
    EXPECT_EQ(Run({"Acme Notes", "Cafe Timer", "Plain Viewer"}, true, false, client.get()),
              cli::ExitCode::BackendFailed);
    EXPECT_EQ(machine.system.Started(), (std::vector<std::string>{Command("Acme Notes"), Command("Cafe Timer")}));
    EXPECT_TRUE(out.contains("[1/3] Acme Notes: removed (exit code 0)")) << out.toStdString();
    EXPECT_TRUE(out.contains("[2/3] Cafe Timer: failed: the wait for its uninstaller failed: the Wine host exited "
                             "unexpectedly"))
        << out.toStdString();
    EXPECT_FALSE(out.contains("[3/3]")) << out.toStdString();
    EXPECT_TRUE(err.contains("the wait for its uninstaller failed")) << err.toStdString();
    uint32_t attributes = 0;
    EXPECT_EQ(machine.files.GetAttributes(AppData("Acme Notes"), &attributes), platform::kErrorFileNotFound);
    // Its uninstaller did its work before the host died, but without a
    // finished wait no leftover is touched.
    EXPECT_EQ(machine.files.GetAttributes(AppData("Cafe Timer"), &attributes), platform::kErrorSuccess);
    EXPECT_EQ(client->FatalError(), "");
}
#endif

} // namespace
