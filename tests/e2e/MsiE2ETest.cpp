// Windows Installer packages end to end: "Juniper Notes 2.1 (x64)", a real
// .msi (no InstallLocation, an uninstall command of "MsiExec.exe /I{...}"),
// is listed, removed through Windows Installer and cleaned, its runtime
// folders found by its name and its publisher's; "Hazel Sync" claims to be
// a package under a product code Windows Installer does not know, so its
// own command runs; "Other Tool" keeps everything.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <gtest/gtest.h>

#include "CliRunner.h"

namespace {

const QString kJuniper = QStringLiteral("Juniper Notes 2.1 (x64)");

QString Prefix() {
    return qEnvironmentVariable("TOLVANIRE_MSI_PREFIX");
}
QString DriveC() {
    return Prefix() + QStringLiteral("/drive_c");
}

CliResult Cli(const QStringList& arguments) {
    return CCliRunner::Run(arguments + QStringList{QStringLiteral("--prefix"), Prefix()},
                           CCliRunner::WineEnvironment(Prefix(), qEnvironmentVariable("TOLVANIRE_MSI_HOME")), 240000);
}

QJsonArray JsonArray(const CliResult& result) {
    return QJsonDocument::fromJson(result.out).array();
}

QStringList Listed() {
    const CliResult result = Cli({QStringLiteral("list"), QStringLiteral("--json")});
    EXPECT_EQ(result.exitCode, 0) << result.err.constData();
    QStringList names;
    for (const QJsonValue& value : JsonArray(result))
        names << value.toObject()[QStringLiteral("displayName")].toString();
    return names;
}

QString UserFolder() {
    for (const QString& user : QDir(DriveC() + QStringLiteral("/users")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (user != QLatin1String("Public")) return DriveC() + QStringLiteral("/users/") + user;
    return QString();
}

// Writes a file as a program does at run time.
void Write(const QString& path) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path())) << path.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write("data");
}

TEST(MsiE2ETest, APackageIsRemovedThroughWindowsInstallerAndItsRuntimeFoldersAfterIt) {
    const QString user = UserFolder();
    ASSERT_FALSE(user.isEmpty());
    const QString roaming = user + QStringLiteral("/AppData/Roaming/Juniper Notes");
    const QString publisher = user + QStringLiteral("/AppData/Local/Juniper Works");
    Write(roaming + QStringLiteral("/settings.ini"));
    Write(publisher + QStringLiteral("/Juniper Notes/cache/index.db"));
    const QStringList others = {
        DriveC() + QStringLiteral("/Program Files/Other Tool/OtherTool.exe"),
        user + QStringLiteral("/AppData/Roaming/Other Tool/bin/other.dll"),
        DriveC() + QStringLiteral("/ProgramData/Other Tool/bin/other.dat"),
        DriveC() + QStringLiteral("/ProgramData/Microsoft/Windows/Start Menu/Programs/Other Tool/Other Tool.lnk"),
    };
    for (const QString& path : others)
        ASSERT_TRUE(QFileInfo::exists(path)) << path.toStdString();
    ASSERT_TRUE(QFileInfo::exists(DriveC() + QStringLiteral("/Program Files (x86)/Juniper Notes/readme.txt")));
    ASSERT_TRUE(Listed().contains(kJuniper));

    // Each item says why it was chosen.
    const CliResult found = Cli({QStringLiteral("leftovers"), kJuniper, QStringLiteral("--json")});
    ASSERT_EQ(found.exitCode, 0) << found.err.constData();
    QMap<QString, QString> why;
    for (const QJsonValue& value : JsonArray(found))
        why.insert(value[QStringLiteral("target")].toString(), value[QStringLiteral("chosenBecause")].toString());
    const QString local = QStringLiteral("C:\\users\\%1\\AppData\\").arg(QFileInfo(user).fileName());
    EXPECT_EQ(why.value(local + QStringLiteral("Roaming\\Juniper Notes")).toStdString(), "namedAfterProgram")
        << found.out.constData();
    EXPECT_EQ(why.value(local + QStringLiteral("Local\\Juniper Works\\Juniper Notes")).toStdString(),
              "namedAfterPublisherAndProgram")
        << found.out.constData();
    for (auto it = why.cbegin(); it != why.cend(); ++it)
        EXPECT_FALSE(it.key().contains(QStringLiteral("Other Tool"))) << it.key().toStdString();

    const CliResult run =
        Cli({QStringLiteral("uninstall"), kJuniper, QStringLiteral("--clean"), QStringLiteral("--quiet")});
    EXPECT_EQ(run.exitCode, 0) << run.out.constData() << run.err.constData();
    EXPECT_TRUE(run.out.contains("Juniper Notes 2.1 (x64): removed (exit code 0)")) << run.out.constData();
    EXPECT_FALSE(run.out.contains("not deleted\t")) << run.out.constData();
    EXPECT_FALSE(Listed().contains(kJuniper));
    EXPECT_FALSE(QFileInfo::exists(DriveC() + QStringLiteral("/Program Files (x86)/Juniper Notes")));
    EXPECT_FALSE(QFileInfo::exists(roaming));
    // The publisher's folder held nothing else, so it goes too.
    EXPECT_FALSE(QFileInfo::exists(publisher));
    for (const QString& path : others)
        EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();
    EXPECT_TRUE(Listed().contains(QStringLiteral("Other Tool")));
}

TEST(MsiE2ETest, AProductCodeWindowsInstallerDoesNotKnowRunsItsOwnCommand) {
    ASSERT_TRUE(Listed().contains(QStringLiteral("Hazel Sync")));
    const CliResult run = Cli({QStringLiteral("uninstall"), QStringLiteral("Hazel Sync"), QStringLiteral("--quiet")});
    EXPECT_EQ(run.exitCode, 0) << run.out.constData() << run.err.constData();
    EXPECT_FALSE(Listed().contains(QStringLiteral("Hazel Sync")));
}

} // namespace
