#include "tests/fake/MemorySystem.h"

#include <chrono>
#include <thread>

#include "platform/Errors.h"

namespace {

// Code points of the bytes 0x80..0x9F in code page 1252; the five bytes it
// leaves undefined map to the same C1 control, as Windows maps them.
const char32_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
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

std::string MemorySystem::Cp1252ToUtf8(const std::string& text) {
    std::string out;
    for (char byte : text) {
        const auto b = static_cast<unsigned char>(byte);
        if (b == 0) break;
        AppendUtf8(out, b >= 0x80 && b < 0xA0 ? kHighControls[b - 0x80] : char32_t(b));
    }
    return out;
}

uint32_t MemorySystem::AnsiToUtf8(const std::vector<std::string>& texts, std::vector<std::string>* utf8) {
    utf8->clear();
    utf8->reserve(texts.size());
    for (const std::string& text : texts)
        utf8->push_back(Cp1252ToUtf8(text));
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
