// "orphans" end to end: in a prefix with "Acme Notes" and an unrelated
// program, nothing is listed while both are registered (a fresh prefix's
// own folders never are); once Acme Notes' uninstall key is gone, the
// folders it left are listed, and "--delete" removes the one named and
// nothing else, refusing a folder that is not offered.

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

#include "CliRunner.h"

namespace {

QString Prefix() {
    return qEnvironmentVariable("TOLVANIRE_ORPHANS_PREFIX");
}
QString DriveC() {
    return Prefix() + QStringLiteral("/drive_c");
}
QProcessEnvironment Environment() {
    return CCliRunner::WineEnvironment(Prefix(), qEnvironmentVariable("TOLVANIRE_ORPHANS_HOME"));
}

CliResult Cli(const QStringList& arguments) {
    return CCliRunner::Run(arguments + QStringList{QStringLiteral("--prefix"), Prefix()}, Environment());
}

// What `orphans --json` lists.
QJsonArray OrphanList() {
    const CliResult result = Cli({QStringLiteral("orphans"), QStringLiteral("--json")});
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0) << result.err.constData();
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(result.out, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << result.out.constData();
    for (const QJsonValue& value : document.array()) {
        // Every folder listed here holds a file.
        EXPECT_GT(value[QStringLiteral("size")].toDouble(), 0) << result.out.constData();
        EXPECT_FALSE(value[QStringLiteral("lastChange")].toString().isEmpty());
    }
    return document.array();
}

// Its paths, sorted.
QStringList Paths(const QJsonArray& list) {
    QStringList paths;
    for (const QJsonValue& value : list)
        paths << value[QStringLiteral("path")].toString();
    paths.sort(Qt::CaseInsensitive);
    return paths;
}

QString UserName() {
    for (const QString& user : QDir(DriveC() + QStringLiteral("/users")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (user != QLatin1String("Public")) return user;
    return QString();
}

TEST(OrphansE2ETest, FoldersOfAProgramWhoseEntryIsGoneAreListedAndDeletedOnRequest) {
    const QString user = UserName();
    ASSERT_FALSE(user.isEmpty());
    // A fresh prefix's own folders and the registered programs' stay off.
    EXPECT_EQ(Paths(OrphanList()), QStringList());

    // The program leaves the list without a deep clean.
    QProcess reg;
    reg.setProcessEnvironment(Environment());
    reg.start(QStringLiteral("wine"),
              {QStringLiteral("reg"), QStringLiteral("delete"),
               QStringLiteral("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\AcmeNotes"),
               QStringLiteral("/f"), QStringLiteral("/reg:64")});
    ASSERT_TRUE(reg.waitForFinished(120000));
    ASSERT_EQ(reg.exitCode(), 0) << reg.readAllStandardError().constData();

    const QString roaming = QStringLiteral("C:\\users\\%1\\AppData\\Roaming\\Acme Notes").arg(user);
    QStringList expected{QStringLiteral("C:\\Program Files\\Acme Notes"), QStringLiteral("C:\\ProgramData\\Acme Notes"),
                         QStringLiteral("C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Acme Notes"),
                         roaming};
    expected.sort(Qt::CaseInsensitive);
    const QJsonArray list = OrphanList();
    EXPECT_EQ(Paths(list), expected);
    // settings.ini and cache\\thumbs.db, each a line of text.
    for (const QJsonValue& value : list)
        if (value[QStringLiteral("path")].toString() == roaming) EXPECT_EQ(value[QStringLiteral("size")].toInt(), 15);

    // One ticked folder goes; a folder the scan does not offer (the other
    // program's) is refused and stays.
    const QString other = QStringLiteral("C:\\Program Files\\Tolvanire Fixtures");
    const CliResult deleted = Cli({QStringLiteral("orphans"), QStringLiteral("--delete"), roaming, other});
    ASSERT_TRUE(deleted.finished);
    EXPECT_EQ(deleted.exitCode, 1) << deleted.err.constData();
    EXPECT_TRUE(deleted.err.contains("is not offered")) << deleted.err.constData();
    const QString linuxRoaming = DriveC() + QStringLiteral("/users/%1/AppData/Roaming").arg(user);
    EXPECT_FALSE(QFileInfo::exists(linuxRoaming + QStringLiteral("/Acme Notes")));
    EXPECT_TRUE(QFileInfo::exists(linuxRoaming));
    EXPECT_TRUE(QFileInfo::exists(DriveC() + QStringLiteral("/Program Files/Tolvanire Fixtures/TolvanireCafe")));
    EXPECT_TRUE(QFileInfo::exists(DriveC() + QStringLiteral("/ProgramData/Acme Notes/db/notes.db")));
    expected.removeAll(roaming);
    EXPECT_EQ(Paths(OrphanList()), expected);
}

} // namespace
