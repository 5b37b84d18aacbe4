// "uninstall" end to end: real NSIS uninstallers that relaunch themselves
// from the temp folder and work for a few seconds, one that
// quits at once as when cancelled, and an unrelated program, all in one
// prefix. Each test runs its own programs, so they may share the prefix.
// Every uninstaller process logs "start <its path>" and "end" into
// C:\TolvanireRunLog\<key>.txt (tests/fixtures/nsis/runner/runner.nsh).

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

#include "CliRunner.h"

namespace {

QString Prefix() {
    return qEnvironmentVariable("TOLVANIRE_UNINSTALL_PREFIX");
}
QString DriveC() {
    return Prefix() + QStringLiteral("/drive_c");
}
QProcessEnvironment Environment() {
    return CCliRunner::WineEnvironment(Prefix(), qEnvironmentVariable("TOLVANIRE_UNINSTALL_HOME"));
}

CliResult Cli(const QStringList& arguments) {
    return CCliRunner::Run(arguments + QStringList{QStringLiteral("--prefix"), Prefix()}, Environment(), 240000);
}

QJsonArray JsonArray(const CliResult& result) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(result.out, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << result.out.constData() << result.err.constData();
    return document.array();
}

// The display names `list` shows.
QStringList Listed() {
    const CliResult result = Cli({QStringLiteral("list"), QStringLiteral("--json")});
    EXPECT_EQ(result.exitCode, 0) << result.err.constData();
    QStringList names;
    for (const QJsonValue& value : JsonArray(result))
        names << value.toObject()[QStringLiteral("displayName")].toString();
    return names;
}

// The lines the uninstaller processes of one program logged.
QStringList RunLog(const QString& key) {
    QFile file(DriveC() + QStringLiteral("/TolvanireRunLog/") + key + QStringLiteral(".txt"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    return lines;
}

QString UserName() {
    for (const QString& user : QDir(DriveC() + QStringLiteral("/users")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (user != QLatin1String("Public")) return user;
    return QString();
}

QString MuiCacheValues() {
    QProcess wine;
    wine.setProcessEnvironment(Environment());
    wine.start(QStringLiteral("wine"),
               {QStringLiteral("reg"), QStringLiteral("query"),
                QStringLiteral("HKCR\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache")});
    wine.waitForFinished(60000);
    return QString::fromLocal8Bit(wine.readAllStandardOutput());
}

struct Program {
    QString name;
    QString key;
    QString exe;
};

// Everything a program of runner.nsh puts on the machine, as Linux paths.
QStringList Footprint(const Program& program) {
    const QString user = UserName();
    return {
        DriveC() + QStringLiteral("/Program Files/") + program.name,
        DriveC() + QStringLiteral("/users/%1/AppData/Roaming/").arg(user) + program.name,
        DriveC() + QStringLiteral("/ProgramData/") + program.name,
        DriveC() + QStringLiteral("/ProgramData/Microsoft/Windows/Start Menu/Programs/") + program.name,
        DriveC() + QStringLiteral("/users/Public/Desktop/") + program.name + QStringLiteral(".lnk"),
    };
}

// The files of a program that nothing ran for.
QStringList Files(const Program& program) {
    const QString user = UserName();
    const QString folder = DriveC() + QStringLiteral("/Program Files/") + program.name;
    return {
        folder + QLatin1Char('/') + program.exe,
        folder + QStringLiteral("/readme.txt"),
        folder + QStringLiteral("/user.cfg"),
        folder + QStringLiteral("/uninst.exe"),
        DriveC() + QStringLiteral("/users/%1/AppData/Roaming/").arg(user) + program.name +
            QStringLiteral("/settings.ini"),
        DriveC() + QStringLiteral("/ProgramData/") + program.name + QStringLiteral("/library.db"),
        DriveC() + QStringLiteral("/ProgramData/Microsoft/Windows/Start Menu/Programs/") + program.name +
            QLatin1Char('/') + program.name + QStringLiteral(".lnk"),
        DriveC() + QStringLiteral("/users/Public/Desktop/") + program.name + QStringLiteral(".lnk"),
    };
}

void ExpectUntouched(const Program& program, const QStringList& listed, const QString& muiCache) {
    for (const QString& path : Files(program))
        EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();
    EXPECT_TRUE(listed.contains(program.name)) << program.name.toStdString();
    EXPECT_TRUE(muiCache.contains(program.exe + QStringLiteral(".FriendlyAppName"))) << program.name.toStdString();
}

// Whether a logged path is a copy the uninstaller made of itself in the
// temp folder (NSIS names it Un.exe, older versions Au_.exe).
bool TempCopy(const QString& logLine) {
    return logLine.startsWith(QStringLiteral("start ")) &&
           logLine.contains(QStringLiteral("\\Temp\\~nsu"), Qt::CaseInsensitive) &&
           logLine.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive);
}

// The uninstaller ran as NSIS runs it: the first process started its copy
// from the temp folder and left; the copy did the work to its end. (The
// first process runs no script code, so only the copy logs.)
void ExpectRelaunched(const Program& program) {
    const QStringList log = RunLog(program.key);
    ASSERT_EQ(log.size(), 2) << log.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(TempCopy(log[0])) << log[0].toStdString();
    EXPECT_EQ(log[1].toStdString(), "end");
}

const Program kCobalt{QStringLiteral("Cobalt Draw"), QStringLiteral("CobaltDraw"), QStringLiteral("draw.exe")};
const Program kAcme{QStringLiteral("Acme Notes"), QStringLiteral("AcmeNotes"), QStringLiteral("notes.exe")};
const Program kBirch{QStringLiteral("Birch Player"), QStringLiteral("BirchPlayer"), QStringLiteral("player.exe")};
const Program kLate{QStringLiteral("Late Clock"), QStringLiteral("LateClock"), QStringLiteral("clock.exe")};
const Program kQuill{QStringLiteral("Quill Writer"), QStringLiteral("QuillWriter"), QStringLiteral("quill.exe")};
const Program kLite{QStringLiteral("Acme Notes Lite"), QStringLiteral("AcmeNotesLite"),
                    QStringLiteral("notes-lite.exe")};
const Program kDune{QStringLiteral("Dune Reader"), QStringLiteral("DuneReader"), QStringLiteral("reader.exe")};

TEST(UninstallE2ETest, ThreeRelaunchingUninstallersRunOneAfterAnotherAndAreCleaned) {
    ASSERT_FALSE(UserName().isEmpty());
    QProcess cli;
    cli.setProcessEnvironment(Environment());
    cli.start(qEnvironmentVariable("TOLVANIRE_CLI"),
              {QStringLiteral("uninstall"), kCobalt.name, kAcme.name, kBirch.name, QStringLiteral("--clean"),
               QStringLiteral("--prefix"), Prefix()});
    ASSERT_TRUE(cli.waitForStarted(10000));
    // The terminal shows where the run is while it waits: when the second
    // program's line comes, the first is done and the second still works.
    QByteArray out;
    bool sawSecond = false;
    QElapsedTimer timer;
    timer.start();
    while (cli.state() != QProcess::NotRunning && timer.elapsed() < 240000) {
        cli.waitForReadyRead(200);
        out += cli.readAllStandardOutput();
        if (!sawSecond && out.contains("[2/3] Acme Notes: waiting for the uninstaller...\n")) {
            sawSecond = true;
            EXPECT_EQ(RunLog(kCobalt.key).value(1).toStdString(), "end");
            EXPECT_FALSE(RunLog(kAcme.key).contains(QStringLiteral("end"))) << "the line came after the wait";
            EXPECT_TRUE(RunLog(kBirch.key).isEmpty()) << "the third uninstaller started before the second ended";
        }
    }
    if (cli.state() != QProcess::NotRunning) {
        cli.kill();
        cli.waitForFinished(10000);
        FAIL() << "the run did not end\n" << out.constData();
    }
    out += cli.readAllStandardOutput();
    const QByteArray err = cli.readAllStandardError();
    EXPECT_TRUE(sawSecond) << out.constData();
    EXPECT_EQ(cli.exitCode(), 0) << out.constData() << err.constData();
    for (const char* line :
         {"[1/3] Cobalt Draw: waiting for the uninstaller...\n", "[1/3] Cobalt Draw: removing leftovers...\n",
          "[1/3] Cobalt Draw: removed (exit code 0), ", "[2/3] Acme Notes: removed (exit code 0), ",
          "[3/3] Birch Player: waiting for the uninstaller...\n", "[3/3] Birch Player: removed (exit code 0), ",
          "3 of 3 programs removed\n"})
        EXPECT_TRUE(out.contains(line)) << line << "\n" << out.constData();
    EXPECT_FALSE(out.contains("not deleted\t")) << out.constData();

    const QStringList listed = Listed();
    const QString muiCache = MuiCacheValues();
    for (const Program& program : {kCobalt, kAcme, kBirch}) {
        SCOPED_TRACE(program.name.toStdString());
        ExpectRelaunched(program);
        for (const QString& path : Footprint(program))
            EXPECT_FALSE(QFileInfo::exists(path)) << path.toStdString();
        EXPECT_FALSE(listed.contains(program.name));
        EXPECT_FALSE(muiCache.contains(QLatin1Char('\\') + program.exe + QStringLiteral(".FriendlyAppName")))
            << muiCache.toStdString();
    }
    // The folders that held them stay.
    for (const QString& path :
         {QStringLiteral("/Program Files"), QStringLiteral("/ProgramData"), QStringLiteral("/users/Public/Desktop")})
        EXPECT_TRUE(QFileInfo::exists(DriveC() + path)) << path.toStdString();
    ExpectUntouched(kLite, listed, muiCache);
    EXPECT_TRUE(RunLog(kLite.key).isEmpty());
}

// The program's uninstaller drops its uninstall key at once, then works for
// five seconds and writes a last file into its AppData folder. Had the run
// looked before the relaunched copy ended, it would have taken the program
// for removed and cleaned without that file, and the folder would remain.
TEST(UninstallE2ETest, RemovalCheckAndLeftoverScanWaitForTheRelaunchedCopy) {
    const QString lateFile =
        QStringLiteral("/users/%1/AppData/Roaming/Late Clock/uninstall-finished.txt").arg(UserName());
    QElapsedTimer timer;
    timer.start();
    const CliResult result =
        Cli({QStringLiteral("uninstall"), kLate.name, QStringLiteral("--clean"), QStringLiteral("--json")});
    const qint64 elapsed = timer.elapsed();
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0) << result.out.constData() << result.err.constData();
    EXPECT_GE(elapsed, 5000);
    ExpectRelaunched(kLate);

    const QJsonArray reports = JsonArray(result);
    ASSERT_EQ(reports.size(), 1);
    const QJsonObject report = reports[0].toObject();
    EXPECT_EQ(report[QStringLiteral("outcome")].toString().toStdString(), "removed");
    EXPECT_TRUE(report[QStringLiteral("leftoversCleaned")].toBool());
    EXPECT_TRUE(report[QStringLiteral("leftoversNotDeleted")].toArray().isEmpty());
    QStringList deleted;
    for (const QJsonValue& item : report[QStringLiteral("leftoversDeleted")].toArray())
        deleted << item.toObject()[QStringLiteral("target")].toString();
    EXPECT_TRUE(deleted.contains(QStringLiteral("C:") + QString(lateFile).replace(QLatin1Char('/'), QLatin1Char('\\'))))
        << deleted.join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(QFileInfo::exists(DriveC() + lateFile));
    for (const QString& path : Footprint(kLate))
        EXPECT_FALSE(QFileInfo::exists(path)) << path.toStdString();
}

// An uninstaller that quits at once, as when its user cancels: the program
// stays installed, nothing of it is deleted, and the run says so.
TEST(UninstallE2ETest, CancelledUninstallerLeavesEverything) {
    const CliResult result =
        Cli({QStringLiteral("uninstall"), kQuill.name, QStringLiteral("--clean"), QStringLiteral("--json")});
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 1) << result.out.constData() << result.err.constData();
    EXPECT_TRUE(result.err.contains("[1/1] Quill Writer: waiting for the uninstaller...\n")) << result.err.constData();
    const QJsonArray reports = JsonArray(result);
    ASSERT_EQ(reports.size(), 1);
    const QJsonObject report = reports[0].toObject();
    EXPECT_EQ(report[QStringLiteral("outcome")].toString().toStdString(), "stillInstalled");
    EXPECT_TRUE(report[QStringLiteral("started")].toBool());
    EXPECT_FALSE(report[QStringLiteral("removed")].toBool());
    EXPECT_FALSE(report[QStringLiteral("reason")].toString().isEmpty());
    EXPECT_FALSE(report[QStringLiteral("leftoversCleaned")].toBool());
    EXPECT_TRUE(report[QStringLiteral("leftoversDeleted")].toArray().isEmpty());

    // Its copy from the temp folder started and quit.
    ExpectRelaunched(kQuill);
    ExpectUntouched(kQuill, Listed(), MuiCacheValues());
}

TEST(UninstallE2ETest, UnknownNameRunsNothing) {
    const CliResult result =
        Cli({QStringLiteral("uninstall"), kLite.name, QStringLiteral("No Such Program"), QStringLiteral("--clean")});
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 4) << result.out.constData() << result.err.constData();
    EXPECT_TRUE(result.err.contains("no installed program is named 'No Such Program'")) << result.err.constData();
    EXPECT_FALSE(result.out.contains("waiting for the uninstaller")) << result.out.constData();
    EXPECT_TRUE(RunLog(kLite.key).isEmpty());
    ExpectUntouched(kLite, Listed(), MuiCacheValues());
}

// Its install folder deleted by hand, the program can no longer run its
// uninstaller: the run refuses it unless told to remove its entry in its
// place, and then removes the entry and every leftover, and nothing else.
TEST(UninstallE2ETest, ProgramWhoseFolderWasDeletedIsRemovedOnlyWhenForced) {
    const QString folder = DriveC() + QStringLiteral("/Program Files/") + kDune.name;
    ASSERT_TRUE(QFileInfo::exists(folder + QStringLiteral("/uninst.exe")));
    ASSERT_TRUE(QDir(folder).removeRecursively());

    const CliResult refused = Cli({QStringLiteral("uninstall"), kDune.name, QStringLiteral("--clean")});
    ASSERT_TRUE(refused.finished);
    EXPECT_EQ(refused.exitCode, 5) << refused.out.constData() << refused.err.constData();
    EXPECT_TRUE(refused.err.contains("the uninstaller of 'Dune Reader' is missing")) << refused.err.constData();
    EXPECT_TRUE(refused.err.contains("--force-missing")) << refused.err.constData();
    EXPECT_TRUE(Listed().contains(kDune.name));
    for (const QString& path : Footprint(kDune).mid(1))
        EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();

    const CliResult forced = Cli({QStringLiteral("uninstall"), kDune.name, QStringLiteral("--clean"),
                                  QStringLiteral("--force-missing"), QStringLiteral("--json")});
    ASSERT_TRUE(forced.finished);
    EXPECT_EQ(forced.exitCode, 0) << forced.out.constData() << forced.err.constData();
    const QJsonArray reports = JsonArray(forced);
    ASSERT_EQ(reports.size(), 1);
    const QJsonObject report = reports[0].toObject();
    EXPECT_EQ(report[QStringLiteral("outcome")].toString().toStdString(), "removed");
    EXPECT_TRUE(report[QStringLiteral("uninstallerMissing")].toBool());
    EXPECT_FALSE(report[QStringLiteral("started")].toBool());
    EXPECT_TRUE(report[QStringLiteral("leftoversNotDeleted")].toArray().isEmpty());
    const QJsonObject entry = report[QStringLiteral("leftoversDeleted")].toArray().first().toObject();
    EXPECT_EQ(entry[QStringLiteral("target")].toString().toStdString(),
              "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\DuneReader");
    EXPECT_EQ(entry[QStringLiteral("view")].toInt(), 64);
    EXPECT_TRUE(RunLog(kDune.key).isEmpty()) << "no uninstaller ran";

    const QStringList listed = Listed();
    const QString muiCache = MuiCacheValues();
    EXPECT_FALSE(listed.contains(kDune.name));
    for (const QString& path : Footprint(kDune))
        EXPECT_FALSE(QFileInfo::exists(path)) << path.toStdString();
    EXPECT_FALSE(muiCache.contains(QStringLiteral("\\reader.exe.FriendlyAppName"))) << muiCache.toStdString();
    ExpectUntouched(kLite, listed, muiCache);
}

} // namespace
