#include "tests/fake/MemoryFileSystem.h"

#include <algorithm>
#include <cctype>
#include <deque>
#include <utility>

#include "platform/WindowsFacts.h"
#include "tests/fake/WindowsCase.h"

using namespace platform;

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Bits SetFileAttributes cannot change.
constexpr uint32_t kFixedBits = kAttrDirectory | kAttrReparsePoint;

// Windows resolves at most this many links in one path before giving up;
// a link loop thus ends in an error instead of a hang.
constexpr int kMaxLinkDepth = 32;

} // namespace

MemoryFileSystem::MemoryFileSystem() {
    root.attributes = kAttrDirectory;
    // Wine's layout of a fresh 64-bit prefix.
    const std::string user = std::string("C:\\users\\") + kUser;
    specialFolders = {
        {kCsidlAppData, user + "\\AppData\\Roaming"},
        {kCsidlLocalAppData, user + "\\AppData\\Local"},
        {kCsidlCommonAppData, "C:\\ProgramData"},
        {kCsidlProfile, user},
        {kCsidlWindows, "C:\\windows"},
        {kCsidlProgramFiles, "C:\\Program Files"},
        {kCsidlProgramFilesX86, "C:\\Program Files (x86)"},
        {kCsidlCommonPrograms, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"},
        {kCsidlCommonStartup, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp"},
        {kCsidlCommonDesktop, "C:\\users\\Public\\Desktop"},
    };
}

MemoryFileSystem::~MemoryFileSystem() = default;

bool MemoryFileSystem::Split(const std::string& path, std::vector<std::string>* parts) {
    std::string text = path;
    const bool exact = text.compare(0, 4, "\\\\?\\") == 0;
    if (exact) text.erase(0, 4);
    if (text.size() < 2 || !isalpha(static_cast<unsigned char>(text[0])) || text[1] != ':') return false;
    if (text.size() > 2 && !IsSeparator(text[2])) return false; // drive-relative
    if (text.size() == 2) return false;
    parts->clear();
    parts->push_back(std::string(1, static_cast<char>(toupper(static_cast<unsigned char>(text[0])))) + ":");
    size_t pos = 3;
    while (pos <= text.size()) {
        size_t end = pos;
        while (end < text.size() && !IsSeparator(text[end]))
            ++end;
        std::string part = text.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty()) continue;
        // The \\?\ form names what its components spell.
        if (exact) {
            parts->push_back(part);
            continue;
        }
        if (part == "..") {
            if (parts->size() > 1) parts->pop_back();
            continue;
        }
        if (part == ".") continue;
        // Any other form is made full as Windows makes it: a folder name on
        // the way loses one trailing dot, the last name every trailing dot
        // and space.
        if (end < text.size()) {
            if (part.back() == '.') part.pop_back();
        } else {
            while (!part.empty() && (part.back() == '.' || part.back() == ' '))
                part.pop_back();
        }
        if (!part.empty()) parts->push_back(part);
    }
    return true;
}

std::string MemoryFileSystem::Fold(const std::string& name) {
    return fake::UpcaseName(name);
}

std::vector<std::string> MemoryFileSystem::Prefix(const std::vector<std::string>& parts, size_t count) {
    return std::vector<std::string>(parts.begin(),
                                    parts.begin() + static_cast<std::ptrdiff_t>(std::min(count, parts.size())));
}

std::string MemoryFileSystem::Join(const std::vector<std::string>& parts, size_t count) {
    std::string path = parts.empty() ? std::string() : parts[0] + "\\";
    for (size_t i = 1; i < count && i < parts.size(); ++i) {
        if (i > 1) path += "\\";
        path += parts[i];
    }
    return path;
}

uint32_t MemoryFileSystem::Resolve(const std::string& path, bool followLast, Node** node, Node** parent,
                                   std::vector<std::string>* resolvedParts) {
    std::vector<std::string> parts;
    *node = nullptr;
    if (parent) *parent = nullptr;
    if (!Split(path, &parts)) return kErrorPathNotFound;
    return ResolveParts(std::move(parts), followLast, 0, node, parent, resolvedParts);
}

uint32_t MemoryFileSystem::ResolveParts(std::vector<std::string> parts, bool followLast, int depth, Node** node,
                                        Node** parent, std::vector<std::string>* resolvedParts) {
    if (depth > kMaxLinkDepth) return kErrorPathNotFound;
    auto drive = root.children.find(Fold(parts[0]));
    if (drive == root.children.end()) return kErrorPathNotFound;
    Node* current = drive->second.get();
    Node* holder = &root;
    for (size_t i = 1; i < parts.size(); ++i) {
        const bool last = i + 1 == parts.size();
        if (!current->isDir()) return kErrorPathNotFound;
        if (current->isLink()) {
            // A link in the middle of the path: go on inside its target.
            std::vector<std::string> target;
            if (!Split(current->linkTarget, &target)) return kErrorPathNotFound;
            target.insert(target.end(), parts.begin() + static_cast<std::ptrdiff_t>(i), parts.end());
            return ResolveParts(std::move(target), followLast, depth + 1, node, parent, resolvedParts);
        }
        auto child = current->children.find(Fold(parts[i]));
        if (child == current->children.end()) {
            if (!last) return kErrorPathNotFound;
            if (parent) *parent = current;
            if (resolvedParts) *resolvedParts = parts;
            return kErrorFileNotFound;
        }
        holder = current;
        current = child->second.get();
        parts[i] = current->name;
    }
    if (followLast && current->isLink()) {
        std::vector<std::string> target;
        if (!Split(current->linkTarget, &target)) return kErrorPathNotFound;
        return ResolveParts(std::move(target), followLast, depth + 1, node, parent, resolvedParts);
    }
    *node = current;
    if (parent) *parent = holder;
    if (resolvedParts) *resolvedParts = parts;
    return kErrorSuccess;
}

std::vector<const MemoryFileSystem::Node*> MemoryFileSystem::Sorted(const Node& folder, uint32_t flags) const {
    // In the order of the lower-cased names, as Windows lists them.
    std::vector<const Node*> nodes;
    for (const auto& child : folder.children)
        if (PassesListFlags(child.second->attributes, flags)) nodes.push_back(child.second.get());
    std::stable_sort(nodes.begin(), nodes.end(), [](const Node* a, const Node* b) {
        return fake::LowercaseName(a->name) < fake::LowercaseName(b->name);
    });
    return nodes;
}

static uint32_t Reported(uint32_t attributes) {
    return attributes == 0 ? kAttrNormal : attributes;
}

uint32_t MemoryFileSystem::ListFolder(const std::string& path, uint32_t flags, std::vector<FileEntry>* entries) {
    std::lock_guard<std::mutex> lock(mutex);
    ++calls;
    if (const uint32_t failure = Failure(path)) return failure;
    entries->clear();
    Node* node = nullptr;
    uint32_t error = Resolve(path, true, &node);
    if (error == kErrorFileNotFound) return kErrorPathNotFound; // "<path>\*" has a missing folder
    if (error != kErrorSuccess) return error;
    if (!node->isDir()) return kErrorDirectory;
    for (const Node* child : Sorted(*node, flags))
        entries->push_back(FileEntry{child->name, Reported(child->attributes)});
    return kErrorSuccess;
}

uint32_t MemoryFileSystem::ListTree(const std::string& base, uint32_t flags, std::vector<TreeEntry>* entries) {
    std::lock_guard<std::mutex> lock(mutex);
    ++calls;
    if (const uint32_t failure = Failure(base)) return failure;
    entries->clear();
    Node* node = nullptr;
    uint32_t error = Resolve(base, true, &node);
    if (error == kErrorFileNotFound) return kErrorPathNotFound;
    if (error != kErrorSuccess) return error;
    if (!node->isDir()) return kErrorDirectory;
    std::deque<std::pair<const Node*, uint32_t>> folders{{node, TreeEntry::kTreeRoot}};
    while (!folders.empty()) {
        auto folder = folders.front();
        folders.pop_front();
        for (const Node* child : Sorted(*folder.first, flags)) {
            TreeEntry entry;
            entry.parent = folder.second;
            entry.entry = FileEntry{child->name, Reported(child->attributes)};
            entries->push_back(entry);
            if (child->isDir() && !child->isLink())
                folders.emplace_back(child, static_cast<uint32_t>(entries->size() - 1));
        }
    }
    return kErrorSuccess;
}

uint32_t MemoryFileSystem::GetAttributes(const std::string& path, uint32_t* attributes) {
    std::lock_guard<std::mutex> lock(mutex);
    ++calls;
    if (const uint32_t failure = Failure(path)) return failure;
    *attributes = kInvalidAttributes;
    Node* node = nullptr;
    uint32_t error = Resolve(path, false, &node);
    if (error != kErrorSuccess) return error;
    *attributes = Reported(node->attributes);
    return kErrorSuccess;
}

uint32_t MemoryFileSystem::DeleteFile(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex);
    ++calls;
    Node* node = nullptr;
    Node* parent = nullptr;
    std::vector<std::string> parts;
    uint32_t error = Resolve(path, false, &node, &parent, &parts);
    if (error != kErrorSuccess) return error;
    if (node->isDir() || (node->attributes & kAttrReadOnly)) return kErrorAccessDenied;
    TakeSpace(parts[0], -static_cast<int64_t>(node->content.size()));
    parent->children.erase(Fold(node->name));
    return kErrorSuccess;
}

uint32_t MemoryFileSystem::SetOwnerWriteOnly(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex);
    ++calls;
    Node* node = nullptr;
    uint32_t error = Resolve(path, false, &node);
    if (error != kErrorSuccess) return error;
    node->attributes &= ~static_cast<uint32_t>(kAttrReadOnly);
    return kErrorSuccess;
}

uint32_t MemoryFileSystem::RemoveFolderAndEmptyParents(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex);
    ++calls;
    std::vector<std::string> parts;
    if (!Split(path, &parts)) return kErrorPathNotFound;
    // Like QDir::rmpath: the folder first, then each parent named by the
    // path text (a link on the way is removed as a link) until one cannot
    // be removed or the drive is reached.
    for (size_t count = parts.size(); count > 1; --count) {
        const bool first = count == parts.size();
        Node* node = nullptr;
        Node* parent = nullptr;
        uint32_t error = ResolveParts(Prefix(parts, count), false, 0, &node, &parent, nullptr);
        if (error == kErrorSuccess && !node->isDir()) error = kErrorDirectory;
        if (error == kErrorSuccess && !node->isLink()) {
            if (node->attributes & kAttrReadOnly)
                error = kErrorAccessDenied;
            else if (!node->children.empty())
                error = kErrorDirNotEmpty;
        }
        if (error != kErrorSuccess) return first ? error : kErrorSuccess;
        parent->children.erase(Fold(node->name));
    }
    return parts.size() > 1 ? kErrorSuccess : kErrorAccessDenied;
}

uint32_t MemoryFileSystem::RemoveFolder(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex);
    ++calls;
    Node* node = nullptr;
    Node* parent = nullptr;
    uint32_t error = Resolve(path, false, &node, &parent);
    if (error != kErrorSuccess) return error;
    if (parent == &root) return kErrorAccessDenied; // a drive
    if (!node->isDir()) return kErrorDirectory;
    if (!node->isLink()) {
        if (node->attributes & kAttrReadOnly) return kErrorAccessDenied;
        if (!node->children.empty()) return kErrorDirNotEmpty;
    }
    parent->children.erase(Fold(node->name));
    return kErrorSuccess;
}

uint32_t MemoryFileSystem::FinalPath(const std::string& path, std::string* real) {
    std::lock_guard<std::mutex> lock(mutex);
    ++calls;
    if (const uint32_t failure = Failure(path)) return failure;
    real->clear();
    Node* node = nullptr;
    std::vector<std::string> parts;
    uint32_t error = Resolve(path, true, &node, nullptr, &parts);
    if (error != kErrorSuccess) return error;
    auto outside = outsideDrives.find(Fold(parts[0]));
    if (outside == outsideDrives.end()) {
        *real = Join(parts, parts.size());
        return kErrorSuccess;
    }
    std::string text = outside->second;
    for (size_t i = 1; i < parts.size(); ++i) {
        if (text.empty() || text.back() != '/') text += "/";
        text += parts[i];
    }
    *real = text;
    return kErrorSuccess;
}

void MemoryFileSystem::FailPath(const std::string& path, uint32_t error) {
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<std::string> parts;
    if (Split(path, &parts)) failures[Fold(Join(parts, parts.size()))] = error;
}

uint32_t MemoryFileSystem::Failure(const std::string& path) const {
    if (failures.empty()) return kErrorSuccess;
    std::vector<std::string> parts;
    if (!Split(path, &parts)) return kErrorSuccess;
    const auto failure = failures.find(Fold(Join(parts, parts.size())));
    return failure == failures.end() ? kErrorSuccess : failure->second;
}

void MemoryFileSystem::MapDriveOutside(const std::string& drive, const std::string& realRoot) {
    std::lock_guard<std::mutex> lock(mutex);
    outsideDrives[Fold(drive.substr(0, 2))] = realRoot;
}

uint32_t MemoryFileSystem::CreationTime(const std::string& path, uint64_t* fileTime) {
    std::lock_guard<std::mutex> lock(mutex);
    ++calls;
    *fileTime = 0;
    Node* node = nullptr;
    uint32_t error = Resolve(path, false, &node);
    if (error != kErrorSuccess) return error;
    *fileTime = node->creationTime;
    return kErrorSuccess;
}

uint32_t MemoryFileSystem::ModificationTime(const std::string& path, uint64_t* fileTime) {
    std::lock_guard<std::mutex> lock(mutex);
    ++calls;
    *fileTime = 0;
    Node* node = nullptr;
    uint32_t error = Resolve(path, false, &node);
    if (error != kErrorSuccess) return error;
    *fileTime = node->modificationTime != 0 ? node->modificationTime : node->creationTime;
    return kErrorSuccess;
}

uint32_t MemoryFileSystem::ExtractIcon(const std::string& path, int index, uint32_t, IconImage* image) {
    std::lock_guard<std::mutex> lock(mutex);
    ++calls;
    *image = IconImage();
    Node* node = nullptr;
    uint32_t error = Resolve(path, true, &node);
    if (error != kErrorSuccess) return error;
    const auto found = node->icons.find(index);
    if (found == node->icons.end()) return kErrorNotFound;
    *image = found->second;
    return kErrorSuccess;
}

uint32_t MemoryFileSystem::SpecialFolder(int csidl, std::string* path) {
    std::lock_guard<std::mutex> lock(mutex);
    ++calls;
    path->clear();
    const auto failure = specialFailures.find(csidl);
    if (failure != specialFailures.end() && failure->second != kErrorSuccess) return failure->second;
    auto known = specialFolders.find(csidl);
    if (known == specialFolders.end()) return kErrorFileNotFound;
    Node* node = nullptr;
    uint32_t error = Resolve(known->second, true, &node);
    if (error != kErrorSuccess) return kErrorPathNotFound;
    if (!node->isDir()) return kErrorPathNotFound;
    *path = known->second;
    return kErrorSuccess;
}

MemoryFileSystem::Node* MemoryFileSystem::MakeFolders(const std::vector<std::string>& parts, size_t count,
                                                      uint32_t* error) {
    *error = kErrorSuccess;
    auto& drive = root.children[Fold(parts[0])];
    if (!drive) {
        drive = std::make_unique<Node>();
        drive->name = parts[0];
        drive->attributes = kAttrDirectory;
    }
    Node* last = nullptr;
    for (size_t i = 2; i <= count; ++i) {
        Node* node = nullptr;
        Node* parent = nullptr;
        uint32_t found = ResolveParts(Prefix(parts, i), true, 0, &node, &parent, nullptr);
        if (found == kErrorFileNotFound && parent) {
            auto folder = std::make_unique<Node>();
            folder->name = parts[i - 1];
            folder->attributes = kAttrDirectory;
            folder->creationTime = nextCreationTime++;
            folder->modificationTime = folder->creationTime;
            node = folder.get();
            parent->children[Fold(folder->name)] = std::move(folder);
        } else if (found != kErrorSuccess || !node->isDir()) {
            *error = kErrorPathNotFound;
            return nullptr;
        }
        last = node;
    }
    return last ? last : drive.get();
}

uint32_t MemoryFileSystem::CreateFolder(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex);
    ++calls;
    std::vector<std::string> parts;
    if (!Split(path, &parts)) return kErrorPathNotFound;
    Node* existing = nullptr;
    // SHCreateDirectoryEx: an existing entry is an error.
    if (parts.size() > 1 && Resolve(path, false, &existing) == kErrorSuccess) return kErrorAlreadyExists;
    uint32_t error = kErrorSuccess;
    MakeFolders(parts, parts.size(), &error);
    return error;
}

uint32_t MemoryFileSystem::WriteFile(const std::string& path, const std::string& content) {
    std::lock_guard<std::mutex> lock(mutex);
    ++calls;
    Node* node = nullptr;
    Node* parent = nullptr;
    std::vector<std::string> parts;
    uint32_t error = Resolve(path, false, &node, &parent, &parts);
    if (error == kErrorSuccess) {
        if (node->isDir() || (node->attributes & kAttrReadOnly)) return kErrorAccessDenied;
        const int64_t growth = static_cast<int64_t>(content.size()) - static_cast<int64_t>(node->content.size());
        if (const uint32_t full = TakeSpace(parts[0], growth)) return full;
        node->content = content;
        node->modificationTime = nextCreationTime++;
        return kErrorSuccess;
    }
    if (error != kErrorFileNotFound || !parent) return error;
    if (const uint32_t full = TakeSpace(parts[0], static_cast<int64_t>(content.size()))) return full;
    auto file = std::make_unique<Node>();
    file->name = parts.back();
    file->attributes = kAttrArchive;
    file->content = content;
    file->creationTime = nextCreationTime++;
    file->modificationTime = file->creationTime;
    parent->children[Fold(file->name)] = std::move(file);
    return kErrorSuccess;
}

uint32_t MemoryFileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
    std::lock_guard<std::mutex> lock(mutex);
    ++calls;
    Node* node = nullptr;
    uint32_t error = Resolve(path, false, &node);
    if (error != kErrorSuccess) return error;
    node->attributes = (node->attributes & kFixedBits) | (attributes & ~(kFixedBits | kAttrNormal));
    return kErrorSuccess;
}

uint32_t MemoryFileSystem::CreateLink(const std::string& path, const std::string& target) {
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<std::string> parts;
    if (!Split(path, &parts) || parts.size() < 2) return kErrorPathNotFound;
    uint32_t error = kErrorSuccess;
    Node* parent = MakeFolders(parts, parts.size() - 1, &error);
    if (!parent) return error;
    if (parent->children.count(Fold(parts.back()))) return kErrorAlreadyExists;
    auto link = std::make_unique<Node>();
    link->name = parts.back();
    link->attributes = kAttrDirectory | kAttrReparsePoint;
    link->linkTarget = target;
    link->creationTime = nextCreationTime++;
    link->modificationTime = link->creationTime;
    parent->children[Fold(link->name)] = std::move(link);
    return kErrorSuccess;
}

void MemoryFileSystem::SetSpecialFolder(int csidl, const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex);
    if (path.empty())
        specialFolders.erase(csidl);
    else
        specialFolders[csidl] = path;
}

void MemoryFileSystem::FailSpecialFolder(int csidl, uint32_t error) {
    std::lock_guard<std::mutex> lock(mutex);
    specialFailures[csidl] = error;
}

void MemoryFileSystem::SetCreationTime(const std::string& path, uint64_t fileTime) {
    std::lock_guard<std::mutex> lock(mutex);
    Node* node = nullptr;
    if (Resolve(path, false, &node) == kErrorSuccess) node->creationTime = fileTime;
}

void MemoryFileSystem::SetModificationTime(const std::string& path, uint64_t fileTime) {
    std::lock_guard<std::mutex> lock(mutex);
    Node* node = nullptr;
    if (Resolve(path, false, &node) == kErrorSuccess) node->modificationTime = fileTime;
}

bool MemoryFileSystem::SetIcon(const std::string& path, int index, const IconImage& image) {
    std::lock_guard<std::mutex> lock(mutex);
    Node* node = nullptr;
    if (Resolve(path, true, &node) != kErrorSuccess) return false;
    node->icons[index] = image;
    return true;
}

std::string MemoryFileSystem::ReadFile(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex);
    Node* node = nullptr;
    if (Resolve(path, true, &node) != kErrorSuccess || node->isDir()) return std::string();
    return node->content;
}

void MemoryFileSystem::SnapshotInto(const Node& folder, const std::string& prefix, std::vector<std::string>* out) {
    for (const auto& child : folder.children) {
        const Node& node = *child.second;
        std::string path = prefix + node.name;
        if (node.isLink()) {
            out->push_back(path + " -> " + node.linkTarget);
        } else if (node.isDir()) {
            out->push_back(path + "\\");
            SnapshotInto(node, path + "\\", out);
        } else {
            out->push_back(path);
        }
    }
}

std::vector<std::string> MemoryFileSystem::Snapshot(const std::string& base) {
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<std::string> paths;
    std::vector<std::string> parts;
    Node* node = nullptr;
    if (!Split(base, &parts) || Resolve(base, true, &node) != kErrorSuccess || !node->isDir()) return paths;
    std::string prefix = Join(parts, parts.size());
    if (prefix.back() != '\\') prefix += "\\";
    SnapshotInto(*node, prefix, &paths);
    std::sort(paths.begin(), paths.end(), [](const std::string& a, const std::string& b) {
        return fake::LowercaseName(a) < fake::LowercaseName(b);
    });
    return paths;
}

size_t MemoryFileSystem::CallCount() const {
    std::lock_guard<std::mutex> lock(mutex);
    return calls;
}

void MemoryFileSystem::ResetCallCount() {
    std::lock_guard<std::mutex> lock(mutex);
    calls = 0;
}

FileStat MemoryFileSystem::StatOf(const Node& node) {
    FileStat stat;
    stat.attributes = Reported(node.attributes);
    stat.size = node.isDir() ? 0 : node.content.size();
    stat.creationTime = node.creationTime;
    stat.writeTime = node.modificationTime != 0 ? node.modificationTime : node.creationTime;
    return stat;
}

uint32_t MemoryFileSystem::Stat(const std::string& path, FileStat* stat) {
    std::lock_guard<std::mutex> lock(mutex);
    ++calls;
    if (const uint32_t failure = Failure(path)) return failure;
    *stat = FileStat();
    Node* node = nullptr;
    const uint32_t error = Resolve(path, false, &node);
    if (error != kErrorSuccess) return error;
    *stat = StatOf(*node);
    return kErrorSuccess;
}

uint32_t MemoryFileSystem::TakeSpace(const std::string& drive, int64_t bytes) {
    auto figure = freeSpace.find(Fold(drive));
    if (figure == freeSpace.end()) return kErrorSuccess;
    if (bytes > 0 && static_cast<uint64_t>(bytes) > figure->second) return kErrorDiskFull;
    figure->second -= static_cast<uint64_t>(bytes); // wraps back up for a negative count
    return kErrorSuccess;
}

uint32_t MemoryFileSystem::Step(MoveStep step, const std::string& from) const {
    return moveHook ? moveHook(step, from) : kErrorSuccess;
}

uint32_t MemoryFileSystem::MoveEntry(const std::string& from, const std::string& to, FileStat* moved) {
    std::lock_guard<std::mutex> lock(mutex);
    ++calls;
    if (moved) *moved = FileStat();
    Node* node = nullptr;
    Node* parent = nullptr;
    std::vector<std::string> fromParts;
    uint32_t error = Resolve(from, false, &node, &parent, &fromParts);
    if (error != kErrorSuccess) return error;
    if (parent == &root) return kErrorAccessDenied; // a drive
    Node* existing = nullptr;
    Node* target = nullptr;
    std::vector<std::string> toParts;
    error = Resolve(to, false, &existing, &target, &toParts);
    // Only a change of case may name the entry itself; anything else there
    // stays untouched.
    if (error == kErrorSuccess && existing != node) return kErrorAlreadyExists;
    if (error != kErrorSuccess && (error != kErrorFileNotFound || !target)) return kErrorPathNotFound;
    if (node->isDir() && toParts.size() > fromParts.size() &&
        std::equal(fromParts.begin(), fromParts.end(), toParts.begin(),
                   [](const std::string& a, const std::string& b) { return Fold(a) == Fold(b); }))
        return kErrorAccessDenied; // into itself
    const FileStat before = StatOf(*node);
    const std::string key = Fold(node->name);
    // The name as `to` spells it (a change of case resolves to the old one).
    std::vector<std::string> spelt;
    Split(to, &spelt);
    toParts.back() = spelt.back();

    if (Fold(fromParts[0]) == Fold(toParts[0])) {
        if (const uint32_t failed = Step(MoveStep::Rename, from)) return failed;
        std::unique_ptr<Node> owned = std::move(parent->children[key]);
        parent->children.erase(key);
        owned->name = toParts.back();
        target->children[Fold(owned->name)] = std::move(owned);
        if (moved) *moved = before;
        return kErrorSuccess;
    }

    // Across volumes: a copy that is compared before the original goes. A
    // link is never followed to copy its target.
    if (node->isLink()) return kErrorNotSameDevice;
    if (node->isDir() && !node->children.empty()) return kErrorDirNotEmpty;
    if (const uint32_t failed = Step(MoveStep::Copy, from)) return failed;
    const int64_t size = static_cast<int64_t>(before.size);
    if (const uint32_t full = TakeSpace(toParts[0], size)) return full;
    auto copy = std::make_unique<Node>();
    copy->name = toParts.back();
    copy->attributes = node->attributes;
    copy->content = node->content;
    copy->creationTime = node->creationTime;
    copy->modificationTime = node->modificationTime;
    const std::string copyKey = Fold(copy->name);
    target->children[copyKey] = std::move(copy);
    for (MoveStep step : {MoveStep::Compare, MoveStep::Delete}) {
        if (const uint32_t failed = Step(step, from)) {
            target->children.erase(copyKey);
            TakeSpace(toParts[0], -size);
            return failed;
        }
    }
    parent->children.erase(key);
    TakeSpace(fromParts[0], -size);
    if (moved) *moved = before;
    return kErrorSuccess;
}

uint32_t MemoryFileSystem::SetTimes(const std::string& path, uint64_t creationTime, uint64_t writeTime) {
    std::lock_guard<std::mutex> lock(mutex);
    ++calls;
    Node* node = nullptr;
    const uint32_t error = Resolve(path, false, &node);
    if (error != kErrorSuccess) return error;
    if (creationTime != 0) node->creationTime = creationTime;
    if (writeTime != 0) node->modificationTime = writeTime;
    return kErrorSuccess;
}

uint32_t MemoryFileSystem::FreeSpace(const std::string& path, uint64_t* bytes) {
    std::lock_guard<std::mutex> lock(mutex);
    ++calls;
    *bytes = 0;
    Node* node = nullptr;
    std::vector<std::string> parts;
    uint32_t error = Resolve(path, true, &node, nullptr, &parts);
    if (error == kErrorFileNotFound) error = kErrorPathNotFound;
    if (error != kErrorSuccess) return error;
    if (!node->isDir()) return kErrorDirectory;
    const auto figure = freeSpace.find(Fold(parts[0]));
    *bytes = figure == freeSpace.end() ? kUnlimitedSpace : figure->second;
    return kErrorSuccess;
}

uint32_t MemoryFileSystem::HostFolderPath(const std::string& hostPath, std::string* path) {
    std::lock_guard<std::mutex> lock(mutex);
    ++calls;
    path->clear();
    // Either separator, as a Windows host writes its own paths with Qt.
    std::string host = hostPath;
    std::replace(host.begin(), host.end(), '\\', '/');
    std::string drive, rest;
    size_t longest = 0;
    for (const auto& outside : outsideDrives) {
        std::string root = outside.second;
        std::replace(root.begin(), root.end(), '\\', '/');
        while (!root.empty() && root.back() == '/')
            root.pop_back();
        const bool holds =
            host.compare(0, root.size(), root) == 0 && (host.size() == root.size() || host[root.size()] == '/');
        if (holds && (drive.empty() || root.size() > longest)) {
            drive = outside.first;
            longest = root.size();
            rest = host.substr(root.size());
        }
    }
    std::vector<std::string> parts;
    if (drive.empty() && Split(hostPath, &parts)) {
        // A Windows host's own folder, not mapped elsewhere by the test.
        *path = hostPath;
        return kErrorSuccess;
    }
    if (drive.empty()) return host.empty() || host[0] != '/' ? kErrorInvalidParameter : kErrorPathNotFound;
    std::replace(rest.begin(), rest.end(), '/', '\\');
    *path = drive + (rest.empty() ? "\\" : rest);
    return kErrorSuccess;
}

void MemoryFileSystem::SetMoveHook(MoveHook hook) {
    std::lock_guard<std::mutex> lock(mutex);
    moveHook = std::move(hook);
}

void MemoryFileSystem::SetFreeSpace(const std::string& drive, uint64_t bytes) {
    std::lock_guard<std::mutex> lock(mutex);
    freeSpace[Fold(drive.substr(0, 2))] = bytes;
}
