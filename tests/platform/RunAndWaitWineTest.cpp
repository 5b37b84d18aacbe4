// The Windows backend's RunAndWatch under Wine, through runwait_probe.exe,
// with runwait_helper.exe standing in for uninstallers: it waits for the
// copy an uninstaller starts before it exits, and for Windows Installer;
// it does not wait for a process that breaks away, the browser or the
// shell. It names the processes it waits for, and a stop ends the wait at
// once and ends no process. The prefix ($WINEPREFIX) has the stand-in browser
// registered for http.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QThread>
#include <gtest/gtest.h>

namespace {

struct ProbeResult {
    bool ran = false;
    uint32_t result = 0;
    int started = -1;
    uint32_t error = 0;
    uint32_t exitCode = 0;
    int marker = -1;
    uint32_t ms = 0;
    int stopped = -1;
    QStringList heard;
    QString output;
};

QString BinDir() {
    return QStringLiteral(TOLVANIRE_BIN_DIR);
}

QString DriveC() {
    return qEnvironmentVariable("WINEPREFIX") + QStringLiteral("/drive_c");
}

ProbeResult Probe(const QString& command, const QString& marker, const QString& stop) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TOLVANIRE_PROBE_COMMAND"), command);
    environment.insert(QStringLiteral("TOLVANIRE_PROBE_MARKER"), marker);
    if (!stop.isEmpty()) environment.insert(QStringLiteral("TOLVANIRE_PROBE_STOP"), stop);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral("wine"), {BinDir() + QStringLiteral("/runwait_probe.exe")});
    ProbeResult probe;
    if (!process.waitForFinished(180000)) {
        process.kill();
        process.waitForFinished();
        return probe;
    }
    probe.output = QString::fromLocal8Bit(process.readAllStandardOutput());
    const QRegularExpression line(QStringLiteral(
        "result=(\\d+) started=(\\d) error=(\\d+) exit=(\\d+) marker=(\\d) ms=(\\d+) stopped=(\\d) heard=(\\S*)"));
    const QRegularExpressionMatch match = line.match(probe.output);
    if (!match.hasMatch()) return probe;
    probe.ran = true;
    probe.result = match.captured(1).toUInt();
    probe.started = match.captured(2).toInt();
    probe.error = match.captured(3).toUInt();
    probe.exitCode = match.captured(4).toUInt();
    probe.marker = match.captured(5).toInt();
    probe.ms = match.captured(6).toUInt();
    probe.stopped = match.captured(7).toInt();
    probe.heard = match.captured(8).split(QLatin1Char(','), Qt::SkipEmptyParts);
    return probe;
}

struct WaitCase {
    const char* name;
    const char* command; // run in the prefix; C:\runwait holds the stand-ins
    const char* marker;
    int started;
    uint32_t error;
    uint32_t exitCode;
    int markerAtEnd; // 1: the marker is there when the wait ends; -1: not checked then
    uint32_t minMs;
    uint32_t maxMs;
    bool markerLater = false; // the marker must appear within 20 s after the wait
    const char* stop = "";    // TOLVANIRE_PROBE_STOP; the outcome says stopped when set
    const char* heard = "";   // a program file the wait must have named
};

void PrintTo(const WaitCase& c, std::ostream* os) {
    *os << c.name;
}

class RunAndWaitWineTest : public ::testing::TestWithParam<WaitCase> {
protected:
    static void SetUpTestSuite() {
        // The stand-ins under the names the cases need: the installer's
        // name makes the wait look at its mutex, the browser's is the one
        // the prefix registered for http.
        QDir().mkpath(DriveC() + QStringLiteral("/runwait"));
        for (const char* name : {"helper.exe", "msiexec.exe", "fakebrowser.exe"}) {
            const QString target = DriveC() + QStringLiteral("/runwait/") + QLatin1String(name);
            QFile::remove(target);
            QFile::copy(BinDir() + QStringLiteral("/runwait_helper.exe"), target);
        }
    }
};

TEST_P(RunAndWaitWineTest, WaitsForTheWholeUninstaller) {
    const WaitCase& c = GetParam();
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("WINEPREFIX"));
    const ProbeResult probe =
        Probe(QString::fromLatin1(c.command), QString::fromLatin1(c.marker), QString::fromLatin1(c.stop));
    ASSERT_TRUE(probe.ran) << probe.output.toStdString();
    EXPECT_EQ(probe.result, 0u);
    EXPECT_EQ(probe.started, c.started);
    EXPECT_EQ(probe.error, c.error);
    EXPECT_EQ(probe.exitCode, c.exitCode);
    if (c.markerAtEnd >= 0) {
        EXPECT_EQ(probe.marker, c.markerAtEnd) << probe.output.toStdString();
    }
    EXPECT_GE(probe.ms, c.minMs);
    EXPECT_LE(probe.ms, c.maxMs);
    EXPECT_EQ(probe.stopped, *c.stop ? 1 : 0);
    if (*c.heard) {
        EXPECT_TRUE(probe.heard.contains(QLatin1String(c.heard), Qt::CaseInsensitive)) << probe.output.toStdString();
    }
    if (c.markerLater) {
        // Proof that the process that was not waited for did run.
        const QString linuxMarker = DriveC() + QStringLiteral("/") +
                                    QString::fromLatin1(c.marker).mid(3).replace(QLatin1Char('\\'), QLatin1Char('/'));
        bool appeared = false;
        for (int i = 0; i < 200 && !appeared; ++i) {
            appeared = QFile::exists(linuxMarker);
            if (!appeared) QThread::msleep(100);
        }
        EXPECT_TRUE(appeared) << linuxMarker.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, RunAndWaitWineTest,
    testing::Values(
        WaitCase{"ExitCodeOfTheStartedProcess", "C:\\runwait\\helper.exe exit 7", "", 1, 0, 7, 0, 0, 30000},
        WaitCase{"MissingProgramFailsToStart", "\"C:\\runwait\\missing.exe\" /S", "", 0, 2, 0, 0, 0, 30000},
        // Exits at once; its copy in the temp folder works for 4 s.
        WaitCase{"RelaunchedCopyIsWaitedFor", "C:\\runwait\\helper.exe relaunch 4000 C:\\runwait\\relaunch.txt",
                 "C:\\runwait\\relaunch.txt", 1, 0, 0, 1, 3500, 60000, false, "", "Au_.exe"},
        // A child that asks to leave the job works for 20 s.
        WaitCase{"BreakawayIsNotWaitedFor", "C:\\runwait\\helper.exe breakaway 20000 C:\\runwait\\breakaway.txt",
                 "C:\\runwait\\breakaway.txt", 1, 0, 0, 0, 0, 15000},
        // The browser it opens notes its start and stays for a minute.
        WaitCase{"BrowserIsNotWaitedFor", "C:\\runwait\\helper.exe browser http://example.invalid/",
                 "C:\\runwait\\browser.txt", 1, 0, 0, -1, 0, 40000, true},
        // The folder window it opens stays open in the job after it ended.
        WaitCase{"ShellIsNotWaitedFor", "C:\\runwait\\helper.exe shell 2000 C:\\runwait\\shell.txt",
                 "C:\\runwait\\shell.txt", 1, 0, 0, 1, 1500, 15000},
        // msiexec: the installer's mutex is held for 4 s outside the job.
        WaitCase{"InstallerIsWaitedForUntilIdle", "C:\\runwait\\msiexec.exe holdmutex 4000 C:\\runwait\\mutex.txt",
                 "C:\\runwait\\mutex.txt", 1, 0, 0, 1, 3500, 60000},
        WaitCase{"OtherProgramsDoNotWaitForTheInstaller",
                 "C:\\runwait\\helper.exe holdmutex 15000 C:\\runwait\\mutex2.txt", "C:\\runwait\\mutex2.txt", 1, 0, 0,
                 0, 0, 12000},
        // Stopped once the first process ended: its copy goes on with its
        // 6 s of work, not ended.
        WaitCase{"StopOnceTheFirstEndedLeavesTheCopyRunning",
                 "C:\\runwait\\helper.exe relaunch 6000 C:\\runwait\\leftcopy.txt", "C:\\runwait\\leftcopy.txt", 1, 0,
                 0, 0, 0, 4000, true, "first"},
        // Stopped after a second while the first process works for 5 s.
        WaitCase{"StopWhileTheFirstRunsEndsNothing", "C:\\runwait\\helper.exe child 5000 C:\\runwait\\stopfirst.txt",
                 "C:\\runwait\\stopfirst.txt", 1, 0, 259, 0, 900, 4000, true, "1000", "helper.exe"}),
    [](const testing::TestParamInfo<WaitCase>& info) { return std::string(info.param.name); });

} // namespace
