#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

#include "include/Expected.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "uninstall/RestoreManifest.h"
#include "uninstall/RestorePoint.h"

// The restore store: a folder of the user's (on the system that hosts the
// target machine) with one folder per restore point. It begins the points
// deep cleans write, lists them, finishes one that a killed run left open,
// puts a point's entries back, and drops old points. Nothing in it is ever
// overwritten on the target machine: an entry that exists again stays, and
// is reported.
class CRestoreStore {
public:
    // `hostFolder`: the store's folder on the host system; the target
    // machine reaches it through IFileSystem::HostFolderPath.
    CRestoreStore(platform::IFileSystem& files, platform::IRegistry& registry, const QString& hostFolder);

    // The user's limits: points older than `maxAgeDays`, and the oldest
    // beyond `maxBytes` in all, are dropped at start-up.
    struct Limits {
        int maxAgeDays = 30;
        uint64_t maxBytes = uint64_t(2) << 30;
    };
    // One point as the list shows it; `error` is set for a point whose
    // manifest cannot be read (it is listed, never dropped).
    struct Summary {
        QString id;
        QDateTime created;
        QStringList programs;
        int items = 0;
        uint64_t size = 0;
        bool open = false; // a deep clean or a restore did not end
        QString error;
    };
    // Every point, oldest first.
    QList<Summary> List() const;

    // Begins a point for a deep clean of `programs`. Null with `error` when
    // the store cannot take one (its folder cannot be made or reached, or
    // its volume has no room even for the manifest).
    std::unique_ptr<CRestorePoint> Begin(const QStringList& programs, QString* error);
    // Seals a point a deep clean has written; one that holds nothing is
    // dropped. False with `error` when the manifest could not be written
    // (the journal then stays for the next start).
    bool Seal(CRestorePoint& point, QString* error);

    // What a restore did.
    struct Outcome {
        int restored = 0;
        // Entries that exist again, so stay in the point ("C:\a\b", or a
        // key path and value name).
        QStringList existing;
        // Entries that could not be put back, each with why (they stay too).
        QStringList failed;
        // Entries whose stored copy is gone (dropped from the point).
        QStringList lost;
        bool pointDropped = false; // nothing was left in it
        bool backendFailed = false;
    };
    // Puts everything of point `id` back: folders made again, files moved
    // back, registry values written, then the folders' attributes and times.
    // Entries that are back already (an interrupted restore) count as
    // restored. What stays is kept in the point; an empty point is dropped.
    Expected<Outcome, QString> Restore(const QString& id);

    // Finishes every point a killed run left open: a deep clean's becomes a
    // complete point of what really went, and an interrupted restore goes
    // on. Returns a sentence per point for the user.
    QStringList Recover();

    // Drops points older than the limit, then the oldest while the total is
    // above it; returns the ids dropped.
    QStringList Prune(const Limits& limits, const QDateTime& now);

    // Deletes point `id` and everything it stores; false when some of it
    // could not be deleted.
    bool Drop(const QString& id);

    // Whether `id` can name a point: letters, digits and '-' only, so that
    // no id reaches outside the store.
    static bool IsPointId(const QString& id);

    const QString& HostFolder() const { return hostFolder; }

private:
    CRestorePoint::Place PlaceOf(const QString& id) const;
    // Whether the folder of `id` holds neither manifest nor journal.
    bool Abandoned(const QString& id) const;
    // The store's folder as the target reaches it, in the exact form.
    uint32_t TargetFolder(std::string* target) const;
    // A killed deep clean's point from its journal and the store's layout.
    bool FinishOpen(const QString& id, RestoreManifest manifest, QString* error);

    platform::IFileSystem& files;
    platform::IRegistry& registry;
    QString hostFolder;
    mutable std::string targetFolder; // once told
};
