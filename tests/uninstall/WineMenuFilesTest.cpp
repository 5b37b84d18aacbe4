// CWineMenuFiles: which launchers Wine's menu builder wrote for a prefix
// (Exec read as Wine writes it, the prefix compared as a path), which of
// its files go with a program, and the fence that keeps every other file
// of the Linux home out of reach. Files are written into a temporary home
// shaped as the menu builder leaves it.

#include "uninstall/WineMenuFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// --- Exec values -------------------------------------------------------------

struct ExecCase {
    const char* name;
    const char* exec; // as it stands in the file
    bool wine;
    bool prefixNamed;
    const char* prefix;
    const char* link;
    bool unixLink;
};

class ParseExecTest : public ::testing::TestWithParam<ExecCase> {};

TEST_P(ParseExecTest, ReadsWhatWineWrote) {
    const ExecCase& c = GetParam();
    const CWineMenuFiles::Launch launch = CWineMenuFiles::ParseExec(QString::fromUtf8(c.exec));
    EXPECT_EQ(launch.wine, c.wine);
    if (!c.wine) return;
    EXPECT_EQ(launch.prefixNamed, c.prefixNamed);
    EXPECT_EQ(launch.prefix.toStdString(), c.prefix);
    EXPECT_EQ(launch.link.toStdString(), c.link);
    EXPECT_EQ(launch.unixLink, c.unixLink);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseExecTest,
    ::testing::Values(
        // What Wine 8 writes for a Start Menu shortcut and a desktop one.
        ExecCase{
            "MenuEntryQuotedPrefix",
            R"(env WINEPREFIX="/home/u/.wine" wine-stable C:\\\\ProgramData\\\\Microsoft\\\\Windows\\\\Start\\ Menu\\\\Programs\\\\Acme\\ Notes\\\\Acme\\ Notes.lnk)",
            true, true, "/home/u/.wine",
            R"(C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Acme Notes\Acme Notes.lnk)", false},
        ExecCase{"DesktopLauncherUnquotedPrefix",
                 R"(env WINEPREFIX=/home/u/.wine/ wine C:\\\\users\\\\Public\\\\Desktop\\\\Acme\\ Notes.lnk)", true,
                 true, "/home/u/.wine/", R"(C:\users\Public\Desktop\Acme Notes.lnk)", false},
        ExecCase{"PrefixWithSpaceAndOtherVariables",
                 R"(/usr/bin/env LANG=C WINEPREFIX="/home/u/My Games" WINEDEBUG=-all wine64 C:\\\\x\\\\A.LNK)", true,
                 true, "/home/u/My Games", R"(C:\x\A.LNK)", false},
        ExecCase{"DefaultPrefix", R"(wine C:\\\\users\\\\u\\\\Desktop\\\\A.lnk)", true, false, "",
                 R"(C:\users\u\Desktop\A.lnk)", false},
        ExecCase{
            "StartUnix",
            R"(env WINEPREFIX="/home/u/.wine" wine start /unix /home/u/.wine/dosdevices/c:/users/Public/Desktop/A\\ B.lnk)",
            true, true, "/home/u/.wine", "/home/u/.wine/dosdevices/c:/users/Public/Desktop/A B.lnk", true},
        ExecCase{"OldStartExe",
                 R"(env WINEPREFIX="/p" wine C:\\\\windows\\\\command\\\\start.exe /Unix "/p/drive_c/A B.lnk")", true,
                 true, "/p", "/p/drive_c/A B.lnk", true},
        // Launchers Wine did not write.
        ExecCase{"HandMadeRunsTheProgram",
                 R"(env WINEPREFIX="/home/u/.wine" wine "C:\\\\Program Files\\\\Acme Notes\\\\notes.exe")", false,
                 false, "", "", false},
        ExecCase{"HandMadeUnixProgram", R"(wine /home/u/.wine/drive_c/Program\\ Files/notes.exe)", false, false, "", "",
                 false},
        ExecCase{"NotWine", R"(env WINEPREFIX=/p firefox C:\\\\x\\\\A.lnk)", false, false, "", "", false},
        ExecCase{"WineTool", R"(env WINEPREFIX=/p winetricks C:\\\\x\\\\A.lnk)", false, false, "", "", false},
        ExecCase{"EnvOption", R"(env -i WINEPREFIX=/p wine C:\\\\x\\\\A.lnk)", false, false, "", "", false},
        ExecCase{"MoreArguments", R"(env WINEPREFIX=/p wine C:\\\\x\\\\A.lnk --safe)", false, false, "", "", false},
        ExecCase{"UnclosedQuote", R"(env WINEPREFIX="/p wine C:\\\\x\\\\A.lnk)", false, false, "", "", false},
        ExecCase{"RelativeLink", R"(wine A.lnk)", false, false, "", "", false},
        ExecCase{"Empty", "", false, false, "", "", false}),
    [](const ::testing::TestParamInfo<ExecCase>& info) { return info.param.name; });

// --- A home shaped as the menu builder leaves it -------------------------------

class WineMenuHomeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        home = QDir(dir.path()).canonicalPath();
        prefix = home + QStringLiteral("/.wine");
        QDir().mkpath(prefix);
        QDir().mkpath(home + QStringLiteral("/.wine2"));
        Write(".config/user-dirs.dirs", "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Bureau\"\n");
        places = CWineMenuFiles::Places::From(home, QString(), QString());
    }

    QString Path(const QString& relative) const { return home + QLatin1Char('/') + relative; }
    void Write(const char* relative, const QByteArray& text) {
        const QString path = Path(QString::fromUtf8(relative));
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    // A launcher as the menu builder writes it.
    void Launcher(const char* relative, const QString& winePrefix, const char* link, const char* icon) {
        QByteArray text = "[Desktop Entry]\nName=x\nExec=env WINEPREFIX=\"" + winePrefix.toUtf8() + "\" wine-stable ";
        text += QByteArray(link).replace("\\", "\\\\\\\\").replace(" ", "\\\\ ");
        text += "\nType=Application\nStartupNotify=true\nIcon=" + QByteArray(icon) + "\n";
        Write(relative, text);
    }
    void Menu(const char* relative, const char* desktopId, const QStringList& directories) {
        QByteArray text = "<!DOCTYPE Menu>\n<Menu>\n  <Name>Applications</Name>\n";
        for (const QString& directory : directories)
            text += "  <Menu>\n    <Name>x</Name>\n    <Directory>" + directory.toUtf8() + "</Directory>\n";
        text += "    <Include>\n      <Filename>" + QByteArray(desktopId) + "</Filename>\n    </Include>\n";
        for (int i = 0; i < directories.size(); ++i)
            text += "  </Menu>\n";
        text += "</Menu>\n";
        Write(relative, text);
    }
    // The items' paths under the home, sorted, one a line.
    std::string Targets(const QList<LeftoverItem>& items) const {
        QStringList targets;
        for (const LeftoverItem& item : items) {
            EXPECT_EQ(item.kind, LeftoverLinuxDesktopFile);
            targets << item.target.mid(home.size() + 1);
        }
        return Lines(targets);
    }
    static std::string Lines(QStringList paths) {
        paths.sort();
        return paths.join(QLatin1Char('\n')).toStdString();
    }
    bool Exists(const char* relative) const { return QFileInfo::exists(Path(QString::fromUtf8(relative))); }

    QTemporaryDir dir;
    QString home;
    QString prefix;
    CWineMenuFiles::Places places;
};

const char* const kStartMenu = R"(C:\ProgramData\Microsoft\Windows\Start Menu\Programs)";

LeftoverItem Leftover(int32_t kind, const QString& target) {
    LeftoverItem item;
    item.kind = kind;
    item.target = target;
    return item;
}

TEST_F(WineMenuHomeTest, PlacesFollowTheXdgSettings) {
    EXPECT_EQ(places.desktops, (QStringList{Path(QStringLiteral("Bureau")), home}));
    EXPECT_EQ(places.dataHomes, QStringList{Path(QStringLiteral(".local/share"))});
    const CWineMenuFiles::Places moved = CWineMenuFiles::Places::From(
        home + QLatin1Char('/'), QStringLiteral("/xdg/data/"), QStringLiteral("/xdg/conf"));
    EXPECT_EQ(moved.dataHomes, (QStringList{QStringLiteral("/xdg/data"), Path(QStringLiteral(".local/share"))}));
    EXPECT_EQ(moved.configHomes, (QStringList{QStringLiteral("/xdg/conf"), Path(QStringLiteral(".config"))}));
    // No user-dirs.dirs under the XDG config home: ~/Desktop.
    EXPECT_EQ(moved.desktops.front(), Path(QStringLiteral("Desktop")));
    EXPECT_TRUE(CWineMenuFiles::Places::From(QStringLiteral("relative"), QString(), QString()).dataHomes.isEmpty());
}

TEST_F(WineMenuHomeTest, TakesThePrefixsEntriesOfLeftoverOrGoneShortcutsAndKeepsTheRest) {
    const QString acmeFolder = QString::fromUtf8(kStartMenu) + QStringLiteral("\\Acme Notes");
    const QString acmeDesktop = QStringLiteral("C:\\users\\Public\\Desktop\\Acme Notes.lnk");
    // The program's menu entry and desktop launcher: its shortcuts are leftovers.
    Launcher(".local/share/applications/wine/Programs/Acme Notes/Acme Notes.desktop", prefix,
             R"(C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Acme Notes\Acme Notes.lnk)", "0813_uninst.0");
    Launcher("Bureau/Acme Notes.desktop", prefix + QLatin1Char('/'), "c:\\USERS\\Public\\Desktop\\Acme Notes.lnk",
             "0813_uninst.0");
    Menu(".config/menus/applications-merged/wine-Programs-Acme Notes-Acme Notes.menu",
         "wine-Programs-Acme Notes-Acme Notes.desktop",
         {"wine-wine.directory", "wine-Programs.directory", "wine-Programs-Acme Notes.directory"});
    for (const char* name : {"wine-wine", "wine-Programs", "wine-Programs-Acme Notes"})
        Write(QByteArray(".local/share/desktop-directories/" + QByteArray(name) + ".directory").constData(),
              "[Desktop Entry]\nType=Directory\n");
    Write(".local/share/icons/hicolor/32x32/apps/0813_uninst.0.png", "png");
    Write(".local/share/icons/hicolor/48x48/apps/0813_uninst.0.png", "png");
    // A dead entry of the same prefix: its shortcut is gone.
    Launcher(".local/share/applications/wine/Programs/Gone.desktop", prefix, R"(C:\Gone\Gone.lnk)", "1111_gone.0");
    Write(".local/share/icons/hicolor/16x16/apps/1111_gone.0.png", "png");
    // Another program of the prefix, whose shortcut is still there, with
    // its entry in the program's menu folder.
    Launcher(".local/share/applications/wine/Programs/Acme Notes/Beta.desktop", prefix,
             R"(C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Acme Tools\Beta.lnk)", "2222_beta.0");
    Menu(".config/menus/applications-merged/wine-Programs-Acme Tools-Beta.menu",
         "wine-Programs-Acme Tools-Beta.desktop", {"wine-wine.directory", "wine-Programs.directory"});
    // Another prefix whose path begins with this one's, its shortcut gone too.
    Launcher(".local/share/applications/wine/Programs/Other/Other.desktop", home + QStringLiteral("/.wine2"),
             R"(C:\Gone\Other.lnk)", "3333_other.0");
    Launcher("Bureau/Other.desktop", home + QStringLiteral("/.wine2"), R"(C:\users\Public\Desktop\Acme Notes.lnk)",
             "3333_other.0");
    // The user's own launchers: one that runs the program, one outside
    // Wine's folder that only looks like Wine's, one linked to Wine's file.
    Write("Bureau/Acme Notes (mine).desktop",
          "[Desktop Entry]\nExec=env WINEPREFIX=\"" + prefix.toUtf8() +
              "\" wine \"C:\\\\\\\\Program Files\\\\\\\\Acme Notes\\\\\\\\notes.exe\"\nIcon=0813_uninst.0\n");
    Launcher(".local/share/applications/acme.desktop", prefix, R"(C:\Gone\Acme.lnk)", "4444_acme.0");
    QFile::link(Path(QStringLiteral(".local/share/applications/acme.desktop")),
                Path(QStringLiteral(".local/share/applications/wine/Programs/link.desktop")));
    Write("notes.txt", "not a launcher");

    const QList<LeftoverItem> leftovers{Leftover(LeftoverFolder, acmeFolder), Leftover(LeftoverFile, acmeDesktop)};
    QStringList asked;
    const CWineMenuFiles::LinkCheck linkState = [&](const QString& link) {
        asked << link;
        return link.contains(QStringLiteral("Gone")) ? CWineMenuFiles::LinkState::Gone
                                                     : CWineMenuFiles::LinkState::Present;
    };
    const CWineMenuFiles files(prefix, places);
    QList<SkippedLeftover> skipped;
    const QList<LeftoverItem> items = files.Collect(leftovers, linkState, &skipped);

    // The hand-made launcher names the program's icon: the icon stays.
    EXPECT_EQ(Targets(items),
              Lines({
                  QStringLiteral(".config/menus/applications-merged/wine-Programs-Acme Notes-Acme Notes.menu"),
                  QStringLiteral(".local/share/applications/wine/Programs/Acme Notes/Acme Notes.desktop"),
                  QStringLiteral(".local/share/applications/wine/Programs/Gone.desktop"),
                  QStringLiteral(".local/share/desktop-directories/wine-Programs-Acme Notes.directory"),
                  QStringLiteral(".local/share/icons/hicolor/16x16/apps/1111_gone.0.png"),
                  QStringLiteral("Bureau/Acme Notes.desktop"),
              }));
    EXPECT_TRUE(skipped.isEmpty());
    // The program's own shortcuts are taken without a question; another
    // prefix's are never asked about.
    EXPECT_FALSE(asked.join(QLatin1Char('|')).contains(QStringLiteral("Acme Notes")));
    EXPECT_FALSE(asked.contains(QStringLiteral("C:\\Gone\\Other.lnk")));
    // Entries first, then the .menu, the .directory and the icons.
    EXPECT_TRUE(items.back().target.endsWith(QStringLiteral(".png")));
    for (const LeftoverItem& item : items)
        EXPECT_EQ(item.reason, LeftoverForShortcut);

    for (const LeftoverItem& item : items) {
        EXPECT_TRUE(files.Delete(item)) << item.target.toStdString();
        EXPECT_FALSE(CWineMenuFiles::Exists(item));
    }
    // The emptied Start Menu folder went; Beta's kept its own.
    EXPECT_TRUE(Exists(".local/share/applications/wine/Programs/Acme Notes/Beta.desktop"));
    EXPECT_TRUE(Exists(".local/share/applications/wine/Programs"));
    for (const char* kept : {".local/share/applications/wine/Programs/Other/Other.desktop", "Bureau/Other.desktop",
                             "Bureau/Acme Notes (mine).desktop", ".local/share/applications/acme.desktop",
                             ".local/share/desktop-directories/wine-Programs.directory",
                             ".local/share/desktop-directories/wine-wine.directory",
                             ".local/share/icons/hicolor/32x32/apps/0813_uninst.0.png",
                             ".config/menus/applications-merged/wine-Programs-Acme Tools-Beta.menu", "notes.txt"})
        EXPECT_TRUE(Exists(kept)) << kept;

    // Once the hand-made launcher is gone, the icon goes with the next clean.
    QFile::remove(Path(QStringLiteral("Bureau/Acme Notes (mine).desktop")));
    Launcher("Bureau/Acme Notes.desktop", prefix, "C:\\users\\Public\\Desktop\\Acme Notes.lnk", "0813_uninst.0");
    EXPECT_EQ(Targets(files.Collect(leftovers, linkState, nullptr)),
              Lines({QStringLiteral(".local/share/icons/hicolor/32x32/apps/0813_uninst.0.png"),
                     QStringLiteral(".local/share/icons/hicolor/48x48/apps/0813_uninst.0.png"),
                     QStringLiteral("Bureau/Acme Notes.desktop")}));
}

TEST_F(WineMenuHomeTest, KeepsWhatItCannotTell) {
    Launcher(".local/share/applications/wine/Programs/A/A.desktop", prefix, R"(C:\Gone\A.lnk)", "0813_a.0");
    Menu(".config/menus/applications-merged/wine-Programs-A-A.menu", "wine-Programs-A-A.desktop",
         {"wine-Programs-A.directory"});
    Write(".local/share/desktop-directories/wine-Programs-A.directory", "[Desktop Entry]\n");
    Write(".local/share/icons/hicolor/32x32/apps/0813_a.0.png", "png");
    // A launcher too large to be read may name the icon; a .menu that
    // cannot be read may name the .directory.
    Write("Bureau/huge.desktop", QByteArray(2 << 20, 'x'));
    Write(".config/menus/applications-merged/wine-Programs-B-B.menu", QByteArray(2 << 20, 'x'));
    const CWineMenuFiles files(prefix, places);

    QList<SkippedLeftover> skipped;
    // A shortcut whose state the target cannot tell is not gone.
    EXPECT_TRUE(files
                    .Collect(
                        {}, [](const QString&) { return CWineMenuFiles::LinkState::Unknown; }, &skipped)
                    .isEmpty());
    ASSERT_EQ(skipped.size(), 1);
    EXPECT_EQ(skipped[0].path, Path(QStringLiteral("Bureau/huge.desktop")));

    EXPECT_EQ(Targets(files.Collect(
                  {}, [](const QString&) { return CWineMenuFiles::LinkState::Gone; }, nullptr)),
              Lines({QStringLiteral(".config/menus/applications-merged/wine-Programs-A-A.menu"),
                     QStringLiteral(".local/share/applications/wine/Programs/A/A.desktop")}));
    // Without a prefix nothing is taken.
    EXPECT_TRUE(CWineMenuFiles(QString(), places)
                    .Collect(
                        {}, [](const QString&) { return CWineMenuFiles::LinkState::Gone; }, nullptr)
                    .isEmpty());
}

TEST_F(WineMenuHomeTest, LinksGivenAsLinuxPathsCountInsideThePrefixOnly) {
    auto write = [&](const char* relative, const QString& link) {
        Write(relative, "[Desktop Entry]\nExec=env WINEPREFIX=\"" + prefix.toUtf8() + "\" wine start /unix " +
                            QByteArray(link.toUtf8()).replace(" ", "\\\\ ") + "\n");
    };
    write("Bureau/c.desktop", prefix + QStringLiteral("/drive_c/users/Public/Desktop/A B.lnk"));
    write("Bureau/d.desktop", prefix + QStringLiteral("/dosdevices/d:/Apps/A.lnk"));
    write("Bureau/outside.desktop", home + QStringLiteral("/.wine2/drive_c/users/Public/Desktop/A B.lnk"));
    const CWineMenuFiles files(prefix, places);
    QStringList asked;
    const QList<LeftoverItem> items = files.Collect(
        {Leftover(LeftoverFile, QStringLiteral("C:\\users\\Public\\Desktop\\A B.lnk"))},
        [&](const QString& link) {
            asked << link;
            return CWineMenuFiles::LinkState::Present;
        },
        nullptr);
    EXPECT_EQ(Targets(items), "Bureau/c.desktop");
    EXPECT_EQ(asked, QStringList{QStringLiteral("D:\\Apps\\A.lnk")});
}

TEST_F(WineMenuHomeTest, DeletesOnlyTheMenuBuildersFilesInTheirPlaces) {
    const CWineMenuFiles files(prefix, places);
    struct Case {
        const char* relative;
        bool allowed;
    };
    const Case cases[] = {
        {".local/share/applications/wine/Programs/A/A.desktop", true},
        {"Bureau/A.desktop", true},
        {"A.desktop", true}, // Wine's desktop when the XDG one is missing
        {".config/menus/applications-merged/wine-Programs-A-A.menu", true},
        {".local/share/desktop-directories/wine-Programs-A.directory", true},
        {".local/share/icons/hicolor/32x32/apps/0813_a.0.png", true},
        {".local/share/applications/firefox.desktop", false},
        {".local/share/applications/wine-extension-txt.desktop", false},
        {"Bureau/sub/A.desktop", false},
        {".local/share/applications/wine/../firefox.desktop", false},
        {".config/menus/applications-merged/xfce-applications.menu", false},
        {".local/share/desktop-directories/wine-wine.directory", false},
        {".local/share/icons/hicolor/32x32/apps/firefox.png", false},
        {".local/share/icons/hicolor/32x32/mimetypes/0813_a.0.png", false},
        {".local/share/icons/0813_a.0.png", false},
        {".bashrc", false},
        {".wine/drive_c/A.desktop", false},
    };
    for (const Case& c : cases) {
        const QString path = Path(QString::fromUtf8(c.relative));
        EXPECT_EQ(files.IsMenuBuilderFile(path), c.allowed) << c.relative;
        if (c.allowed) continue;
        Write(c.relative, "[Desktop Entry]\n");
        LeftoverItem forged = Leftover(LeftoverLinuxDesktopFile, path);
        EXPECT_FALSE(files.Delete(forged)) << c.relative;
        EXPECT_TRUE(QFileInfo::exists(path)) << c.relative;
    }
    // Never through a link, never a kind of the prefix's.
    Write("elsewhere.txt", "keep");
    QDir().mkpath(Path(QStringLiteral("Bureau")));
    QFile::link(Path(QStringLiteral("elsewhere.txt")), Path(QStringLiteral("Bureau/link.desktop")));
    EXPECT_FALSE(files.Delete(Leftover(LeftoverLinuxDesktopFile, Path(QStringLiteral("Bureau/link.desktop")))));
    Write("Bureau/B.desktop", "[Desktop Entry]\n");
    EXPECT_FALSE(files.Delete(Leftover(LeftoverFile, Path(QStringLiteral("Bureau/B.desktop")))));
    EXPECT_TRUE(Exists("elsewhere.txt"));
    EXPECT_TRUE(Exists("Bureau/link.desktop"));
    EXPECT_TRUE(Exists("Bureau/B.desktop"));
}

} // namespace
