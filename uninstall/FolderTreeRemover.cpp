#include "uninstall/FolderTreeRemover.h"

#include <vector>

#include "uninstall/ProtectedFolders.h"
#include "uninstall/RestorePoint.h"

using Place = CProtectedFolders::Place;

CFolderTreeRemover::CFolderTreeRemover(platform::IFileSystem& targetFiles, CProtectedFolders& folderPolicy,
                                       CBackendWatch& backendWatch)
    : files(targetFiles), policy(folderPolicy), watch(backendWatch) {}

void CFolderTreeRemover::DeleteLeftoverFile(const QString& path) {
    const CProtectedFolders::Location location = policy.EntryLocation(CRealPath::FromText(path));
    if (location.place != Place::Found || policy.IsRefusedFile(location.real)) return;
    NoteFolder(location.real.Parent());
    if (!RemoveFile(location.real)) return;
    RemoveEmptiedFolders(location.real.Parent());
}

void CFolderTreeRemover::NoteFolder(const CRealPath& folder) {
    if (restorePoint && !folder.IsEmpty() && !folder.IsDriveRoot()) restorePoint->NoteFolder(folder.Exact());
}

bool CFolderTreeRemover::StoreFull() const {
    return restorePoint != nullptr && restorePoint->Full();
}

bool CFolderTreeRemover::RemoveFile(const CRealPath& file, uint32_t attributes) {
    const std::string exact = file.Exact();
    // A read-only file in a tree stays, as its deletion would refuse it.
    const bool takeReadOnly = attributes == platform::kInvalidAttributes;
    if (restorePoint) {
        // A move keeps the read-only attribute, which the restore gives back.
        if (!takeReadOnly && (attributes & platform::kAttrReadOnly)) return false;
        return watch.Ok(restorePoint->TakeFile(exact));
    }
    if (takeReadOnly) watch.Ok(files.SetOwnerWriteOnly(exact));
    return watch.Ok(files.DeleteFile(exact));
}

bool CFolderTreeRemover::RemoveLink(const CRealPath& link) {
    if (restorePoint) return watch.Ok(restorePoint->TakeFile(link.Exact()));
    return watch.Ok(files.RemoveFolder(link.Exact()));
}

bool CFolderTreeRemover::RemoveProgramFolder(const CRealPath& folder, uint32_t attributes, bool emptied) {
    // A read-only folder refuses to go. It is made writable only once
    // nothing is left in it, so that a folder that stays keeps its
    // attribute.
    if (attributes & platform::kAttrReadOnly) {
        std::vector<platform::FileEntry> left;
        if (!emptied && !watch.Ok(files.ListFolder(folder.Exact(), platform::kListEverything, &left))) return false;
        if (!left.empty()) return false;
        // The restore point records the attribute before it clears it.
        if (!restorePoint) watch.Ok(files.SetOwnerWriteOnly(folder.Exact()));
    }
    // A folder that still holds anything, hidden entries included, is not
    // removed: the removal itself tells.
    if (restorePoint) return watch.Ok(restorePoint->TakeFolder(folder.Exact()));
    return watch.Ok(files.RemoveFolder(folder.Exact()));
}

void CFolderTreeRemover::RemoveEmptiedFolders(CRealPath folder) {
    while (!folder.IsEmpty() && !folder.IsDriveRoot() && !policy.IsRefusedFolder(folder) && !StoreFull()) {
        uint32_t attributes = platform::kInvalidAttributes;
        // An emptied parent is never a link: removing it would remove the
        // link, and with it the way to whatever it stands for.
        if (!watch.Ok(files.GetAttributes(folder.Exact(), &attributes)) || !(attributes & platform::kAttrDirectory) ||
            (attributes & platform::kAttrReparsePoint))
            return;
        NoteFolder(folder.Parent());
        if (!RemoveProgramFolder(folder, attributes, false)) return;
        folder = folder.Parent();
    }
}

bool CFolderTreeRemover::DeleteTree(const CRealPath& top, uint32_t topAttributes) {
    // The whole tree in one listing, hidden and system entries included so
    // that they are known to stay; then, folder by folder in name order,
    // the visible files deleted and the visible folders emptied and
    // removed, then the folder itself.
    std::vector<platform::TreeEntry> entries;
    if (!watch.Ok(files.ListTree(top.Exact(), platform::kListEverything, &entries))) return false;
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

        // True when the folder is gone.
        bool operator()(size_t folder, const CRealPath& path, uint32_t attributes) const {
            self.NoteFolder(path);
            bool emptied = true;
            for (uint32_t child : children[folder]) {
                if (self.StoreFull()) return false;
                const platform::FileEntry& entry = entries[child].entry;
                const QString name = CTargetPath::FromUtf8(entry.name);
                const CRealPath childPath = path.Child(name);
                bool gone = false;
                if (entry.attributes & (platform::kAttrHidden | platform::kAttrSystem)) {
                    // Hidden and system entries stay, and so does their folder.
                } else if (!entry.isDir()) {
                    gone = !self.policy.IsRefusedFile(childPath) && self.RemoveFile(childPath, entry.attributes);
                } else if (self.policy.IsClaimedName(name) || self.policy.IsRefusedFolder(childPath)) {
                    // What another program claims stays, with what holds it.
                } else if (entry.isLink()) {
                    gone = self.RemoveLink(childPath); // the link only
                } else {
                    gone = (*this)(child, childPath, entry.attributes);
                }
                emptied = emptied && gone;
            }
            return self.RemoveProgramFolder(path, attributes, emptied);
        }
    };
    return Walk{*this, entries, children}(root, top, topAttributes);
}

bool CFolderTreeRemover::DeleteFolderTree(const QString& path) {
    if (path.isEmpty()) return false;
    const CProtectedFolders::Location location = policy.EntryLocation(CRealPath::FromText(path));
    if (location.place == Place::Missing) return true;
    if (location.place != Place::Found) return false;
    const CRealPath folder = location.real;
    uint32_t attributes = platform::kInvalidAttributes;
    if (!watch.Ok(files.GetAttributes(folder.Exact(), &attributes))) return false;
    if (!(attributes & platform::kAttrDirectory)) return true;
    if (policy.IsRefusedFolder(folder)) return false;
    NoteFolder(folder.Parent());
    // A link is removed as a link; its target is never entered.
    const bool removed =
        (attributes & platform::kAttrReparsePoint) ? RemoveLink(folder) : DeleteTree(folder, attributes);
    if (removed) RemoveEmptiedFolders(folder.Parent());
    return removed;
}
