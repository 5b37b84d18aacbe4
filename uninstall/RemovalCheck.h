#pragma once

#include <string>
#include <vector>

#include "include/InstalledProgram.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"

// Whether a program is gone after its uninstaller has ended: its uninstall
// key, or the uninstaller file its command names, is no longer there.
// Widget-free; safe to use from any thread, one call at a time.
class CRemovalCheck {
public:
    CRemovalCheck(platform::IRegistry& registry, platform::IFileSystem& files);

    // Whether an uninstall key (either registry view of the machine, or
    // the current user) still has the record's display name and, as its
    // quiet or normal uninstall string, the record's command. `failed` is
    // set when the backend failed on the way.
    bool StillRegistered(const InstalledProgram& program, bool* failed);

    enum class FileState { Present, Gone, Unknown };
    // Whether the program file that an uninstall command (UTF-8) names is
    // still there. Unknown when the command names no absolute path
    // ("MsiExec.exe /X{...}") or the file cannot be looked at.
    FileState UninstallerFile(const std::string& commandLine, bool* failed);

    // The absolute paths a command line may start, in the order
    // CreateProcess tries them: the quoted text; or for an unquoted command
    // each run of words up to a space, the shortest first. Empty when the
    // command does not start with an absolute path.
    static std::vector<std::string> ProgramCandidates(const std::string& commandLine);

private:
    platform::IRegistry& registry;
    platform::IFileSystem& files;
};
