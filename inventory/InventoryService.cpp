#include "inventory/InventoryService.h"

#include <QStandardPaths>

#include "include/PathText.h"

namespace {

// FILETIME of 1970-01-01 00:00 UTC.
constexpr uint64_t kUnixEpochFileTime = 116444736000000000ULL;

} // namespace

CInventoryService::CInventoryService(platform::IPlatform& targetPlatform, QString iconCacheFolder)
    : platform(targetPlatform), iconCache(iconCacheFolder.isEmpty() ? DefaultIconCacheFolder() : iconCacheFolder) {}

CInventoryService::~CInventoryService() = default;

QString CInventoryService::DefaultIconCacheFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/tolvanire-uninstaller/icons");
}

QDateTime CInventoryService::FromFileTime(uint64_t fileTime) {
    if (fileTime == 0) return QDateTime();
    const qint64 msecs = (static_cast<qint64>(fileTime) - static_cast<qint64>(kUnixEpochFileTime)) / 10000;
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::LocalTime);
}

QDateTime CInventoryService::CreationTime(const QString& path) {
    const QString bare = CleanPathText(path);
    if (bare.isEmpty()) return QDateTime();
    uint64_t fileTime = 0;
    if (platform.Files().CreationTime(bare.toStdString(), &fileTime) != platform::kErrorSuccess) return QDateTime();
    return FromFileTime(fileTime);
}

int CInventoryService::IconIndex(const QString& displayIcon) {
    const int comma = displayIcon.indexOf(QLatin1Char(','));
    if (comma < 0) return 0;
    bool ok = false;
    const int index = displayIcon.mid(comma + 1).trimmed().toInt(&ok);
    return ok ? index : 0;
}

bool CInventoryService::ProgramIcon(const QString& displayIcon, uint32_t size, platform::IconImage* image) {
    *image = platform::IconImage();
    const std::string path = CleanPathText(displayIcon).trimmed().toStdString();
    if (path.empty()) return false;
    const int index = IconIndex(displayIcon);

    platform::IFileSystem& files = platform.Files();
    uint64_t modified = 0;
    // A missing file has no icon and nothing worth keeping.
    if (files.ModificationTime(path, &modified) != platform::kErrorSuccess) return false;
    switch (iconCache.Find(path, index, modified, size, image)) {
    case CIconCache::Lookup::Icon:
        return true;
    case CIconCache::Lookup::NoIcon:
        return false;
    case CIconCache::Lookup::Miss:
        break;
    }
    const uint32_t status = files.ExtractIcon(path, index, size, image);
    if (status == platform::kErrorNotFound) {
        iconCache.Store(path, index, modified, size, nullptr);
        return false;
    }
    const bool usable = status == platform::kErrorSuccess && image->width != 0 && image->height != 0 &&
                        image->pixels.size() == size_t(image->width) * image->height * 4;
    if (!usable) {
        *image = platform::IconImage();
        return false;
    }
    iconCache.Store(path, index, modified, size, image);
    return true;
}
