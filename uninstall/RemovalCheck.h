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

    // The name of the uninstall key, under the list of one hive and view,
    // that has the record's display name and command (as StillRegistered
    // compares them); false when there is none there.
    bool FindEntry(const InstalledProgram& program, platform::Hive hive, uint32_t view, std::string* subKey,
                   bool* failed);

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

    // The files that an entry's command could start, when its program file
    // can be told for sure (the quoted path, or the unquoted text up to its
    // ".exe", or a name without an extension when no space follows): that
    // path, and for an unquoted command every run of words CreateProcess
    // would try (ProgramCandidates) that could name a file. Empty, so that
    // the uninstaller is never taken for missing, when the command is no
    // absolute path, is not closed, or runs Windows Installer's msiexec
    // (which handles its packages whatever their folder holds).
    static std::vector<std::string> UninstallerPaths(const std::string& commandLine);

    // Whether the uninstaller of a command is confirmed absent: it names
    // its program file for sure (UninstallerPaths) and the target machine
    // says of each of those paths that nothing is there. Any other answer
    // means it may be there. `failed` is set when the backend failed.
    bool UninstallerMissing(const std::string& commandLine, bool* failed);

private:
    // The first uninstall key of one hive and view that has the record's
    // name and command; 1 found, 0 none, -1 the backend failed.
    int Find(const InstalledProgram& program, platform::Hive hive, uint32_t view, std::string* subKey);

    platform::IRegistry& registry;
    platform::IFileSystem& files;
};
