#include "platform/InstallLayout.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct LayoutCase {
    const char* name;
    // Folders made under a fresh root before the layout is read; a name
    // ending in "=file" is made as a file.
    std::vector<const char*> made;
    const char* executableFolder;
    bool installed;
    const char* dataFolder;
    const char* hostFolder;
};

// Where the layout takes its files from, for an executable in each kind of
// tree. Everything is found from the executable's folder alone.
TEST(InstallLayout, FindsTheFilesFromTheExecutablesFolder) {
    const std::vector<LayoutCase> cases = {
        {"build tree: everything beside the executable", {"build/bin"}, "build/bin", false, "build/bin", "build/bin"},
        {"installed into a prefix",
         {"usr/bin", "usr/share/tolvanire-uninstaller"},
         "usr/bin",
         true,
         "usr/share/tolvanire-uninstaller",
         "usr/libexec/tolvanire-uninstaller"},
        {"another program's share folder does not make it installed",
         {"opt/bin", "opt/share/other"},
         "opt/bin",
         false,
         "opt/bin",
         "opt/bin"},
        {"a file in place of the data folder does not either",
         {"opt/bin", "opt/share", "opt/share/tolvanire-uninstaller=file"},
         "opt/bin",
         false,
         "opt/bin",
         "opt/bin"},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir root;
        ASSERT_TRUE(root.isValid());
        for (QString made : c.made) {
            if (made.endsWith("=file")) {
                QFile file(root.filePath(made.chopped(5)));
                ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            } else {
                ASSERT_TRUE(QDir(root.path()).mkpath(made));
            }
        }
        const std::string base = root.path().toStdString() + "/";
        const platform::CInstallLayout layout(base + c.executableFolder);
        EXPECT_EQ(layout.Installed(), c.installed);
        EXPECT_EQ(layout.ExecutableFolder(), base + c.executableFolder);
        EXPECT_EQ(layout.DataFolder(), base + c.dataFolder);
        EXPECT_EQ(layout.HostFolder(), base + c.hostFolder);
    }
}

// An executable whose folder could not be read (no /proc) is not
// installed, and names no folder.
TEST(InstallLayout, UnknownFolderIsNotInstalled) {
    const platform::CInstallLayout layout{std::string()};
    EXPECT_FALSE(layout.Installed());
    EXPECT_EQ(layout.DataFolder(), "");
    EXPECT_EQ(layout.HostFolder(), "");
}

// The test program itself runs from the build tree, beside the programs.
TEST(InstallLayout, TheRunningBuildTreeKeepsItsFilesBesideItself) {
    const platform::CInstallLayout& layout = platform::CInstallLayout::Running();
    EXPECT_FALSE(layout.Installed());
    EXPECT_EQ(layout.ExecutableFolder(), TOLVANIRE_TEST_FOLDER);
    EXPECT_EQ(layout.DataFolder(), TOLVANIRE_TEST_FOLDER);
    EXPECT_EQ(layout.HostFolder(), TOLVANIRE_TEST_FOLDER);
}

} // namespace
