#include "platform/wine/NativeTreeWalk.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

#include "platform/WindowsFacts.h"

namespace platform {
namespace {

struct Entry {
    std::string name;
    uint32_t attributes;
    std::string folded;
    dev_t device; // of a folder: what its own entries are compared with
};

// The record getdents64 fills in.
struct LinuxDirent {
    uint64_t inode;
    int64_t offset;
    unsigned short length;
    unsigned char type;
    char name[1];
};

std::string JoinWindows(const std::string& folder, const std::string& name) {
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) return folder + name;
    return folder + '\\' + name;
}

std::string JoinLinux(const std::string& folder, const char* name) {
    if (folder.empty() || folder == ".") return name;
    if (folder.back() == '/') return folder + name;
    return folder + '/' + name;
}

#if defined(SYS_getxattrat)
constexpr long kGetxattrat = SYS_getxattrat;
#elif defined(__x86_64__) || defined(__aarch64__)
constexpr long kGetxattrat = 464; // the same number on every architecture
#else
constexpr long kGetxattrat = -1;
#endif

struct XattrArgs {
    uint64_t value;
    uint32_t size;
    uint32_t flags;
};

std::atomic<bool> haveGetxattrat{kGetxattrat >= 0};

// Reads the attribute the way Wine does: through a link to its target, into
// a 64-byte buffer (a longer value counts as none). Relative to the folder
// where the kernel allows it, which spares a path lookup per entry.
uint32_t DosAttributesOf(int folder, const char* name, const std::string& base, const std::string& relative) {
    char data[65];
    ssize_t length = -1;
    bool done = false;
    if (haveGetxattrat.load(std::memory_order_relaxed)) {
        XattrArgs args{reinterpret_cast<uintptr_t>(data), 64, 0};
        length = syscall(kGetxattrat, folder, name, 0, "user.DOSATTRIB", &args, sizeof(args));
        done = length >= 0 || (errno != ENOSYS && errno != EPERM && errno != EINVAL);
        if (!done) haveGetxattrat.store(false);
    }
    if (!done) {
        const std::string path = JoinLinux(JoinLinux(base, relative.c_str()), name);
        length = getxattr(path.c_str(), "user.DOSATTRIB", data, 64);
    }
    return length > 0 ? CNativeTreeWalk::ParseDosAttributes(data, static_cast<long>(length)) : 0;
}

// The work queue of the walk: folders waiting to be read, and how many are
// being read, so that the workers know when the tree is done.
template <typename Node> class Queue {
public:
    void Push(Node* node) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            waiting.push_back(node);
        }
        wake.notify_one();
    }
    // Null when nothing waits and nobody reads any more.
    Node* Take() {
        std::unique_lock<std::mutex> lock(mutex);
        wake.wait(lock, [this] { return !waiting.empty() || busy == 0 || stop; });
        if (waiting.empty() || stop) return nullptr;
        Node* node = waiting.back();
        waiting.pop_back();
        ++busy;
        return node;
    }
    void Done() {
        std::lock_guard<std::mutex> lock(mutex);
        if (--busy == 0 && waiting.empty()) wake.notify_all();
    }
    void Stop() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stop = true;
        }
        wake.notify_all();
    }

private:
    std::mutex mutex;
    std::condition_variable wake;
    std::vector<Node*> waiting;
    int busy = 0;
    bool stop = false;
};

} // namespace

// One folder of the walk. Workers fill its block; the tree is put together
// afterwards in the order the Windows side walks it.
struct CNativeTreeWalk::Node {
    enum class State { Listed, Unreadable, AskHost };
    std::string linuxPath;
    std::string windowsPath;
    dev_t device = 0; // of the folder itself, to tell a mount point below it
    State state = State::Listed;
    std::vector<Entry> block;
    // One per entry of the block that is a folder to enter, in block order.
    std::vector<std::unique_ptr<Node>> children;
};

CNativeTreeWalk::CNativeTreeWalk(HostTree hostTree, HostAttributes hostAttributes, std::atomic<int>& dotRule)
    : hostTree(std::move(hostTree)), hostAttributes(std::move(hostAttributes)), dotRule(dotRule) {}

uint32_t CNativeTreeWalk::ParseDosAttributes(const char* data, long length) {
    if (length <= 2 || length > 64 || data[0] != '0' || data[1] != 'x') return 0;
    char text[65];
    std::memcpy(text, data, static_cast<size_t>(length));
    text[length] = '\0';
    char* end = nullptr;
    const long value = std::strtol(text, &end, 16);
    if (*end) return 0;
    return static_cast<uint32_t>(static_cast<int>(value)) & (kAttrHidden | kAttrSystem);
}

bool CNativeTreeWalk::PlainName(const char* name) {
    if (!*name) return false;
    const char* c = name;
    for (; *c; ++c) {
        const unsigned char byte = static_cast<unsigned char>(*c);
        if (byte < 0x20 || byte > 0x7e || std::strchr("\\:*?\"<>|", byte)) return false;
    }
    return c[-1] != '.' && c[-1] != ' ';
}

// Reads one folder into its node. False only when the host has gone.
bool CNativeTreeWalk::ReadFolder(Node& node, uint32_t flags, bool base) {
    // Subfolders are opened without following a link, so a folder that was
    // swapped for one since its parent was read is not entered.
    const int fd = openat(baseFd, node.linuxPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (base ? 0 : O_NOFOLLOW));
    if (fd < 0) {
        node.state = Node::State::Unreadable;
        return true;
    }
    if (base) {
        struct stat folderInfo;
        if (fstat(fd, &folderInfo) != 0) {
            close(fd);
            node.state = Node::State::Unreadable;
            return true;
        }
        node.device = folderInfo.st_dev;
    }
    // The entries in large batches straight from the kernel.
    alignas(8) char buffer[32768];
    long filled = 0;
    long offset = 0;
    for (;;) {
        if (offset >= filled) {
            filled = syscall(SYS_getdents64, fd, buffer, sizeof(buffer));
            offset = 0;
            if (filled <= 0) break;
        }
        const auto* item = reinterpret_cast<const LinuxDirent*>(buffer + offset);
        offset += item->length;
        const char* name = item->name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
        if (!PlainName(name)) {
            node.state = Node::State::AskHost;
            break;
        }
        if (item->type == DT_REG && (flags & kListNoFileAttributes)) {
            // A plain file whose attributes are not asked for needs neither a
            // status query nor an attribute read: the kernel's entry type
            // says it is a file.
            if (flags & kListFiles) node.block.push_back({name, kAttrArchive, std::string(), node.device});
            continue;
        }
        struct stat info;
        if (fstatat(fd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
            // An entry that is gone by now, or a link that leads nowhere, is
            // not listed by Wine either.
            continue;
        }
        uint32_t attributes = 0;
        if (S_ISLNK(info.st_mode)) {
            if (fstatat(fd, name, &info, 0) != 0) continue;
            // Wine calls only a link to a folder a reparse point.
            if (S_ISDIR(info.st_mode)) attributes |= kAttrReparsePoint;
        } else if (S_ISDIR(info.st_mode) && info.st_dev != node.device) {
            // A mount point, which Wine may report in its own way.
            node.state = Node::State::AskHost;
            break;
        }
        attributes |=
            S_ISDIR(info.st_mode) ? static_cast<uint32_t>(kAttrDirectory) : static_cast<uint32_t>(kAttrArchive);
        if (!(info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) attributes |= kAttrReadOnly;
        attributes |= DosAttributesOf(fd, name, walkLinuxBase, node.linuxPath);
        if (name[0] == '.') {
            int rule = dotRule.load();
            if (rule == kDotUnknown) {
                uint32_t reported = kInvalidAttributes;
                const uint32_t asked = hostAttributes(JoinWindows(node.windowsPath, name), &reported);
                if (asked == kErrorBackendFailure) {
                    close(fd);
                    return false;
                }
                if (asked != kErrorSuccess || reported == kInvalidAttributes) {
                    node.state = Node::State::AskHost;
                    break;
                }
                if (!(reported & kAttrHidden)) {
                    rule = kDotShown;
                    dotRule.store(rule);
                } else if (!(attributes & kAttrHidden)) {
                    rule = kDotHidden;
                    dotRule.store(rule);
                } else {
                    rule = kDotHidden; // hidden either way, so the rule stays open
                }
            }
            if (rule == kDotHidden) attributes |= kAttrHidden;
        }
        if (PassesListFlags(attributes, flags)) node.block.push_back({name, attributes, std::string(), info.st_dev});
    }
    close(fd);
    if (node.state != Node::State::Listed) {
        node.block.clear();
        return true;
    }

    // Ordered as the Windows side orders them: by the lower-case form, which
    // for these ASCII names is the byte-wise lower case.
    for (Entry& entry : node.block) {
        entry.folded = entry.name;
        for (char& c : entry.folded)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    std::stable_sort(node.block.begin(), node.block.end(), [](const Entry& a, const Entry& b) {
        if (a.folded != b.folded) return a.folded < b.folded;
        return a.name < b.name;
    });
    for (Entry& entry : node.block) {
        entry.folded = std::string();
        if ((entry.attributes & kAttrDirectory) && !(entry.attributes & kAttrReparsePoint)) {
            auto child = std::make_unique<Node>();
            child->linuxPath = JoinLinux(node.linuxPath, entry.name.c_str());
            child->windowsPath = JoinWindows(node.windowsPath, entry.name);
            child->device = entry.device;
            node.children.push_back(std::move(child));
        }
    }
    return true;
}

bool CNativeTreeWalk::Walk(const std::string& windowsBase, const std::string& linuxBase, uint32_t flags,
                           std::vector<TreeEntry>* entries, uint32_t* status) {
    entries->clear();
    *status = kErrorSuccess;
    Node root;
    // Folders are opened relative to the base, which spares the lookup of
    // the prefix's path (through the drive's link) for each of them.
    walkLinuxBase = linuxBase;
    baseFd = open(linuxBase.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (baseFd < 0) return false;
    struct BaseCloser {
        int& fd;
        ~BaseCloser() {
            close(fd);
            fd = -1;
        }
    } closer{baseFd};
    root.linuxPath = ".";
    root.windowsPath = windowsBase;
    if (!ReadFolder(root, flags, true)) {
        *status = kErrorBackendFailure;
        return true;
    }
    if (root.state == Node::State::Unreadable) return false;

    // The folders are read by a few threads: the time goes into system calls
    // per entry, which run side by side.
    Queue<Node> queue;
    std::atomic<bool> hostGone{false};
    for (auto& child : root.children)
        queue.Push(child.get());
    const auto work = [&] {
        while (Node* node = queue.Take()) {
            if (!ReadFolder(*node, flags, false)) {
                hostGone = true;
                queue.Stop();
            }
            for (auto& child : node->children)
                queue.Push(child.get());
            queue.Done();
        }
    };
    std::vector<std::thread> helpers;
    if (!root.children.empty()) {
        const unsigned cores = std::thread::hardware_concurrency();
        const unsigned count = std::min(cores > 1 ? cores - 1 : 0u, 3u);
        try {
            for (unsigned i = 0; i < count; ++i)
                helpers.emplace_back(work);
        } catch (const std::system_error&) {
            // Fewer threads, the same tree.
        }
    }
    work();
    for (std::thread& helper : helpers)
        helper.join();
    if (hostGone) {
        *status = kErrorBackendFailure;
        return true;
    }

    // Put together depth first, each folder's block when the folder is taken
    // from the stack, as the Windows side does.
    std::vector<std::pair<uint32_t, Node*>> pending;
    pending.emplace_back(TreeEntry::kTreeRoot, &root);
    std::vector<TreeEntry> hostEntries;
    while (!pending.empty()) {
        const std::pair<uint32_t, Node*> folder = pending.back();
        pending.pop_back();
        Node& node = *folder.second;
        if (node.state == Node::State::Unreadable) continue; // a subfolder that cannot be read adds nothing
        if (node.state == Node::State::AskHost) {
            // The host's walk of this folder takes the place of its block
            // and of everything below it.
            const uint32_t asked = hostTree(node.windowsPath, flags, &hostEntries);
            if (asked == kErrorBackendFailure) {
                entries->clear();
                *status = asked;
                return true;
            }
            if (asked != kErrorSuccess) {
                if (folder.first == TreeEntry::kTreeRoot) *status = asked;
                continue;
            }
            const uint32_t offset = static_cast<uint32_t>(entries->size());
            for (TreeEntry& entry : hostEntries) {
                entry.parent = entry.parent == TreeEntry::kTreeRoot ? folder.first : entry.parent + offset;
                entries->push_back(std::move(entry));
            }
            continue;
        }
        std::vector<uint32_t> folders;
        for (Entry& entry : node.block) {
            const uint32_t attributes = entry.attributes;
            if ((attributes & kAttrDirectory) && !(attributes & kAttrReparsePoint))
                folders.push_back(static_cast<uint32_t>(entries->size()));
            TreeEntry tree;
            tree.parent = folder.first;
            tree.entry = FileEntry{std::move(entry.name), attributes};
            entries->push_back(std::move(tree));
        }
        for (size_t i = folders.size(); i-- > 0;)
            pending.emplace_back(folders[i], node.children[i].get());
    }
    return true;
}

} // namespace platform
