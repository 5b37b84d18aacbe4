#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "include/InstalledProgram.h"
#include "include/LeftoverItem.h"
#include "platform/Registry.h"
#include "platform/System.h"

// Where a record was read from, one per record of the program list.
enum class ProgramSource {
    LocalMachine32, // HKLM, 32-bit registry view
    LocalMachine64, // HKLM, 64-bit registry view
    CurrentUser,    // HKCU
};

// The software inventory: the desktop programs the registry lists as
// installed and removable, read from the uninstall keys of the local
// machine (both views on a 64-bit system) and of the current user.
// One object per process. Enum runs on worker threads; readers may ask for
// the list at any time and always get a complete one.
class CAppEnum {
public:
    static constexpr const char* kUninstallKey = platform::kUninstallListKey;
    // The same list of the 32-bit view as the default (64-bit) view of a
    // 64-bit system reaches it, where a key found there is deleted.
    static constexpr const char* kUninstallKey32On64 =
        "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

    CAppEnum(platform::IRegistry& registry, platform::ISystem& system);
    CAppEnum(const CAppEnum&) = delete;
    CAppEnum& operator=(const CAppEnum&) = delete;

    // Reads every pass afresh and replaces the program list. When the
    // backend fails on the way (kErrorBackendFailure) the reading stops and
    // the previous list stays: a half-read list is never published.
    uint32_t Enum();

    // A copy of the program list, in the order the records were read.
    std::vector<InstalledProgram> GetPrograms() const;

    // The program list with the source of each record, taken together so
    // that both belong to the same enumeration, lent to `read` under the
    // list's lock rather than copied: a thousand records are a few megabytes.
    void ReadProgramsWithSources(
        const std::function<void(const std::vector<InstalledProgram>&, const std::vector<ProgramSource>&)>& read) const;

    bool Is64BitOs() const { return is64BitOs; }

    // The registry side of the leftover search for one program: the values
    // and the key of its uninstall key (the first key, in the order the
    // views are read, whose "DisplayName" equals `name` ignoring case and
    // that `mayTake`, when given, accepts; the keys it refuses are named in
    // `kept`) and
    // the MuiCache values whose names hold `folder` as whole path
    // components. Names and texts are display text (UTF-8). When the
    // backend fails (kErrorBackendFailure) the search stops and `found` is
    // left empty.
    // Whether an uninstall key found by its display name may be taken, told
    // by its uninstall commands ("UninstallString", "QuietUninstallString";
    // empty when absent).
    using UninstallKeyCheck = std::function<bool(const std::string& command, const std::string& quietCommand)>;
    uint32_t FindRegistryLeftovers(const QString& name, const QString& folder, QList<LeftoverItem>* found,
                                   const UninstallKeyCheck& mayTake = nullptr, QStringList* kept = nullptr);

protected:
    // The three passes. The access masks differ per pass in the registry
    // view they carry.
    enum class PassMode { View32, View64, CurrentUser };

    struct PassResult {
        std::vector<InstalledProgram> programs;
        std::vector<ProgramSource> sources;
    };

    // False when the backend failed.
    bool RunPass(platform::Hive hive, PassMode mode, PassResult* result);
    bool AcceptKey(platform::RegKey key);
    bool IsMainEntry(platform::RegKey key, const std::unordered_set<std::string>& acceptedKeys);
    // Fills a fresh `program` (all its fields empty).
    bool ReadProgram(platform::RegKey key, const std::string& keyName,
                     const std::unordered_set<std::string>& acceptedKeys, InstalledProgram* program, bool* mainEntry);

    // Registry readers with the fixed buffers of the wide calls. Text is
    // read as FieldValue keeps it (cut or not) into a 260-byte field; a
    // value that is absent, not text, or not kept leaves the field empty
    // and gives false.
    bool ReadText(platform::RegKey key, const char* valueName, char (&field)[InstalledProgram::kTextSize],
                  bool cut = false);
    // A number read into a zeroed buffer of `bufferSize` bytes (4 or 8), a
    // shorter value filling the low bytes; 0 when absent, not a number or
    // larger than the buffer.
    uint64_t ReadNumber(platform::RegKey key, const char* valueName, uint32_t bufferSize);
    uint32_t ReadDword(platform::RegKey key, const char* valueName) {
        return static_cast<uint32_t>(ReadNumber(key, valueName, sizeof(uint32_t)));
    }
    uint64_t ReadQword(platform::RegKey key, const char* valueName) {
        return ReadNumber(key, valueName, sizeof(uint64_t));
    }

    // Steps of FindRegistryLeftovers; they append to leftoverResults.
    void ScanUninstallKeys(platform::Hive hive, uint32_t view, const QString& name, const UninstallKeyCheck& mayTake,
                           QStringList* kept);
    // False when the key has the name but `mayTake` refuses it.
    bool CollectUninstallKey(platform::RegKey key, const QString& name, const QString& keyPath,
                             const UninstallKeyCheck& mayTake);
    void FindMuiCacheValues(const QString& folder);
    // Notes a backend failure of a call made for the leftover search.
    uint32_t LeftoverCall(uint32_t status);

    platform::IRegistry& registry;
    platform::ISystem& system;
    const bool is64BitOs;

    // Serialises whole enumerations: one pass list is built at a time.
    std::mutex enumMutex;
    // Set under enumMutex when a call of the enumeration met a dead backend.
    bool enumBackendFailed = false;

    // The registry-leftover search runs for one program at a time.
    std::mutex leftoverMutex;
    QList<LeftoverItem> leftoverResults;
    bool leftoverBackendFailed = false;

private:
    // Guards the published list; Enum swaps a finished list in under it.
    mutable std::mutex listMutex;
    std::vector<InstalledProgram> programs;
    std::vector<ProgramSource> sources;
};

// "HKLM32", "HKLM64" or "HKCU".
const char* ProgramSourceName(ProgramSource source);
