#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/System.h"

// System facts of a test machine: the architecture is chosen by the test.
// Programs are run by a
// script: a test says, per command line, what starting it does.
class MemorySystem : public platform::ISystem {
public:
    explicit MemorySystem(uint16_t architecture = platform::kArchitectureAmd64);

    uint16_t NativeProcessorArchitecture() override { return architecture; }
    // Expands from the environment of the user "tester" on a 64-bit Wine
    // prefix (SetEnvironment changes it), names ignoring case, unknown
    // names left as written, as Wine expands them.
    uint32_t ExpandEnvironment(const std::vector<std::string>& texts, std::vector<std::string>* expanded) override;

    // Whether AddInstallerProduct named it.
    uint32_t InstallerKnowsProduct(const std::string& productCode, bool* known) override;
    void AddInstallerProduct(const std::string& productCode);

    // Plays the script of `commandLine`. A command without a script fails
    // to start with kErrorFileNotFound, as a missing program does. The
    // watch hears of the start, then every kTickMs while a process runs.
    uint32_t RunAndWatch(const std::string& commandLine, const platform::RunWatch& watch,
                         platform::RunOutcome* outcome) override;
    static constexpr int kTickMs = 5;
    // Plays the script as RunAndWait does, on the caller's thread (a fake
    // has no process to leave running), and counts as started.
    uint32_t Start(const std::string& commandLine, platform::RunOutcome* outcome) override;
    // The script's windows while a wait of it plays.
    uint32_t RunWindows(const std::string& commandLine, bool raise, uint32_t* count) override;

    // The images SetRunningImages gave, each once.
    uint32_t RunningImages(std::vector<std::string>* paths) override;
    void SetRunningImages(std::vector<std::string> paths);

    // What running one command does.
    struct ScriptedProcess {
        uint32_t startError = 0; // not 0: the start fails with this code
        uint32_t exitCode = 0;
        // Runs on the caller's thread while the "process" runs: the
        // uninstaller's work (deleting its key and files), or a wait.
        std::function<void()> run;
        // The backend dies during the wait: the call gives
        // kErrorBackendFailure and FatalError() says so.
        bool backendDies = false;
        // Visible windows its uninstaller shows while it runs.
        uint32_t windows = 0;
        // How long the first process runs on after `run`; then the
        // processes of its tree that it leaves running, and for how long.
        // A negative time lasts until the watch stops the wait.
        int runningMs = 0;
        std::vector<std::string> leftRunning;
        int leftRunningMs = 0;
    };
    void SetProcess(const std::string& commandLine, ScriptedProcess process);

    // The command lines RunAndWait was given, in call order.
    std::vector<std::string> Started() const;
    // The command lines whose windows RunWindows raised, in call order.
    std::vector<std::string> Raised() const;

    // Empty until a script let the backend die.
    std::string FatalError() const;

    // Sets (or, with an empty value, removes) one environment variable.
    void SetEnvironment(const std::string& name, const std::string& value);
    // Every later ExpandEnvironment call fails with `error` (0: none fails).
    void FailExpansion(uint32_t error);

private:
    uint16_t architecture;
    mutable std::mutex mutex;
    std::map<std::string, ScriptedProcess> scripts;
    std::vector<std::string> started;
    std::multiset<std::string> running; // waited for now
    std::vector<std::string> raised;
    std::string fatalError;
    std::map<std::string, std::string> environment; // by upper-case name
    uint32_t expansionFailure = 0;
    std::set<std::string> installerProducts;
    std::vector<std::string> runningImages;
};
