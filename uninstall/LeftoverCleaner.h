#pragma once

#include <QList>
#include <QString>

#include "include/InstalledProgram.h"
#include "include/LeftoverItem.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "uninstall/BackendWatch.h"
#include "uninstall/FolderTreeRemover.h"
#include "uninstall/LeftoverSearch.h"
#include "uninstall/ProtectedFolders.h"

class CAppEnum;
class CRestorePoint;

// Cleans up after a removed program: collects its leftovers in the order
// of the steps (install folder, AppData and ProgramData, Start Menu,
// desktop, registry) and deletes them. Runs on the uninstall worker, one
// program at a time; the searches, the folder policy, the tree deletion
// and the registry-name recovery are classes of their own.
class CLeftoverCleaner {
public:
    CLeftoverCleaner(platform::IFileSystem& files, platform::IRegistry& registry, platform::ISystem& system,
                     CAppEnum& appEnum);

    // The folder of the running program (absolute, as the target machine
    // sees it). It and everything in it are never deleted.
    void SetOwnFolder(const QString& folder);

    // Collects the leftovers of `program`, then deletes them; returns what
    // was collected.
    QList<LeftoverItem> CleanLeftovers(InstalledProgram program);

    // The collection alone: the leftovers in step order; deletes nothing.
    // `skipped` receives the places left alone on purpose (an install folder
    // out of reach, a find another program claims, a protected folder, a
    // link), each with its reason; a collection that stops (StopReason())
    // adds the folder text with that reason.
    QList<LeftoverItem> CollectLeftovers(const InstalledProgram& program, QList<SkippedLeftover>* skipped = nullptr);

    // Where DeleteLeftovers puts what it deletes from now on (files and
    // folders moved, registry data exported); null: deleted outright.
    void SetRestorePoint(CRestorePoint* point);

    // Deletes every entry of `leftovers`; failures are skipped silently.
    // Once the restore point's volume is full nothing more goes.
    void DeleteLeftovers(const QList<LeftoverItem>& leftovers);

    // Deletes the visible content of `path`, then the folder and each
    // parent that is left empty. False when the folder remains.
    bool DeleteFolderTree(const QString& path);

    // Whether a leftover is still on the target machine.
    bool LeftoverExists(const LeftoverItem& item);

    // Whether the backend itself failed since the last collection began.
    bool BackendFailed() const { return watch.Failed(); }

    // Why the last collection stopped before it collected anything (what
    // another program claims, or a known folder, could not be read); empty
    // when it did not stop. Nothing of the program is deleted then.
    const QString& StopReason() const { return stopReason; }

    // The searches, for callers that run one step alone.
    CLeftoverSearch& Search() { return search; }

    // Folder text of a record: the install location, else the display
    // icon's folder text, else the uninstaller's stem; no trailing
    // backslash. Absolute paths come back cleaned ("..", doubled and
    // forward separators resolved).
    static QString FolderText(const QString& installLocation, const QString& displayIcon,
                              const QString& uninstallCommand);
    static bool IsAbsolute(const QString& path);

private:
    void DeleteRegistryItem(const LeftoverItem& item);
    // Hands the policy what every other registered program claims; false
    // (with stopReason) when that or the known folders cannot be read.
    bool LoadClaims(const InstalledProgram& program, const QString& displayName);

    platform::IFileSystem& files;
    platform::IRegistry& registry;
    platform::ISystem& system;
    CAppEnum& appEnum;

    CBackendWatch watch;
    CProtectedFolders policy;
    CLeftoverSearch search;
    CFolderTreeRemover remover;
    CRestorePoint* restorePoint = nullptr;
    QString stopReason;
};
