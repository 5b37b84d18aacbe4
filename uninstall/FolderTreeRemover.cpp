#include "uninstall/FolderTreeRemover.h"

#include <vector>

#include "uninstall/ProtectedFolders.h"
#include "uninstall/TargetPath.h"

CFolderTreeRemover::CFolderTreeRemover(platform::IFileSystem& targetFiles, CProtectedFolders& folderPolicy,
                                       CBackendWatch& backendWatch)
    : files(targetFiles), policy(folderPolicy), watch(backendWatch) {}

void CFolderTreeRemover::DeleteLeftoverFile(const QString& path) {
    if (policy.IsUntouchable(path)) return;
    const std::string native = CTargetPath::ToUtf8(CTargetPath::Native(path));
    watch.Ok(files.SetOwnerWriteOnly(native));
    watch.Ok(files.DeleteFile(native));
}

// One folder tree listed in a single call, then deleted the way a
// folder-by-folder walk would: in each folder the visible entries in name
// order, files deleted, folders emptied and removed, then the folder
// itself. The listing includes hidden and system entries, which are kept,
// so that the tree knows which folders a removal would leave empty.
class CFolderTreeRemover::TreeDeletion {
public:
    TreeDeletion(CFolderTreeRemover& remover, const QString& top) : self(remover), topPath(top) {}

    bool Run() {
        std::vector<platform::TreeEntry> entries;
        self.watch.Ok(self.files.ListTree(
            CTargetPath::ToUtf8(topPath),
            platform::kListFiles | platform::kListDirs | platform::kListHidden | platform::kListSystem, &entries));
        nodes.resize(entries.size() + 1);
        for (uint32_t i = 0; i < entries.size(); ++i) {
            Node& node = nodes[i + 1];
            node.entry = entries[i].entry;
            node.parent = entries[i].parent == platform::TreeEntry::kTreeRoot ? 0 : entries[i].parent + 1;
            if (node.parent > i) node.parent = 0; // a malformed answer: treat as top level
            nodes[node.parent].children.push_back(i + 1);
            ++nodes[node.parent].remaining;
        }
        return DeleteNode(0, topPath);
    }

private:
    struct Node {
        platform::FileEntry entry;
        size_t parent = 0;
        std::vector<size_t> children;
        size_t remaining = 0;
        bool removed = false;
    };

    bool DeleteNode(size_t index, const QString& path) {
        for (size_t child : nodes[index].children) {
            const platform::FileEntry& entry = nodes[child].entry;
            if (entry.attributes & (platform::kAttrHidden | platform::kAttrSystem)) continue;
            const QString childPath = path + QLatin1Char('\\') + CTargetPath::FromUtf8(entry.name);
            if (!entry.isDir()) {
                if (self.watch.Ok(self.files.DeleteFile(CTargetPath::ToUtf8(childPath)))) Removed(child);
            } else if (entry.isLink()) {
                RemoveFolder(child, childPath); // the link only
            } else {
                DeleteNode(child, childPath);
            }
        }
        return RemoveFolder(index, path);
    }

    // Removes a folder and the parents it leaves empty, unless that would
    // take a known folder above the tree with it.
    bool RemoveFolder(size_t index, const QString& path) {
        if (nodes[index].removed) return true;
        size_t top = index;
        while (top != 0 && nodes[nodes[top].parent].remaining == 1)
            top = nodes[top].parent;
        if (top == 0 && self.policy.RemovalReachesProtected(topPath)) return false;
        if (!self.watch.Ok(self.files.RemoveFolderAndEmptyParents(CTargetPath::ToUtf8(path)))) return false;
        FolderRemoved(index, path);
        return true;
    }

    // Books a deleted file.
    void Removed(size_t index) {
        nodes[index].removed = true;
        --nodes[nodes[index].parent].remaining;
    }

    // Books a removed folder; each parent it left empty went with it,
    // unless something outside the listing kept it, which the file system
    // tells.
    void FolderRemoved(size_t index, QString path) {
        nodes[index].removed = true;
        while (index != 0) {
            const size_t parent = nodes[index].parent;
            path = CTargetPath::ParentOf(path);
            if (--nodes[parent].remaining != 0 || self.files.FolderExists(CTargetPath::ToUtf8(path))) break;
            nodes[parent].removed = true;
            index = parent;
        }
    }

    CFolderTreeRemover& self;
    QString topPath;
    std::vector<Node> nodes;
};

bool CFolderTreeRemover::RemoveFolderSafely(const QString& path) {
    if (policy.RemovalReachesProtected(path)) return false;
    return watch.Ok(files.RemoveFolderAndEmptyParents(CTargetPath::ToUtf8(CTargetPath::Native(path))));
}

bool CFolderTreeRemover::DeleteFolderTree(const QString& path) {
    if (path.isEmpty()) return false;
    QString native = CTargetPath::Native(path);
    while (native.size() > 3 && native.endsWith(QLatin1Char('\\')))
        native.chop(1);
    uint32_t attributes = platform::kInvalidAttributes;
    if (!watch.Ok(files.GetAttributes(CTargetPath::ToUtf8(native), &attributes)) ||
        !(attributes & platform::kAttrDirectory))
        return true;
    if (policy.IsRefusedFolder(native)) return false;
    // A link is removed as a link; its target is never entered.
    if (attributes & platform::kAttrReparsePoint) return RemoveFolderSafely(native);
    return TreeDeletion(*this, native).Run();
}
