// The real program as a process: its command line, and its start on
// prefixes it cannot use. --help and --version print without a display; a
// bad option prints the usage and ends with 2. Without a usable prefix it
// says why in a message box and ends with 1, and creates nothing: each row
// runs with a sandbox home whose content is compared before and after.
#include <QDirIterator>
#include <QtTest>

namespace {

QStringList Contents(const QString& root) {
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        entries << it.next();
    entries.sort();
    return entries;
}

} // namespace

class ProgramTest : public QObject {
    Q_OBJECT
private slots:
    void startDecisions_data();
    void startDecisions();
};

void ProgramTest::startDecisions_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("wineprefix"); // "-": not set
    QTest::addColumn<QString>("layout");     // what the sandbox holds first
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("--help") << QStringList{"--help"} << "-"
                            << "" << 0 << "Usage: tolvanire-uninstaller [--prefix DIR]"
                            << "";
    QTest::newRow("-h") << QStringList{"-h"} << "-"
                        << "" << 0 << "--version"
                        << "";
    QTest::newRow("--version") << QStringList{"--version"} << "-"
                               << "" << 0 << "tolvanire-uninstaller 3.2"
                               << "";
    QTest::newRow("unknown option") << QStringList{"--bogus"} << "-"
                                    << "" << 2 << ""
                                    << "Unknown option 'bogus'";
    QTest::newRow("stray argument") << QStringList{"extra"} << "-"
                                    << "" << 2 << ""
                                    << "Unexpected argument 'extra'";
    QTest::newRow("--prefix without a folder") << QStringList{"--prefix"} << "-"
                                               << "" << 2 << ""
                                               << "Missing value after '--prefix'";
    QTest::newRow("no prefix at all, no ~/.wine") << QStringList() << "-"
                                                  << "" << 1 << ""
                                                  << "";
    QTest::newRow("~/.wine without system.reg") << QStringList() << "-"
                                                << "home/.wine/" << 1 << ""
                                                << "";
    QTest::newRow("WINEPREFIX that does not exist") << QStringList() << "gone"
                                                    << "" << 1 << ""
                                                    << "";
    QTest::newRow("--prefix that does not exist") << QStringList{"--prefix", "no/such/prefix"} << "-"
                                                  << "" << 1 << ""
                                                  << "";
    QTest::newRow("--prefix that is a file") << QStringList{"--prefix", "file"} << "-"
                                             << "file*" << 1 << ""
                                             << "";
    QTest::newRow("--prefix that is no prefix") << QStringList{"--prefix", "plain"} << "plain"
                                                << "plain/" << 1 << ""
                                                << "";
    // Passes the check; the Wine host then fails on it (and Wine may write
    // into the prefix it was given).
    QTest::newRow("broken registry files") << QStringList{"--prefix", "broken"} << "-"
                                           << "broken" << 1 << ""
                                           << "";
}

void ProgramTest::startDecisions() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, wineprefix);
    QFETCH(QString, layout);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QTemporaryDir sandbox;
    QVERIFY(sandbox.isValid());
    const QString root = sandbox.path();
    QVERIFY(QDir().mkpath(root + QStringLiteral("/home")));
    for (const QString& entry : layout.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        QString path = root + QLatin1Char('/') + entry;
        if (path.endsWith(QLatin1Char('*'))) {
            path.chop(1);
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("not a prefix");
        } else if (path.endsWith(QLatin1Char('/'))) {
            QVERIFY(QDir().mkpath(path));
        } else {
            QVERIFY(QDir().mkpath(path));
            for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) {
                QFile file(path + QLatin1Char('/') + QLatin1String(name));
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write("\x01garbage\n");
            }
        }
    }
    const QStringList before = Contents(root);

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
    env.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    env.remove(QStringLiteral("WINEPREFIX"));
    if (wineprefix != QLatin1String("-")) env.insert(QStringLiteral("WINEPREFIX"), wineprefix);
    env.insert(QStringLiteral("TOLVANIRE_INSTANCE_KEY"),
               QStringLiteral("tolvanire-test-program-%1").arg(QCoreApplication::applicationPid()));
    if (exitCode == 1) {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // Closes the failure box the way its title bar would.
        env.insert(QStringLiteral("TOLVANIRE_AUTOCLOSE_DIALOGS_MS"), QStringLiteral("1500"));
    } else {
        // Printing needs no display at all.
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    }
    program.setProcessEnvironment(env);
    // Relative folders are taken from the working directory.
    program.setWorkingDirectory(root);
    program.start(QStringLiteral(TOLVANIRE_PROGRAM), arguments);
    QVERIFY(program.waitForStarted(10000));
    QVERIFY2(program.waitForFinished(120000), "the program hung");
    const QString stdoutText = QString::fromLocal8Bit(program.readAllStandardOutput());
    const QString stderrText = QString::fromLocal8Bit(program.readAllStandardError());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), exitCode);
    QVERIFY2(stdoutText.contains(out), qPrintable(stdoutText));
    QVERIFY2(stderrText.contains(err), qPrintable(stderrText));
    if (exitCode == 2) QVERIFY(stderrText.contains(QStringLiteral("Usage: tolvanire-uninstaller")));
    if (layout != QLatin1String("broken")) QCOMPARE(Contents(root), before);
}

QTEST_MAIN(ProgramTest)
#include "tst_program.moc"
