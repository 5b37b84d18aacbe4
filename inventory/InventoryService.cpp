#include "inventory/InventoryService.h"

#include <QStandardPaths>

#include "include/PathText.h"
#include "inventory/AppEnum.h"
#include "platform/WindowsFacts.h"

namespace {

constexpr int kFieldCount = 5;
// FILETIME of 1970-01-01 00:00 UTC.
constexpr uint64_t kUnixEpochFileTime = 116444736000000000ULL;

} // namespace

CInventoryService::CInventoryService(platform::IPlatform& targetPlatform, CAppEnum& enumerator, QString iconCacheFolder)
    : platform(targetPlatform), appEnum(enumerator),
      iconCache(iconCacheFolder.isEmpty() ? DefaultIconCacheFolder() : iconCacheFolder) {}

CInventoryService::~CInventoryService() = default;

QString CInventoryService::DefaultIconCacheFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/tolvanire-uninstaller/icons");
}

bool CInventoryService::Refresh(std::vector<InstalledProgram>* programs, QString* error) {
    const uint32_t status = appEnum.Enum();
    // A list read by a backend that failed on the way cannot be trusted.
    const std::string fatal = platform.FatalError();
    if (status != platform::kErrorSuccess || !fatal.empty()) {
        if (error)
            *error = fatal.empty() ? QStringLiteral("the backend failed while reading the list")
                                   : QString::fromStdString(fatal);
        return false;
    }
    *programs = appEnum.GetPrograms();
    return true;
}

std::vector<ProgramText> CInventoryService::DisplayTexts(const std::vector<InstalledProgram>& programs) {
    std::vector<std::string> ansi;
    ansi.reserve(programs.size() * kFieldCount);
    bool ascii = true;
    for (const InstalledProgram& program : programs) {
        for (const auto* field : {&program.displayName, &program.publisher, &program.displayVersion,
                                  &program.displayIcon, &program.installLocation}) {
            ansi.push_back(FieldText(*field));
            ascii = ascii && platform::IsAscii(ansi.back());
        }
    }
    std::vector<std::string> utf8;
    if (!ascii) platform.System().AnsiToUtf8(ansi, &utf8);
    // ASCII needs no conversion; a failed conversion still shows something.
    const bool converted = utf8.size() == ansi.size();
    std::vector<ProgramText> texts(programs.size());
    for (size_t i = 0; i < programs.size(); ++i) {
        QString fields[kFieldCount];
        for (int f = 0; f < kFieldCount; ++f) {
            const std::string& text = converted ? utf8[i * kFieldCount + f] : ansi[i * kFieldCount + f];
            fields[f] = converted ? QString::fromStdString(text)
                                  : QString::fromLatin1(text.data(), static_cast<int>(text.size()));
        }
        texts[i] = ProgramText{fields[0], fields[1], fields[2], fields[3], fields[4]};
    }
    return texts;
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
