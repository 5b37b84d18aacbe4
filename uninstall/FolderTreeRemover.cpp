#include "uninstall/FolderTreeRemover.h"

#include <vector>

#include "uninstall/ProtectedFolders.h"

using Place = CProtectedFolders::Place;

CFolderTreeRemover::CFolderTreeRemover(platform::IFileSystem& targetFiles, CProtectedFolders& folderPolicy,
                                       CBackendWatch& backendWatch)
    : files(targetFiles), policy(folderPolicy), watch(backendWatch) {}

void CFolderTreeRemover::DeleteLeftoverFile(const QString& path) {
    const CProtectedFolders::Location location = policy.EntryLocation(CTargetPath::FromText(path));
    if (location.place != Place::Found || policy.IsRefusedFile(location.real)) return;
    const std::string native = location.real.Utf8();
    watch.Ok(files.SetOwnerWriteOnly(native));
    if (!watch.Ok(files.DeleteFile(native))) return;
    RemoveEmptiedFolders(location.real.Parent());
}

void CFolderTreeRemover::RemoveEmptiedFolders(CRealPath folder) {
    while (!folder.IsEmpty() && !folder.IsDriveRoot() && !policy.IsRefusedFolder(folder)) {
        uint32_t attributes = platform::kInvalidAttributes;
        // An emptied parent is never a link: removing it would remove the
        // link, and with it the way to whatever it stands for.
        if (!watch.Ok(files.GetAttributes(folder.Utf8(), &attributes)) || !(attributes & platform::kAttrDirectory) ||
            (attributes & platform::kAttrReparsePoint))
            return;
        // A folder that still holds anything, hidden entries included, is
        // not removed: the removal itself tells.
        if (!watch.Ok(files.RemoveFolder(folder.Utf8()))) return;
        folder = folder.Parent();
    }
}

bool CFolderTreeRemover::DeleteTree(const CRealPath& top) {
    // The whole tree in one listing, hidden and system entries included so
    // that they are known to stay; then, folder by folder in name order,
    // the visible files deleted and the visible folders emptied and
    // removed, then the folder itself.
    std::vector<platform::TreeEntry> entries;
    if (!watch.Ok(files.ListTree(
            top.Utf8(), platform::kListFiles | platform::kListDirs | platform::kListHidden | platform::kListSystem,
            &entries)))
        return false;
    const size_t root = entries.size();
    std::vector<std::vector<uint32_t>> children(entries.size() + 1);
    for (uint32_t i = 0; i < entries.size(); ++i) {
        const uint32_t parent = entries[i].parent;
        children[parent == platform::TreeEntry::kTreeRoot || parent >= i ? root : parent].push_back(i);
    }
    struct Walk {
        CFolderTreeRemover& self;
        const std::vector<platform::TreeEntry>& entries;
        const std::vector<std::vector<uint32_t>>& children;

        bool operator()(size_t folder, const CRealPath& path) const {
            for (uint32_t child : children[folder]) {
                const platform::FileEntry& entry = entries[child].entry;
                if (entry.attributes & (platform::kAttrHidden | platform::kAttrSystem)) continue;
                const QString name = CTargetPath::FromUtf8(entry.name);
                const CRealPath childPath = path.Child(name);
                if (!entry.isDir()) {
                    if (!self.policy.IsRefusedFile(childPath)) self.watch.Ok(self.files.DeleteFile(childPath.Utf8()));
                    continue;
                }
                // What another program claims stays, with what holds it.
                if (self.policy.IsClaimedName(name) || self.policy.IsRefusedFolder(childPath)) continue;
                if (entry.isLink())
                    self.watch.Ok(self.files.RemoveFolder(childPath.Utf8())); // the link only
                else
                    (*this)(child, childPath);
            }
            return self.watch.Ok(self.files.RemoveFolder(path.Utf8()));
        }
    };
    return Walk{*this, entries, children}(root, top);
}

bool CFolderTreeRemover::DeleteFolderTree(const QString& path) {
    if (path.isEmpty()) return false;
    const CProtectedFolders::Location location = policy.EntryLocation(CTargetPath::FromText(path));
    if (location.place == Place::Missing) return true;
    if (location.place != Place::Found) return false;
    const CRealPath folder = location.real;
    uint32_t attributes = platform::kInvalidAttributes;
    if (!watch.Ok(files.GetAttributes(folder.Utf8(), &attributes))) return false;
    if (!(attributes & platform::kAttrDirectory)) return true;
    if (policy.IsRefusedFolder(folder)) return false;
    // A link is removed as a link; its target is never entered.
    const bool removed =
        (attributes & platform::kAttrReparsePoint) ? watch.Ok(files.RemoveFolder(folder.Utf8())) : DeleteTree(folder);
    if (removed) RemoveEmptiedFolders(folder.Parent());
    return removed;
}
