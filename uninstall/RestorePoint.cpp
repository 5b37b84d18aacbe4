#include "uninstall/RestorePoint.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>

#include "include/PathText.h"
#include "support/HostFiles.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

using platform::kErrorSuccess;

namespace {

constexpr const char* kExactPrefix = "\\\\?\\";

// Registry data larger than this is not exported, so not deleted either.
constexpr uint32_t kLargestStoredValue = 64u << 20;

// Makes what was written to the journal durable.
void Sync(QFile& file) {
    file.flush();
#ifdef _WIN32
    _commit(file.handle());
#else
    ::fsync(file.handle());
#endif
}

} // namespace

uint32_t CRestorePoint::ReadValue(platform::IRegistry& registry, platform::RegKey key, const std::string& name,
                                  RestoreItem::RegistryValue* value) {
    value->name = name;
    for (uint32_t size = 4096;; size *= 2) {
        const uint32_t status = registry.QueryValue(key, name, size, &value->type, &value->data);
        if (status != platform::kErrorMoreData || size >= kLargestStoredValue) return status;
    }
}

CRestorePoint::CRestorePoint(platform::IFileSystem& targetFiles, platform::IRegistry& targetRegistry,
                             const Place& where, const RestoreManifest& head)
    : files(targetFiles), registry(targetRegistry), place(where), manifest(head) {
    manifest.state = RestoreManifest::State::Open;
    manifest.items.clear();
}

CRestorePoint::~CRestorePoint() = default;

bool CRestorePoint::Open(QString* error) {
    if (!QDir().mkpath(place.host)) {
        if (error) *error = QStringLiteral("cannot create %1").arg(QDir::toNativeSeparators(place.host));
        return false;
    }
    if (!CRestoreManifest::Write(place.host, manifest, error)) return false;
    journal.setFileName(place.host + QLatin1Char('/') + QLatin1String(CRestoreManifest::kJournalName));
    if (!journal.open(QIODevice::WriteOnly | QIODevice::Append)) {
        if (error) *error = journal.errorString();
        return false;
    }
    return true;
}

QString CRestorePoint::Recorded(const std::string& path) {
    QString text = QString::fromStdString(path);
    if (text.startsWith(QLatin1String(kExactPrefix))) text.remove(0, 4);
    return text;
}

std::string CRestorePoint::Exact(const QString& recorded) {
    return kExactPrefix + recorded.toStdString();
}

std::string CRestorePoint::StorePath(const std::string& pointTarget, const QString& origin) {
    // "C:\a\b" -> <point>\files\C\a\b: the drive letter becomes a folder.
    QString relative = origin;
    relative.remove(1, 1);
    return pointTarget + '\\' + kFilesFolder + '\\' + relative.toStdString();
}

QString CRestorePoint::LinuxStorePath(const QString& pointHost, const QString& origin) {
    return pointHost + QLatin1Char('/') + QLatin1String(kLinuxFolder) + origin;
}

QString CRestorePoint::OriginOf(const QString& relative) {
    if (relative.size() < 3 || !relative[0].isLetter() || relative[0].unicode() > 0x7F || relative[1] != '\\')
        return QString();
    return relative.left(1) + QLatin1Char(':') + relative.mid(1);
}

int64_t CRestorePoint::Append(const RestoreItem& item) {
    const int64_t sequence = nextSequence++;
    journal.write(CRestoreManifest::IntentLine(sequence, item));
    // Handed to the system, not made durable: what a power cut takes from
    // the journal, the store's layout still tells.
    journal.flush();
    return sequence;
}

void CRestorePoint::Mark(int64_t sequence, const RestoreItem& item) {
    journal.write(CRestoreManifest::DoneLine(sequence, item));
    journal.flush();
    manifest.items.append(item);
}

uint32_t CRestorePoint::MakeStoreParent(const std::string& storePath) {
    const std::string parent = storePath.substr(0, storePath.rfind('\\'));
    if (storeFolders.count(parent)) return kErrorSuccess;
    const uint32_t status = files.CreateFolder(parent);
    if (status == kErrorSuccess || status == platform::kErrorAlreadyExists) {
        storeFolders.insert(parent);
        return kErrorSuccess;
    }
    if (status == platform::kErrorDiskFull) full = true;
    return status;
}

uint32_t CRestorePoint::TakeFile(const std::string& path) {
    RestoreItem item;
    item.kind = RestoreItem::Kind::File;
    item.path = Recorded(path);
    const std::string stored = StorePath(place.target, item.path);
    uint32_t status = MakeStoreParent(stored);
    if (status != kErrorSuccess) return status;
    const int64_t sequence = Append(item);
    platform::FileStat stat;
    status = files.MoveEntry(path, stored, &stat);
    if (status == platform::kErrorNotSameDevice) {
        // Only a link refuses to cross volumes. It holds nothing and its
        // target stays: it is removed as a link, as without a store, and
        // not given back.
        uint32_t attributes = 0;
        status = files.GetAttributes(path, &attributes);
        if (status != kErrorSuccess) return status;
        if (!(attributes & platform::kAttrReparsePoint)) return platform::kErrorNotSameDevice;
        return (attributes & platform::kAttrDirectory) ? files.RemoveFolder(path) : files.DeleteFile(path);
    }
    if (status == platform::kErrorDiskFull) full = true;
    if (status != kErrorSuccess) return status;
    item.attributes = stat.attributes;
    item.size = (stat.attributes & platform::kAttrDirectory) ? 0 : stat.size;
    item.creationTime = stat.creationTime;
    item.writeTime = stat.writeTime;
    Mark(sequence, item);
    return kErrorSuccess;
}

int CRestorePoint::TakeLinuxFile(const QString& path) {
    RestoreItem item;
    item.kind = RestoreItem::Kind::LinuxFile;
    item.path = path;
    const QString stored = LinuxStorePath(place.host, path);
    int error = CHostFiles::MakeFolders(QFileInfo(stored).path());
    if (!error) {
        const int64_t sequence = Append(item);
        error = CHostFiles::Move(path, stored, &item.size);
        if (!error) Mark(sequence, item);
    }
    if (CHostFiles::NoRoom(error)) full = true;
    return error;
}

void CRestorePoint::NoteFolder(const std::string& path) {
    const std::string key = WindowsNameKey(Recorded(path)).toStdString();
    if (noted.count(key)) return;
    platform::FileStat stat;
    if (files.Stat(path, &stat) == kErrorSuccess) noted.emplace(key, stat);
}

uint32_t CRestorePoint::TakeFolder(const std::string& path) {
    RestoreItem item;
    item.kind = RestoreItem::Kind::Folder;
    item.path = Recorded(path);
    platform::FileStat stat;
    uint32_t status = kErrorSuccess;
    const auto found = noted.find(WindowsNameKey(item.path).toStdString());
    if (found != noted.end())
        stat = found->second;
    else if ((status = files.Stat(path, &stat)) != kErrorSuccess)
        return status;
    item.attributes = stat.attributes;
    item.creationTime = stat.creationTime;
    item.writeTime = stat.writeTime;
    const int64_t sequence = Append(item);
    if (item.attributes & platform::kAttrReadOnly) {
        status = files.SetOwnerWriteOnly(path);
        if (status != kErrorSuccess) return status;
    }
    status = files.RemoveFolder(path);
    if (status != kErrorSuccess) return status;
    Mark(sequence, item);
    return kErrorSuccess;
}

uint32_t CRestorePoint::TakeRegistry(platform::Hive hive, int32_t view, const std::string& keyPath,
                                     const std::string* valueName) {
    RestoreItem item;
    item.kind = valueName ? RestoreItem::Kind::Value : RestoreItem::Kind::Key;
    item.path = QString::fromStdString(keyPath);
    item.hive = uint32_t(hive);
    item.view = view;
    platform::ScopedRegKey key(registry);
    uint32_t status = registry.OpenKey(hive, keyPath, platform::kKeyAllAccess, key.out());
    if (status != kErrorSuccess) return status;
    if (valueName) {
        RestoreItem::RegistryValue value;
        status = ReadValue(registry, key.get(), *valueName, &value);
        if (status != kErrorSuccess) return status;
        item.values.push_back(std::move(value));
    } else {
        uint32_t count = 0;
        status = registry.QueryValueCount(key.get(), &count);
        if (status != kErrorSuccess) return status;
        for (uint32_t i = 0; i < count; ++i) {
            std::string name;
            uint32_t type = 0;
            status = registry.EnumValue(key.get(), i, 16384, &name, &type);
            if (status == platform::kErrorNoMoreItems) break;
            RestoreItem::RegistryValue value;
            if (status == kErrorSuccess) status = ReadValue(registry, key.get(), name, &value);
            // A key whose values cannot all be exported is not deleted.
            if (status != kErrorSuccess) return status;
            item.values.push_back(std::move(value));
        }
    }
    const int64_t sequence = Append(item);
    // The store's layout tells nothing of the registry: its export must
    // be on disk before the deletion.
    Sync(journal);
    status = valueName ? registry.DeleteValue(key.get(), *valueName) : registry.DeleteKey(hive, keyPath);
    if (status != kErrorSuccess) return status;
    Mark(sequence, item);
    return kErrorSuccess;
}

bool CRestorePoint::Seal(QString* error) {
    manifest.state = RestoreManifest::State::Complete;
    if (!CRestoreManifest::Write(place.host, manifest, error)) return false;
    journal.close();
    journal.remove();
    return true;
}
