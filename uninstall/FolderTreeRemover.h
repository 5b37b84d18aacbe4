#pragma once

#include <QString>

#include "platform/FileSystem.h"
#include "uninstall/BackendWatch.h"
#include "uninstall/RealPath.h"

class CProtectedFolders;
class CRestorePoint;

// Deletes leftover files and folder trees on the target machine: visible
// entries only, links as links, each at its real location, and never a
// protected or claimed folder, neither as the tree itself nor as a parent
// that the deletion leaves empty. With a restore point, what it would
// delete goes into the point instead: the fences stay the same.
class CFolderTreeRemover {
public:
    CFolderTreeRemover(platform::IFileSystem& files, CProtectedFolders& policy, CBackendWatch& watch);

    // Where files, links and emptied folders go from now on; null: deleted.
    void SetRestorePoint(CRestorePoint* point) { restorePoint = point; }

    // Clears the read-only attribute of a file and deletes it, then removes
    // the folders that this leaves empty (a read-only one made writable
    // first, once it is empty).
    void DeleteLeftoverFile(const QString& path);

    // Deletes the visible content of `path`, then the folder and each
    // parent that is left empty, stopping below the first protected one.
    // False when the folder remains.
    bool DeleteFolderTree(const QString& path);

private:
    // Removes `folder` and then each parent while it is empty, stopping at
    // (and keeping) a protected or claimed folder, a link, or a folder
    // whose state cannot be told.
    void RemoveEmptiedFolders(CRealPath folder);
    // Empties and removes one real folder; false when it remains.
    bool DeleteTree(const CRealPath& folder, uint32_t attributes);
    // Removes one folder of the program, known to be `emptied` or not yet
    // looked into; false when it remains.
    bool RemoveProgramFolder(const CRealPath& folder, uint32_t attributes, bool emptied);
    // Deletes one file, or moves it (or a link) into the restore point. A
    // single leftover file is made writable first; a file of a tree walk,
    // whose listed `attributes` are given, is not.
    bool RemoveFile(const CRealPath& file, uint32_t attributes = platform::kInvalidAttributes);
    // Removes a link to a folder as a link.
    bool RemoveLink(const CRealPath& link);
    // Lets the restore point note a folder's times before its content goes.
    void NoteFolder(const CRealPath& folder);
    // Whether the restore point's volume ran full: nothing more goes.
    bool StoreFull() const;

    platform::IFileSystem& files;
    CProtectedFolders& policy;
    CBackendWatch& watch;
    CRestorePoint* restorePoint = nullptr;
};
