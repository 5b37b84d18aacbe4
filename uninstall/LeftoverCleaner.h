#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "include/InstalledProgram.h"
#include "include/LeftoverItem.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/System.h"

class CAppEnum;

// Finds what a removed program left behind and deletes it: the content of
// its install folder, files and folders named after it under the roaming
// AppData folder, ProgramData, the common Start Menu and the common
// desktop, its uninstall key and the MuiCache values naming its folder.
// Owned by the program list page; runs on the uninstall worker, one
// program at a time.
//
// Safety beyond a plain name search:
// - a folder text that is not an absolute path only feeds the MuiCache
//   search;
// - an install folder that is, or holds, a shared or known folder (drive
//   root, Windows, Program Files, ProgramData, Users, a profile and its
//   known folders, Start Menu, temp) is refused;
// - nothing inside the Windows folder or the running program's own folder
//   (nor that folder's parents) is collected or deleted, and removing an
//   emptied folder never takes a known folder with it;
// - names match whole path components below the searched folder, a known
//   folder never counts as the program's folder by its name, and names
//   shorter than three characters are not searched;
// - walks never enter links, and a link is deleted as a link.
class CLeftoverCleaner {
public:
    CLeftoverCleaner(platform::IFileSystem& files, platform::IRegistry& registry, platform::ISystem& system,
                     CAppEnum& appEnum);

    // The folder of the running program (absolute, as the target machine
    // sees it). It and everything in it are never deleted.
    void SetOwnFolder(const QString& folder);

    // Collects the leftovers of `program`, then deletes them.
    void CleanLeftovers(InstalledProgram program);

    // The collection alone: fills `leftovers` and deletes nothing.
    void CollectLeftovers(const InstalledProgram& program);

    // The collection steps, in the order CollectLeftovers runs them.
    void CollectInstallFolder(const QString& folder);
    void SearchAppDataFolders(const QString& folder);
    void SearchStartMenu(const QString& name);
    void SearchDesktop(const QString& name);
    void CollectRegistryLeftovers(const QString& name, const QString& folder);

    // Appends to the scratch lists the files and folders below `base`
    // that match the patterns: a pattern that ends with a separator ("Acme/"
    // for files, "Acme\\" for folders) asks for a folder of that name above
    // the entry; one without ("Acme") also takes the entry itself when its
    // name, or a file's name without its extension, is that name.
    // Components are compared whole and ignoring case, and only below
    // `base`. Folders come after the folders they contain.
    void SearchFolderTree(const QString& base, const QString& filePattern, const QString& folderPattern);

    // Deletes every entry of `leftovers`; failures are skipped silently.
    void DeleteLeftovers();

    // Deletes the visible content of `path`, then the folder and each
    // parent that is left empty. False when the folder remains.
    bool DeleteFolderTree(const QString& path);

    // Whether a leftover is still on the target machine.
    bool LeftoverExists(const LeftoverItem& item);

    // The leftovers of the program being cleaned, in the order the steps
    // added them; and the scratch lists of one search step.
    QList<LeftoverItem> leftovers;
    QList<LeftoverItem> leftoverFiles;
    QList<LeftoverItem> leftoverFolders;

    // Folder text of a record: the install location, else the display
    // icon's folder text, else the uninstaller's stem; no trailing
    // backslash. Absolute paths come back cleaned ("..", doubled and
    // forward separators resolved).
    static QString FolderText(const QString& installLocation, const QString& displayIcon,
                              const QString& uninstallCommand);
    static bool IsAbsolute(const QString& path);

private:
    class TreeDeletion;

    void MoveScratchToLeftovers();
    void ClearScratch();
    void SearchNamedFolder(int csidl, const QString& name, bool withSeparator);

    // Known-folder protection; loaded once per collection.
    void LoadProtectedFolders();
    static QString Key(const QString& path); // normalised, lower case
    bool IsRefusedFolder(const QString& path);
    bool IsUntouchable(const QString& path);
    // Whether removing `path` with the parents it leaves empty would take
    // a protected folder with it.
    bool RemovalReachesProtected(const QString& path);
    bool RemoveFolderSafely(const QString& path);

    // Registry deletion in the default view with the ANSI names as stored.
    bool AnsiName(platform::RegKey key, const QString& name, bool value, std::string* ansi);
    bool AnsiKeyPath(platform::Hive hive, const QString& path, std::string* ansi);
    void DeleteRegistryItem(const LeftoverItem& item);

    platform::IFileSystem& files;
    platform::IRegistry& registry;
    platform::ISystem& system;
    CAppEnum& appEnum;

    QString ownFolder;
    bool protectedLoaded = false;
    QString windowsFolder;        // key form
    QStringList protectedFolders; // key form
};
