// The CLI when its host fails part-way: a host that dies, answers garbage
// or falls silent at any request of a command makes the command exit with
// code 3 and say why, print no results, and send nothing more to the host.

#include <QCoreApplication>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>

#include "cli/CliCommandTable.h"
#include "cli/CliCommon.h"
#include "fake/MemoryHostTransport.h"
#include "fake/MemoryPlatform.h"

using namespace platform;
using Fault = CMemoryHostTransport::Fault;

namespace {

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The machine the commands reach, and the script of its host for the next
// command. Set by each test; the command opens it through OpenTarget.
MemoryPlatform* target = nullptr;
std::shared_ptr<CMemoryHostTransport::Script> script;

std::unique_ptr<IPlatform> OpenTarget(std::string* error) {
    CWineHostConnection::Limits limits;
    limits.shortMs = 200;
    limits.bulkMs = 200;
    std::unique_ptr<IPlatform> client = CMemoryHostTransport::Connect(*target, nullptr, true, limits, script);
    if (!client) *error = "the in-process host did not start";
    return client;
}

struct CommandRun {
    int exitCode = -1;
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
};

class CliFailure : public ::testing::TestWithParam<FaultRow> {
protected:
    CliFailure() {
        // Three programs, one in each pass; the second's name is not ASCII,
        // so the list converts it through the host.
        machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\Plain", "DisplayName", "Plain Tool");
        machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\Plain", "UninstallString", "C:\\p\\u.exe");
        machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\Cafe", "DisplayName", "Caf\xE9 Tool",
                                   kKeyWow64_32Key);
        machine.registry.SetString(Hive::LocalMachine, kUninstall + "\\Cafe", "UninstallString", "C:\\c\\u.exe",
                                   kKeyWow64_32Key);
        machine.registry.SetString(Hive::CurrentUser, kUninstall + "\\Mine", "DisplayName", "User Tool");
        machine.registry.SetString(Hive::CurrentUser, kUninstall + "\\Mine", "UninstallString", "C:\\m\\u.exe");
        target = &machine;
        cli::SetPlatformFactory(&OpenTarget);
    }
    ~CliFailure() override {
        cli::SetPlatformFactory(nullptr);
        target = nullptr;
        script.reset();
    }

    // Runs the command once with the host failing at each request in turn,
    // until a run gets through; returns how many requests that run made.
    size_t FailAtEveryRequest(const QStringList& arguments, const std::function<void(size_t request)>& check) {
        for (size_t request = 1; request < 200; ++request) {
            script = std::make_shared<CMemoryHostTransport::Script>();
            script->failAt = request;
            script->fault = GetParam().fault;
            const CommandRun run = RunCommand(arguments);
            if (script->failAt > script->requests) { // the fault never struck
                EXPECT_EQ(cli::kExitSuccess, run.exitCode) << run.err;
                return request - 1;
            }
            SCOPED_TRACE("host failing at request " + std::to_string(request));
            EXPECT_EQ(cli::kExitPlatform, run.exitCode);
            EXPECT_NE(std::string::npos, run.err.find("the Wine host failed: ")) << run.err;
            EXPECT_NE(std::string::npos, run.err.find(GetParam().reason)) << run.err;
            EXPECT_EQ(0u, script->afterFault) << "requests sent to a host that had failed";
            EXPECT_EQ("", run.out) << "results printed after a failure";
            check(request);
        }
        ADD_FAILURE() << "the command never got through";
        return 0;
    }

    MemoryPlatform machine;
};

TEST_P(CliFailure, ListPrintsNothingAndExits3) {
    script = std::make_shared<CMemoryHostTransport::Script>();
    const CommandRun good = RunCommand({QStringLiteral("list")});
    ASSERT_EQ(cli::kExitSuccess, good.exitCode) << good.err;
    EXPECT_NE(std::string::npos, good.out.find("Caf\xC3\xA9 Tool")) << good.out;
    EXPECT_NE(std::string::npos, good.out.find("3 programs")) << good.out;

    const size_t requests = FailAtEveryRequest({QStringLiteral("list"), QStringLiteral("--json")}, [](size_t) {});
    // Reading the three passes and converting the name take several round
    // trips; each of them was a point of failure above.
    EXPECT_GE(requests, 4u);
}

INSTANTIATE_TEST_SUITE_P(Faults, CliFailure, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<FaultRow>& info) { return info.param.name; });

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
