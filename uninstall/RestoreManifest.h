#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <string>
#include <vector>

#include "include/Expected.h"

// One thing a restore point holds: a file or link moved into the store, a
// folder removed once emptied (recorded so that it can be made again with
// its attributes and times), a registry key's values or one value,
// exported as stored before the deletion, or a file of the Linux home
// (one Wine's menu builder wrote) moved into the store.
struct RestoreItem {
    enum class Kind { File, Folder, Key, Value, LinuxFile };
    struct RegistryValue {
        std::string name;
        uint32_t type = 0;
        std::string data; // as the registry interface gives it: text as UTF-8, other data as bytes
    };

    Kind kind = Kind::File;
    // A file's or folder's path on the target machine ("C:\..."), a key
    // path as the default view reaches it, or a Linux file's absolute path.
    QString path;
    // File and folder; a Linux file has its size only (its move keeps its
    // mode and times).
    uint32_t attributes = 0;
    uint64_t size = 0;
    uint64_t creationTime = 0;
    uint64_t writeTime = 0;
    // Key and value: the hive (platform::Hive's number) and view the item
    // was found in; a key's values, or the one value.
    uint32_t hive = 0;
    int32_t view = 0;
    std::vector<RegistryValue> values;
};

// What a restore point's manifest says. "open": a deep clean writes it, or
// was killed while it did (its journal holds the rest); "complete": its
// items are all listed here; "restoring": a restore began and has not
// ended.
struct RestoreManifest {
    // Version 2 added Linux files. A manifest without them is written as
    // version 1, which older builds of this program read as well.
    static constexpr int kVersion = 2;
    static constexpr int kOldestVersion = 1;
    enum class State { Open, Complete, Restoring };

    QString id;
    QDateTime created; // UTC
    QStringList programs;
    State state = State::Open;
    QList<RestoreItem> items;

    // The bytes of the files it holds.
    uint64_t Size() const;
};

// What a list of restore points shows of one: its manifest without the
// items.
struct RestoreManifestSummary {
    QString id;
    QDateTime created; // UTC
    QStringList programs;
    RestoreManifest::State state = RestoreManifest::State::Open;
    int items = 0;
    uint64_t size = 0; // RestoreManifest::Size
};

// The file format of a restore point, declared once: the manifest (JSON,
// versioned, written whole and atomically) and the journal beside it (one
// JSON object a line, appended as the deep clean goes: an item before it
// moves, its mark after). A journal line that is cut off, as a kill leaves
// the last one, is passed over; what the journal lost, the store's own
// layout tells (CRestorePoint).
class CRestoreManifest {
public:
    static constexpr const char* kManifestName = "manifest.json";
    static constexpr const char* kJournalName = "journal";
    static constexpr const char* kSummaryName = "summary.json";

    // The manifest of the restore point in `folder`, or why it cannot be
    // read (missing, damaged, of a version this program does not know).
    static Expected<RestoreManifest, QString> Read(const QString& folder);
    // Writes it in place of the old one in one step, then its summary
    // beside it; false with `error` when the manifest could not be written.
    static bool Write(const QString& folder, const RestoreManifest& manifest, QString* error);
    // The summary of the restore point in `folder`, from the small file
    // Write leaves beside the manifest, so that listing the points does not
    // read every item of every point. A summary that does not describe the
    // manifest as it is now (missing, damaged, or a write cut short between
    // the two) is made again from the manifest; the errors are Read's.
    static Expected<RestoreManifestSummary, QString> ReadSummary(const QString& folder);

    // Journal lines, each ending in a newline.
    static QByteArray IntentLine(int64_t sequence, const RestoreItem& item);
    static QByteArray DoneLine(int64_t sequence, const RestoreItem& item);

    struct JournalEntry {
        int64_t sequence = 0;
        RestoreItem item;
        bool done = false; // marked: the item went, and `item` has what the mark added
    };
    // The journal of the restore point in `folder`, in the order of its
    // items; an unreadable or missing journal gives none.
    static std::vector<JournalEntry> ReadJournal(const QString& folder);
};
