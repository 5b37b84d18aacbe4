// One table of file-system behaviours, held against every backend, so that
// the fake used by the leftover tests answers as the wide Windows calls do
// under Wine.

#include "SemanticsBackend.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

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
             if (ctx.backend == Backend::Memory) GTEST_SKIP() << "the fake has no links to files";
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
             EXPECT_EQ(ctx.backend == Backend::Memory ? windows : wine, Names(f, ctx.folder, kListFiles));
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

// The direct Wine backend differs from the batched one only in the registry,
// so the file table runs on the fake and on Wine.
INSTANTIATE_TEST_SUITE_P(Memory, FileSemantics,
                         ::testing::Combine(::testing::Values(Backend::Memory), ::testing::ValuesIn(FileRows())),
                         FileRowName);
INSTANTIATE_TEST_SUITE_P(Wine, FileSemantics,
                         ::testing::Combine(::testing::Values(Backend::Wine), ::testing::ValuesIn(FileRows())),
                         FileRowName);

} // namespace
