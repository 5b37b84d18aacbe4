#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <vector>

#include "include/InstalledProgram.h"
#include "inventory/IconCache.h"
#include "platform/Platform.h"

class CAppEnum;

// The display texts of one record, decoded from the target's ANSI code page.
struct ProgramText {
    QString name;
    QString publisher;
    QString version;
    QString displayIcon;
    QString installLocation;
};

// The program list page's way to the target machine: it reads the list
// again (and says when the backend failed on the way), decodes the
// records' texts, tells when a file or folder was created and draws a
// program's icon, keeping drawn icons in a cache on disk. No widgets; safe
// to call from several threads.
class CInventoryService {
public:
    // `iconCacheFolder` empty: the per-user cache folder.
    CInventoryService(platform::IPlatform& platform, CAppEnum& appEnum, QString iconCacheFolder = QString());
    virtual ~CInventoryService();
    CInventoryService(const CInventoryService&) = delete;
    CInventoryService& operator=(const CInventoryService&) = delete;

    // Reads the installed programs again. False, with `error` saying why,
    // when the backend failed on the way: such a list cannot be trusted.
    virtual bool Refresh(std::vector<InstalledProgram>* programs, QString* error);

    // One entry per record, in the same order; one call to the target for
    // the whole list, none when every text is ASCII.
    std::vector<ProgramText> DisplayTexts(const std::vector<InstalledProgram>& programs);

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
    CAppEnum& appEnum;
    CIconCache iconCache;
};
