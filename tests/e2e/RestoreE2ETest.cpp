// A deep clean undone end to end: "Restore App" left files in its install
// folder, Roaming and Local AppData, uninstall keys in both registry views
// and in HKCU, and a MuiCache value; "clean" moves them into a restore
// point outside the prefix, "restore" puts them back, and the tree
// (bytes, attributes, times) and the registry (types and data, as
// "reg export" writes them) are as they were. "Keep App" is never touched.

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "CliRunner.h"

namespace {

QString Prefix() {
    return qEnvironmentVariable("TOLVANIRE_RESTORE_PREFIX");
}
QString Home() {
    return qEnvironmentVariable("TOLVANIRE_RESTORE_HOME");
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

QString UserName() {
    for (const QString& user : QDir(DriveC() + QStringLiteral("/users")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (user != QLatin1String("Public")) return user;
    return QString();
}

QByteArray Wine(const QStringList& arguments) {
    QProcess wine;
    wine.setProcessEnvironment(Environment());
    wine.start(QStringLiteral("wine"), arguments);
    EXPECT_TRUE(wine.waitForFinished(120000));
    return wine.readAllStandardOutput();
}

void Write(const QString& path, const QByteArray& bytes) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// The program folders, as Windows and Linux name them.
struct Place {
    QString windows;
    QString linux;
};

// Every entry below the places with its bytes and modification time, the
// attributes Windows gives them, and the registry keys as "reg export"
// writes them (types and data included).
std::vector<std::string> Snapshot(const std::vector<Place>& places, const QStringList& keys, const QString& work) {
    std::vector<std::string> lines;
    for (const Place& place : places) {
        if (!QFileInfo::exists(place.linux)) {
            lines.push_back(place.linux.toStdString() + " missing");
            continue;
        }
        QDirIterator it(place.linux, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        QStringList entries{place.linux};
        while (it.hasNext())
            entries << it.next();
        entries.sort();
        for (const QString& entry : entries) {
            const QFileInfo info(entry);
            QByteArray bytes;
            QFile file(entry);
            if (info.isFile() && file.open(QIODevice::ReadOnly))
                bytes = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
            lines.push_back(
                QStringLiteral("%1 %2 %3")
                    .arg(entry, info.lastModified().toUTC().toString(Qt::ISODateWithMs), QString::fromLatin1(bytes))
                    .toStdString());
        }
        const QString attrib = QString::fromLocal8Bit(
            Wine({QStringLiteral("cmd"), QStringLiteral("/c"), QStringLiteral("attrib"), QStringLiteral("/s"),
                  QStringLiteral("/d"), place.windows + QStringLiteral("\\*")}));
        for (const QString& line : attrib.split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts))
            lines.push_back("attrib " + line.toStdString());
    }
    for (const QString& key : keys) {
        const QString file = work + QStringLiteral("/export.reg");
        QFile::remove(file);
        Wine({QStringLiteral("reg"), QStringLiteral("export"), key,
              QStringLiteral("Z:") + QString(file).replace('/', '\\'), QStringLiteral("/reg:64"),
              QStringLiteral("/y")});
        QFile exported(file);
        // UTF-16 after its byte order mark; one line per value.
        QString text = QStringLiteral("missing");
        if (exported.open(QIODevice::ReadOnly)) {
            const QByteArray bytes = exported.readAll().mid(2);
            text = QString::fromUtf16(reinterpret_cast<const ushort*>(bytes.constData()), bytes.size() / 2);
        }
        for (const QString& line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
            lines.push_back(key.toStdString() + " " + line.toStdString());
    }
    return lines;
}

TEST(RestoreE2ETest, CleanThenRestoreGivesBackTheTreeAndTheRegistry) {
    const QString user = UserName();
    ASSERT_FALSE(user.isEmpty());
    const std::vector<Place> places = {
        {QStringLiteral("C:\\Program Files\\Restore App"), DriveC() + QStringLiteral("/Program Files/Restore App")},
        {QStringLiteral("C:\\users\\%1\\AppData\\Roaming\\Restore App").arg(user),
         DriveC() + QStringLiteral("/users/%1/AppData/Roaming/Restore App").arg(user)},
        {QStringLiteral("C:\\users\\%1\\AppData\\Local\\Restore App").arg(user),
         DriveC() + QStringLiteral("/users/%1/AppData/Local/Restore App").arg(user)},
        {QStringLiteral("C:\\Program Files\\Keep App"), DriveC() + QStringLiteral("/Program Files/Keep App")},
    };
    Write(places[0].linux + QStringLiteral("/app.exe"), QByteArray("MZ\0\1\2\xff restore", 16));
    Write(places[0].linux + QStringLiteral("/readme.txt"), "read me\r\n");
    Write(places[0].linux + QStringLiteral("/plugins/tool.dll"), QByteArray(70000, '\x5a'));
    Write(places[1].linux + QStringLiteral("/settings.ini"), "[main]\r\nfirst=1\r\n");
    Write(places[2].linux + QStringLiteral("/cache/c.bin"), QByteArray("\0\0cache", 7));
    Write(places[3].linux + QStringLiteral("/keep.exe"), "MZ keep");
    Wine({QStringLiteral("cmd"), QStringLiteral("/c"), QStringLiteral("attrib"), QStringLiteral("+r"),
          places[0].windows + QStringLiteral("\\readme.txt")});
    Wine({QStringLiteral("cmd"), QStringLiteral("/c"), QStringLiteral("attrib"), QStringLiteral("+a"),
          places[1].windows + QStringLiteral("\\settings.ini")});
    const QString uninstall = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\");
    const QStringList keys = {
        QStringLiteral("HKLM\\") + uninstall + QStringLiteral("RestoreApp"),
        QStringLiteral("HKLM\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\RestoreApp"),
        QStringLiteral("HKCU\\") + uninstall + QStringLiteral("RestoreApp"),
        QStringLiteral("HKCU\\Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache"),
        QStringLiteral("HKLM\\") + uninstall + QStringLiteral("KeepApp"),
    };
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    const std::vector<std::string> before = Snapshot(places, keys, work.path());

    const CliResult clean = Cli({QStringLiteral("clean"), QStringLiteral("Restore App"), QStringLiteral("--json")});
    ASSERT_TRUE(clean.finished);
    ASSERT_EQ(clean.exitCode, 0) << clean.out.constData() << clean.err.constData();
    const QString id = Json(clean).object()[QStringLiteral("restorePoint")].toString();
    ASSERT_FALSE(id.isEmpty()) << clean.out.constData();
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(QFileInfo::exists(places[i].linux)) << places[i].linux.toStdString();
    EXPECT_TRUE(QFileInfo::exists(places[3].linux + QStringLiteral("/keep.exe")));
    // The store lies in the user's data folder, outside the prefix.
    const QString store = Home() + QStringLiteral("/.local/share/tolvanire-uninstaller/restore");
    const QStringList prefixes = QDir(store).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(prefixes.size(), 1);
    EXPECT_TRUE(QFileInfo::exists(store + QLatin1Char('/') + prefixes[0] + QLatin1Char('/') + id +
                                  QStringLiteral("/files/C/Program Files/Restore App/app.exe")));

    const CliResult list = Cli({QStringLiteral("restore"), QStringLiteral("--list"), QStringLiteral("--json")});
    ASSERT_EQ(list.exitCode, 0) << list.err.constData();
    const QJsonArray points = Json(list).array();
    ASSERT_EQ(points.size(), 1) << list.out.constData();
    const QJsonObject point = points[0].toObject();
    EXPECT_EQ(point[QStringLiteral("id")].toString(), id);
    EXPECT_EQ(point[QStringLiteral("programs")].toArray(), QJsonArray{QStringLiteral("Restore App")});
    EXPECT_EQ(point[QStringLiteral("sizeBytes")].toDouble(), 16 + 9 + 70000 + 17 + 7);
    EXPECT_GE(point[QStringLiteral("items")].toInt(), 12);

    const CliResult restore = Cli({QStringLiteral("restore"), id, QStringLiteral("--json")});
    ASSERT_EQ(restore.exitCode, 0) << restore.out.constData() << restore.err.constData();
    const QJsonObject outcome = Json(restore).object();
    EXPECT_EQ(outcome[QStringLiteral("existing")].toArray().size(), 0);
    EXPECT_FALSE(outcome[QStringLiteral("pointKept")].toBool());
    const std::vector<std::string> after = Snapshot(places, keys, work.path());
    EXPECT_EQ(after, before);
    for (size_t i = 0; i < std::max(after.size(), before.size()); ++i)
        if (i >= after.size() || i >= before.size() || after[i] != before[i])
            ADD_FAILURE() << "before: " << (i < before.size() ? before[i] : "-")
                          << "\nafter:  " << (i < after.size() ? after[i] : "-");

    // The point is gone; asking for it again is an unknown name.
    const CliResult again = Cli({QStringLiteral("restore"), id});
    EXPECT_EQ(again.exitCode, 4) << again.err.constData();
    EXPECT_TRUE(again.err.contains("no restore point")) << again.err.constData();
}

} // namespace
