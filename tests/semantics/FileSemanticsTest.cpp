// One table of file-system behaviours, held against every backend, so that
// the fake used by the leftover tests answers as the wide Windows calls do
// under Wine.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <tuple>
#include <unistd.h>
#include <utility>
#include <vector>

#include "SemanticsBackend.h"
#include "tests/fake/MemoryPlatform.h"

using namespace platform;

namespace {

struct FileRow {
    const char* name;
    std::function<void(SemanticsContext&)> run;
};

std::vector<std::string> Names(IFileSystem& files, const std::string& folder, uint32_t flags,
                               uint32_t* status = nullptr) {
    std::vector<FileEntry> entries;
    const uint32_t result = files.ListFolder(folder, flags, &entries);
    if (status) {
        *status = result;
    } else {
        EXPECT_EQ(kErrorSuccess, result) << folder;
    }
    std::vector<std::string> names;
    for (const FileEntry& entry : entries)
        names.push_back(entry.name);
    return names;
}

// Writes a file, creating its folder first (CreateFileW would not).
void Write(IFileSystem& files, const std::string& path, uint32_t attributes = 0) {
    const uint32_t created = files.CreateFolder(path.substr(0, path.find_last_of('\\')));
    ASSERT_TRUE(created == kErrorSuccess || created == kErrorAlreadyExists) << path;
    ASSERT_EQ(kErrorSuccess, files.WriteFile(path, "content of " + path)) << path;
    if (attributes) {
        ASSERT_EQ(kErrorSuccess, files.SetAttributes(path, attributes)) << path;
    }
}

void Folder(IFileSystem& files, const std::string& path, uint32_t attributes = 0) {
    ASSERT_EQ(kErrorSuccess, files.CreateFolder(path)) << path;
    if (attributes) {
        ASSERT_EQ(kErrorSuccess, files.SetAttributes(path, attributes | kAttrDirectory)) << path;
    }
}

// The tree as paths relative to the base, folders ending in a backslash,
// checking on the way that parents come first and each folder's entries
// are contiguous.
std::vector<std::string> TreePaths(const std::vector<TreeEntry>& entries) {
    std::vector<std::string> paths;
    uint32_t lastParent = TreeEntry::kTreeRoot;
    std::vector<uint32_t> finished;
    for (size_t i = 0; i < entries.size(); ++i) {
        const TreeEntry& entry = entries[i];
        std::string path = entry.entry.name + (entry.entry.isDir() ? "\\" : "");
        if (entry.parent != TreeEntry::kTreeRoot) {
            EXPECT_LT(entry.parent, i);
            if (entry.parent >= i) return paths;
            EXPECT_TRUE(entries[entry.parent].entry.isDir());
            path = paths[entry.parent] + path;
        }
        if (i == 0 || entry.parent != lastParent) {
            for (uint32_t done : finished)
                EXPECT_NE(done, entry.parent) << "entries of one folder are split";
            if (i > 0) finished.push_back(lastParent);
        }
        lastParent = entry.parent;
        paths.push_back(path);
    }
    return paths;
}

// The tree as "path attributes" lines, folders ending in a backslash, with
// the attributes every backend shares (no archive bit: Wine derives it from
// the Linux file and cannot clear it), in the order listed. Also checks that
// each folder's block is ordered by name ignoring case.
std::vector<std::string> TreeLines(const std::vector<TreeEntry>& entries, uint32_t mask) {
    const std::vector<std::string> paths = TreePaths(entries);
    std::vector<std::string> lines;
    for (size_t i = 0; i < paths.size(); ++i) {
        char attributes[16];
        std::snprintf(attributes, sizeof(attributes), " 0x%x", entries[i].entry.attributes & mask);
        lines.push_back(paths[i] + attributes);
        if (i > 0 && entries[i].parent == entries[i - 1].parent) {
            std::string previous = entries[i - 1].entry.name, current = entries[i].entry.name;
            for (std::string* text : {&previous, &current})
                std::transform(text->begin(), text->end(), text->begin(),
                               [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
            EXPECT_LE(previous, current) << "unordered: " << paths[i - 1] << " before " << paths[i];
        }
    }
    return lines;
}

std::vector<std::string> Sorted(std::vector<std::string> lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Holds every folder block of a tree against the listing of that folder,
// which the Wine backend always asks from Windows itself: same names, same
// attributes, same order.
void ExpectBlocksMatchListings(IFileSystem& f, const std::string& base, const std::vector<TreeEntry>& entries,
                               uint32_t flags) {
    const std::vector<std::string> paths = TreePaths(entries);
    std::vector<std::pair<uint32_t, std::string>> folders = {{TreeEntry::kTreeRoot, base}};
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].entry.isDir() && !entries[i].entry.isLink())
            folders.emplace_back(static_cast<uint32_t>(i), base + "\\" + paths[i].substr(0, paths[i].size() - 1));
    for (const auto& folder : folders) {
        std::vector<FileEntry> listed;
        EXPECT_EQ(kErrorSuccess, f.ListFolder(folder.second, flags, &listed)) << folder.second;
        std::vector<std::string> expected, walked;
        for (const FileEntry& entry : listed)
            expected.push_back(entry.name + " " + std::to_string(entry.attributes));
        for (const TreeEntry& entry : entries)
            if (entry.parent == folder.first)
                walked.push_back(entry.entry.name + " " + std::to_string(entry.entry.attributes));
        EXPECT_EQ(expected, walked) << folder.second;
    }
}

// A file's content: from the fake, or read on the Linux side (`hostPath`,
// or the Linux path of a file on drive C).
std::string Content(SemanticsContext& ctx, const std::string& path, const std::string& hostPath = std::string()) {
    if (ctx.Fake()) return ctx.memory->files.ReadFile(path);
    FILE* file = std::fopen((hostPath.empty() ? ctx.LinuxPath(path) : hostPath).c_str(), "rb");
    if (!file) return "(missing)";
    std::string text;
    char buffer[4096];
    for (size_t read; (read = std::fread(buffer, 1, sizeof(buffer), file)) > 0;)
        text.append(buffer, read);
    std::fclose(file);
    return text;
}

// A folder on /dev/shm (tmpfs: another volume than the prefix's) that holds
// the folders of the cases that need one, made on first use and removed
// after the run.
class SharedMemoryFolder : public ::testing::Environment {
public:
    static std::string Get() {
        std::lock_guard<std::mutex> lock(instance->mutex);
        if (instance->path.empty()) {
            char pattern[] = "/dev/shm/tolvanire-semantics-XXXXXX";
            if (mkdtemp(pattern)) instance->path = pattern;
        }
        return instance->path;
    }
    void TearDown() override {
        if (path.empty()) return;
        if (std::system(("rm -rf '" + path + "'").c_str()) != 0) { /* left for the OS to clean */
        }
    }

private:
    static SharedMemoryFolder* const instance;
    std::mutex mutex;
    std::string path;
};

SharedMemoryFolder* const SharedMemoryFolder::instance =
    static_cast<SharedMemoryFolder*>(::testing::AddGlobalTestEnvironment(new SharedMemoryFolder));

// A folder of the case on another volume than drive C: a folder on
// /dev/shm reached through HostFolderPath, which the fake answers through a
// drive D mapped over /dev/shm. Made on the Linux side under Wine.
struct OtherVolume {
    std::string folder; // as the machine names it
    std::string host;   // as the host names it
};

OtherVolume MakeOtherVolume(SemanticsContext& ctx) {
    OtherVolume other;
    const std::string name = ctx.folder.substr(ctx.folder.find_last_of('\\') + 1);
    if (ctx.Fake()) {
        ctx.memory->files.MapDriveOutside("D:", "/dev/shm");
        other.host = "/dev/shm/" + name;
    } else {
        other.host = SharedMemoryFolder::Get() + "/" + BackendName(ctx.backend) + "-" + name;
        EXPECT_EQ(0, mkdir(other.host.c_str(), 0755)) << other.host;
    }
    EXPECT_EQ(kErrorSuccess, ctx.Files().HostFolderPath(other.host, &other.folder)) << other.host;
    if (ctx.Fake()) {
        EXPECT_EQ(kErrorSuccess, ctx.Files().CreateFolder(other.folder));
    }
    return other;
}

FileStat StatOf(IFileSystem& f, const std::string& path) {
    FileStat stat;
    EXPECT_EQ(kErrorSuccess, f.Stat(path, &stat)) << path;
    return stat;
}

// Attributes the backends share (Wine derives the archive bit from the Linux
// file), then both times.
std::string Describe(const FileStat& stat) {
    char text[96];
    std::snprintf(text, sizeof(text), "attributes 0x%x size %llu created %llu written %llu",
                  stat.attributes & ~static_cast<uint32_t>(kAttrArchive | kAttrNormal),
                  static_cast<unsigned long long>(stat.size), static_cast<unsigned long long>(stat.creationTime),
                  static_cast<unsigned long long>(stat.writeTime));
    return text;
}

// FILETIME counts of whole seconds in 2019 and 2021, which every file
// system keeps exactly.
constexpr uint64_t kCreated2019 = 131935392000000000ULL;
constexpr uint64_t kWritten2021 = 132539328000000000ULL;

// Gives each entry of `names` in `fromFolder` times of its own, moves it
// into `toFolder` and holds what the move reported, and what is found
// there, against the entry's status before.
void ExpectMovesKeepStatus(IFileSystem& f, const std::string& fromFolder, const std::string& toFolder,
                           const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        const std::string from = fromFolder + "\\" + name, to = toFolder + "\\" + name;
        ASSERT_EQ(kErrorSuccess, f.SetTimes(from, kCreated2019, kWritten2021));
        const FileStat before = StatOf(f, from);
        FileStat moved;
        ASSERT_EQ(kErrorSuccess, f.MoveEntry(from, to, &moved)) << name;
        EXPECT_EQ(Describe(before), Describe(moved)) << name;
        EXPECT_EQ(Describe(before), Describe(StatOf(f, to))) << name;
        EXPECT_FALSE(f.Exists(from)) << name;
    }
}

std::vector<FileRow> FileRows() {
    return {
        {"ListLeavesOutHiddenAndSystemEntries",
         [](SemanticsContext& ctx) {
             IFileSystem& f = ctx.Files();
             const std::string base = ctx.folder;
             Folder(f, base + "\\dir");
             Folder(f, base + "\\hiddendir", kAttrHidden);
             Write(f, base + "\\plain.txt");
             Write(f, base + "\\hidden.txt", kAttrHidden);
             Write(f, base + "\\system.txt", kAttrSystem);
             Write(f, base + "\\readonly.txt", kAttrReadOnly);
             EXPECT_EQ((std::vector<std::string>{"dir", "plain.txt", "readonly.txt"}),
                       Names(f, base, kListFiles | kListDirs));
             EXPECT_EQ((std::vector<std::string>{"dir", "hidden.txt", "hiddendir", "plain.txt", "readonly.txt"}),
                       Names(f, base, kListFiles | kListDirs | kListHidden));
             EXPECT_EQ((std::vector<std::string>{"dir", "hidden.txt", "hiddendir", "plain.txt", "readonly.txt",
                                                 "system.txt"}),
                       Names(f, base, kListFiles | kListDirs | kListHidden | kListSystem));
             EXPECT_EQ((std::vector<std::string>{"hidden.txt", "plain.txt", "readonly.txt"}),
                       Names(f, base, kListFiles | kListHidden));
             EXPECT_EQ((std::vector<std::string>{"dir", "hiddendir"}), Names(f, base, kListDirs | kListHidden));
             uint32_t attributes = 0;
             EXPECT_EQ(kErrorSuccess, f.GetAttributes(base + "\\hidden.txt", &attributes));
             EXPECT_TRUE(attributes & kAttrHidden);
             EXPECT_FALSE(attributes & kAttrDirectory);
         }},
        {"ListSortsByNameIgnoringCase",
         [](SemanticsContext& ctx) {
             IFileSystem& f = ctx.Files();
             for (const char* name : {"b.txt", "_u.txt", "C.TXT", "a2.txt", "A.txt"})
                 Write(f, ctx.folder + "\\" + name);
             Folder(f, ctx.folder + "\\B");
             // Compared in lower case, as QDir does: '.' < '2' < '_' < letters.
             EXPECT_EQ((std::vector<std::string>{"_u.txt", "A.txt", "a2.txt", "B", "b.txt", "C.TXT"}),
                       Names(f, ctx.folder, kListFiles | kListDirs));
         }},
        {"ListMissingFolderFails",
         [](SemanticsContext& ctx) {
             IFileSystem& f = ctx.Files();
             Folder(f, ctx.folder);
             uint32_t status = 0;
             EXPECT_TRUE(Names(f, ctx.folder + "\\missing", kListFiles | kListDirs, &status).empty());
             EXPECT_EQ(kErrorPathNotFound, status);
             uint32_t attributes = 0;
             EXPECT_EQ(kErrorFileNotFound, f.GetAttributes(ctx.folder + "\\missing", &attributes));
             EXPECT_EQ(kInvalidAttributes, attributes);
             EXPECT_EQ(kErrorPathNotFound, f.GetAttributes(ctx.folder + "\\missing\\deeper", &attributes));
         }},
        {"ListTreeKeepsEachFolderTogether",
         [](SemanticsContext& ctx) {
             IFileSystem& f = ctx.Files();
             const std::string base = ctx.folder;
             Write(f, base + "\\z.txt");
             Folder(f, base + "\\Sub\\Deep");
             Write(f, base + "\\Sub\\b.txt");
             Write(f, base + "\\Sub\\Deep\\c.txt");
             Write(f, base + "\\Sub\\Deep\\.hidden", kAttrHidden);
             Folder(f, base + "\\other");
             Write(f, base + "\\other\\d.txt");
             Folder(f, base + "\\secret\\inner", 0);
             ASSERT_EQ(kErrorSuccess, f.SetAttributes(base + "\\secret", kAttrHidden | kAttrDirectory));
             std::vector<TreeEntry> entries;
             ASSERT_EQ(kErrorSuccess, f.ListTree(base, kListFiles | kListDirs, &entries));
             std::vector<std::string> paths = TreePaths(entries);
             std::sort(paths.begin(), paths.end());
             EXPECT_EQ((std::vector<std::string>{"Sub\\", "Sub\\Deep\\", "Sub\\Deep\\c.txt", "Sub\\b.txt", "other\\",
                                                 "other\\d.txt", "z.txt"}),
                       paths);
             EXPECT_EQ(kErrorPathNotFound, f.ListTree(base + "\\missing", kListFiles | kListDirs, &entries));
             EXPECT_TRUE(entries.empty());
         }},
        {"ListTreeNeverEntersLinks",
         [](SemanticsContext& ctx) {
             IFileSystem& f = ctx.Files();
             const std::string base = ctx.folder + "\\tree";
             const std::string outside = ctx.folder + "\\outside";
             Write(f, outside + "\\victim.txt");
             Write(f, base + "\\own.txt");
             ASSERT_TRUE(ctx.MakeLink(base + "\\escape", outside));
             ASSERT_TRUE(ctx.MakeLink(base + "\\loop", base));
             std::vector<TreeEntry> entries;
             ASSERT_EQ(kErrorSuccess, f.ListTree(base, kListFiles | kListDirs | kListHidden, &entries));
             std::vector<std::string> paths = TreePaths(entries);
             EXPECT_EQ((std::vector<std::string>{"escape\\", "loop\\", "own.txt"}), paths);
             for (const TreeEntry& entry : entries)
                 if (entry.entry.name != "own.txt") {
                     EXPECT_TRUE(entry.entry.isLink()) << entry.entry.name;
                 }
             uint32_t attributes = 0;
             ASSERT_EQ(kErrorSuccess, f.GetAttributes(base + "\\escape", &attributes));
             EXPECT_TRUE(attributes & kAttrReparsePoint);
             EXPECT_TRUE(attributes & kAttrDirectory);
             // A path through the link reaches the target, as on Windows.
             EXPECT_TRUE(f.Exists(base + "\\escape\\victim.txt"));
         }},
        {"ListTreeReportsAttributesAndFilters",
         [](SemanticsContext& ctx) {
             IFileSystem& f = ctx.Files();
             const std::string base = ctx.folder;
             Write(f, base + "\\plain.txt");
             Write(f, base + "\\hidden.txt", kAttrHidden);
             Write(f, base + "\\system.txt", kAttrSystem);
             Write(f, base + "\\ro.txt", kAttrReadOnly);
             Write(f, base + "\\hs.txt", kAttrHidden | kAttrSystem);
             Write(f, base + "\\Visible\\inner.txt", kAttrHidden);
             Folder(f, base + "\\Hidden", kAttrHidden);
             Write(f, base + "\\Hidden\\inside.txt");
             Folder(f, base + "\\System", kAttrSystem);
             Write(f, base + "\\System\\inside.txt");
             const uint32_t mask = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrDirectory | kAttrReparsePoint;
             const uint32_t all = kListFiles | kListDirs | kListHidden | kListSystem;
             // Folders that the flags leave out are not entered either.
             const struct {
                 uint32_t flags;
                 std::vector<std::string> lines;
             } cases[] = {
                 {all,
                  {"Hidden\\ 0x12", "Hidden\\inside.txt 0x0", "System\\ 0x14", "System\\inside.txt 0x0",
                   "Visible\\ 0x10", "Visible\\inner.txt 0x2", "hidden.txt 0x2", "hs.txt 0x6", "plain.txt 0x0",
                   "ro.txt 0x1", "system.txt 0x4"}},
                 {kListFiles | kListDirs, {"Visible\\ 0x10", "plain.txt 0x0", "ro.txt 0x1"}},
                 {kListFiles | kListDirs | kListHidden,
                  {"Hidden\\ 0x12", "Hidden\\inside.txt 0x0", "Visible\\ 0x10", "Visible\\inner.txt 0x2",
                   "hidden.txt 0x2", "plain.txt 0x0", "ro.txt 0x1"}},
                 {kListFiles | kListDirs | kListSystem,
                  {"System\\ 0x14", "System\\inside.txt 0x0", "Visible\\ 0x10", "plain.txt 0x0", "ro.txt 0x1",
                   "system.txt 0x4"}},
                 {kListFiles | kListHidden | kListSystem,
                  {"hidden.txt 0x2", "hs.txt 0x6", "plain.txt 0x0", "ro.txt 0x1", "system.txt 0x4"}},
                 {kListDirs | kListHidden | kListSystem, {"Hidden\\ 0x12", "System\\ 0x14", "Visible\\ 0x10"}},
             };
             for (const auto& c : cases) {
                 std::vector<TreeEntry> entries;
                 ASSERT_EQ(kErrorSuccess, f.ListTree(base, c.flags, &entries)) << c.flags;
                 EXPECT_EQ(c.lines, Sorted(TreeLines(entries, mask))) << "flags " << c.flags;
             }
             // Either separator and a trailing one name the same base.
             std::vector<TreeEntry> plain, slashed;
             ASSERT_EQ(kErrorSuccess, f.ListTree(base, all, &plain));
             std::string other = base + "/";
             std::replace(other.begin(), other.end(), '\\', '/');
             ASSERT_EQ(kErrorSuccess, f.ListTree(other, all, &slashed));
             EXPECT_EQ(TreeLines(plain, 0xFFFFFFFF), TreeLines(slashed, 0xFFFFFFFF));
         }},
        {"ListTreeOfAFileFailsAsListFolderDoes",
         [](SemanticsContext& ctx) {
             IFileSystem& f = ctx.Files();
             Write(f, ctx.folder + "\\file.txt");
             std::vector<TreeEntry> tree;
             std::vector<FileEntry> listed;
             const uint32_t treeStatus = f.ListTree(ctx.folder + "\\file.txt", kListFiles | kListDirs, &tree);
             EXPECT_NE(kErrorSuccess, treeStatus);
             EXPECT_EQ(f.ListFolder(ctx.folder + "\\file.txt", kListFiles | kListDirs, &listed), treeStatus);
             EXPECT_TRUE(tree.empty());
         }},
        {"ListTreeReportsLinuxEntriesAsWineDoes",
         [](SemanticsContext& ctx) {
             if (ctx.Fake()) GTEST_SKIP() << "Linux modes, attributes and links";
             // What only the Linux side makes: modes, Wine's attribute
             // (user.DOSATTRIB) in the forms it reads and ignores, links,
             // a pipe, a dot name, a link that leads nowhere.
             IFileSystem& f = ctx.Files();
             const std::string tree = ctx.folder + "\\tree";
             Write(f, ctx.folder + "\\targets\\hidden.txt", kAttrHidden | kAttrReadOnly);
             Folder(f, ctx.folder + "\\targets\\HiddenDir", kAttrHidden);
             Write(f, ctx.folder + "\\targets\\HiddenDir\\never.txt");
             Folder(f, tree + "\\sub\\rodir");
             for (const char* name : {".dot", "chmod-ro", "group-writable", "tagged", "tagged-nul", "tagged-odd",
                                      "tagged-long", "tagged-space"})
                 Write(f, tree + "\\sub\\" + name);
             const std::string sub = ctx.LinuxPath(tree + "\\sub") + "/";
             ASSERT_EQ(0, chmod((sub + "chmod-ro").c_str(), 0444));
             ASSERT_EQ(0, chmod((sub + "group-writable").c_str(), 0464));
             ASSERT_EQ(0, chmod((sub + "rodir").c_str(), 0555));
             const std::string longValue = "0x" + std::string(70, '0') + "2";
             const std::pair<const char*, std::string> tags[] = {{"tagged", "0x7"},
                                                                 {"tagged-nul", std::string("0x4\0", 4)},
                                                                 {"tagged-odd", "4"},
                                                                 {"tagged-space", "0x2 "},
                                                                 {"tagged-long", longValue}};
             for (const auto& tag : tags)
                 ASSERT_EQ(
                     0, setxattr((sub + tag.first).c_str(), "user.DOSATTRIB", tag.second.data(), tag.second.size(), 0))
                     << tag.first;
             ASSERT_EQ(0, mkfifo((sub + "fifo").c_str(), 0644));
             ASSERT_EQ(0, symlink("nowhere", (sub + "dangling").c_str()));
             ASSERT_TRUE(ctx.MakeFileLink(tree + "\\sub\\filelink", ctx.folder + "\\targets\\hidden.txt"));
             ASSERT_TRUE(ctx.MakeLink(tree + "\\sub\\folderlink", ctx.folder + "\\targets\\HiddenDir"));

             std::vector<TreeEntry> entries;
             const uint32_t all = kListFiles | kListDirs | kListHidden | kListSystem;
             ASSERT_EQ(kErrorSuccess, f.ListTree(tree, all, &entries));
             // A link takes the target's attributes; Wine marks only a link
             // to a folder as a reparse point, and lists no link that leads
             // nowhere.
             EXPECT_EQ(
                 (std::vector<std::string>{"sub\\ 0x10", "sub\\.dot 0x22", "sub\\chmod-ro 0x21", "sub\\fifo 0x20",
                                           "sub\\filelink 0x23", "sub\\folderlink\\ 0x412", "sub\\group-writable 0x20",
                                           "sub\\rodir\\ 0x11", "sub\\tagged 0x26", "sub\\tagged-long 0x20",
                                           "sub\\tagged-nul 0x24", "sub\\tagged-odd 0x20", "sub\\tagged-space 0x20"}),
                 TreeLines(entries, 0xFFFFFFFF));
             ExpectBlocksMatchListings(f, tree, entries, all);
             ASSERT_EQ(kErrorSuccess, f.ListTree(tree, kListFiles | kListDirs, &entries));
             EXPECT_EQ(
                 (std::vector<std::string>{"sub\\ 0x10", "sub\\chmod-ro 0x21", "sub\\fifo 0x20",
                                           "sub\\group-writable 0x20", "sub\\rodir\\ 0x11", "sub\\tagged-long 0x20",
                                           "sub\\tagged-odd 0x20", "sub\\tagged-space 0x20"}),
                 TreeLines(entries, 0xFFFFFFFF));
         }},
        {"ListTreeGivesOddNamesAsWineShowsThem",
         [](SemanticsContext& ctx) {
             if (ctx.Fake()) GTEST_SKIP() << "names made on the Linux side";
             // Names that Windows does not allow, that are not ASCII or not
             // even UTF-8, deep in a tree and at its base: the walk must give
             // each name, attribute and order as Windows lists that folder.
             IFileSystem& f = ctx.Files();
             const std::string tree = ctx.folder + "\\tree";
             Write(f, tree + "\\ok.txt");
             Write(f, tree + "\\plain\\after\\file.txt");
             // Each kind of name in a folder of its own, next to plain names.
             // "\xc3\x84rger" sorts after "\xc3\xa4b" in lower case, before it byte-wise.
             const struct {
                 const char* folder;
                 std::vector<std::string> names;
             } folders[] = {
                 {"odd", {"a:b", "q?x", "star*", "trail.", "UPPER", "Zed"}},
                 {"intl",
                  {"\xc3\x89.txt", "\xc3\xa9zed", "\xc3\x84rger",
                   "\xc3\xa4"
                   "b",
                   "f.txt",
                   "\xc3\x9c"
                   "ber/"}},
                 {"raw", {"bad\xff", "fine.txt"}},
             };
             for (const auto& folder : folders) {
                 Folder(f, tree + "\\plain\\" + folder.folder);
                 const std::string linux = ctx.LinuxPath(tree + "\\plain\\" + folder.folder) + "/";
                 for (const std::string& name : folder.names) {
                     if (name.back() == '/') {
                         ASSERT_EQ(0, mkdir((linux + name).c_str(), 0755)) << name;
                         const int fd = open((linux + name + "inner.txt").c_str(), O_CREAT | O_WRONLY, 0644);
                         ASSERT_GE(fd, 0) << name;
                         close(fd);
                         continue;
                     }
                     const int fd = open((linux + name).c_str(), O_CREAT | O_WRONLY, 0644);
                     ASSERT_GE(fd, 0) << name;
                     close(fd);
                 }
             }
             const uint32_t all = kListFiles | kListDirs | kListHidden | kListSystem;
             for (const std::string& base : {tree, tree + "\\plain\\intl"}) {
                 std::vector<TreeEntry> entries;
                 ASSERT_EQ(kErrorSuccess, f.ListTree(base, all, &entries)) << base;
                 ExpectBlocksMatchListings(f, base, entries, all);
                 std::vector<std::string> paths = TreePaths(entries);
                 EXPECT_NE(paths.end(), std::find_if(paths.begin(), paths.end(),
                                                     [](const std::string& path) {
                                                         return path.find("\xc3\x9c"
                                                                          "ber\\inner.txt") != std::string::npos;
                                                     }))
                     << base;
                 if (base == tree) {
                     EXPECT_NE(paths.end(), std::find(paths.begin(), paths.end(), "plain\\after\\file.txt"));
                     EXPECT_EQ(22u, entries.size()) << "every entry once";
                 }
             }
         }},
        {"RemoveFolderRemovesEmptyParents",
         [](SemanticsContext& ctx) {
             IFileSystem& f = ctx.Files();
             Folder(f, ctx.folder + "\\Apps\\Acme\\data\\cache");
             Write(f, ctx.folder + "\\Apps\\other.txt");
             EXPECT_EQ(kErrorSuccess, f.RemoveFolderAndEmptyParents(ctx.folder + "\\Apps\\Acme\\data\\cache"));
             EXPECT_FALSE(f.Exists(ctx.folder + "\\Apps\\Acme"));
             EXPECT_TRUE(f.FolderExists(ctx.folder + "\\Apps"));
             EXPECT_TRUE(f.Exists(ctx.folder + "\\Apps\\other.txt"));
         }},
        {"RemoveFolderStopsAtAHiddenFile",
         [](SemanticsContext& ctx) {
             IFileSystem& f = ctx.Files();
             Folder(f, ctx.folder + "\\Acme\\data");
             Write(f, ctx.folder + "\\Acme\\desktop.ini", kAttrHidden | kAttrSystem);
             EXPECT_EQ(kErrorSuccess, f.RemoveFolderAndEmptyParents(ctx.folder + "\\Acme\\data/"));
             EXPECT_FALSE(f.Exists(ctx.folder + "\\Acme\\data"));
             EXPECT_TRUE(f.Exists(ctx.folder + "\\Acme\\desktop.ini"));
         }},
        {"RemoveNonEmptyOrMissingFolderFails",
         [](SemanticsContext& ctx) {
             IFileSystem& f = ctx.Files();
             Write(f, ctx.folder + "\\full\\file.txt");
             EXPECT_EQ(kErrorDirNotEmpty, f.RemoveFolderAndEmptyParents(ctx.folder + "\\full"));
             EXPECT_TRUE(f.Exists(ctx.folder + "\\full\\file.txt"));
             EXPECT_NE(kErrorSuccess, f.RemoveFolderAndEmptyParents(ctx.folder + "\\missing"));
             EXPECT_TRUE(f.FolderExists(ctx.folder));
         }},
        {"RemovingALinkKeepsItsTarget",
         [](SemanticsContext& ctx) {
             IFileSystem& f = ctx.Files();
             Write(f, ctx.folder + "\\target\\keep.txt");
             Folder(f, ctx.folder + "\\holder");
             ASSERT_TRUE(ctx.MakeLink(ctx.folder + "\\holder\\link", ctx.folder + "\\target"));
             EXPECT_EQ(kErrorSuccess, f.RemoveFolderAndEmptyParents(ctx.folder + "\\holder\\link"));
             EXPECT_FALSE(f.Exists(ctx.folder + "\\holder\\link"));
             EXPECT_FALSE(f.Exists(ctx.folder + "\\holder"));
             EXPECT_TRUE(f.Exists(ctx.folder + "\\target\\keep.txt"));
         }},
        {"RemovingALinkToAnEmptyFolderKeepsThatFolder",
         [](SemanticsContext& ctx) {
             // Wine's own RemoveDirectoryW would remove the empty target and
             // leave the link behind.
             IFileSystem& f = ctx.Files();
             Folder(f, ctx.folder + "\\empty");
             Write(f, ctx.folder + "\\holder\\other.txt");
             ASSERT_TRUE(ctx.MakeLink(ctx.folder + "\\holder\\link", ctx.folder + "\\empty"));
             EXPECT_EQ(kErrorSuccess, f.RemoveFolderAndEmptyParents(ctx.folder + "\\holder\\link\\"));
             EXPECT_FALSE(f.Exists(ctx.folder + "\\holder\\link"));
             EXPECT_TRUE(f.FolderExists(ctx.folder + "\\empty"));
             EXPECT_TRUE(f.Exists(ctx.folder + "\\holder\\other.txt"));
         }},
        {"DeletingAFileLinkKeepsItsTarget",
         [](SemanticsContext& ctx) {
             if (ctx.Fake()) GTEST_SKIP() << "the fake has no links to files";
             // Wine reports such a link as a plain file and its own
             // DeleteFileW would delete the target instead.
             IFileSystem& f = ctx.Files();
             Write(f, ctx.folder + "\\outside\\precious.txt", kAttrReadOnly);
             Folder(f, ctx.folder + "\\leftovers");
             ASSERT_TRUE(
                 ctx.MakeFileLink(ctx.folder + "\\leftovers\\link.txt", ctx.folder + "\\outside\\precious.txt"));
             EXPECT_EQ(kErrorSuccess, f.SetOwnerWriteOnly(ctx.folder + "\\leftovers\\link.txt"));
             EXPECT_EQ(kErrorSuccess, f.DeleteFile(ctx.folder + "\\leftovers\\link.txt"));
             EXPECT_EQ((std::vector<std::string>{}), Names(f, ctx.folder + "\\leftovers", kListFiles | kListHidden));
             uint32_t attributes = 0;
             ASSERT_EQ(kErrorSuccess, f.GetAttributes(ctx.folder + "\\outside\\precious.txt", &attributes));
             EXPECT_TRUE(attributes & kAttrReadOnly);
         }},
        {"DotFilesAreHiddenOnlyUnderWine",
         [](SemanticsContext& ctx) {
             // Wine reports every name that starts with a dot as hidden;
             // Windows (and the fake) look at the attribute only.
             IFileSystem& f = ctx.Files();
             Write(f, ctx.folder + "\\.profile");
             Write(f, ctx.folder + "\\plain.txt");
             const std::vector<std::string> windows = {".profile", "plain.txt"};
             const std::vector<std::string> wine = {"plain.txt"};
             EXPECT_EQ(ctx.Fake() ? windows : wine, Names(f, ctx.folder, kListFiles));
             EXPECT_EQ(windows, Names(f, ctx.folder, kListFiles | kListHidden));
         }},
        {"ReadOnlyFileIsDeletedAfterOwnerWrite",
         [](SemanticsContext& ctx) {
             IFileSystem& f = ctx.Files();
             const std::string file = ctx.folder + "\\locked.txt";
             Write(f, file, kAttrReadOnly | kAttrHidden);
             EXPECT_EQ(kErrorAccessDenied, f.DeleteFile(file));
             EXPECT_TRUE(f.Exists(file));
             EXPECT_EQ(kErrorSuccess, f.SetOwnerWriteOnly(file));
             uint32_t attributes = 0;
             EXPECT_EQ(kErrorSuccess, f.GetAttributes(file, &attributes));
             EXPECT_FALSE(attributes & kAttrReadOnly);
             EXPECT_TRUE(attributes & kAttrHidden);
             EXPECT_EQ(kErrorSuccess, f.DeleteFile(file));
             EXPECT_FALSE(f.Exists(file));
             EXPECT_EQ(kErrorFileNotFound, f.DeleteFile(file));
         }},
        {"SpecialFoldersExistAndAreNotCreated",
         [](SemanticsContext& ctx) {
             IFileSystem& f = ctx.Files();
             std::string appData, programs, desktop;
             ASSERT_EQ(kErrorSuccess, f.SpecialFolder(kCsidlAppData, &appData));
             ASSERT_EQ(kErrorSuccess, f.SpecialFolder(kCsidlCommonPrograms, &programs));
             ASSERT_EQ(kErrorSuccess, f.SpecialFolder(kCsidlCommonDesktop, &desktop));
             const auto endsWith = [](const std::string& text, const std::string& tail) {
                 return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
             };
             EXPECT_TRUE(endsWith(appData, "\\AppData\\Roaming")) << appData;
             EXPECT_EQ("C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs", programs);
             EXPECT_EQ("C:\\users\\Public\\Desktop", desktop);
             for (const std::string& folder : {appData, programs, desktop})
                 EXPECT_TRUE(f.FolderExists(folder));
         }},
        {"CreationTimeIsKept",
         [](SemanticsContext& ctx) {
             IFileSystem& f = ctx.Files();
             Write(f, ctx.folder + "\\first.txt");
             uint64_t time = 0;
             EXPECT_EQ(kErrorSuccess, f.CreationTime(ctx.folder + "\\first.txt", &time));
             EXPECT_GT(time, 130000000000000000ULL); // after 2012
             EXPECT_EQ(kErrorFileNotFound, f.CreationTime(ctx.folder + "\\none.txt", &time));
         }},
        {"ModificationTimeIsKept",
         [](SemanticsContext& ctx) {
             IFileSystem& f = ctx.Files();
             Write(f, ctx.folder + "\\first.txt");
             uint64_t time = 0;
             EXPECT_EQ(kErrorSuccess, f.ModificationTime(ctx.folder + "\\first.txt", &time));
             EXPECT_GT(time, 130000000000000000ULL); // after 2012
             EXPECT_EQ(kErrorFileNotFound, f.ModificationTime(ctx.folder + "\\none.txt", &time));
             EXPECT_EQ(kErrorPathNotFound, f.ModificationTime(ctx.folder + "\\none\\none.txt", &time));
         }},
        {"IconOfAnInstaller",
         [](SemanticsContext& ctx) {
             IFileSystem& f = ctx.Files();
             const std::string exe = ctx.folder + "\\setup.exe";
             Folder(f, ctx.folder);
             if (ctx.Fake()) {
                 IconImage icon;
                 icon.width = icon.height = 2;
                 icon.pixels = std::string("\x10\x20\x30\xFF\0\0\0\0\x40\x50\x60\x80\0\0\0\0", 16);
                 ASSERT_EQ(kErrorSuccess, f.WriteFile(exe, "MZ"));
                 ASSERT_TRUE(ctx.memory->files.SetIcon(exe, 0, icon));
             } else {
                 // A real NSIS installer: its stub carries the installer icon.
                 const std::string command = std::string("cd '") + TOLVANIRE_NSIS_FIXTURES +
                                             "' && makensis -V1 -INPUTCHARSET UTF8 '-DOUTFILE=" + ctx.LinuxPath(exe) +
                                             "' plain.nsi >/dev/null";
                 ASSERT_EQ(0, std::system(command.c_str()));
             }
             IconImage image;
             ASSERT_EQ(kErrorSuccess, f.ExtractIcon(exe, 0, 32, &image));
             EXPECT_GT(image.width, 0u);
             EXPECT_GT(image.height, 0u);
             ASSERT_EQ(size_t(image.width) * image.height * 4, image.pixels.size());
             bool visible = false;
             for (size_t i = 3; i < image.pixels.size(); i += 4)
                 visible = visible || image.pixels[i] != 0;
             EXPECT_TRUE(visible) << "every pixel is transparent";
             EXPECT_EQ(kErrorNotFound, f.ExtractIcon(exe, 7, 32, &image));
             EXPECT_TRUE(image.pixels.empty());
         }},
        {"IconOfAFileWithoutIcons",
         [](SemanticsContext& ctx) {
             IFileSystem& f = ctx.Files();
             Write(f, ctx.folder + "\\notes.txt");
             IconImage image;
             EXPECT_EQ(kErrorNotFound, f.ExtractIcon(ctx.folder + "\\notes.txt", 0, 32, &image));
             EXPECT_EQ(0u, image.width);
             EXPECT_EQ(kErrorFileNotFound, f.ExtractIcon(ctx.folder + "\\none.exe", 0, 32, &image));
             EXPECT_EQ(kErrorPathNotFound, f.ExtractIcon(ctx.folder + "\\none\\none.exe", 0, 32, &image));
         }},
        {"FinalPathResolvesLinksAndCase",
         [](SemanticsContext& ctx) {
             IFileSystem& f = ctx.Files();
             Write(f, ctx.folder + "\\Real\\Sub\\a.txt");
             ASSERT_TRUE(ctx.MakeLink(ctx.folder + "\\link", ctx.folder + "\\Real"));
             std::string real;
             ASSERT_EQ(kErrorSuccess, f.FinalPath(ctx.folder + "\\LINK\\sub", &real));
             EXPECT_EQ(ctx.folder + "\\Real\\Sub", real);
             ASSERT_EQ(kErrorSuccess, f.FinalPath(ctx.folder + "\\link", &real));
             EXPECT_EQ(ctx.folder + "\\Real", real);
             ASSERT_EQ(kErrorSuccess, f.FinalPath(ctx.folder + "\\Real\\Sub\\a.txt", &real));
             EXPECT_EQ(ctx.folder + "\\Real\\Sub\\a.txt", real);
             const uint32_t missing = f.FinalPath(ctx.folder + "\\none\\deeper", &real);
             EXPECT_TRUE(missing == kErrorFileNotFound || missing == kErrorPathNotFound) << missing;
         }},
        {"NamesEndingInDotsOrSpacesAreReachedOnlyInTheExactForm",
         [](SemanticsContext& ctx) {
             // A name may end in a dot or a space (made through \\?\);
             // any other form of its path is made full as Windows makes it,
             // which drops them and so names its twin.
             IFileSystem& f = ctx.Files();
             const std::string twin = ctx.folder + "\\Other Tool";
             const std::string exact = "\\\\?\\" + ctx.folder;
             Write(f, twin + "\\keep.txt");
             for (const char* name : {"\\Other Tool.", "\\Other Tool "}) {
                 ASSERT_EQ(kErrorSuccess, f.CreateFolder(exact + name)) << name;
                 ASSERT_EQ(kErrorSuccess, f.WriteFile(exact + name + "\\mine.txt", "mine")) << name;
             }
             EXPECT_EQ((std::vector<std::string>{"Other Tool", "Other Tool ", "Other Tool."}),
                       Names(f, ctx.folder, kListDirs));
             std::vector<TreeEntry> tree;
             ASSERT_EQ(kErrorSuccess, f.ListTree(ctx.folder, kListFiles | kListDirs, &tree));
             EXPECT_EQ(
                 (std::vector<std::string>{"Other Tool\\", "Other Tool \\", "Other Tool.\\", "Other Tool\\keep.txt",
                                           "Other Tool \\mine.txt", "Other Tool.\\mine.txt"}),
                 TreePaths(tree));
             // The last name loses its trailing dots and spaces, a folder
             // name on the way its trailing dot.
             EXPECT_EQ((std::vector<std::string>{"keep.txt"}), Names(f, ctx.folder + "\\Other Tool.", kListFiles));
             EXPECT_EQ((std::vector<std::string>{"keep.txt"}), Names(f, ctx.folder + "\\Other Tool ", kListFiles));
             EXPECT_TRUE(f.Exists(ctx.folder + "\\Other Tool.\\keep.txt"));
             std::string real;
             ASSERT_EQ(kErrorSuccess, f.FinalPath(ctx.folder + "\\Other Tool.", &real));
             EXPECT_EQ(twin, real);
             // The exact form reaches the entry its components spell.
             EXPECT_EQ((std::vector<std::string>{"mine.txt"}), Names(f, exact + "\\Other Tool.", kListFiles));
             ASSERT_EQ(kErrorSuccess, f.ListTree(exact + "\\Other Tool ", kListFiles | kListDirs, &tree));
             EXPECT_EQ((std::vector<std::string>{"mine.txt"}), TreePaths(tree));
             EXPECT_FALSE(f.Exists(exact + "\\Other Tool.\\keep.txt"));
             ASSERT_EQ(kErrorSuccess, f.FinalPath(exact + "\\Other Tool.", &real));
             EXPECT_EQ(ctx.folder + "\\Other Tool.", real);
             uint32_t attributes = 0;
             EXPECT_EQ(kErrorSuccess, f.GetAttributes(exact + "\\Other Tool \\mine.txt", &attributes));
             EXPECT_EQ(kErrorSuccess, f.SetOwnerWriteOnly(exact + "\\Other Tool.\\mine.txt"));
             for (const char* name : {"\\Other Tool.", "\\Other Tool "}) {
                 EXPECT_EQ(kErrorSuccess, f.DeleteFile(exact + name + "\\mine.txt")) << name;
                 EXPECT_EQ(kErrorSuccess, f.RemoveFolder(exact + name)) << name;
             }
             EXPECT_EQ((std::vector<std::string>{"Other Tool"}), Names(f, ctx.folder, kListDirs));
             EXPECT_TRUE(f.Exists(twin + "\\keep.txt"));
         }},
        {"ReadOnlyFolderIsRemovedAfterOwnerWrite",
         [](SemanticsContext& ctx) {
             IFileSystem& f = ctx.Files();
             const std::string folder = ctx.folder + "\\locked";
             Folder(f, folder, kAttrReadOnly);
             uint32_t attributes = 0;
             ASSERT_EQ(kErrorSuccess, f.GetAttributes(folder, &attributes));
             // Windows refuses to remove a read-only folder; Wine's own
             // call and the Linux side remove it all the same.
             const uint32_t refused = f.RemoveFolder(folder);
             if (ctx.Fake()) {
                 EXPECT_TRUE(attributes & kAttrReadOnly);
                 EXPECT_EQ(kErrorAccessDenied, refused);
             }
             if (refused != kErrorSuccess) {
                 EXPECT_EQ(kErrorSuccess, f.SetOwnerWriteOnly(folder));
                 ASSERT_EQ(kErrorSuccess, f.GetAttributes(folder, &attributes));
                 EXPECT_FALSE(attributes & kAttrReadOnly);
                 EXPECT_TRUE(attributes & kAttrDirectory);
                 EXPECT_EQ(kErrorSuccess, f.RemoveFolder(folder));
             }
             EXPECT_FALSE(f.Exists(folder));
         }},
        {"AMissingSpecialFolderIsNotFound",
         [](SemanticsContext& ctx) {
             // Asked without creating it, a special folder that is not
             // there is "not found", which tells it from a failed lookup.
             IFileSystem& f = ctx.Files();
             const std::string startup = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp";
             if (f.FolderExists(startup)) {
                 ASSERT_EQ(kErrorSuccess, f.RemoveFolder(startup));
             }
             std::string path = "untouched";
             const uint32_t missing = f.SpecialFolder(kCsidlCommonStartup, &path);
             EXPECT_TRUE(missing == kErrorFileNotFound || missing == kErrorPathNotFound) << missing;
             EXPECT_TRUE(path.empty());
             ASSERT_EQ(kErrorSuccess, f.CreateFolder(startup));
             ASSERT_EQ(kErrorSuccess, f.SpecialFolder(kCsidlCommonStartup, &path));
             EXPECT_EQ(startup, path);
         }},
        {"ExpandsTextsWithTheTargetsEnvironment",
         [](SemanticsContext& ctx) {
             std::vector<std::string> out;
             ASSERT_EQ(kErrorSuccess,
                       ctx.platform->System().ExpandEnvironment(
                           {"%ProgramFiles%\\Acme", "%programfiles(x86)%", "%SystemDrive%\\x", "%APPDATA%",
                            "%LOCALAPPDATA%", "%NoSuchVariableHere%\\x", "50%", "%%", "a%SystemDrive%b%NoSuch%c", ""},
                           &out));
             ASSERT_EQ(10u, out.size());
             EXPECT_EQ("C:\\Program Files\\Acme", out[0]);
             EXPECT_EQ("C:\\Program Files (x86)", out[1]);
             EXPECT_EQ("C:\\x", out[2]);
             std::string appData;
             ASSERT_EQ(kErrorSuccess, ctx.Files().SpecialFolder(kCsidlAppData, &appData));
             EXPECT_EQ(appData, out[3]);
             EXPECT_EQ(appData.substr(0, appData.size() - 7) + "Local", out[4]);
             EXPECT_EQ("%NoSuchVariableHere%\\x", out[5]);
             EXPECT_EQ("50%", out[6]);
             EXPECT_EQ("%%", out[7]);
             EXPECT_EQ("aC:b%NoSuch%c", out[8]);
             EXPECT_EQ("", out[9]);
         }},
        // A package that was never installed, and a text that is no product
        // code, are unknown, and the call says so without failing.
        {"WindowsInstallerKnowsNoProductThatWasNeverInstalled",
         [](SemanticsContext& ctx) {
             for (const char* code : {"{2D4E6F80-1A3B-4C5D-8E9F-A0B1C2D3E4F5}", "not a product code", ""}) {
                 bool known = true;
                 EXPECT_EQ(kErrorSuccess, ctx.platform->System().InstallerKnowsProduct(code, &known)) << code;
                 EXPECT_FALSE(known) << code;
             }
         }},
        {"RemoveFolderRemovesOneEmptyFolderOrALink",
         [](SemanticsContext& ctx) {
             IFileSystem& f = ctx.Files();
             Folder(f, ctx.folder + "\\a\\b");
             Write(f, ctx.folder + "\\target\\keep.txt");
             ASSERT_TRUE(ctx.MakeLink(ctx.folder + "\\a\\link", ctx.folder + "\\target"));
             EXPECT_EQ(kErrorDirNotEmpty, f.RemoveFolder(ctx.folder + "\\a"));
             EXPECT_EQ(kErrorSuccess, f.RemoveFolder(ctx.folder + "\\a\\b"));
             EXPECT_EQ(kErrorSuccess, f.RemoveFolder(ctx.folder + "\\a\\link"));
             EXPECT_TRUE(f.Exists(ctx.folder + "\\target\\keep.txt"));
             // Its parent, now empty, stays until asked for.
             EXPECT_TRUE(f.FolderExists(ctx.folder + "\\a"));
             EXPECT_EQ(kErrorSuccess, f.RemoveFolder(ctx.folder + "\\a"));
             EXPECT_FALSE(f.Exists(ctx.folder + "\\a"));
         }},
        {"MoveWithinVolumeKeepsTimesAndAttributes",
         [](SemanticsContext& ctx) {
             IFileSystem& f = ctx.Files();
             Write(f, ctx.folder + "\\from\\a.txt", kAttrHidden | kAttrReadOnly);
             Folder(f, ctx.folder + "\\from\\Empty", kAttrHidden);
             Folder(f, ctx.folder + "\\to");
             ExpectMovesKeepStatus(f, ctx.folder + "\\from", ctx.folder + "\\to", {"a.txt", "Empty"});
             EXPECT_EQ("content of " + ctx.folder + "\\from\\a.txt", Content(ctx, ctx.folder + "\\to\\a.txt"));
             // A change of case names the entry itself, which is no
             // overwrite (Wine keeps the old case).
             ASSERT_EQ(kErrorSuccess, f.MoveEntry(ctx.folder + "\\to\\a.txt", ctx.folder + "\\to\\A.TXT", nullptr));
             EXPECT_EQ((std::vector<std::string>{ctx.Fake() ? "A.TXT" : "a.txt"}),
                       Names(f, ctx.folder + "\\to", kListFiles | kListHidden));
         }},
        {"MoveNeverOverwritesAndNeedsTheTargetFolder",
         [](SemanticsContext& ctx) {
             IFileSystem& f = ctx.Files();
             const std::string base = ctx.folder;
             Write(f, base + "\\a.txt");
             Write(f, base + "\\b.txt");
             Folder(f, base + "\\Dir");
             Folder(f, base + "\\Other");
             const struct {
                 const char* from;
                 const char* to;
                 uint32_t error;
             } cases[] = {
                 {"a.txt", "b.txt", kErrorAlreadyExists},         {"a.txt", "B.TXT", kErrorAlreadyExists},
                 {"a.txt", "Dir", kErrorAlreadyExists},           {"Dir", "Other", kErrorAlreadyExists},
                 {"Dir", "b.txt", kErrorAlreadyExists},           {"a.txt", "missing\\a.txt", kErrorPathNotFound},
                 {"a.txt", "b.txt\\a.txt", kErrorPathNotFound},   {"missing.txt", "c.txt", kErrorFileNotFound},
                 {"missing\\a.txt", "c.txt", kErrorPathNotFound},
             };
             for (const auto& c : cases) {
                 EXPECT_EQ(c.error, f.MoveEntry(base + "\\" + c.from, base + "\\" + c.to, nullptr))
                     << c.from << " -> " << c.to;
             }
             EXPECT_EQ("content of " + base + "\\a.txt", Content(ctx, base + "\\a.txt"));
             EXPECT_EQ("content of " + base + "\\b.txt", Content(ctx, base + "\\b.txt"));
             EXPECT_EQ((std::vector<std::string>{"a.txt", "b.txt", "Dir", "Other"}),
                       Names(f, base, kListFiles | kListDirs));
         }},
        {"MoveTakesALinkAsTheLink",
         [](SemanticsContext& ctx) {
             IFileSystem& f = ctx.Files();
             Write(f, ctx.folder + "\\target\\kept.txt");
             Folder(f, ctx.folder + "\\to");
             ASSERT_TRUE(ctx.MakeLink(ctx.folder + "\\link", ctx.folder + "\\target"));
             FileStat moved;
             ASSERT_EQ(kErrorSuccess, f.MoveEntry(ctx.folder + "\\link", ctx.folder + "\\to\\link", &moved));
             EXPECT_TRUE(moved.attributes & kAttrReparsePoint);
             EXPECT_TRUE(StatOf(f, ctx.folder + "\\to\\link").attributes & kAttrReparsePoint);
             EXPECT_EQ((std::vector<std::string>{"kept.txt"}), Names(f, ctx.folder + "\\to\\link", kListFiles));
             // Never across volumes: that would copy what the link points at.
             const OtherVolume other = MakeOtherVolume(ctx);
             EXPECT_EQ(kErrorNotSameDevice, f.MoveEntry(ctx.folder + "\\to\\link", other.folder + "\\link", nullptr));
             EXPECT_TRUE(StatOf(f, ctx.folder + "\\to\\link").attributes & kAttrReparsePoint);
             EXPECT_FALSE(f.Exists(other.folder + "\\link"));
             EXPECT_EQ((std::vector<std::string>{"kept.txt"}), Names(f, ctx.folder + "\\target", kListFiles));
             if (ctx.Fake()) return; // the fake has folder links only
             // A link to a file, which Wine does not report as a link.
             ASSERT_TRUE(ctx.MakeFileLink(ctx.folder + "\\filelink", ctx.folder + "\\target\\kept.txt"));
             ASSERT_EQ(kErrorSuccess, f.MoveEntry(ctx.folder + "\\filelink", ctx.folder + "\\to\\filelink", &moved));
             EXPECT_TRUE(moved.attributes & kAttrReparsePoint);
             struct stat link;
             ASSERT_EQ(0, lstat(ctx.LinuxPath(ctx.folder + "\\to\\filelink").c_str(), &link));
             EXPECT_TRUE(S_ISLNK(link.st_mode));
             EXPECT_EQ(kErrorNotSameDevice,
                       f.MoveEntry(ctx.folder + "\\to\\filelink", other.folder + "\\filelink", nullptr));
             EXPECT_FALSE(f.Exists(other.folder + "\\filelink"));
             EXPECT_EQ("content of " + ctx.folder + "\\target\\kept.txt",
                       Content(ctx, ctx.folder + "\\target\\kept.txt"));
         }},
        {"MoveAcrossVolumesCopiesThenDeletes",
         [](SemanticsContext& ctx) {
             IFileSystem& f = ctx.Files();
             const OtherVolume other = MakeOtherVolume(ctx);
             Write(f, ctx.folder + "\\ro.txt", kAttrReadOnly | kAttrHidden);
             Write(f, ctx.folder + "\\plain.txt");
             Folder(f, ctx.folder + "\\Empty", kAttrHidden);
             ExpectMovesKeepStatus(f, ctx.folder, other.folder, {"ro.txt", "plain.txt", "Empty"});
             EXPECT_EQ("content of " + ctx.folder + "\\ro.txt",
                       Content(ctx, other.folder + "\\ro.txt", other.host + "/ro.txt"));
             // A folder goes only when empty; nothing of it is left behind.
             Write(f, ctx.folder + "\\Full\\x.txt");
             EXPECT_EQ(kErrorDirNotEmpty, f.MoveEntry(ctx.folder + "\\Full", other.folder + "\\Full", nullptr));
             EXPECT_TRUE(f.Exists(ctx.folder + "\\Full\\x.txt"));
             EXPECT_FALSE(f.Exists(other.folder + "\\Full"));
             // Nor is anything there overwritten.
             Write(f, ctx.folder + "\\plain.txt");
             EXPECT_EQ(kErrorAlreadyExists,
                       f.MoveEntry(ctx.folder + "\\plain.txt", other.folder + "\\plain.txt", nullptr));
             EXPECT_TRUE(f.Exists(ctx.folder + "\\plain.txt"));
         }},
        {"MoveAcrossVolumesThatFailsLeavesTheOriginal",
         [](SemanticsContext& ctx) {
             if (!ctx.Fake()) GTEST_SKIP() << "failures are injected into the fake";
             IFileSystem& f = ctx.Files();
             MemoryFileSystem& memory = ctx.memory->files;
             const OtherVolume other = MakeOtherVolume(ctx);
             const std::string from = ctx.folder + "\\ro.txt", to = other.folder + "\\ro.txt";
             Write(f, from, kAttrReadOnly);
             const std::string before = Describe(StatOf(f, from));
             const struct {
                 MemoryFileSystem::MoveStep step; // fails with kErrorAccessDenied
                 uint64_t freeBytes;
                 uint32_t error;
             } cases[] = {
                 {MemoryFileSystem::MoveStep::Copy, MemoryFileSystem::kUnlimitedSpace, kErrorAccessDenied},
                 {MemoryFileSystem::MoveStep::Compare, MemoryFileSystem::kUnlimitedSpace, kErrorAccessDenied},
                 {MemoryFileSystem::MoveStep::Delete, MemoryFileSystem::kUnlimitedSpace, kErrorAccessDenied},
                 // No step of a copy fails here, the space does.
                 {MemoryFileSystem::MoveStep::Rename, 5, kErrorDiskFull},
             };
             for (const auto& c : cases) {
                 const MemoryFileSystem::MoveStep failing = c.step;
                 memory.SetMoveHook([failing](MemoryFileSystem::MoveStep step, const std::string&) {
                     return step == failing ? kErrorAccessDenied : kErrorSuccess;
                 });
                 memory.SetFreeSpace("D:", c.freeBytes);
                 EXPECT_EQ(c.error, f.MoveEntry(from, to, nullptr)) << static_cast<int>(c.step);
                 EXPECT_EQ(before, Describe(StatOf(f, from)));
                 EXPECT_FALSE(f.Exists(to));
                 uint64_t free = 0;
                 EXPECT_EQ(kErrorSuccess, f.FreeSpace(other.folder, &free));
                 EXPECT_EQ(c.freeBytes, free) << "space of a removed copy is given back";
             }
             // Writes respect the figure too, and deletions give space back.
             memory.SetFreeSpace("D:", 10);
             EXPECT_EQ(kErrorDiskFull, f.WriteFile(other.folder + "\\big.txt", "eleven byte"));
             EXPECT_FALSE(f.Exists(other.folder + "\\big.txt"));
             uint64_t free = 0;
             ASSERT_EQ(kErrorSuccess, f.WriteFile(other.folder + "\\small.txt", "five!"));
             EXPECT_EQ(kErrorSuccess, f.FreeSpace(other.folder, &free));
             EXPECT_EQ(5u, free);
             ASSERT_EQ(kErrorSuccess, f.DeleteFile(other.folder + "\\small.txt"));
             EXPECT_EQ(kErrorSuccess, f.FreeSpace(other.folder, &free));
             EXPECT_EQ(10u, free);
             // A rename within the volume fails at its one step.
             memory.SetMoveHook([](MemoryFileSystem::MoveStep step, const std::string&) {
                 return step == MemoryFileSystem::MoveStep::Rename ? kErrorAccessDenied : kErrorSuccess;
             });
             EXPECT_EQ(kErrorAccessDenied, f.MoveEntry(from, ctx.folder + "\\renamed.txt", nullptr));
             EXPECT_TRUE(f.Exists(from));
         }},
        {"SetTimesOnFileAndFolder",
         [](SemanticsContext& ctx) {
             IFileSystem& f = ctx.Files();
             Write(f, ctx.folder + "\\file.txt", kAttrReadOnly);
             Folder(f, ctx.folder + "\\Dir");
             for (const std::string& path : {ctx.folder + "\\file.txt", ctx.folder + "\\Dir"}) {
                 // Wine keeps no creation time of its own: it reports the
                 // write time for it.
                 auto expectCreated = [&](const FileStat& stat) {
                     EXPECT_EQ(ctx.Fake() ? kCreated2019 : stat.writeTime, stat.creationTime) << path;
                 };
                 ASSERT_EQ(kErrorSuccess, f.SetTimes(path, kCreated2019, kWritten2021)) << path;
                 FileStat stat = StatOf(f, path);
                 expectCreated(stat);
                 EXPECT_EQ(kWritten2021, stat.writeTime) << path;
                 // A zero leaves that time as it is.
                 ASSERT_EQ(kErrorSuccess, f.SetTimes(path, 0, kWritten2021 + 10000000)) << path;
                 stat = StatOf(f, path);
                 expectCreated(stat);
                 EXPECT_EQ(kWritten2021 + 10000000, stat.writeTime) << path;
                 uint64_t written = 0;
                 EXPECT_EQ(kErrorSuccess, f.ModificationTime(path, &written));
                 EXPECT_EQ(stat.writeTime, written) << path;
             }
             EXPECT_EQ(kErrorFileNotFound, f.SetTimes(ctx.folder + "\\missing", kCreated2019, 0));
         }},
        {"StatDescribesFileAndFolder",
         [](SemanticsContext& ctx) {
             IFileSystem& f = ctx.Files();
             Write(f, ctx.folder + "\\file.txt", kAttrHidden);
             const FileStat file = StatOf(f, ctx.folder + "\\file.txt");
             EXPECT_EQ(("content of " + ctx.folder + "\\file.txt").size(), file.size);
             EXPECT_EQ(kAttrHidden, file.attributes & (kAttrHidden | kAttrDirectory));
             uint64_t created = 0;
             EXPECT_EQ(kErrorSuccess, f.CreationTime(ctx.folder + "\\file.txt", &created));
             EXPECT_EQ(created, file.creationTime);
             const FileStat folder = StatOf(f, ctx.folder);
             EXPECT_TRUE(folder.attributes & kAttrDirectory);
             EXPECT_EQ(0u, folder.size);
             FileStat missing;
             EXPECT_EQ(kErrorFileNotFound, f.Stat(ctx.folder + "\\missing", &missing));
             EXPECT_EQ(kErrorPathNotFound, f.Stat(ctx.folder + "\\missing\\deeper", &missing));
         }},
        {"FreeSpaceIsPlausible",
         [](SemanticsContext& ctx) {
             IFileSystem& f = ctx.Files();
             Folder(f, ctx.folder);
             uint64_t bytes = 0;
             ASSERT_EQ(kErrorSuccess, f.FreeSpace(ctx.folder, &bytes));
             EXPECT_GT(bytes, 1ULL << 20);
             EXPECT_LT(bytes, 1ULL << 60);
             EXPECT_NE(kErrorSuccess, f.FreeSpace(ctx.folder + "\\missing", &bytes));
         }},
        {"HostFolderPathReachesTheHostFolder",
         [](SemanticsContext& ctx) {
             IFileSystem& f = ctx.Files();
             const OtherVolume other = MakeOtherVolume(ctx);
             ASSERT_EQ(kErrorSuccess, f.WriteFile(other.folder + "\\note.txt", "through the machine"));
             EXPECT_EQ("through the machine", Content(ctx, other.folder + "\\note.txt", other.host + "/note.txt"));
             // A folder that does not exist yet has a path as well.
             std::string later;
             ASSERT_EQ(kErrorSuccess, f.HostFolderPath(other.host + "/later/deeper", &later));
             EXPECT_EQ(other.folder + "\\later\\deeper", later);
         }},
    };
}

void PrintTo(const FileRow& row, std::ostream* os) {
    *os << row.name;
}

class FileSemantics : public ::testing::TestWithParam<std::tuple<Backend, FileRow>> {};

TEST_P(FileSemantics, Run) {
    const FileRow& row = std::get<1>(GetParam());
    SemanticsBackend backend(std::get<0>(GetParam()), std::string("Files\\") + row.name);
    ASSERT_TRUE(backend.Ready()) << backend.Error();
    row.run(backend.Context());
}

std::string FileRowName(const ::testing::TestParamInfo<std::tuple<Backend, FileRow>>& info) {
    return std::get<1>(info.param).name;
}

// The batched Wine backend walks trees from the Linux side; the direct one
// makes every call with Windows itself.
INSTANTIATE_TEST_SUITE_P(Memory, FileSemantics,
                         ::testing::Combine(::testing::Values(Backend::Memory), ::testing::ValuesIn(FileRows())),
                         FileRowName);
INSTANTIATE_TEST_SUITE_P(InProcess, FileSemantics,
                         ::testing::Combine(::testing::Values(Backend::InProcess), ::testing::ValuesIn(FileRows())),
                         FileRowName);
INSTANTIATE_TEST_SUITE_P(Wine, FileSemantics,
                         ::testing::Combine(::testing::Values(Backend::Wine), ::testing::ValuesIn(FileRows())),
                         FileRowName);
INSTANTIATE_TEST_SUITE_P(WineDirect, FileSemantics,
                         ::testing::Combine(::testing::Values(Backend::WineDirect), ::testing::ValuesIn(FileRows())),
                         FileRowName);

} // namespace
