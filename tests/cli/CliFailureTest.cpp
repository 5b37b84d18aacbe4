// The CLI when its host fails part-way: a host that dies, answers garbage
// or falls silent (before its reply or half-way through it) at any request
// of a command makes the command exit with code 3 and say why, within the
// silence limit of the connection, print no results, and send nothing more
// to the host.

#include <QCoreApplication>
#include <QDir>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "cli/CliCommandTable.h"
#include "cli/CliCommon.h"
#include "tests/Elapsed.h"
#include "tests/fake/MemoryHostTransport.h"
#include "tests/fake/MemoryPlatform.h"

using namespace platform;
using Fault = CMemoryHostTransport::Fault;

namespace {

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr int kSilenceMs = 60;

// The machine the commands reach, and the script of its host for the next
// command. Set by each test; the command opens it through OpenTarget.
MemoryPlatform* target = nullptr;
std::shared_ptr<CMemoryHostTransport::Script> script;

std::unique_ptr<IPlatform> OpenTarget(std::string* error) {
    CWineHostConnection::Limits limits;
    limits.silenceMs = kSilenceMs;
    std::unique_ptr<IPlatform> client = CMemoryHostTransport::Connect(*target, nullptr, true, limits, script);
    if (!client) *error = "the in-process host did not start";
    return client;
}

struct CommandRun {
    cli::ExitCode exitCode = cli::ExitCode::Usage;
    std::string out;
    std::string err;
};

CommandRun RunCommand(const QStringList& arguments) {
    const CCliCommandTable::Command* command = CCliCommandTable::Find(arguments.front());
    EXPECT_NE(nullptr, command);
    if (!command) return CommandRun();
    QStringList commandArguments = arguments.mid(1);
    commandArguments.prepend(QStringLiteral("tolvanire-uninstaller-cli ") + arguments.front());
    CommandRun run;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    run.exitCode = command->run(commandArguments);
    run.out = ::testing::internal::GetCapturedStdout();
    run.err = ::testing::internal::GetCapturedStderr();
    return run;
}

struct FaultRow {
    const char* name;
    Fault fault;
    const char* reason;
};

const FaultRow kFaults[] = {
    {"Dies", Fault::Dies, "the Wine host exited unexpectedly"},
    {"AnswersGarbage", Fault::AnswersGarbage, "broken reply"},
    {"FallsSilent", Fault::FallsSilent, "did not answer"},
    {"FreezesMidReply", Fault::FreezesMidReply, "did not answer"},
};

class CliFailure : public ::testing::TestWithParam<FaultRow> {
protected:
    CliFailure() {
        Fill([](MemoryPlatform& machine) { AddPrograms(machine); });
        cli::SetPlatformFactory(&OpenTarget);
    }
    ~CliFailure() override {
        cli::SetPlatformFactory(nullptr);
        target = nullptr;
        script.reset();
    }

    // Three programs, one in each pass; the second's name is not ASCII, so
    // the list converts it through the host.
    static void AddPrograms(MemoryPlatform& machine) {
        machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\Plain", "DisplayName", "Plain Tool");
        machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\Plain", "UninstallString", "C:\\p\\u.exe");
        machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\Cafe", "DisplayName", "Café Tool",
                                   kKeyWow64_32Key);
        machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\Cafe", "UninstallString", "C:\\c\\u.exe",
                                   kKeyWow64_32Key);
        machine.registry.SetString(Hive::CurrentUser, kUninstall + "\\Mine", "DisplayName", "User Tool");
        machine.registry.SetString(Hive::CurrentUser, kUninstall + "\\Mine", "UninstallString", "C:\\m\\u.exe");
    }

    // A fresh machine filled by `fill`, for each run of a command, and an
    // empty restore store (in the XDG data folder main sets) that the
    // machine reaches through Z:.
    void Fill(std::function<void(MemoryPlatform&)> fill) {
        filler = std::move(fill);
        machine = std::make_unique<MemoryPlatform>();
        machine->files.MapDriveOutside("Z:", "/");
        QDir(qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/tolvanire-uninstaller")).removeRecursively();
        filler(*machine);
        target = machine.get();
    }

    // Runs the command once with the host failing at each request in turn,
    // until a run gets through; returns how many requests that run made.
    size_t FailAtEveryRequest(const QStringList& arguments) {
        for (size_t request = 1; request < 1000; ++request) {
            Fill(filler);
            script = std::make_shared<CMemoryHostTransport::Script>();
            script->failAt = request;
            script->fault = GetParam().fault;
            const auto start = std::chrono::steady_clock::now();
            const CommandRun run = RunCommand(arguments);
            const long long elapsed = MsSince(start);
            if (script->failAt > script->requests) { // the fault never struck
                EXPECT_EQ(cli::ExitCode::Success, run.exitCode) << run.err;
                return request - 1;
            }
            SCOPED_TRACE("host failing at request " + std::to_string(request));
            EXPECT_EQ(cli::ExitCode::BackendFailed, run.exitCode);
            EXPECT_NE(std::string::npos, run.err.find("the Wine host failed: ")) << run.err;
            EXPECT_NE(std::string::npos, run.err.find(GetParam().reason)) << run.err;
            EXPECT_EQ(0u, script->afterFault) << "requests sent to a host that had failed";
            EXPECT_EQ("", run.out) << "results printed after a failure";
            // No call has a limit of its own beyond the silence.
            EXPECT_LT(elapsed, kSilenceMs + 1000);
        }
        ADD_FAILURE() << "the command never got through";
        return 0;
    }

    std::function<void(MemoryPlatform&)> filler;
    std::unique_ptr<MemoryPlatform> machine;
};

TEST_P(CliFailure, ListPrintsNothingAndExits3) {
    script = std::make_shared<CMemoryHostTransport::Script>();
    const CommandRun good = RunCommand({QStringLiteral("list")});
    ASSERT_EQ(cli::ExitCode::Success, good.exitCode) << good.err;
    EXPECT_NE(std::string::npos, good.out.find("Caf\xC3\xA9 Tool")) << good.out;
    EXPECT_NE(std::string::npos, good.out.find("3 programs")) << good.out;

    const size_t requests = FailAtEveryRequest({QStringLiteral("list"), QStringLiteral("--json")});
    // Reading the three passes and converting the name take several round
    // trips; each of them was a point of failure above.
    EXPECT_GE(requests, 4u);
}

TEST_P(CliFailure, CleanStopsAndExits3) {
    // A program with leftovers in AppData, the Start Menu and the registry.
    const std::string acme = "Acme Notes";
    Fill([&acme](MemoryPlatform& machine) {
        machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\Acme", "DisplayName", acme);
        machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\Acme", "UninstallString",
                                   "C:\\Program Files\\Acme Notes\\unins000.exe");
        machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\Acme", "InstallLocation",
                                   "C:\\Program Files\\Acme Notes");
        for (const char* folder :
             {"C:\\users\\tester\\AppData\\Roaming\\Microsoft", "C:\\users\\tester\\Desktop",
              "C:\\users\\Public\\Desktop", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs",
              "C:\\users\\tester\\AppData\\Roaming\\Acme Notes\\cache"})
            machine.files.CreateFolder(folder);
        for (const char* file : {"C:\\users\\tester\\AppData\\Roaming\\Acme Notes\\settings.ini",
                                 "C:\\users\\tester\\AppData\\Roaming\\Acme Notes\\cache\\a.bin",
                                 "C:\\users\\tester\\AppData\\Roaming\\Microsoft\\keep.dat"})
            machine.files.WriteFile(file, "data");
    });
    const std::vector<std::string> before = machine->files.Snapshot("C:\\");

    const size_t requests = FailAtEveryRequest({QStringLiteral("clean"), QString::fromStdString(acme)});
    EXPECT_GE(requests, 4u);
    // The run that got through deleted the AppData folder and the key.
    EXPECT_FALSE(machine->files.Exists("C:\\users\\tester\\AppData\\Roaming\\Acme Notes"));
    EXPECT_FALSE(machine->registry.KeyExists(Hive::LocalMachine, kUninstall + "\\Acme"));
    EXPECT_TRUE(machine->files.Exists("C:\\users\\tester\\AppData\\Roaming\\Microsoft\\keep.dat"));
    EXPECT_NE(before, machine->files.Snapshot("C:\\"));
    // ... into a restore point, which puts them back.
    script = std::make_shared<CMemoryHostTransport::Script>();
    const CommandRun listed = RunCommand({QStringLiteral("restore"), QStringLiteral("--list")});
    ASSERT_EQ(cli::ExitCode::Success, listed.exitCode) << listed.err;
    EXPECT_NE(std::string::npos, listed.out.find("Acme Notes")) << listed.out;
    const CommandRun restored =
        RunCommand({QStringLiteral("restore"), QString::fromStdString(listed.out.substr(0, listed.out.find('\t')))});
    EXPECT_EQ(cli::ExitCode::Success, restored.exitCode) << restored.out << restored.err;
    EXPECT_EQ(before, machine->files.Snapshot("C:\\"));
    EXPECT_TRUE(machine->registry.KeyExists(Hive::LocalMachine, kUninstall + "\\Acme"));
}

TEST_P(CliFailure, OrphansDeleteStopsAndExits3) {
    // Folders of a program already gone, beside those the machine keeps.
    Fill([](MemoryPlatform& machine) {
        AddPrograms(machine);
        for (const char* file : {"C:\\Program Files\\Gone Tool\\bin\\tool.exe", "C:\\Program Files\\Gone Tool\\a.dat",
                                 "C:\\ProgramData\\Microsoft\\keep.dat"}) {
            const std::string path = file;
            machine.files.CreateFolder(path.substr(0, path.find_last_of('\\')));
            machine.files.WriteFile(path, "data");
        }
    });
    const size_t requests = FailAtEveryRequest(
        {QStringLiteral("orphans"), QStringLiteral("--delete"), QStringLiteral("C:\\Program Files\\Gone Tool")});
    // The claims, the roots and the running programs each take a round trip.
    EXPECT_GE(requests, 10u);
    EXPECT_FALSE(machine->files.Exists("C:\\Program Files\\Gone Tool"));
    EXPECT_TRUE(machine->files.Exists("C:\\ProgramData\\Microsoft\\keep.dat"));
}

INSTANTIATE_TEST_SUITE_P(Faults, CliFailure, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<FaultRow>& info) { return info.param.name; });

} // namespace

int main(int argc, char** argv) {
    // The deep cleans' restore points go to a folder of the test's own.
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
