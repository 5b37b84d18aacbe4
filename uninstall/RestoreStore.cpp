#include "uninstall/RestoreStore.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSet>
#include <algorithm>
#include <cerrno>
#include <vector>

#include "include/PathText.h"
#include "support/HostFiles.h"

using platform::kErrorSuccess;
using Kind = RestoreItem::Kind;

namespace {

// Room the manifest and the journal need at least.
constexpr uint64_t kReserveBytes = 64u << 10;

// Paths compare as Windows compares names.
QString Key(const QString& path) {
    return WindowsNameKey(path);
}

QString Parent(const QString& path) {
    return path.left(path.lastIndexOf(QLatin1Char('\\')));
}

QString ValueText(const RestoreItem& item, const RestoreItem::RegistryValue& value) {
    static const char* const kHives[] = {"HKCR", "HKCU", "HKLM"};
    return QStringLiteral("%1\\%2 [%3]")
        .arg(QLatin1String(kHives[item.hive % 3]), item.path, QString::fromStdString(value.name));
}

// The paths of a tree listing, each built from its parent's.
std::vector<std::string> TreePaths(const std::string& base, const std::vector<platform::TreeEntry>& entries) {
    std::vector<std::string> paths(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const uint32_t parent = entries[i].parent;
        paths[i] = (parent == platform::TreeEntry::kTreeRoot || parent >= i ? base : paths[parent]) + '\\' +
                   entries[i].entry.name;
    }
    return paths;
}

} // namespace

CRestoreStore::CRestoreStore(platform::IFileSystem& targetFiles, platform::IRegistry& targetRegistry,
                             const QString& folder)
    : files(targetFiles), registry(targetRegistry), hostFolder(QDir::cleanPath(folder)) {}

uint32_t CRestoreStore::TargetFolder(std::string* target) const {
    if (targetFolder.empty()) {
        std::string path;
        const uint32_t status = files.HostFolderPath(QDir::toNativeSeparators(hostFolder).toStdString(), &path);
        if (status != kErrorSuccess) return status;
        while (path.size() > 3 && path.back() == '\\')
            path.pop_back();
        targetFolder = path.compare(0, 4, "\\\\?\\") == 0 ? path : "\\\\?\\" + path;
    }
    *target = targetFolder;
    return kErrorSuccess;
}

CRestorePoint::Place CRestoreStore::PlaceOf(const QString& id) const {
    std::string target;
    TargetFolder(&target);
    return CRestorePoint::Place{hostFolder + QLatin1Char('/') + id, target + '\\' + id.toStdString()};
}

QList<CRestoreStore::Summary> CRestoreStore::List() const {
    QList<Summary> list;
    for (const QString& id : QDir(hostFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        // What a drop or a begin cut short leaves is no point (Recover
        // removes it); a folder of another name is none of the store's.
        if (!IsPointId(id) || Abandoned(id)) continue;
        Summary summary;
        summary.id = id;
        const Expected<RestoreManifestSummary, QString> manifest =
            CRestoreManifest::ReadSummary(hostFolder + QLatin1Char('/') + id);
        if (!manifest) {
            summary.error = manifest.Error();
        } else {
            summary.created = manifest->created;
            summary.programs = manifest->programs;
            summary.items = manifest->items;
            summary.size = manifest->size;
            summary.open = manifest->state != RestoreManifest::State::Complete;
        }
        list.append(summary);
    }
    std::stable_sort(list.begin(), list.end(), [](const Summary& a, const Summary& b) {
        return a.created.isValid() && b.created.isValid() ? a.created < b.created : a.id < b.id;
    });
    return list;
}

std::unique_ptr<CRestorePoint> CRestoreStore::Begin(const QStringList& programs, QString* error) {
    std::string root;
    uint64_t free = 0;
    uint32_t status = kErrorSuccess;
    if (!QDir().mkpath(hostFolder) || (status = TargetFolder(&root)) != kErrorSuccess ||
        ((status = files.CreateFolder(root)) != kErrorSuccess && status != platform::kErrorAlreadyExists) ||
        (status = files.FreeSpace(root, &free)) != kErrorSuccess) {
        *error = QStringLiteral("the restore store %1 cannot be used (error %2)")
                     .arg(QDir::toNativeSeparators(hostFolder))
                     .arg(status);
        return nullptr;
    }
    if (free < kReserveBytes) {
        *error = QStringLiteral("the volume of the restore store %1 is full").arg(QDir::toNativeSeparators(hostFolder));
        return nullptr;
    }
    RestoreManifest head;
    head.created = QDateTime::currentDateTimeUtc();
    head.programs = programs;
    const QString stem = head.created.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    // Making the point's folder claims its id: two cleans that begin in the
    // same second (two command lines on one prefix) never share a point.
    CRestorePoint::Place place;
    status = platform::kErrorAlreadyExists;
    for (int n = 1; n < 1000 && status == platform::kErrorAlreadyExists; ++n) {
        head.id = n == 1 ? stem : stem + QLatin1Char('-') + QString::number(n);
        place = PlaceOf(head.id);
        status = files.CreateFolder(place.target);
    }
    if (status != kErrorSuccess) {
        *error = QStringLiteral("the restore point %1 cannot be made (error %2)").arg(head.id).arg(status);
        return nullptr;
    }
    auto point = std::make_unique<CRestorePoint>(files, registry, place, head);
    if (!point->Open(error)) return nullptr;
    return point;
}

bool CRestoreStore::Seal(CRestorePoint& point, QString* error) {
    if (point.Empty()) return Drop(point.Manifest().id);
    return point.Seal(error);
}

bool CRestoreStore::IsPointId(const QString& id) {
    if (id.isEmpty() || id.size() > 64) return false;
    for (const QChar c : id)
        if (c.unicode() > 0x7F || !(c.isLetterOrNumber() || c == QLatin1Char('-'))) return false;
    return true;
}

bool CRestoreStore::Drop(const QString& id) {
    if (!IsPointId(id)) return false;
    const CRestorePoint::Place place = PlaceOf(id);
    // The stored entries first, deepest first (a folder's entries come
    // after it), links as links; the manifest goes last, so that a point
    // that cannot be emptied stays listed.
    const std::string base = place.target + '\\' + CRestorePoint::kFilesFolder;
    std::vector<platform::TreeEntry> entries;
    const uint32_t listed = files.ListTree(base, platform::kListEverything, &entries);
    if (listed != kErrorSuccess && !platform::IsNotFound(listed)) return false;
    const std::vector<std::string> paths = TreePaths(base, entries);
    bool emptied = true;
    for (size_t i = entries.size(); i-- > 0;) {
        const platform::FileEntry& entry = entries[i].entry;
        if (entry.attributes & platform::kAttrReadOnly) files.SetOwnerWriteOnly(paths[i]);
        const uint32_t status = entry.isDir() ? files.RemoveFolder(paths[i]) : files.DeleteFile(paths[i]);
        emptied = emptied && status == kErrorSuccess;
    }
    const QString linuxFiles = place.host + QLatin1Char('/') + QLatin1String(CRestorePoint::kLinuxFolder);
    if (QFileInfo::exists(linuxFiles) && !QDir(linuxFiles).removeRecursively()) emptied = false;
    if (!emptied) return false;
    files.RemoveFolder(base);
    QFile::remove(place.host + QLatin1Char('/') + QLatin1String(CRestoreManifest::kSummaryName));
    QFile::remove(place.host + QLatin1Char('/') + QLatin1String(CRestoreManifest::kJournalName));
    QFile::remove(place.host + QLatin1Char('/') + QLatin1String(CRestoreManifest::kManifestName));
    files.RemoveFolder(place.target);
    QDir().rmdir(place.host);
    return !QFileInfo::exists(place.host);
}

bool CRestoreStore::FinishOpen(const QString& id, RestoreManifest manifest, QString* error) {
    const CRestorePoint::Place place = PlaceOf(id);
    QList<RestoreItem> kept;
    QSet<QString> seen;      // files the journal names
    QSet<QString> seenLinux; // Linux files the journal names (Linux tells names apart by case)
    for (CRestoreManifest::JournalEntry& entry : CRestoreManifest::ReadJournal(place.host)) {
        RestoreItem& item = entry.item;
        const std::string origin = CRestorePoint::Exact(item.path);
        uint32_t attributes = 0;
        switch (item.kind) {
        case Kind::File: {
            seen.insert(Key(item.path));
            const std::string stored = CRestorePoint::StorePath(place.target, item.path);
            if (files.GetAttributes(stored, &attributes) != kErrorSuccess) break; // never moved, or gone since
            if (entry.done) {
                kept.append(item);
            } else if (!files.Exists(origin)) {
                // Moved; killed before the mark.
                platform::FileStat stat;
                if (files.Stat(stored, &stat) != kErrorSuccess) break;
                item.attributes = stat.attributes;
                item.size = (stat.attributes & platform::kAttrDirectory) ? 0 : stat.size;
                item.creationTime = stat.creationTime;
                item.writeTime = stat.writeTime;
                kept.append(item);
            } else {
                // Both places: a copy across volumes was cut short, and the
                // original, deleted only after a verified copy, is whole.
                if (attributes & platform::kAttrReadOnly) files.SetOwnerWriteOnly(stored);
                if (attributes & platform::kAttrDirectory)
                    files.RemoveFolder(stored);
                else
                    files.DeleteFile(stored);
            }
            break;
        }
        case Kind::LinuxFile: {
            seenLinux.insert(item.path);
            const QString stored = CRestorePoint::LinuxStorePath(place.host, item.path);
            if (!CHostFiles::Exists(stored)) break; // never moved, or gone since
            if (entry.done) {
                kept.append(item);
            } else if (!CHostFiles::Exists(item.path)) {
                // Moved; killed before the mark.
                if (CHostFiles::FileSize(stored, &item.size)) kept.append(item);
            } else {
                // Both places: a copy across volumes (or a second name) was
                // cut short, and the original, deleted only after it, is whole.
                QFile::remove(stored);
            }
            break;
        }
        case Kind::Folder:
            if (entry.done || files.GetAttributes(origin, &attributes) != kErrorSuccess)
                kept.append(item);
            else if (attributes != item.attributes) // made writable, then killed
                files.SetAttributes(origin, item.attributes);
            break;
        case Kind::Key:
        case Kind::Value: {
            if (entry.done) {
                kept.append(item);
                break;
            }
            platform::ScopedRegKey key(registry);
            uint32_t status =
                registry.OpenKey(platform::Hive(item.hive), item.path.toStdString(), platform::kKeyRead, key.out());
            if (status == kErrorSuccess && item.kind == Kind::Value) {
                uint32_t type = 0;
                std::string data;
                status = registry.QueryValue(key.get(), item.values.front().name, 0, &type, &data);
            }
            if (platform::IsNotFound(status)) kept.append(item);
            break;
        }
        }
    }
    // Files the journal lost (a power cut takes what was not on disk) are
    // told by their place in the store.
    const std::string base = place.target + '\\' + CRestorePoint::kFilesFolder;
    std::vector<platform::TreeEntry> entries;
    if (files.ListTree(base, platform::kListEverything, &entries) == kErrorSuccess) {
        const std::vector<std::string> paths = TreePaths(base, entries);
        for (size_t i = 0; i < entries.size(); ++i) {
            const platform::FileEntry& entry = entries[i].entry;
            if (entry.isDir() && !entry.isLink()) continue;
            RestoreItem item;
            item.path = CRestorePoint::OriginOf(QString::fromStdString(paths[i].substr(base.size() + 1)));
            platform::FileStat stat;
            if (item.path.isEmpty() || seen.contains(Key(item.path)) || files.Stat(paths[i], &stat) != kErrorSuccess)
                continue;
            item.attributes = stat.attributes;
            item.size = entry.isDir() ? 0 : stat.size;
            item.creationTime = stat.creationTime;
            item.writeTime = stat.writeTime;
            kept.append(item);
        }
    }
    const QString linuxBase = place.host + QLatin1Char('/') + QLatin1String(CRestorePoint::kLinuxFolder);
    QDirIterator linuxFiles(linuxBase, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (linuxFiles.hasNext()) {
        RestoreItem item;
        item.kind = Kind::LinuxFile;
        const QString stored = linuxFiles.next();
        item.path = stored.mid(linuxBase.size());
        if (!seenLinux.contains(item.path) && CHostFiles::FileSize(stored, &item.size)) kept.append(item);
    }
    manifest.items = kept;
    manifest.state = RestoreManifest::State::Complete;
    if (kept.isEmpty()) return Drop(id);
    if (!CRestoreManifest::Write(place.host, manifest, error)) return false;
    QFile::remove(place.host + QLatin1Char('/') + QLatin1String(CRestoreManifest::kJournalName));
    return true;
}

Expected<CRestoreStore::Outcome, QString> CRestoreStore::Restore(const QString& id) {
    if (!IsPointId(id)) return MakeUnexpected(QStringLiteral("'%1' is no restore point id").arg(id));
    const CRestorePoint::Place place = PlaceOf(id);
    Expected<RestoreManifest, QString> read = CRestoreManifest::Read(place.host);
    if (!read) return MakeUnexpected(QStringLiteral("restore point %1: %2").arg(id, read.Error()));
    RestoreManifest manifest = std::move(read).Value();
    QString error;
    if (manifest.state == RestoreManifest::State::Open) {
        if (!FinishOpen(id, manifest, &error))
            return MakeUnexpected(QStringLiteral("restore point %1: %2").arg(id, error));
        read = CRestoreManifest::Read(place.host);
        if (!read) return Outcome{0, {}, {}, {}, true, false}; // nothing had gone
        manifest = std::move(read).Value();
    }
    // An interrupted restore made the folders already: they get their
    // attributes and times all the same.
    const bool continued = manifest.state == RestoreManifest::State::Restoring;
    manifest.state = RestoreManifest::State::Restoring;
    if (!CRestoreManifest::Write(place.host, manifest, &error))
        return MakeUnexpected(QStringLiteral("restore point %1: %2").arg(id, error));

    Outcome outcome;
    QList<RestoreItem> stays;
    QSet<QString> made; // folders this restore made, by key
    QList<const RestoreItem*> folders;
    for (const RestoreItem& item : manifest.items)
        if (item.kind == Kind::Folder) folders.append(&item);
    // Parents before their folders.
    std::stable_sort(folders.begin(), folders.end(),
                     [](const RestoreItem* a, const RestoreItem* b) { return a->path.size() < b->path.size(); });
    const auto watch = [&outcome](uint32_t status) {
        if (status == platform::kErrorBackendFailure) outcome.backendFailed = true;
        return status;
    };
    const auto makeFolder = [&](const QString& path) {
        if (files.FolderExists(CRestorePoint::Exact(path))) return uint32_t(kErrorSuccess);
        const uint32_t status = watch(files.CreateFolder(CRestorePoint::Exact(path)));
        if (status == kErrorSuccess) made.insert(Key(path));
        return status;
    };
    for (const RestoreItem* folder : folders) {
        const uint32_t status = makeFolder(folder->path);
        if (status == kErrorSuccess) {
            ++outcome.restored;
        } else {
            outcome.failed.append(QStringLiteral("%1: error %2").arg(folder->path).arg(status));
            stays.append(*folder);
        }
    }

    for (const RestoreItem& item : manifest.items) {
        if (outcome.backendFailed) break;
        if (item.kind == Kind::Folder) continue;
        if (item.kind == Kind::LinuxFile) {
            const QString stored = CRestorePoint::LinuxStorePath(place.host, item.path);
            const bool atOrigin = CHostFiles::Exists(item.path);
            if (!CHostFiles::Exists(stored)) {
                // Back already (an interrupted restore), or gone from the store.
                if (atOrigin)
                    ++outcome.restored;
                else
                    outcome.lost.append(item.path);
                continue;
            }
            int error = atOrigin ? EEXIST : CHostFiles::MakeFolders(QFileInfo(item.path).path());
            if (!error) error = CHostFiles::Move(stored, item.path, nullptr);
            if (!error) {
                ++outcome.restored;
                continue;
            }
            if (error == EEXIST)
                outcome.existing.append(item.path);
            else
                outcome.failed.append(QStringLiteral("%1: %2").arg(item.path, qt_error_string(error)));
            stays.append(item);
            continue;
        }
        if (item.kind == Kind::File) {
            const std::string stored = CRestorePoint::StorePath(place.target, item.path);
            const std::string origin = CRestorePoint::Exact(item.path);
            const bool inStore = files.Exists(stored);
            const bool atOrigin = files.Exists(origin);
            if (!inStore) {
                // Back already (an interrupted restore), or gone from the store.
                if (atOrigin)
                    ++outcome.restored;
                else
                    outcome.lost.append(item.path);
                continue;
            }
            if (atOrigin) {
                outcome.existing.append(item.path);
                stays.append(item);
                continue;
            }
            uint32_t status = made.contains(Key(Parent(item.path))) ? kErrorSuccess : makeFolder(Parent(item.path));
            if (status == kErrorSuccess) status = watch(files.MoveEntry(stored, origin, nullptr));
            if (status == kErrorSuccess) {
                ++outcome.restored;
            } else {
                outcome.failed.append(QStringLiteral("%1: error %2").arg(item.path).arg(status));
                stays.append(item);
            }
            continue;
        }
        // A key or a value: the key is made (or opened), then each value
        // that is not there is written; one that is there stays as it is.
        platform::ScopedRegKey key(registry);
        uint32_t status = watch(
            registry.CreateKey(platform::Hive(item.hive), item.path.toStdString(), platform::kKeyAllAccess, key.out()));
        RestoreItem left = item;
        left.values.clear();
        for (const RestoreItem::RegistryValue& value : item.values) {
            if (status != kErrorSuccess) break;
            RestoreItem::RegistryValue there;
            const uint32_t found = watch(CRestorePoint::ReadValue(registry, key.get(), value.name, &there));
            if (found == kErrorSuccess && there.type == value.type && there.data == value.data)
                continue; // back already
            if (found == kErrorSuccess || found == platform::kErrorMoreData) {
                outcome.existing.append(ValueText(item, value));
                left.values.push_back(value);
                continue;
            }
            if (!platform::IsNotFound(found)) {
                status = found;
                break;
            }
            status = watch(registry.SetValue(key.get(), value.name, value.type, value.data));
        }
        if (status != kErrorSuccess) {
            outcome.failed.append(QStringLiteral("%1: error %2").arg(item.path).arg(status));
            stays.append(item);
        } else if (!left.values.empty()) {
            stays.append(left);
        } else {
            ++outcome.restored;
        }
    }
    if (outcome.backendFailed) return outcome; // the point stays "restoring" for the next start

    // Moving entries in changed the folders' times: theirs are set last,
    // deepest first, on the folders this restore made.
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        const RestoreItem& folder = **it;
        if (!continued && !made.contains(Key(folder.path))) continue;
        const std::string path = CRestorePoint::Exact(folder.path);
        watch(files.SetAttributes(path, folder.attributes));
        watch(files.SetTimes(path, folder.creationTime, folder.writeTime));
    }

    if (stays.isEmpty()) {
        outcome.pointDropped = Drop(id);
        return outcome;
    }
    manifest.items = stays;
    manifest.state = RestoreManifest::State::Complete;
    if (!CRestoreManifest::Write(place.host, manifest, &error))
        return MakeUnexpected(QStringLiteral("restore point %1: %2").arg(id, error));
    return outcome;
}

bool CRestoreStore::Abandoned(const QString& id) const {
    const QString folder = hostFolder + QLatin1Char('/') + id + QLatin1Char('/');
    return !QFileInfo::exists(folder + QLatin1String(CRestoreManifest::kManifestName)) &&
           !QFileInfo::exists(folder + QLatin1String(CRestoreManifest::kJournalName));
}

QStringList CRestoreStore::Recover() {
    QStringList told;
    for (const QString& id : QDir(hostFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (!IsPointId(id) || !Abandoned(id)) continue;
        // Neither manifest nor journal: a point cut short as it began, or
        // one whose records a power cut took. What its store holds still
        // says where it came from, so the point is rebuilt from that (and
        // dropped only when it holds nothing): the user's files are never
        // deleted with records that were lost.
        RestoreManifest lost;
        lost.id = id;
        lost.created = QFileInfo(hostFolder + QLatin1Char('/') + id).birthTime().toUTC();
        if (!lost.created.isValid()) lost.created = QDateTime::currentDateTimeUtc();
        QString error;
        if (!FinishOpen(id, lost, &error))
            told.append(
                QStringLiteral("Restore point %1 lost its records and could not be rebuilt: %2.").arg(id, error));
        else if (QFileInfo::exists(hostFolder + QLatin1Char('/') + id))
            told.append(
                QStringLiteral("Restore point %1 lost its records; it was rebuilt from what it holds.").arg(id));
    }
    for (const Summary& summary : List()) {
        if (!summary.open) continue;
        const Expected<RestoreManifest, QString> manifest =
            CRestoreManifest::Read(hostFolder + QLatin1Char('/') + summary.id);
        if (!manifest) continue;
        const QString programs = summary.programs.join(QStringLiteral(", "));
        if (manifest->state == RestoreManifest::State::Open) {
            QString error;
            if (!FinishOpen(summary.id, *manifest, &error))
                told.append(QStringLiteral("The interrupted deep clean of %1 could not be finished as restore point "
                                           "%2: %3.")
                                .arg(programs, summary.id, error));
            else if (QFileInfo::exists(hostFolder + QLatin1Char('/') + summary.id))
                told.append(QStringLiteral("The interrupted deep clean of %1 was finished as restore point %2.")
                                .arg(programs, summary.id));
            else
                told.append(QStringLiteral("The interrupted deep clean of %1 had removed nothing yet.").arg(programs));
            continue;
        }
        const Expected<Outcome, QString> outcome = Restore(summary.id);
        if (!outcome || outcome->backendFailed)
            told.append(QStringLiteral("The interrupted restore of point %1 (%2) could not be finished%3.")
                            .arg(summary.id, programs, outcome ? QString() : QStringLiteral(": ") + outcome.Error()));
        else
            told.append(
                QStringLiteral("The interrupted restore of point %1 (%2) was finished.").arg(summary.id, programs));
    }
    return told;
}

QStringList CRestoreStore::Prune(const Limits& limits, const QDateTime& now) {
    QStringList dropped;
    QList<Summary> points;
    for (const Summary& summary : List())
        if (summary.error.isEmpty() && !summary.open) points.append(summary);
    const QDateTime oldest = now.addDays(-limits.maxAgeDays);
    uint64_t total = 0;
    for (const Summary& point : points)
        total += point.size;
    // Oldest first: the age limit, then the size limit.
    for (const Summary& point : points) {
        if (point.created >= oldest && total <= limits.maxBytes) break;
        if (!Drop(point.id)) continue;
        dropped.append(point.id);
        total -= point.size;
    }
    return dropped;
}
