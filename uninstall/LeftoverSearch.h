#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "include/LeftoverItem.h"
#include "inventory/AppEnum.h"
#include "platform/FileSystem.h"
#include "uninstall/BackendWatch.h"
#include "uninstall/RealPath.h"
#include "uninstall/TargetPath.h"

class CProtectedFolders;

// The searches for what one program left behind: the content of its install
// folder, files and folders named after it under AppData, ProgramData, the
// common Start Menu and the common desktop, and (through the inventory) its
// registry entries. Each search returns its finds and deletes nothing.
class CLeftoverSearch {
public:
    // Names shorter than this ("Go", "AB") would catch files of unrelated
    // programs, and claim those of every program.
    static constexpr int kMinimumNameLength = 3;

    // The finds of one tree search, files and folders apart.
    struct TreeFinds {
        QList<LeftoverItem> leftoverFiles;
        QList<LeftoverItem> leftoverFolders;
        // Files first, then folders: the order in which they join the list.
        QList<LeftoverItem> All() const { return leftoverFiles + leftoverFolders; }
    };

    CLeftoverSearch(platform::IFileSystem& files, CProtectedFolders& policy, CAppEnum& appEnum, CBackendWatch& watch);

    // The direct entries of the install folder: its folders, then its files.
    QList<LeftoverItem> CollectInstallFolder(const CTargetPath& folder);
    // The install folder's entries, then what AppData and ProgramData hold
    // in folders named after the folder's component that names the program.
    QList<LeftoverItem> SearchAppDataFolders(const CTargetPath& folder, const QString& displayName,
                                             const QString& publisher = QString());
    // The folders named after the program right below AppData (roaming and
    // local), ProgramData and the common Start Menu's programs: its display
    // name, that name without a trailing version, architecture or language
    // ("Acme Notes 5.4 (x64)" also as "Acme Notes"), and either below a
    // folder named after its publisher. Each is taken whole (what lies in it,
    // then itself) behind the same fences as every other find; the
    // publisher's folder never is, whatever the program's name.
    QList<LeftoverItem> SearchProgramFolders(const QString& displayName, const QString& publisher);
    // The install folder of a program that names none: the first folder of
    // `files` (its icon, its uninstaller) that names the program (see
    // ProgramLeaf) and is no place of the system's (the Windows folder and
    // all in it, a known folder or one that holds one) nor another
    // program's. Empty when none is.
    CTargetPath FolderNamingProgram(const QList<CTargetPath>& files, const QString& displayName,
                                    const QString& publisher);
    TreeFinds SearchStartMenu(const QString& name);
    TreeFinds SearchDesktop(const QString& name);
    // The uninstall key named `name` that `mayTake` accepts (see
    // CAppEnum::FindRegistryLeftovers) and, unless the folder is out of
    // reach, the MuiCache values naming `folder` (none inside another
    // program's).
    QList<LeftoverItem> CollectRegistryLeftovers(const QString& name, const QString& folder, bool folderInReach = true,
                                                 const CAppEnum::UninstallKeyCheck& mayTake = nullptr);

    // The files and folders below `base` that match the patterns: a pattern
    // that ends with a separator ("Acme/" for files, "Acme\\" for folders)
    // asks for a folder of that name above the entry; one without ("Acme")
    // also takes the entry itself when its name, or a file's name without
    // its extension, is that name. Components are compared whole and
    // ignoring case, and only below `base`. Folders come after the folders
    // they contain.
    TreeFinds SearchFolderTree(const CTargetPath& base, const QString& filePattern, const QString& folderPattern);

    // The component of an install folder that names the program: the last
    // one that shares a word of three or more characters (not a generic one
    // like "bin" or "x64", nor only digits) with the display name or the
    // publisher, and lies below every folder that `isKnownFolder` accepts.
    // Empty when none does.
    // The names a folder named after the program may bear: the display name
    // and, when it differs, the name without its trailing version,
    // architecture and language parts; only names that hold a word that can
    // name a program.
    static QStringList ProgramNames(const QString& displayName);

    // Whether two texts share a word that can name a program (three or more
    // characters, not only digits, not a generic one like "bin"), ignoring
    // case.
    static bool SharesProgramWord(const QString& one, const QString& other);

    static QString ProgramLeaf(const CTargetPath& folder, const QString& displayName, const QString& publisher,
                               const std::function<bool(const CTargetPath&)>& isKnownFolder = {});

    // What the searches since ClearKept left alone although it would have
    // been taken for the program's (named after it, or in its install
    // folder), each with why: so that a person can see what stayed.
    const QList<SkippedLeftover>& Kept() const { return kept; }
    void ClearKept() { kept.clear(); }

private:
    void Keep(const QString& path, int32_t because);
    // Whether a find is kept: its name is one another program bears, or
    // the policy refuses the folder (or file) it is; a kept one is noted
    // with why.
    bool IsKept(const QString& name, const CRealPath& path, bool folder);
    TreeFinds SearchNamedFolder(int csidl, const QString& name, bool withSeparator);
    // Walks the tree below `base` as SearchFolderTree does; with `whole`
    // everything below it matches. True when it holds a folder another
    // program claims.
    bool WalkTree(const CRealPath& base, const QString& filePattern, const QString& folderPattern, bool whole,
                  TreeFinds* finds);
    // A folder named after the program, whole: what lies in it, then
    // itself unless it holds what another program claims.
    QList<LeftoverItem> CollectWholeFolder(const CRealPath& folder, bool isLink);

    platform::IFileSystem& files;
    CProtectedFolders& policy;
    CAppEnum& appEnum;
    CBackendWatch& watch;
    QList<SkippedLeftover> kept;
};
