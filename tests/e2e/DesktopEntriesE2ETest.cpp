// The Linux side of a deep clean end to end: Wine's menu builder wrote menu
// entries, desktop launchers, .menu and .directory files and icons into the
// sandbox home for the programs of two prefixes whose paths begin alike
// (desktop-entries-setup.sh). "uninstall --clean" of one program must take
// exactly its own and leave the other program of its prefix, the other
// prefix's program and a launcher the user made; "restore" of its point
// brings them back as they were.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include "CliRunner.h"

namespace {

QString Work() {
    return qEnvironmentVariable("TOLVANIRE_DESKTOP_WORK");
}
QString Home() {
    return Work() + QStringLiteral("/home");
}
QString Prefix() {
    return Work() + QStringLiteral("/prefix");
}

CliResult Cli(const QStringList& arguments) {
    return CCliRunner::Run(arguments + QStringList{QStringLiteral("--prefix"), Prefix()},
                           CCliRunner::WineEnvironment(Prefix(), Home()), 240000);
}

QString IconName(const QString& launcher) {
    QFile file(launcher);
    if (!file.open(QIODevice::ReadOnly)) return QString();
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith("Icon=")) return QString::fromUtf8(line.mid(5));
    return QString();
}

// What Wine wrote in the home for a program's two shortcuts, icons included.
QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList MenuFiles(const QString& name) {
    const QString menuEntry =
        Home() + QStringLiteral("/.local/share/applications/wine/Programs/%1/%1.desktop").arg(name);
    QStringList files{
        menuEntry,
        Home() + QStringLiteral("/Bureau/%1.desktop").arg(name),
        Home() + QStringLiteral("/.config/menus/applications-merged/wine-Programs-%1-%1.menu").arg(name),
        Home() + QStringLiteral("/.local/share/desktop-directories/wine-Programs-%1.directory").arg(name),
    };
    const QString icon = IconName(menuEntry);
    QDirIterator icons(Home() + QStringLiteral("/.local/share/icons/hicolor"), QStringList{icon + QStringLiteral(".*")},
                       QDir::Files, QDirIterator::Subdirectories);
    while (!icon.isEmpty() && icons.hasNext())
        files << icons.next();
    return files;
}

TEST(DesktopEntriesE2ETest, DeepCleanTakesTheProgramsMenuEntriesLaunchersAndIconsOnly) {
    const QStringList gone = MenuFiles(QStringLiteral("Acme Notes"));
    QStringList kept = MenuFiles(QStringLiteral("Acme Notes Lite")) + MenuFiles(QStringLiteral("Cobalt Draw"));
    // Each program got its entry, launcher, .menu, .directory and an icon.
    ASSERT_GE(gone.size(), 5) << gone.join(QLatin1Char('\n')).toStdString();
    ASSERT_GE(kept.size(), 10) << kept.join(QLatin1Char('\n')).toStdString();
    QList<QByteArray> goneBytes;
    for (const QString& path : gone + kept)
        ASSERT_TRUE(QFileInfo::exists(path)) << "Wine did not write " << path.toStdString();
    for (const QString& path : gone)
        goneBytes << Bytes(path);
    ASSERT_TRUE(QFile::exists(Work() + QStringLiteral("/prefix2/system.reg")));
    // Wine's own menu folders, which every program's .menu names.
    kept << Home() + QStringLiteral("/.local/share/desktop-directories/wine-wine.directory")
         << Home() + QStringLiteral("/.local/share/desktop-directories/wine-Programs.directory");

    // A launcher the user made for the program's executable.
    const QString handMade = Home() + QStringLiteral("/Bureau/My Notes.desktop");
    QFile file(handMade);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Desktop Entry]\nName=My Notes\nType=Application\nExec=env WINEPREFIX=\"" + Prefix().toUtf8() +
               "\" wine \"C:\\\\\\\\Program Files\\\\\\\\Acme Notes\\\\\\\\notes.exe\"\n");
    file.close();
    kept << handMade;

    // The list shows them as their own kind.
    const CliResult listed = Cli({QStringLiteral("leftovers"), QStringLiteral("Acme Notes"), QStringLiteral("--json")});
    ASSERT_EQ(listed.exitCode, 0) << listed.err.constData();
    QStringList linuxItems;
    for (const QJsonValue& value : QJsonDocument::fromJson(listed.out).array())
        if (value.toObject()[QStringLiteral("kind")].toString() == QStringLiteral("linuxDesktop"))
            linuxItems << value.toObject()[QStringLiteral("target")].toString();
    linuxItems.sort();
    QStringList expected = gone;
    expected.sort();
    EXPECT_EQ(linuxItems.join(QLatin1Char('\n')).toStdString(), expected.join(QLatin1Char('\n')).toStdString());

    const CliResult result = Cli({QStringLiteral("uninstall"), QStringLiteral("Acme Notes"), QStringLiteral("--clean"),
                                  QStringLiteral("--json")});
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0) << result.out.constData() << result.err.constData();
    const QJsonArray reports = QJsonDocument::fromJson(result.out).array();
    ASSERT_EQ(reports.size(), 1) << result.out.constData();
    const QJsonObject report = reports[0].toObject();
    EXPECT_EQ(report[QStringLiteral("outcome")].toString().toStdString(), "removed");
    EXPECT_TRUE(report[QStringLiteral("leftoversNotDeleted")].toArray().isEmpty()) << result.out.constData();
    QStringList deleted;
    for (const QJsonValue& value : report[QStringLiteral("leftoversDeleted")].toArray())
        if (value.toObject()[QStringLiteral("kind")].toString() == QStringLiteral("linuxDesktop"))
            deleted << value.toObject()[QStringLiteral("target")].toString();
    deleted.sort();
    EXPECT_EQ(deleted.join(QLatin1Char('\n')).toStdString(), expected.join(QLatin1Char('\n')).toStdString());

    for (const QString& path : gone)
        EXPECT_FALSE(QFileInfo::exists(path)) << path.toStdString();
    EXPECT_FALSE(QFileInfo::exists(Home() + QStringLiteral("/.local/share/applications/wine/Programs/Acme Notes")));
    for (const QString& path : kept)
        EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();

    // They went into the clean's restore point, and come back from it.
    const QString id = report[QStringLiteral("restorePoint")].toString();
    ASSERT_FALSE(id.isEmpty()) << result.out.constData();
    const CliResult restored = Cli({QStringLiteral("restore"), id, QStringLiteral("--json")});
    EXPECT_EQ(restored.exitCode, 0) << restored.out.constData() << restored.err.constData();
    const QJsonObject outcome = QJsonDocument::fromJson(restored.out).object();
    EXPECT_TRUE(outcome[QStringLiteral("existing")].toArray().isEmpty()) << restored.out.constData();
    EXPECT_FALSE(outcome[QStringLiteral("pointKept")].toBool()) << restored.out.constData();
    for (int i = 0; i < gone.size(); ++i)
        EXPECT_EQ(Bytes(gone[i]), goneBytes[i]) << gone[i].toStdString();
}

} // namespace
