#include "uninstall/RemovalCheck.h"

#include <cctype>
#include <vector>

#include "inventory/AppEnum.h"

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

} // namespace

CRemovalCheck::CRemovalCheck(platform::IRegistry& targetRegistry, platform::IFileSystem& targetFiles)
    : registry(targetRegistry), files(targetFiles) {}

int CRemovalCheck::Find(const InstalledProgram& program, Hive hive, uint32_t view, std::string* found) {
    const std::string name = FieldText(program.displayName);
    const std::string command = FieldText(program.uninstallCommand);
    const std::string base = CAppEnum::kUninstallKey;
    ScopedRegKey uninstall(registry);
    uint32_t error = registry.OpenKey(hive, base, platform::kKeyRead | view, uninstall.out());
    if (error == platform::kErrorBackendFailure) return -1;
    if (error != platform::kErrorSuccess) return 0;
    for (uint32_t index = 0;; ++index) {
        std::string subKey;
        error = registry.EnumKey(uninstall.get(), index, 1024, &subKey);
        if (error == platform::kErrorMoreData) continue;
        if (error == platform::kErrorBackendFailure) return -1;
        if (error != platform::kErrorSuccess) return 0;
        ScopedRegKey key(registry);
        error = registry.OpenKey(hive, base + "\\" + subKey, platform::kKeyQueryValue | view, key.out());
        if (error == platform::kErrorBackendFailure) return -1;
        if (error != platform::kErrorSuccess) continue;
        uint32_t readError = 0;
        if (ReadText(registry, key.get(), "DisplayName", &readError) != name) {
            if (readError == platform::kErrorBackendFailure) return -1;
            continue;
        }
        if (ReadText(registry, key.get(), "QuietUninstallString", &readError) == command ||
            ReadText(registry, key.get(), "UninstallString", &readError) == command) {
            if (found != nullptr) *found = subKey;
            return 1;
        }
        if (readError == platform::kErrorBackendFailure) return -1;
    }
}

bool CRemovalCheck::StillRegistered(const InstalledProgram& program, bool* failed) {
    // Both views are read whatever the machine: on a 32-bit system they
    // are the same key, and reading it twice is harmless.
    const struct {
        Hive hive;
        uint32_t view;
    } places[] = {{Hive::LocalMachine, platform::kKeyWow64_32Key},
                  {Hive::LocalMachine, platform::kKeyWow64_64Key},
                  {Hive::CurrentUser, 0}};
    for (const auto& place : places) {
        const int found = Find(program, place.hive, place.view, nullptr);
        if (found < 0) return *failed = true, true;
        if (found > 0) return true;
    }
    return false;
}

bool CRemovalCheck::FindEntry(const InstalledProgram& program, Hive hive, uint32_t view, std::string* subKey,
                              bool* failed) {
    const int found = Find(program, hive, view, subKey);
    if (found < 0) *failed = true;
    return found > 0;
}

std::vector<std::string> CRemovalCheck::ProgramCandidates(const std::string& commandLine) {
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

CRemovalCheck::FileState CRemovalCheck::UninstallerFile(const std::string& commandLine, bool* failed) {
    const std::vector<std::string> candidates = ProgramCandidates(commandLine);
    if (candidates.empty()) return FileState::Unknown;
    bool uncertain = false;
    for (const std::string& candidate : candidates) {
        uint32_t attributes = platform::kInvalidAttributes;
        const uint32_t error = files.GetAttributes(candidate, &attributes);
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

std::vector<std::string> CRemovalCheck::UninstallerPaths(const std::string& commandLine) {
    const size_t begin = commandLine.find_first_not_of(" \t");
    if (begin == std::string::npos) return {};
    std::string path;
    const bool quoted = commandLine[begin] == '"';
    if (quoted) {
        const size_t end = commandLine.find('"', begin + 1);
        if (end == std::string::npos) return {};
        path = commandLine.substr(begin + 1, end - begin - 1);
    } else {
        const std::string text = commandLine.substr(begin);
        std::string lower = text;
        for (char& c : lower)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        size_t exe = lower.find(".exe");
        while (exe != std::string::npos && exe + 4 < text.size() && text[exe + 4] != ' ')
            exe = lower.find(".exe", exe + 1);
        if (exe != std::string::npos)
            path = text.substr(0, exe + 4);
        else if (text.find(' ') == std::string::npos)
            path = text;
        else
            return {}; // which run of words is the program cannot be told
    }
    if (!IsAbsolute(path)) return {};
    const size_t separator = path.find_last_of("\\/");
    std::string file = path.substr(separator + 1);
    for (char& c : file)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    if (file == "msiexec" || file == "msiexec.exe") return {};
    if (quoted) {
        std::vector<std::string> paths{path};
        if (!HasExtension(path)) paths.push_back(path + ".exe");
        return paths;
    }
    // Every run Windows would try, the longer ones too: were the program
    // file absent, it would go on to them ("C:\My.exe Tools\un.exe"). A
    // run holding a character no path may hold names no file.
    std::vector<std::string> paths;
    for (const std::string& candidate : ProgramCandidates(commandLine))
        if (candidate.find_first_of("\"<>|*?", 0) == std::string::npos && candidate.find(':', 2) == std::string::npos)
            paths.push_back(candidate);
    return paths;
}

bool CRemovalCheck::UninstallerMissing(const std::string& commandLine, bool* failed) {
    const std::vector<std::string> paths = UninstallerPaths(commandLine);
    if (paths.empty()) return false;
    for (const std::string& path : paths) {
        uint32_t attributes = platform::kInvalidAttributes;
        const uint32_t error = files.GetAttributes(path, &attributes);
        if (error == platform::kErrorBackendFailure) *failed = true;
        // A folder is no program (C:\Program Files\Acme, tried before
        // C:\Program Files\Acme Notes\un.exe). Otherwise only "nothing is
        // there" counts: a file that cannot be looked at, or a name the
        // machine rejects, may still be started.
        if (error == platform::kErrorSuccess && (attributes & platform::kAttrDirectory)) continue;
        if (error != platform::kErrorFileNotFound && error != platform::kErrorPathNotFound) return false;
    }
    return true;
}
