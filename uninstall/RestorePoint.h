#pragma once

#include <QFile>
#include <QString>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "uninstall/RestoreManifest.h"

// The restore point a deep clean writes: where the leftover cleaner would
// delete a file, a link or an emptied folder, or a registry key or value,
// it hands the entry to this class, which records it in the journal,
// moves it into the store (a folder and registry data are recorded, then
// removed), and marks it done. So does the deep clean with each menu file
// Wine wrote in the Linux home for the program's shortcuts.
//
// A stored file lies at a place that spells its origin ("C:\a\b.txt" at
// <point>\files\C\a\b.txt, "/home/u/x.desktop" at
// <point>/linux/home/u/x.desktop), so that a run killed anywhere, even
// between a move and its mark, is finished by looking at both places
// (CRestoreStore).
// The journal is appended without a flush to disk per line; only before a
// registry deletion, which the store's layout cannot tell, is it made
// durable.
class CRestorePoint {
public:
    // The point's folder as both sides name it: the host system (manifest,
    // journal) and the target machine (the stored files).
    struct Place {
        QString host;
        std::string target; // the form the platform takes exactly ("\\?\Z:\...")
    };

    CRestorePoint(platform::IFileSystem& files, platform::IRegistry& registry, const Place& place,
                  const RestoreManifest& head);
    ~CRestorePoint();
    CRestorePoint(const CRestorePoint&) = delete;
    CRestorePoint& operator=(const CRestorePoint&) = delete;

    // Writes the open manifest and starts the journal; false with `error`.
    bool Open(QString* error);

    // Moves a file or a link (given as the exact path the remover uses) into
    // the store. Returns the status of the first call that failed; the entry
    // then stays where it was. A link that cannot cross to the store's
    // volume is removed as a link.
    uint32_t TakeFile(const std::string& path);
    // Notes a folder's attributes and times before anything in it goes:
    // each entry that leaves a folder changes its write time. The first
    // note of a folder counts.
    void NoteFolder(const std::string& path);
    // Records an empty folder's attributes and times (as noted, else as
    // they are), then removes it (a read-only one made writable first; a
    // run killed in between gives it its attribute back).
    uint32_t TakeFolder(const std::string& path);
    // Exports a key's values, then deletes the key (the default view, as the
    // key path names the view's key), or, with `valueName` set, one value.
    uint32_t TakeRegistry(platform::Hive hive, int32_t view, const std::string& keyPath, const std::string* valueName);

    // Moves a file of the Linux home (its absolute path) into the store on
    // the host side. Returns 0 or the errno value of the failure; the file
    // then stays where it was.
    int TakeLinuxFile(const QString& path);

    // Whether a move found the store's volume full: the clean must stop.
    bool Full() const { return full; }
    bool Empty() const { return manifest.items.isEmpty(); }
    const RestoreManifest& Manifest() const { return manifest; }

    // Writes the complete manifest and ends the journal; false with `error`.
    bool Seal(QString* error);

    // Where a file of `origin` ("C:\a\b") lies in the store of the point
    // at `pointTarget`, and back (empty when `relative` spells no origin).
    static std::string StorePath(const std::string& pointTarget, const QString& origin);
    static QString OriginOf(const QString& relative);
    // Where a Linux file of `origin` ("/a/b") lies in the point at `pointHost`.
    static QString LinuxStorePath(const QString& pointHost, const QString& origin);
    // A path as it is recorded ("C:\a\b") from the exact form ("\\?\C:\a\b").
    static QString Recorded(const std::string& path);
    // The exact form of a recorded path.
    static std::string Exact(const QString& recorded);

    // A value's type and data as stored, whatever its size.
    static uint32_t ReadValue(platform::IRegistry& registry, platform::RegKey key, const std::string& name,
                              RestoreItem::RegistryValue* value);

    static constexpr const char* kFilesFolder = "files";
    static constexpr const char* kLinuxFolder = "linux";

private:
    int64_t Append(const RestoreItem& item);
    void Mark(int64_t sequence, const RestoreItem& item);
    // Creates the store folder for `storePath`'s parent once.
    uint32_t MakeStoreParent(const std::string& storePath);

    platform::IFileSystem& files;
    platform::IRegistry& registry;
    Place place;
    RestoreManifest manifest;
    QFile journal;
    int64_t nextSequence = 0;
    bool full = false;
    std::unordered_set<std::string> storeFolders;
    std::unordered_map<std::string, platform::FileStat> noted; // by folded path
};
