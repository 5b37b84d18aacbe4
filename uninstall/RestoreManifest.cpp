#include "uninstall/RestoreManifest.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <algorithm>
#include <map>

namespace {

constexpr const char* kFormat = "tolvanire-restore-point";
constexpr const char* kSummaryFormat = "tolvanire-restore-point-summary";

const char* KindName(RestoreItem::Kind kind) {
    switch (kind) {
    case RestoreItem::Kind::File:
        return "file";
    case RestoreItem::Kind::Folder:
        return "folder";
    case RestoreItem::Kind::Key:
        return "key";
    case RestoreItem::Kind::Value:
        return "value";
    case RestoreItem::Kind::LinuxFile:
        return "linuxFile";
    }
    return "";
}

bool KindFromName(const QString& name, RestoreItem::Kind* kind) {
    for (RestoreItem::Kind k : {RestoreItem::Kind::File, RestoreItem::Kind::Folder, RestoreItem::Kind::Key,
                                RestoreItem::Kind::Value, RestoreItem::Kind::LinuxFile})
        if (name == QLatin1String(KindName(k))) {
            *kind = k;
            return true;
        }
    return false;
}

const char* StateName(RestoreManifest::State state) {
    switch (state) {
    case RestoreManifest::State::Open:
        return "open";
    case RestoreManifest::State::Complete:
        return "complete";
    case RestoreManifest::State::Restoring:
        return "restoring";
    }
    return "";
}

bool StateFromName(const QJsonValue& name, RestoreManifest::State* state) {
    for (RestoreManifest::State s :
         {RestoreManifest::State::Open, RestoreManifest::State::Complete, RestoreManifest::State::Restoring})
        if (name.toString() == QLatin1String(StateName(s))) {
            *state = s;
            return true;
        }
    return false;
}

// JSON numbers are doubles: FILETIME counts and sizes go as decimal text so
// that no bit is lost.
QJsonValue Number64(uint64_t value) {
    return QString::number(value);
}

bool ReadNumber64(const QJsonObject& object, const char* key, uint64_t* value) {
    const QJsonValue field = object.value(QLatin1String(key));
    if (field.isUndefined()) return true; // absent: 0
    bool ok = false;
    *value = field.toString().toULongLong(&ok);
    return ok;
}

QJsonObject StatToJson(const RestoreItem& item) {
    QJsonObject object;
    if (item.kind == RestoreItem::Kind::LinuxFile) {
        object.insert(QStringLiteral("size"), Number64(item.size));
        return object;
    }
    object.insert(QStringLiteral("attributes"), Number64(item.attributes));
    object.insert(QStringLiteral("creationTime"), Number64(item.creationTime));
    object.insert(QStringLiteral("writeTime"), Number64(item.writeTime));
    if (item.kind == RestoreItem::Kind::File) object.insert(QStringLiteral("size"), Number64(item.size));
    return object;
}

bool StatFromJson(const QJsonObject& object, RestoreItem* item) {
    uint64_t attributes = 0;
    if (!ReadNumber64(object, "attributes", &attributes) || attributes > 0xFFFFFFFFu) return false;
    item->attributes = uint32_t(attributes);
    return ReadNumber64(object, "size", &item->size) && ReadNumber64(object, "creationTime", &item->creationTime) &&
           ReadNumber64(object, "writeTime", &item->writeTime);
}

QJsonObject ItemToJson(const RestoreItem& item) {
    QJsonObject object;
    object.insert(QStringLiteral("kind"), QLatin1String(KindName(item.kind)));
    object.insert(QStringLiteral("path"), item.path);
    if (item.kind != RestoreItem::Kind::Key && item.kind != RestoreItem::Kind::Value) {
        const QJsonObject stat = StatToJson(item);
        for (auto it = stat.begin(); it != stat.end(); ++it)
            object.insert(it.key(), it.value());
        return object;
    }
    object.insert(QStringLiteral("hive"), int(item.hive));
    object.insert(QStringLiteral("view"), item.view);
    QJsonArray values;
    for (const RestoreItem::RegistryValue& value : item.values) {
        QJsonObject v;
        v.insert(QStringLiteral("name"), QString::fromStdString(value.name));
        v.insert(QStringLiteral("type"), Number64(value.type));
        v.insert(QStringLiteral("data"), QString::fromLatin1(QByteArray::fromStdString(value.data).toBase64()));
        values.append(v);
    }
    object.insert(QStringLiteral("values"), values);
    return object;
}

// A file's or folder's place: "X:\..." with no empty, "." or ".."
// component, so that neither it nor its place in the store can point
// anywhere else.
bool IsPlainPath(const QString& path) {
    if (path.size() < 4 || path[0].unicode() > 0x7F || !path[0].isLetter() || path[1] != QLatin1Char(':') ||
        path[2] != QLatin1Char('\\'))
        return false;
    for (const QString& part : path.mid(3).split(QLatin1Char('\\')))
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String("..") ||
            part.contains(QLatin1Char('/')))
            return false;
    return true;
}

// A Linux file's place: an absolute path with no empty, "." or ".."
// component, so that neither it nor its place in the store can point
// anywhere else.
bool IsPlainLinuxPath(const QString& path) {
    if (path.size() < 2 || path[0] != QLatin1Char('/') || path.contains(QChar(0))) return false;
    for (const QString& part : path.mid(1).split(QLatin1Char('/')))
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String("..")) return false;
    return true;
}

bool ItemFromJson(const QJsonObject& object, RestoreItem* item) {
    if (!KindFromName(object.value(QStringLiteral("kind")).toString(), &item->kind)) return false;
    item->path = object.value(QStringLiteral("path")).toString();
    if (item->path.isEmpty()) return false;
    if (item->kind == RestoreItem::Kind::File || item->kind == RestoreItem::Kind::Folder)
        return IsPlainPath(item->path) && StatFromJson(object, item);
    if (item->kind == RestoreItem::Kind::LinuxFile)
        return IsPlainLinuxPath(item->path) && ReadNumber64(object, "size", &item->size);
    const int hive = object.value(QStringLiteral("hive")).toInt(-1);
    if (hive < 0 || hive > 2) return false;
    item->hive = uint32_t(hive);
    item->view = object.value(QStringLiteral("view")).toInt();
    const QJsonValue values = object.value(QStringLiteral("values"));
    if (!values.isArray()) return false;
    for (const QJsonValue& entry : values.toArray()) {
        const QJsonObject v = entry.toObject();
        RestoreItem::RegistryValue value;
        uint64_t type = 0;
        if (!v.value(QStringLiteral("name")).isString() || !ReadNumber64(v, "type", &type) || type > 0xFFFFFFFFu ||
            !v.value(QStringLiteral("data")).isString())
            return false;
        value.name = v.value(QStringLiteral("name")).toString().toStdString();
        value.type = uint32_t(type);
        value.data = QByteArray::fromBase64(v.value(QStringLiteral("data")).toString().toLatin1()).toStdString();
        item->values.push_back(std::move(value));
    }
    // A value item is one value; a key may have none.
    return item->kind == RestoreItem::Kind::Key || item->values.size() == 1;
}

bool MovesIntoStore(RestoreItem::Kind kind) {
    return kind == RestoreItem::Kind::File || kind == RestoreItem::Kind::LinuxFile;
}

QByteArray Line(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

// The manifest's size and time of change as the summary repeats them: a
// summary with other figures describes another manifest. Empty without a
// manifest.
QJsonObject ManifestStamp(const QString& folder) {
    const QFileInfo info(folder + QLatin1Char('/') + QLatin1String(CRestoreManifest::kManifestName));
    QJsonObject stamp;
    if (!info.isFile()) return stamp;
    stamp.insert(QStringLiteral("manifestSize"), Number64(uint64_t(info.size())));
    stamp.insert(QStringLiteral("manifestTime"), Number64(uint64_t(info.lastModified().toMSecsSinceEpoch())));
    return stamp;
}

RestoreManifestSummary SummaryOf(const RestoreManifest& manifest) {
    RestoreManifestSummary summary;
    summary.id = manifest.id;
    summary.created = manifest.created;
    summary.programs = manifest.programs;
    summary.state = manifest.state;
    summary.items = manifest.items.size();
    summary.size = manifest.Size();
    return summary;
}

// Best effort: without a summary the next list reads the manifest.
void WriteSummary(const QString& folder, const RestoreManifestSummary& summary) {
    QJsonObject object = ManifestStamp(folder);
    if (object.isEmpty()) return;
    object.insert(QStringLiteral("format"), QLatin1String(kSummaryFormat));
    object.insert(QStringLiteral("version"), RestoreManifest::kVersion);
    object.insert(QStringLiteral("id"), summary.id);
    object.insert(QStringLiteral("created"), summary.created.toUTC().toString(Qt::ISODate));
    object.insert(QStringLiteral("state"), QLatin1String(StateName(summary.state)));
    object.insert(QStringLiteral("programs"), QJsonArray::fromStringList(summary.programs));
    object.insert(QStringLiteral("items"), summary.items);
    object.insert(QStringLiteral("size"), Number64(summary.size));
    QSaveFile file(folder + QLatin1Char('/') + QLatin1String(CRestoreManifest::kSummaryName));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QJsonDocument(object).toJson(QJsonDocument::Compact));
        file.commit();
    }
}

bool SummaryFromJson(const QJsonObject& object, const QJsonObject& stamp, RestoreManifestSummary* summary) {
    if (stamp.isEmpty() || object.value(QStringLiteral("format")).toString() != QLatin1String(kSummaryFormat) ||
        object.value(QStringLiteral("version")).toInt(-1) != RestoreManifest::kVersion)
        return false;
    for (auto it = stamp.begin(); it != stamp.end(); ++it)
        if (object.value(it.key()) != it.value()) return false;
    summary->id = object.value(QStringLiteral("id")).toString();
    summary->created = QDateTime::fromString(object.value(QStringLiteral("created")).toString(), Qt::ISODate).toUTC();
    const bool knownState = StateFromName(object.value(QStringLiteral("state")), &summary->state);
    const QJsonValue programs = object.value(QStringLiteral("programs"));
    summary->items = object.value(QStringLiteral("items")).toInt(-1);
    if (summary->id.isEmpty() || !summary->created.isValid() || !knownState || !programs.isArray() ||
        summary->items < 0 || !ReadNumber64(object, "size", &summary->size))
        return false;
    for (const QJsonValue& program : programs.toArray())
        summary->programs.append(program.toString());
    return true;
}

} // namespace

uint64_t RestoreManifest::Size() const {
    uint64_t total = 0;
    for (const RestoreItem& item : items)
        if (MovesIntoStore(item.kind)) total += item.size;
    return total;
}

Expected<RestoreManifest, QString> CRestoreManifest::Read(const QString& folder) {
    const QString path = folder + QLatin1Char('/') + QLatin1String(kManifestName);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return MakeUnexpected(QStringLiteral("its manifest cannot be read (%1)").arg(file.errorString()));
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    const QJsonObject object = document.object();
    if (parseError.error != QJsonParseError::NoError || !document.isObject() ||
        object.value(QStringLiteral("format")).toString() != QLatin1String(kFormat))
        return MakeUnexpected(QStringLiteral("its manifest is damaged"));
    const int version = object.value(QStringLiteral("version")).toInt(-1);
    if (version < RestoreManifest::kOldestVersion || version > RestoreManifest::kVersion)
        return MakeUnexpected(QStringLiteral("its manifest has version %1, this program reads versions %2 to %3")
                                  .arg(object.value(QStringLiteral("version")).toVariant().toString())
                                  .arg(RestoreManifest::kOldestVersion)
                                  .arg(RestoreManifest::kVersion));

    RestoreManifest manifest;
    manifest.id = object.value(QStringLiteral("id")).toString();
    manifest.created = QDateTime::fromString(object.value(QStringLiteral("created")).toString(), Qt::ISODate);
    const bool knownState = StateFromName(object.value(QStringLiteral("state")), &manifest.state);
    const QJsonValue programs = object.value(QStringLiteral("programs"));
    const QJsonValue items = object.value(QStringLiteral("items"));
    if (manifest.id.isEmpty() || !manifest.created.isValid() || !knownState || !programs.isArray() || !items.isArray())
        return MakeUnexpected(QStringLiteral("its manifest is damaged"));
    manifest.created = manifest.created.toUTC();
    for (const QJsonValue& program : programs.toArray())
        manifest.programs.append(program.toString());
    for (const QJsonValue& entry : items.toArray()) {
        RestoreItem item;
        if (!entry.isObject() || !ItemFromJson(entry.toObject(), &item))
            return MakeUnexpected(QStringLiteral("its manifest is damaged"));
        manifest.items.append(std::move(item));
    }
    return manifest;
}

bool CRestoreManifest::Write(const QString& folder, const RestoreManifest& manifest, QString* error) {
    QJsonObject object;
    object.insert(QStringLiteral("format"), QLatin1String(kFormat));
    const bool linuxFiles = std::any_of(manifest.items.begin(), manifest.items.end(), [](const RestoreItem& item) {
        return item.kind == RestoreItem::Kind::LinuxFile;
    });
    object.insert(QStringLiteral("version"), linuxFiles ? RestoreManifest::kVersion : RestoreManifest::kOldestVersion);
    object.insert(QStringLiteral("id"), manifest.id);
    object.insert(QStringLiteral("created"), manifest.created.toUTC().toString(Qt::ISODate));
    object.insert(QStringLiteral("state"), QLatin1String(StateName(manifest.state)));
    object.insert(QStringLiteral("programs"), QJsonArray::fromStringList(manifest.programs));
    QJsonArray items;
    for (const RestoreItem& item : manifest.items)
        items.append(ItemToJson(item));
    object.insert(QStringLiteral("items"), items);

    // QSaveFile writes beside the manifest and renames over it once the
    // data is on disk: a manifest is always the old one or the new one.
    QSaveFile file(folder + QLatin1Char('/') + QLatin1String(kManifestName));
    if (file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(object).toJson(QJsonDocument::Indented)) >= 0 &&
        file.commit()) {
        WriteSummary(folder, SummaryOf(manifest));
        return true;
    }
    if (error) *error = file.errorString();
    return false;
}

Expected<RestoreManifestSummary, QString> CRestoreManifest::ReadSummary(const QString& folder) {
    QFile file(folder + QLatin1Char('/') + QLatin1String(kSummaryName));
    RestoreManifestSummary summary;
    if (file.open(QIODevice::ReadOnly) &&
        SummaryFromJson(QJsonDocument::fromJson(file.readAll()).object(), ManifestStamp(folder), &summary))
        return summary;
    const Expected<RestoreManifest, QString> manifest = Read(folder);
    if (!manifest) return MakeUnexpected(manifest.Error());
    summary = SummaryOf(*manifest);
    WriteSummary(folder, summary);
    return summary;
}

QByteArray CRestoreManifest::IntentLine(int64_t sequence, const RestoreItem& item) {
    QJsonObject object = ItemToJson(item);
    object.insert(QStringLiteral("seq"), double(sequence));
    return Line(object);
}

QByteArray CRestoreManifest::DoneLine(int64_t sequence, const RestoreItem& item) {
    // A file's status is known only once it has moved.
    QJsonObject object = MovesIntoStore(item.kind) ? StatToJson(item) : QJsonObject();
    object.insert(QStringLiteral("done"), double(sequence));
    return Line(object);
}

std::vector<CRestoreManifest::JournalEntry> CRestoreManifest::ReadJournal(const QString& folder) {
    std::vector<JournalEntry> entries;
    QFile file(folder + QLatin1Char('/') + QLatin1String(kJournalName));
    if (!file.open(QIODevice::ReadOnly)) return entries;
    std::map<int64_t, size_t> bySequence;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        const QJsonObject object = QJsonDocument::fromJson(line).object();
        if (object.isEmpty()) continue; // cut off by a kill
        if (object.contains(QStringLiteral("done"))) {
            const auto found = bySequence.find(int64_t(object.value(QStringLiteral("done")).toDouble(-1)));
            if (found == bySequence.end()) continue;
            JournalEntry& entry = entries[found->second];
            if (MovesIntoStore(entry.item.kind) && !StatFromJson(object, &entry.item)) continue;
            entry.done = true;
            continue;
        }
        JournalEntry entry;
        entry.sequence = int64_t(object.value(QStringLiteral("seq")).toDouble(-1));
        if (entry.sequence < 0 || bySequence.count(entry.sequence) || !ItemFromJson(object, &entry.item)) continue;
        bySequence[entry.sequence] = entries.size();
        entries.push_back(std::move(entry));
    }
    return entries;
}
