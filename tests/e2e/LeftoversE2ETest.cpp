// "leftovers" and "clean" end to end: "Acme Notes" is installed beside
// "Acme Notes Pro" by real installers, its uninstaller runs and forgets
// things, and clean must remove exactly those while the sibling keeps
// everything.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "CliRunner.h"

namespace {

const QString kName = QStringLiteral("Acme Notes");
const QString kSibling = QStringLiteral("Acme Notes Pro");
const QString kUninstallKey = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\AcmeNotes");
const QString kMuiCache = QStringLiteral("HKCR\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache");

QString Prefix() {
    return qEnvironmentVariable("TOLVANIRE_LEFTOVERS_PREFIX");
}
QString Home() {
    return qEnvironmentVariable("TOLVANIRE_LEFTOVERS_HOME");
}
QString DriveC() {
    return Prefix() + QStringLiteral("/drive_c");
}

QProcessEnvironment Environment() {
    return CCliRunner::WineEnvironment(Prefix(), Home());
}

CliResult Cli(const QStringList& arguments) {
    return CCliRunner::Run(arguments + QStringList{QStringLiteral("--prefix"), Prefix()}, Environment());
}

QJsonDocument Json(const CliResult& result) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(result.out, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << result.out.constData() << result.err.constData();
    return document;
}

// "kind target|value" per entry, in list order (standard strings, so that
// a failure prints them readably).
std::vector<std::string> Lines(const QJsonArray& items) {
    std::vector<std::string> lines;
    for (const QJsonValue& value : items) {
        const QJsonObject item = value.toObject();
        QString line =
            item[QStringLiteral("kind")].toString() + QLatin1Char(' ') + item[QStringLiteral("target")].toString();
        if (!item[QStringLiteral("valueName")].toString().isEmpty())
            line += QLatin1Char('|') + item[QStringLiteral("valueName")].toString();
        lines.push_back(line.toStdString());
    }
    return lines;
}

QJsonArray Leftovers(const QString& name) {
    const CliResult result = Cli({QStringLiteral("leftovers"), name, QStringLiteral("--json")});
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0) << result.err.constData();
    return Json(result).array();
}

// The Wine user's profile folder name (the Linux user's name).
QString UserName() {
    for (const QString& user : QDir(DriveC() + QStringLiteral("/users")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (user != QLatin1String("Public")) return user;
    return QString();
}

// NSIS uninstallers copy themselves to the temp folder and start that copy
// unless given "_?=" with the install folder, which must come unquoted at
// the end of the command line: a batch file keeps it so, and cmd waits.
void RunUninstaller(const QString& work) {
    const QString batch = work + QStringLiteral("/uninstall.bat");
    QFile file(batch);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\"C:\\Program Files\\Acme Notes\\uninst.exe\" /S _?=C:\\Program Files\\Acme Notes\r\n");
    file.close();
    QProcess wine;
    wine.setProcessEnvironment(Environment());
    wine.start(QStringLiteral("wine"),
               {QStringLiteral("cmd"), QStringLiteral("/c"), QStringLiteral("Z:") + QString(batch).replace('/', '\\')});
    ASSERT_TRUE(wine.waitForFinished(120000));
    ASSERT_EQ(wine.exitCode(), 0) << wine.readAllStandardError().constData();
}

QString MuiCacheValues() {
    QProcess wine;
    wine.setProcessEnvironment(Environment());
    wine.start(QStringLiteral("wine"), {QStringLiteral("reg"), QStringLiteral("query"), kMuiCache});
    wine.waitForFinished(60000);
    return QString::fromLocal8Bit(wine.readAllStandardOutput());
}

TEST(LeftoversE2ETest, CleanRemovesExactlyWhatTheUninstallerLeftBehind) {
    const QString user = UserName();
    ASSERT_FALSE(user.isEmpty());
    const QString roaming = QStringLiteral("C:\\users\\%1\\AppData\\Roaming").arg(user);
    const QString startMenu = QStringLiteral("C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs");
    const QJsonArray siblingBefore = Leftovers(kSibling);
    ASSERT_FALSE(siblingBefore.isEmpty());

    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    RunUninstaller(work.path());
    const QString installFolder = DriveC() + QStringLiteral("/Program Files/Acme Notes");
    ASSERT_FALSE(QFileInfo::exists(installFolder + QStringLiteral("/readme.txt"))) << "the uninstaller did not run";
    ASSERT_TRUE(QFileInfo::exists(installFolder + QStringLiteral("/notes.exe")));

    // Links into a folder outside the prefix, as Wine's own profile folders
    // may be: each must be removed as a link, never entered.
    const QString outside = work.path() + QStringLiteral("/outside");
    ASSERT_TRUE(QDir().mkpath(outside));
    QFile keep(outside + QStringLiteral("/keep.txt"));
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
    keep.close();
    const QString appDataFolder = DriveC() + QStringLiteral("/users/%1/AppData/Roaming/Acme Notes").arg(user);
    ASSERT_TRUE(QFile::link(outside, installFolder + QStringLiteral("/shared")));
    ASSERT_TRUE(QFile::link(outside, appDataFolder + QStringLiteral("/cache/outside")));

    // Paths as Windows writes them.
    const QStringList expectedText = {
        // What the uninstaller left in its install folder (it cannot delete
        // itself when it runs in place).
        "folder C:\\Program Files\\Acme Notes\\shared",
        "file C:\\Program Files\\Acme Notes\\notes.exe",
        "file C:\\Program Files\\Acme Notes\\uninst.exe",
        "file " + roaming + "\\Acme Notes\\settings.ini",
        "file " + roaming + "\\Acme Notes\\cache\\thumbs.db",
        "folder " + roaming + "\\Acme Notes\\cache\\outside",
        "folder " + roaming + "\\Acme Notes\\cache",
        // ProgramData holds the common Start Menu: the shortcut is found
        // there first, and the Start Menu search, which finds it again,
        // adds nothing.
        "file C:\\ProgramData\\Acme Notes\\db\\notes.db",
        "file " + startMenu + "\\Acme Notes\\Acme Notes.lnk",
        "folder C:\\ProgramData\\Acme Notes\\db",
        // The folders named after the program themselves, found whole
        // (what lies in them was found already).
        "folder " + roaming + "\\Acme Notes",
        "folder C:\\ProgramData\\Acme Notes",
        "folder " + startMenu + "\\Acme Notes",
        "file C:\\users\\Public\\Desktop\\Acme Notes.lnk",
        // Values in the order the registry enumerates them (Wine keeps them
        // sorted by name).
        "registry " + kUninstallKey + "|DisplayIcon",
        "registry " + kUninstallKey + "|DisplayName",
        "registry " + kUninstallKey + "|InstallLocation",
        "registry " + kUninstallKey + "|NoModify",
        "registry " + kUninstallKey + "|Publisher",
        "registry " + kUninstallKey + "|UninstallString",
        "registry " + kUninstallKey,
        "muicache C:\\Program Files\\Acme Notes\\notes.exe.FriendlyAppName",
        // What Wine made in the Linux home for the two shortcuts: the menu
        // entry, the launcher on the desktop (the home itself, as the
        // sandbox has no desktop folder), the entry's .menu and its
        // Start Menu folder's .directory. The sibling's stay.
        "linuxDesktop " + Home() + "/.local/share/applications/wine/Programs/Acme Notes/Acme Notes.desktop",
        "linuxDesktop " + Home() + "/Acme Notes.desktop",
        "linuxDesktop " + Home() + "/.config/menus/applications-merged/wine-Programs-Acme Notes-Acme Notes.menu",
        "linuxDesktop " + Home() + "/.local/share/desktop-directories/wine-Programs-Acme Notes.directory",
    };
    std::vector<std::string> expected;
    for (const QString& line : expectedText)
        expected.push_back(line.toStdString());
    const QJsonArray items = Leftovers(kName);
    EXPECT_EQ(Lines(items), expected);

    const CliResult clean = Cli({QStringLiteral("clean"), kName, QStringLiteral("--json")});
    ASSERT_TRUE(clean.finished);
    EXPECT_EQ(clean.exitCode, 0) << clean.out.constData() << clean.err.constData();
    const QJsonObject report = Json(clean).object();
    EXPECT_EQ(Lines(report[QStringLiteral("deleted")].toArray()), expected);
    EXPECT_TRUE(report[QStringLiteral("notDeleted")].toArray().isEmpty());
    // Each file and folder says what it held, which only the clean knows.
    for (const QJsonValue& item : report[QStringLiteral("deleted")].toArray()) {
        const QString kind = item[QStringLiteral("kind")].toString();
        if (kind != QLatin1String("file") && kind != QLatin1String("folder")) continue;
        EXPECT_GE(item[QStringLiteral("size")].toDouble(-1), 0)
            << item[QStringLiteral("target")].toString().toStdString();
    }
    for (const QJsonValue& item : items)
        EXPECT_FALSE(item[QStringLiteral("size")].isDouble())
            << item[QStringLiteral("target")].toString().toStdString();

    // On disk. The install folder and the Start Menu folder, emptied, go
    // too; the folders that held them stay.
    EXPECT_FALSE(QFileInfo::exists(installFolder));
    EXPECT_TRUE(QFileInfo::exists(outside + QStringLiteral("/keep.txt")));
    EXPECT_FALSE(
        QFileInfo::exists(DriveC() + QStringLiteral("/ProgramData/Microsoft/Windows/Start Menu/Programs/Acme Notes")));
    EXPECT_TRUE(QFileInfo::exists(DriveC() + QStringLiteral("/ProgramData/Microsoft/Windows/Start Menu/Programs")));
    EXPECT_TRUE(QFileInfo::exists(DriveC() + QStringLiteral("/Program Files")));
    EXPECT_FALSE(QFileInfo::exists(DriveC() + QStringLiteral("/users/%1/AppData/Roaming/Acme Notes").arg(user)));
    EXPECT_FALSE(QFileInfo::exists(DriveC() + QStringLiteral("/ProgramData/Acme Notes")));
    EXPECT_FALSE(QFileInfo::exists(DriveC() + QStringLiteral("/users/Public/Desktop/Acme Notes.lnk")));
    EXPECT_TRUE(QFileInfo::exists(DriveC() + QStringLiteral("/users/%1/AppData/Roaming/Microsoft").arg(user)));
    EXPECT_TRUE(QFileInfo::exists(DriveC() + QStringLiteral("/users/Public/Desktop")));
    for (const QString& path :
         {QStringLiteral("/Acme Notes Pro.desktop"),
          QStringLiteral("/.local/share/applications/wine/Programs/Acme Notes Pro/Acme Notes Pro.desktop")})
        EXPECT_TRUE(QFileInfo::exists(Home() + path)) << path.toStdString();

    // The sibling keeps every file, its key and its MuiCache value.
    for (const QString& path :
         {QStringLiteral("/Program Files/Acme Notes Pro/notespro.exe"),
          QStringLiteral("/Program Files/Acme Notes Pro/readme.txt"),
          QStringLiteral("/Program Files/Acme Notes Pro/data/samples.txt"),
          QStringLiteral("/users/%1/AppData/Roaming/Acme Notes Pro/settings.ini").arg(user),
          QStringLiteral("/users/%1/AppData/Roaming/Acme Notes Pro/cache/thumbs.db").arg(user),
          QStringLiteral("/ProgramData/Acme Notes Pro/db/notes.db"),
          QStringLiteral("/ProgramData/Microsoft/Windows/Start Menu/Programs/Acme Notes Pro/Acme Notes Pro.lnk"),
          QStringLiteral("/users/Public/Desktop/Acme Notes Pro.lnk")})
        EXPECT_TRUE(QFileInfo::exists(DriveC() + path)) << path.toStdString();
    EXPECT_EQ(Leftovers(kSibling), siblingBefore);
    const QString muiCache = MuiCacheValues();
    EXPECT_TRUE(muiCache.contains(QStringLiteral("notespro.exe.FriendlyAppName"))) << muiCache.toStdString();
    EXPECT_FALSE(muiCache.contains(QStringLiteral("\\notes.exe.FriendlyAppName"))) << muiCache.toStdString();

    // Its key is gone, so it is no longer an installed program.
    const CliResult again = Cli({QStringLiteral("leftovers"), kName});
    EXPECT_EQ(again.exitCode, 4) << again.out.constData();
}

TEST(LeftoversE2ETest, UnknownProgramIsAClearErrorWithExitCode4) {
    for (const char* command : {"leftovers", "clean"}) {
        const CliResult result = Cli({QString::fromLatin1(command), QStringLiteral("No Such Program")});
        ASSERT_TRUE(result.finished);
        EXPECT_EQ(result.exitCode, 4);
        EXPECT_TRUE(result.out.isEmpty());
        EXPECT_TRUE(result.err.contains("no installed program is named 'No Such Program'")) << result.err.constData();
    }
}

} // namespace
