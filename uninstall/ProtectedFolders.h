#pragma once

#include <QString>
#include <QStringList>

#include "platform/FileSystem.h"
#include "uninstall/BackendWatch.h"

// The protected-folder policy of the leftover remover: which folders it
// must neither take as a program's folder nor delete, nor remove as an
// emptied parent (the system's known folders, every profile and its known
// folders, the running program's own folder).
class CProtectedFolders {
public:
    CProtectedFolders(platform::IFileSystem& files, CBackendWatch& watch);

    // The folder of the running program (absolute, as the target machine
    // sees it). It, its parents and everything in it are never deleted.
    void SetOwnFolder(const QString& folder);

    // Forgets the known folders, which are read again on the next question
    // (once per collection: a profile may have appeared meanwhile).
    void Reset();

    // Inside the Windows folder or the running program's own folder (or one
    // of that folder's parents), or no absolute path at all.
    bool IsUntouchable(const QString& path);
    // Untouchable, a drive root, or a known folder or one that holds one.
    bool IsRefusedFolder(const QString& path);
    // Whether removing `path` with the parents it leaves empty would take
    // a protected folder with it.
    bool RemovalReachesProtected(const QString& path);

private:
    void Load();

    platform::IFileSystem& files;
    CBackendWatch& watch;
    QString ownFolder; // key form
    bool loaded = false;
    QString windowsFolder;        // key form
    QStringList protectedFolders; // key form
};
