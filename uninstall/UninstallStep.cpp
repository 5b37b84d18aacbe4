#include "uninstall/UninstallStep.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "inventory/AppEnum.h"
#include "support/Log.h"
#include "uninstall/LeftoverCleaner.h"

using platform::Hive;
using platform::ScopedRegKey;

namespace {

// A string value as the inventory reads it (260-byte buffer), up to its
// first zero; empty when absent, too long or not text.
std::string ReadText(platform::IRegistry& registry, platform::RegKey key, const char* name, uint32_t* error) {
    uint32_t type = 0;
    std::string data;
    *error = registry.QueryValue(key, name, InstalledProgram::kTextSize, &type, &data);
    if (*error != platform::kErrorSuccess || (type != platform::kRegSz && type != platform::kRegExpandSz))
        return std::string();
    return std::string(data.c_str());
}

bool IsAbsolute(const std::string& path) {
    if (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
        (path[2] == '\\' || path[2] == '/'))
        return true;
    return path.size() >= 3 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/');
}

bool HasExtension(const std::string& path) {
    const size_t separator = path.find_last_of("\\/");
    const size_t dot = path.find_last_of('.');
    return dot != std::string::npos && (separator == std::string::npos || dot > separator);
}

QString Text(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), int(utf8.size()));
}

} // namespace

CUninstallStep::CUninstallStep(platform::IPlatform& platform, CLeftoverCleaner& cleaner)
    : platform(platform), cleaner(cleaner) {}

UninstallStepReport CUninstallStep::Run(const InstalledProgram& program, bool removeLeftovers,
                                        const PhaseCallback& onPhase) {
    UninstallStepReport report;
    const std::string command = FieldText(program.uninstallCommand);
    std::vector<std::string> texts;
    platform.System().AnsiToUtf8({FieldText(program.displayName), command}, &texts);
    const std::string name = texts.size() == 2 ? texts[0] : std::string();
    const std::string commandText = texts.size() == 2 ? texts[1] : std::string();

    auto backendFailed = [&](const std::string& waitFailure = std::string()) {
        report.outcome = UninstallStepReport::Outcome::BackendFailed;
        report.removed = false;
        const std::string why = platform.FatalError();
        // Only the wait failed (its own host died); the platform lives on.
        if (why.empty() && !waitFailure.empty()) {
            report.reason = QStringLiteral("the wait for its uninstaller failed: ") + Text(waitFailure);
            return report;
        }
        report.reason = why.empty() ? QStringLiteral("the target machine could not be reached")
                                    : QStringLiteral("the target machine could not be reached: ") + Text(why);
        return report;
    };

    if (onPhase) onPhase(Phase::WaitingForUninstaller);
    {
        std::lock_guard<std::mutex> lock(waitMutex);
        wait = WaitState();
        wait.waiting = true;
        waitStart = Clock::now();
        skipAsked = false;
    }
    platform::RunOutcome outcome;
    const uint32_t waited = platform.System().RunAndWatch(command, WaitWatch(program, &report), &outcome);
    {
        std::lock_guard<std::mutex> lock(waitMutex);
        wait.waiting = false;
    }
    if (waited != platform::kErrorSuccess || BackendFailed()) return backendFailed(outcome.failure);
    if (!outcome.stopped) {
        // The uninstaller ended before the wait could be cut short.
        report.waitSkipped = false;
        report.leftRunning.clear();
    }
    report.started = outcome.started;
    report.startError = outcome.startError;
    report.exitCode = outcome.exitCode;

    if (!outcome.started) {
        LogFailedStart(command, outcome.startError);
        report.outcome = UninstallStepReport::Outcome::StartFailed;
        report.reason = QStringLiteral("its uninstaller could not be started (error %1)").arg(outcome.startError);
        return report;
    }

    bool failed = false;
    FileState file = FileState::Unknown;
    report.removed = Gone(program, commandText, &file, &failed);
    if (failed || BackendFailed()) return backendFailed();
    if (!report.removed) {
        report.outcome = UninstallStepReport::Outcome::StillInstalled;
        report.reason = file == FileState::Present
                            ? QStringLiteral("its uninstall entry and its uninstaller are still there")
                            : QStringLiteral("its uninstall entry is still there");
        const std::string reason = report.reason.toStdString();
        char line[2 * InstalledProgram::kTextSize + 160];
        std::snprintf(line, sizeof(line), "uninstall of %s: not removed, %s (exit code %u).\n", name.c_str(),
                      reason.c_str(), static_cast<unsigned>(outcome.exitCode));
        LogInfoEx(line);
        return report;
    }
    report.outcome = UninstallStepReport::Outcome::Removed;

    if (removeLeftovers) {
        if (onPhase) onPhase(Phase::RemovingLeftovers);
        RemoveLeftovers(program, &report);
        if (BackendFailed()) {
            // The program is gone; only the clean-up could not finish.
            report.outcome = UninstallStepReport::Outcome::BackendFailed;
            report.reason = QStringLiteral("the leftover removal could not finish: ") + Text(platform.FatalError());
        }
    }
    return report;
}

bool CUninstallStep::Gone(const InstalledProgram& program, const std::string& commandText, FileState* file,
                          bool* failed) {
    const bool registered = StillRegistered(program, failed);
    *file = *failed ? FileState::Unknown : UninstallerFile(commandText, failed);
    return !*failed && (!registered || *file == FileState::Gone);
}

// What the step does while the platform waits: tells the front ends, looks
// whether the program's uninstall entry is gone once the first process has
// ended, and ends the wait on a skip or when the grace after that is over.
// A missing uninstaller file alone starts no grace: its uninstaller may
// well still be at work.
platform::RunWatch CUninstallStep::WaitWatch(const InstalledProgram& program, UninstallStepReport* report) {
    Clock::time_point nextLook;
    Clock::time_point goneAt;
    bool gone = false;
    return [=](const platform::RunProgress& progress) mutable {
        const Clock::time_point now = Clock::now();
        if (progress.firstEnded && !gone && now >= nextLook) {
            bool failed = false;
            gone = !StillRegistered(program, &failed);
            // The backend failed: the step reports it once the wait is over.
            if (failed) return false;
            goneAt = now;
            // On a machine with thousands of programs a look takes a while:
            // it never takes more than a fifth of the wait.
            const Clock::time_point looked = Clock::now();
            nextLook = looked +
                       std::max<Clock::duration>(std::chrono::milliseconds(waitTimes.goneCheckMs), 4 * (looked - now));
        }
        WaitState state;
        bool skip = false;
        {
            std::lock_guard<std::mutex> lock(waitMutex);
            wait.firstEnded = progress.firstEnded;
            wait.programGone = gone;
            wait.running.clear();
            for (const std::string& name : progress.running)
                wait.running << Text(name);
            wait.installerBusy = progress.installerBusy;
            wait.elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(now - waitStart).count();
            state = wait;
            skip = skipAsked;
        }
        if (waitCallback) waitCallback(state);
        report->leftRunning = state.running;
        report->waitSkipped = skip;
        return !skip && !(gone && now - goneAt >= std::chrono::milliseconds(waitTimes.graceMs));
    };
}

void CUninstallStep::SkipWait() {
    std::lock_guard<std::mutex> lock(waitMutex);
    if (wait.waiting) skipAsked = true;
}

CUninstallStep::WaitState CUninstallStep::CurrentWait() const {
    std::lock_guard<std::mutex> lock(waitMutex);
    WaitState state = wait;
    if (state.waiting)
        state.elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - waitStart).count();
    return state;
}

// The one place that drives the leftover cleaner: it collects and deletes
// in one call, then tells which of its findings are gone.
void CUninstallStep::RemoveLeftovers(const InstalledProgram& program, UninstallStepReport* report) {
    const QList<LeftoverItem> leftovers = cleaner.CleanLeftovers(program);
    report->leftoversCleaned = true;
    for (const LeftoverItem& item : leftovers)
        (cleaner.LeftoverExists(item) ? report->leftoversRemaining : report->leftoversDeleted).append(item);
}

bool CUninstallStep::StillRegistered(const InstalledProgram& program, bool* failed) {
    platform::IRegistry& registry = platform.Registry();
    const std::string name = FieldText(program.displayName);
    const std::string command = FieldText(program.uninstallCommand);
    // Both views are read whatever the machine: on a 32-bit system they
    // are the same key, and reading it twice is harmless.
    const struct {
        Hive hive;
        uint32_t view;
    } places[] = {{Hive::LocalMachine, platform::kKeyWow64_32Key},
                  {Hive::LocalMachine, platform::kKeyWow64_64Key},
                  {Hive::CurrentUser, 0}};
    const std::string base = CAppEnum::kUninstallKey;
    for (const auto& place : places) {
        ScopedRegKey uninstall(registry);
        uint32_t error = registry.OpenKey(place.hive, base, platform::kKeyRead | place.view, uninstall.out());
        if (error == platform::kErrorBackendFailure) return *failed = true, true;
        if (error != platform::kErrorSuccess) continue;
        for (uint32_t index = 0;; ++index) {
            std::string subKey;
            error = registry.EnumKey(uninstall.get(), index, 1024, &subKey);
            if (error == platform::kErrorMoreData) continue;
            if (error == platform::kErrorBackendFailure) return *failed = true, true;
            if (error != platform::kErrorSuccess) break;
            ScopedRegKey key(registry);
            error =
                registry.OpenKey(place.hive, base + "\\" + subKey, platform::kKeyQueryValue | place.view, key.out());
            if (error == platform::kErrorBackendFailure) return *failed = true, true;
            if (error != platform::kErrorSuccess) continue;
            uint32_t readError = 0;
            if (ReadText(registry, key.get(), "DisplayName", &readError) != name) {
                if (readError == platform::kErrorBackendFailure) return *failed = true, true;
                continue;
            }
            if (ReadText(registry, key.get(), "QuietUninstallString", &readError) == command ||
                ReadText(registry, key.get(), "UninstallString", &readError) == command)
                return true;
            if (readError == platform::kErrorBackendFailure) return *failed = true, true;
        }
    }
    return false;
}

void CUninstallStep::LogFailedStart(const std::string& commandLine, uint32_t error) {
    char line[InstalledProgram::kTextSize + 64];
    std::snprintf(line, sizeof(line), "start process %s failed with %d.\n", commandLine.c_str(),
                  static_cast<int>(error));
    LogInfoEx(line);
}

std::vector<std::string> CUninstallStep::ProgramCandidates(const std::string& commandLine) {
    std::vector<std::string> candidates;
    const size_t begin = commandLine.find_first_not_of(" \t");
    if (begin == std::string::npos) return candidates;
    std::vector<std::string> runs;
    if (commandLine[begin] == '"') {
        const size_t end = commandLine.find('"', begin + 1);
        runs.push_back(commandLine.substr(begin + 1, end == std::string::npos ? std::string::npos : end - begin - 1));
    } else {
        for (size_t space = commandLine.find(' ', begin); space != std::string::npos;
             space = commandLine.find(' ', space + 1))
            runs.push_back(commandLine.substr(begin, space - begin));
        runs.push_back(commandLine.substr(begin));
    }
    for (const std::string& run : runs) {
        if (!IsAbsolute(run)) continue;
        candidates.push_back(run);
        // CreateProcess adds ".exe" to a name without an extension.
        if (!HasExtension(run)) candidates.push_back(run + ".exe");
    }
    return candidates;
}

CUninstallStep::FileState CUninstallStep::UninstallerFile(const std::string& commandLine, bool* failed) {
    const std::vector<std::string> candidates = ProgramCandidates(commandLine);
    if (candidates.empty()) return FileState::Unknown;
    bool uncertain = false;
    for (const std::string& candidate : candidates) {
        uint32_t attributes = platform::kInvalidAttributes;
        const uint32_t error = platform.Files().GetAttributes(candidate, &attributes);
        if (error == platform::kErrorSuccess && (attributes & platform::kAttrDirectory) == 0) return FileState::Present;
        if (error == platform::kErrorBackendFailure) {
            *failed = true;
            return FileState::Unknown;
        }
        // Only "not there" counts as gone; a file that cannot be looked at
        // (access denied) may still be there.
        if (error != platform::kErrorSuccess && error != platform::kErrorFileNotFound &&
            error != platform::kErrorPathNotFound && error != 123 /* ERROR_INVALID_NAME */)
            uncertain = true;
    }
    return uncertain ? FileState::Unknown : FileState::Gone;
}
