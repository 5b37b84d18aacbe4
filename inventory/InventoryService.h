#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>

#include "inventory/IconCache.h"
#include "platform/Platform.h"

// What the program list page shows beside the records (which come from the
// core face, CUninstallerCore): when a file or folder was created, and a
// program's icon, keeping drawn icons in a cache on disk. No widgets; safe
// to call from several threads.
class CInventoryService {
public:
    // `iconCacheFolder` empty: the per-user cache folder.
    explicit CInventoryService(platform::IPlatform& platform, QString iconCacheFolder = QString());
    ~CInventoryService();
    CInventoryService(const CInventoryService&) = delete;
    CInventoryService& operator=(const CInventoryService&) = delete;

    // The creation time of a file or folder, in local time; invalid when
    // the path is empty or does not exist.
    QDateTime CreationTime(const QString& path);

    // The icon a "DisplayIcon" text names (a path, optionally quoted,
    // optionally followed by a comma and an icon index), drawn at `size`
    // pixels. False when the text is empty, the file is missing or holds
    // no such icon: the caller shows its placeholder.
    bool ProgramIcon(const QString& displayIcon, uint32_t size, platform::IconImage* image);

    // The icon index after the first comma of a "DisplayIcon" text; 0 when
    // there is none or it is not a number.
    static int IconIndex(const QString& displayIcon);
    // A FILETIME count as local time; invalid for 0.
    static QDateTime FromFileTime(uint64_t fileTime);
    // The per-user folder of the icon cache.
    static QString DefaultIconCacheFolder();

    const CIconCache& IconCache() const { return iconCache; }

private:
    platform::IPlatform& platform;
    CIconCache iconCache;
};
