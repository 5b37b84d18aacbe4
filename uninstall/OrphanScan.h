#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "uninstall/BackendWatch.h"
#include "uninstall/FolderTreeRemover.h"
#include "uninstall/ProtectedFolders.h"

// A folder that no registered program claims, with what it holds.
struct OrphanFolder {
    QString path;            // as the target machine names it
    int64_t size = -1;       // bytes of its files; -1 when the target cannot tell
    uint64_t lastChange = 0; // FILETIME of its latest change; 0 when unknown

    // lastChange in UTC; invalid when unknown.
    QDateTime LastChangeUtc() const {
        constexpr int64_t kEpochDifferenceMs = 11644473600000LL; // 1601-01-01 to 1970-01-01
        if (lastChange == 0) return QDateTime();
        return QDateTime::fromMSecsSinceEpoch(static_cast<int64_t>(lastChange / 10000) - kEpochDifferenceMs, Qt::UTC);
    }
};

// What became of one folder a deletion was asked for.
struct OrphanDeletion {
    QString path;         // as asked
    bool offered = false; // a scan made at deletion time offered it
    bool deleted = false; // ... and it is gone
};

// Finds the folders that programs already gone left behind: the folders
// right below Program Files (both), AppData (roaming and local),
// ProgramData and the Start Menus' programs (both) that no registered
// program claims (by folder or by name, in either view or hive), that share
// no word with a registered program's name or publisher, that are no known
// folder nor one of the system's own (NeverOffered), and that hold no
// running program's file. What cannot be read fails closed: nothing is
// offered. Deletes only a folder the scan offers at that moment, through
// the deep clean's remover.
class COrphanScan {
public:
    COrphanScan(platform::IFileSystem& files, platform::IRegistry& registry, platform::ISystem& system, bool is64BitOs);

    // The folder of the running program (absolute, as the target machine
    // sees it): never offered.
    void SetOwnFolder(const QString& folder);

    // The folders offered, in root order, then by name. False (nothing
    // offered) with Reason() when the claims, the known folders, a root or
    // the running programs cannot be read.
    bool Scan(QList<OrphanFolder>* offered);

    // Deletes each of `paths` that a scan made now offers (a folder claimed
    // since the list was shown stays), through the deep clean's remover;
    // one result per path, in order. False (nothing deleted) with Reason()
    // when the scan cannot run.
    bool Delete(const QStringList& paths, QList<OrphanDeletion>* results);
    // Where Delete puts what it deletes (null: deleted outright).
    void SetRestorePoint(CRestorePoint* point) { remover.SetRestorePoint(point); }

    // Why the last Scan or Delete failed; empty after one that ran.
    const QString& Reason() const { return reason; }
    // Whether the backend itself failed during the last call.
    bool BackendFailed() const { return watch.Failed(); }

    // Whether a folder of this name is the system's or Wine's own, or this
    // program's, wherever it stands among the roots: never offered.
    static bool IsNeverOffered(const QString& name);

private:
    // The folders offered now, without their sizes.
    bool Offered(QList<CTargetPath>* offered);
    // Reads the claims, the known folders and the running programs afresh.
    bool LoadFences();
    // Whether the folder `name` at `path` (in a Start Menu's programs or
    // not) may be offered.
    bool MayOffer(const QString& name, const CTargetPath& path, bool startMenu);
    // Whether a name is one a registered program bears, or shares a word
    // with one's display name or publisher.
    bool NamesRegisteredProgram(const QString& name) const;
    // Whether a Start Menu group holds a shortcut or folder so named, or
    // cannot be looked into.
    bool GroupNamesRegisteredProgram(const CTargetPath& group);
    // Whether a running program's file lies in `folder`.
    bool HoldsRunningImage(const CTargetPath& folder) const;
    // Size and latest change of what the folder holds.
    void Measure(OrphanFolder* folder);
    bool Fail(const QString& why);

    platform::IFileSystem& files;
    platform::IRegistry& registry;
    platform::ISystem& system;
    const bool is64BitOs;
    CBackendWatch watch;
    CProtectedFolders policy;
    CFolderTreeRemover remover;
    QStringList bearers;              // display names and publishers of the registered programs
    QList<CTargetPath> runningImages; // their text and real locations
    QString reason;
};
