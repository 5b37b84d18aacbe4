#pragma once

#include <QString>

#include "platform/FileSystem.h"
#include "uninstall/BackendWatch.h"

class CProtectedFolders;

// Deletes leftover files and folder trees on the target machine: visible
// entries only, links as links, and never a protected folder, neither as
// the tree itself nor as a parent that the removal leaves empty.
class CFolderTreeRemover {
public:
    CFolderTreeRemover(platform::IFileSystem& files, CProtectedFolders& policy, CBackendWatch& watch);

    // Clears the read-only attribute of a file and deletes it.
    void DeleteLeftoverFile(const QString& path);

    // Deletes the visible content of `path`, then the folder and each
    // parent that is left empty. False when the folder remains.
    bool DeleteFolderTree(const QString& path);

private:
    class TreeDeletion;

    bool RemoveFolderSafely(const QString& path);

    platform::IFileSystem& files;
    CProtectedFolders& policy;
    CBackendWatch& watch;
};
