// "prefixes --json" on a sandbox home that holds every kind of place where
// prefixes are kept. A prefix is a folder with a system.reg; Wine is never
// started, so no real prefix is needed.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "CliRunner.h"

namespace {

const char kOneProgram[] = "WINE REGISTRY Version 2\n\n"
                           "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Cafe] 1\n"
                           "\"DisplayName\"=\"Cafe\"\n\"UninstallString\"=\"C:\\\\Cafe\\\\uninst.exe\"\n";

bool Write(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

bool MakePrefix(const QString& folder, const QByteArray& system = QByteArray("WINE REGISTRY Version 2\n")) {
    return Write(folder + "/system.reg", system);
}

TEST(PrefixesCliTest, ListsEveryKindOfPlaceOnce) {
    QTemporaryDir sandbox;
    ASSERT_TRUE(sandbox.isValid());
    const QString root = QDir(sandbox.path()).canonicalPath();
    const QString home = root + "/home";

    ASSERT_TRUE(MakePrefix(root + "/custom"));
    ASSERT_TRUE(MakePrefix(home + "/.wine", kOneProgram));
    // The user's own programs count too.
    ASSERT_TRUE(Write(home + "/.wine/user.reg", QByteArray(kOneProgram).replace("Cafe", "Tea")));
    ASSERT_TRUE(MakePrefix(home + "/.local/share/wineprefixes/office", kOneProgram));
    // No system.reg: no prefix.
    ASSERT_TRUE(Write(home + "/.local/share/wineprefixes/notes/readme.txt", "not a prefix"));
    // The same folder as $WINEPREFIX through a link: listed once.
    ASSERT_TRUE(QFile::link(root + "/custom", home + "/.local/share/wineprefixes/custom-link"));
    ASSERT_TRUE(MakePrefix(home + "/.local/share/bottles/bottles/Gaming"));
    ASSERT_TRUE(MakePrefix(home + "/.var/app/com.usebottles.bottles/data/bottles/bottles/Work"));
    ASSERT_TRUE(MakePrefix(root + "/lutris/quake"));
    ASSERT_TRUE(Write(home + "/.config/lutris/games/quake-1.yml",
                      "game:\n  exe: /x/quake.exe\n  prefix: \"" + root.toUtf8() + "/lutris/quake\"\nname: q\n"));
    ASSERT_TRUE(MakePrefix(home + "/lutris/hexen"));
    ASSERT_TRUE(Write(home + "/.local/share/lutris/games/hexen-2.yml", "game:\n  prefix: ~/lutris/hexen\n"));
    ASSERT_TRUE(MakePrefix(home + "/Games/doom"));
    ASSERT_TRUE(MakePrefix(home + "/.local/share/Steam/steamapps/compatdata/620/pfx"));
    // A game that never ran: its folder has no pfx yet.
    ASSERT_TRUE(QDir().mkpath(home + "/.local/share/Steam/steamapps/compatdata/730"));
    // ~/.steam/steam is a link to the installation: its prefixes once.
    ASSERT_TRUE(QDir().mkpath(home + "/.steam"));
    ASSERT_TRUE(QFile::link(home + "/.local/share/Steam", home + "/.steam/steam"));
    ASSERT_TRUE(Write(home + "/.local/share/Steam/steamapps/libraryfolders.vdf",
                      "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + home.toUtf8() +
                          "/.local/share/Steam\"\n\t}\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" + root.toUtf8() +
                          "/games\"\n\t\t\"label\"\t\t\"\"\n\t}\n}\n"));
    ASSERT_TRUE(MakePrefix(root + "/games/steamapps/compatdata/1091500/pfx", kOneProgram));
    ASSERT_TRUE(MakePrefix(home + "/.PlayOnLinux/wineprefix/Office2007"));

    QProcessEnvironment environment = CCliRunner::WineEnvironment(root + "/custom", home);
    const CliResult result = CCliRunner::Run({"prefixes", "--json"}, environment, 30000);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0) << result.err.constData();
    EXPECT_TRUE(result.err.isEmpty()) << result.err.constData();

    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(result.out, &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << result.out.constData();
    QStringList rows;
    for (const QJsonValue& value : document.array()) {
        const QJsonObject object = value.toObject();
        rows << QStringLiteral("%1 | %2 | %3")
                    .arg(object.value("path").toString().replace(root, "@"), object.value("foundIn").toString())
                    .arg(object.value("programs").toInt(-1));
    }
    const QStringList expected{
        "@/custom | WINEPREFIX | 0",
        "@/home/.wine | default | 2",
        "@/home/.local/share/wineprefixes/office | wineprefixes | 1",
        "@/home/.local/share/bottles/bottles/Gaming | Bottles | 0",
        "@/home/.var/app/com.usebottles.bottles/data/bottles/bottles/Work | Bottles | 0",
        "@/lutris/quake | Lutris | 0",
        "@/home/lutris/hexen | Lutris | 0",
        "@/home/Games/doom | Lutris | 0",
        "@/home/.local/share/Steam/steamapps/compatdata/620/pfx | Steam | 0",
        "@/games/steamapps/compatdata/1091500/pfx | Steam | 1",
        "@/home/.PlayOnLinux/wineprefix/Office2007 | PlayOnLinux | 0",
    };
    EXPECT_EQ(rows, expected) << result.out.constData();
}

TEST(PrefixesCliTest, NothingFoundIsNoError) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    // A home whose places are there but hold no prefix, and a WINEPREFIX that
    // does not exist.
    ASSERT_TRUE(Write(home.filePath(".local/share/Steam/steamapps/libraryfolders.vdf"), "\"libraryfolders\"\n{\n"));
    ASSERT_TRUE(QDir().mkpath(home.filePath(".wine")));
    const QProcessEnvironment environment = CCliRunner::WineEnvironment(home.filePath("gone"), home.path());

    const CliResult table = CCliRunner::Run({"prefixes"}, environment, 30000);
    ASSERT_TRUE(table.finished);
    EXPECT_EQ(table.exitCode, 0);
    EXPECT_EQ(table.out, QByteArray("No Wine prefix was found.\n"));
    const CliResult json = CCliRunner::Run({"prefixes", "--json"}, environment, 30000);
    ASSERT_TRUE(json.finished);
    EXPECT_EQ(json.exitCode, 0);
    EXPECT_EQ(QJsonDocument::fromJson(json.out).array().size(), 0) << json.out.constData();
    EXPECT_FALSE(QFileInfo::exists(home.filePath("gone")));
}

} // namespace
