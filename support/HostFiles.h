#pragma once

#include <QString>
#include <cstdint>

// Files of the system that hosts the target machine, reached directly (the
// Linux home's menu files and their place in the restore store), never
// through the target machine. Moves and folders give 0 or the errno value
// that stopped them; on a Windows host, which has no such files, ENOSYS.
class CHostFiles {
public:
    // Moves the regular file `from` to `to`, which must not exist: a rename
    // that refuses to replace on one volume, else a copy (mode and times
    // kept, made durable) that is read back and compared before `from` is
    // deleted. Nothing at `to` is ever replaced: EEXIST. A copy that fails
    // is removed again, and `from` stays. `size`: the bytes moved.
    static int Move(const QString& from, const QString& to, uint64_t* size);
    // Makes `folder` and the folders above it that are missing.
    static int MakeFolders(const QString& folder);
    // Whether there is an entry at `path`, a dangling link included.
    static bool Exists(const QString& path);
    // The bytes of a regular file at `path`; false when there is none.
    static bool FileSize(const QString& path, uint64_t* size);
    // Whether `error` says the volume (or the user's quota on it) is full.
    static bool NoRoom(int error);
};
