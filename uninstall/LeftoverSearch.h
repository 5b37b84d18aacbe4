#pragma once

#include <QList>
#include <QString>

#include "LeftoverItem.h"
#include "platform/FileSystem.h"
#include "uninstall/BackendWatch.h"

class CAppEnum;
class CProtectedFolders;

// The searches for what one program left behind: the content of its install
// folder, files and folders named after it under AppData, ProgramData, the
// common Start Menu and the common desktop, and (through the inventory) its
// registry entries. Each search returns its finds and deletes nothing.
class CLeftoverSearch {
public:
    // The finds of one tree search, files and folders apart.
    struct TreeFinds {
        QList<LeftoverItem> leftoverFiles;
        QList<LeftoverItem> leftoverFolders;
        // Files first, then folders: the order in which they join the list.
        QList<LeftoverItem> All() const { return leftoverFiles + leftoverFolders; }
    };

    CLeftoverSearch(platform::IFileSystem& files, CProtectedFolders& policy, CAppEnum& appEnum, CBackendWatch& watch);

    // The direct entries of the install folder: its folders, then its files.
    QList<LeftoverItem> CollectInstallFolder(const QString& folder);
    // The install folder's entries, then what AppData and ProgramData hold
    // in folders named after the folder's leaf.
    QList<LeftoverItem> SearchAppDataFolders(const QString& folder);
    TreeFinds SearchStartMenu(const QString& name);
    TreeFinds SearchDesktop(const QString& name);
    QList<LeftoverItem> CollectRegistryLeftovers(const QString& name, const QString& folder);

    // The files and folders below `base` that match the patterns: a pattern
    // that ends with a separator ("Acme/" for files, "Acme\\" for folders)
    // asks for a folder of that name above the entry; one without ("Acme")
    // also takes the entry itself when its name, or a file's name without
    // its extension, is that name. Components are compared whole and
    // ignoring case, and only below `base`. Folders come after the folders
    // they contain.
    TreeFinds SearchFolderTree(const QString& base, const QString& filePattern, const QString& folderPattern);

private:
    TreeFinds SearchNamedFolder(int csidl, const QString& name, bool withSeparator);

    platform::IFileSystem& files;
    CProtectedFolders& policy;
    CAppEnum& appEnum;
    CBackendWatch& watch;
};
