#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

#include "include/InstalledProgram.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "uninstall/BackendWatch.h"
#include "uninstall/TargetPath.h"

// What the other registered programs claim, read so that it fails closed:
// every entry under the uninstall keys of both registry views of the
// machine and of the current user (listed or not), its values read whole
// with buffers as large as they need, its texts expanded with the target's
// environment. A folder a text names is claimed, and so are the names a
// program bears: its display name, its Start Menu group, the folder name
// that names it, and every folder name after a variable that could not be
// expanded (so that whatever such a text could be stays). When any part
// cannot be read, nothing is claimed and Reason() says why: a list that is
// not whole is no list of what may be deleted.
class CClaimReader {
public:
    struct Claims {
        QList<CTargetPath> folders;
        QStringList names;
        // The display names and publishers of those registrations, as
        // written: a folder that shares a word with one may be theirs.
        QStringList bearers;
    };
    using KnownFolderTest = std::function<bool(const CTargetPath&)>;

    CClaimReader(platform::IRegistry& registry, platform::ISystem& system, CBackendWatch& watch, bool is64BitOs);

    // The claims of every registration but `program`'s own; names equal to
    // `ownName` (the name the program itself bears) are no claim against
    // it. `isKnownFolder` tells the folders that name no program.
    bool Read(const InstalledProgram& program, const QString& ownName, const KnownFolderTest& isKnownFolder,
              Claims* claims);
    // Why the last Read failed; empty after one that succeeded.
    const QString& Reason() const { return reason; }

private:
    // The values of one registration, as stored (UTF-8, whole).
    struct Entry {
        std::string displayName, iconGroup, installLocation, displayIcon, quietUninstall, uninstall, publisher;
    };

    bool ReadPass(platform::Hive hive, uint32_t view, const QString& where, std::vector<Entry>* entries);
    bool ReadEntry(platform::RegKey key, const QString& where, Entry* entry);
    // A text value read whole; empty when absent or not text.
    bool ReadText(platform::RegKey key, const char* name, const QString& where, std::string* text);
    bool Fail(const QString& why);
    // The entry as the inventory's record of it reads (260-byte fields).
    static bool IsRecordOf(const Entry& entry, const InstalledProgram& program);

    platform::IRegistry& registry;
    platform::ISystem& system;
    CBackendWatch& watch;
    const bool is64BitOs;
    QString reason;
};
