#include "tests/fake/MemorySystem.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <thread>

#include "platform/Errors.h"

namespace {

std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The program file a command starts, without its folder.
std::string ProgramName(const std::string& commandLine) {
    std::string program = commandLine;
    if (!program.empty() && program[0] == '"')
        program = program.substr(1, program.find('"', 1) - 1);
    else
        program = program.substr(0, program.find(' '));
    return program.substr(program.find_last_of('\\') + 1);
}

// Reports `progress` to `watch` every tick for `ms` (negative: for ever);
// false when the watch stops it.
bool Watch(const platform::RunWatch& watch, const platform::RunProgress& progress, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (watch && !watch(progress)) return false;
        if (ms >= 0 && std::chrono::steady_clock::now() >= end) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(MemorySystem::kTickMs));
    }
}

} // namespace

MemorySystem::MemorySystem(uint16_t architecture) : architecture(architecture) {
    // What Wine sets for the user "tester" of a 64-bit prefix, in the
    // layout MemoryFileSystem answers for.
    const struct {
        const char* name;
        const char* value;
    } variables[] = {
        {"ALLUSERSPROFILE", "C:\\ProgramData"},
        {"APPDATA", "C:\\users\\tester\\AppData\\Roaming"},
        {"CommonProgramFiles", "C:\\Program Files\\Common Files"},
        {"CommonProgramFiles(x86)", "C:\\Program Files (x86)\\Common Files"},
        {"CommonProgramW6432", "C:\\Program Files\\Common Files"},
        {"HOMEDRIVE", "C:"},
        {"HOMEPATH", "\\users\\tester"},
        {"LOCALAPPDATA", "C:\\users\\tester\\AppData\\Local"},
        {"ProgramData", "C:\\ProgramData"},
        {"ProgramFiles", "C:\\Program Files"},
        {"ProgramFiles(x86)", "C:\\Program Files (x86)"},
        {"ProgramW6432", "C:\\Program Files"},
        {"PUBLIC", "C:\\users\\Public"},
        {"SystemDrive", "C:"},
        {"SystemRoot", "C:\\windows"},
        {"TEMP", "C:\\users\\tester\\AppData\\Local\\Temp"},
        {"TMP", "C:\\users\\tester\\AppData\\Local\\Temp"},
        {"USERNAME", "tester"},
        {"USERPROFILE", "C:\\users\\tester"},
        {"windir", "C:\\windows"},
    };
    for (const auto& variable : variables)
        environment[Upper(variable.name)] = variable.value;
}

void MemorySystem::SetEnvironment(const std::string& name, const std::string& value) {
    std::lock_guard<std::mutex> lock(mutex);
    if (value.empty())
        environment.erase(Upper(name));
    else
        environment[Upper(name)] = value;
}

void MemorySystem::FailExpansion(uint32_t error) {
    std::lock_guard<std::mutex> lock(mutex);
    expansionFailure = error;
}

void MemorySystem::AddInstallerProduct(const std::string& productCode) {
    std::lock_guard<std::mutex> lock(mutex);
    installerProducts.insert(productCode);
}

uint32_t MemorySystem::InstallerKnowsProduct(const std::string& productCode, bool* known) {
    std::lock_guard<std::mutex> lock(mutex);
    *known = installerProducts.count(productCode) != 0;
    return platform::kErrorSuccess;
}

uint32_t MemorySystem::ExpandEnvironment(const std::vector<std::string>& texts, std::vector<std::string>* expanded) {
    std::lock_guard<std::mutex> lock(mutex);
    expanded->clear();
    if (expansionFailure != 0) return expansionFailure;
    for (const std::string& text : texts) {
        // "%NAME%" of a known name gives its value; any other "%...%" is
        // copied as written and the scan goes on after it; a "%" that no
        // second one closes is copied with the rest.
        std::string out;
        size_t at = 0;
        while (at < text.size()) {
            const size_t open = text.find('%', at);
            if (open == std::string::npos) {
                out += text.substr(at);
                break;
            }
            out += text.substr(at, open - at);
            const size_t close = text.find('%', open + 1);
            if (close == std::string::npos) {
                out += text.substr(open);
                break;
            }
            const auto value = environment.find(Upper(text.substr(open + 1, close - open - 1)));
            out += close > open + 1 && value != environment.end() ? value->second : text.substr(open, close - open + 1);
            at = close + 1;
        }
        expanded->push_back(out);
    }
    return platform::kErrorSuccess;
}

uint32_t MemorySystem::RunAndWatch(const std::string& commandLine, const platform::RunWatch& watch,
                                   platform::RunOutcome* outcome) {
    *outcome = platform::RunOutcome();
    ScriptedProcess script;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!fatalError.empty()) return platform::kErrorBackendFailure;
        started.push_back(commandLine);
        const auto it = scripts.find(commandLine);
        if (it == scripts.end()) {
            outcome->startError = platform::kErrorFileNotFound;
            return platform::kErrorSuccess;
        }
        script = it->second;
    }
    if (script.startError != 0) {
        outcome->startError = script.startError;
        return platform::kErrorSuccess;
    }
    outcome->started = true;
    {
        std::lock_guard<std::mutex> lock(mutex);
        running.insert(commandLine);
    }
    // Its windows count until the wait ends, however it ends.
    struct Ended {
        MemorySystem& system;
        const std::string& commandLine;
        ~Ended() {
            std::lock_guard<std::mutex> lock(system.mutex);
            system.running.erase(system.running.find(commandLine));
        }
    } ended{*this, commandLine};
    platform::RunProgress progress;
    progress.running = {ProgramName(commandLine)};
    // A wait stopped while the first process runs leaves it running.
    auto stoppedEarly = [outcome] {
        outcome->stopped = true;
        outcome->exitCode = platform::kStillActive;
        return platform::kErrorSuccess;
    };
    if (!Watch(watch, progress, 0)) return stoppedEarly();
    // Outside the lock: the script may take its time or start another run.
    if (script.run) script.run();
    if (script.backendDies) {
        std::lock_guard<std::mutex> lock(mutex);
        fatalError = "the test's backend died while it waited for " + commandLine;
        *outcome = platform::RunOutcome();
        return platform::kErrorBackendFailure;
    }
    if (script.runningMs != 0 && !Watch(watch, progress, script.runningMs)) return stoppedEarly();
    outcome->exitCode = script.exitCode;
    progress.firstEnded = true;
    progress.exitCode = script.exitCode;
    progress.running = script.leftRunning;
    if (!script.leftRunning.empty()) outcome->stopped = !Watch(watch, progress, script.leftRunningMs);
    return platform::kErrorSuccess;
}

uint32_t MemorySystem::Start(const std::string& commandLine, platform::RunOutcome* outcome) {
    const uint32_t status = RunAndWait(commandLine, outcome);
    outcome->exitCode = 0;
    return status;
}

uint32_t MemorySystem::RunWindows(const std::string& commandLine, bool raise, uint32_t* count) {
    std::lock_guard<std::mutex> lock(mutex);
    *count = 0;
    if (!fatalError.empty()) return platform::kErrorBackendFailure;
    const auto it = scripts.find(commandLine);
    if (running.count(commandLine) != 0 && it != scripts.end()) *count = it->second.windows;
    if (raise && *count != 0) raised.push_back(commandLine);
    return platform::kErrorSuccess;
}

std::vector<std::string> MemorySystem::Raised() const {
    std::lock_guard<std::mutex> lock(mutex);
    return raised;
}

void MemorySystem::SetProcess(const std::string& commandLine, ScriptedProcess process) {
    std::lock_guard<std::mutex> lock(mutex);
    scripts[commandLine] = std::move(process);
}

std::vector<std::string> MemorySystem::Started() const {
    std::lock_guard<std::mutex> lock(mutex);
    return started;
}

std::string MemorySystem::FatalError() const {
    std::lock_guard<std::mutex> lock(mutex);
    return fatalError;
}

uint32_t MemorySystem::RunningImages(std::vector<std::string>* paths) {
    std::lock_guard<std::mutex> lock(mutex);
    paths->clear();
    if (!fatalError.empty()) return platform::kErrorBackendFailure;
    for (const std::string& path : runningImages)
        if (std::find(paths->begin(), paths->end(), path) == paths->end()) paths->push_back(path);
    return platform::kErrorSuccess;
}

void MemorySystem::SetRunningImages(std::vector<std::string> paths) {
    std::lock_guard<std::mutex> lock(mutex);
    runningImages = std::move(paths);
}
