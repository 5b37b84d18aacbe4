#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace platform {

// Walks a folder of the prefix from the Linux side and reports every entry
// the way Wine's FindFirstFileExW/FindNextFileW report it, so that a tree
// walk costs a few system calls per entry instead of Wine's own lookups
// and a wineserver round trip per folder. Whatever Wine would present
// differently from the Linux entry (names with characters that Windows
// does not allow or that are not plain ASCII, mount points) is not guessed
// at: that folder's whole subtree is asked from the host instead.
class CNativeTreeWalk {
public:
    // The host's own walk of a Windows folder (the Wine calls).
    using HostTree = std::function<uint32_t(const std::string& path, uint32_t flags, std::vector<TreeEntry>* entries)>;
    // The host's GetFileAttributesW.
    using HostAttributes = std::function<uint32_t(const std::string& path, uint32_t* attributes)>;

    // Whether Wine reports names that start with a dot as hidden: it does
    // unless the prefix turns on ShowDotFiles. Learnt from the host on the
    // first dot name met, then kept for the life of the host.
    enum DotRule : int { kDotUnknown = 0, kDotHidden = 1, kDotShown = 2 };

    CNativeTreeWalk(HostTree hostTree, HostAttributes hostAttributes, std::atomic<int>& dotRule);

    // Lists `windowsBase`, which Wine maps to `linuxBase`, with the
    // ListTree contract. False when the base cannot be opened as a folder
    // from the Linux side (the caller then asks the host, which knows the
    // exact Windows error); otherwise true with the listing's status.
    bool Walk(const std::string& windowsBase, const std::string& linuxBase, uint32_t flags,
              std::vector<TreeEntry>* entries, uint32_t* status);

    // Wine's hidden and system bits from the "user.DOSATTRIB" attribute
    // value it writes ("0x2"); anything else carries none.
    static uint32_t ParseDosAttributes(const char* data, long length);
    // Whether Wine shows the Linux name as it is and this walk may order it:
    // printable ASCII without \ : * ? " < > | and not ending in a dot or a
    // space.
    static bool PlainName(const char* name);

private:
    struct Node;
    // Reads one folder (a node of the walk) and makes nodes for the
    // subfolders to enter. False when the host has gone.
    bool ReadFolder(Node& node, uint32_t flags, bool base);

    HostTree hostTree;
    HostAttributes hostAttributes;
    std::atomic<int>& dotRule;
    std::string walkLinuxBase; // of the walk under way
    int baseFd = -1;
};

} // namespace platform
