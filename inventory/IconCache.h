#pragma once

#include <QString>
#include <cstdint>
#include <string>

#include "platform/FileSystem.h"

// Program icons kept on disk between runs, so that a second start does not
// ask the target machine to draw them again. An entry is keyed by the
// icon file's path, the icon index, the file's modification time and the
// size drawn: a changed file gets a new entry. "No icon in this file" is
// kept too. One small file per entry, written aside and renamed into
// place, so that a crash never leaves a half-written entry.
class CIconCache {
public:
    // `folder` is created when the first entry is stored.
    explicit CIconCache(QString folder);

    enum class Lookup { Miss, Icon, NoIcon };
    Lookup Find(const std::string& path, int index, uint64_t modificationTime, uint32_t size,
                platform::IconImage* image) const;
    // A null `image` records that the file holds no such icon.
    void Store(const std::string& path, int index, uint64_t modificationTime, uint32_t size,
               const platform::IconImage* image);

    const QString& Folder() const { return folder; }

private:
    QString EntryPath(const std::string& path, int index, uint64_t modificationTime, uint32_t size) const;

    QString folder;
};
