// The real program, started as a process on Wine prefixes it cannot use:
// it says why in a message box and ends with a failure status instead of
// waiting behind its splash.
#include <QtTest>

class ProgramTest : public QObject {
    Q_OBJECT
private slots:
    void unusablePrefix_data();
    void unusablePrefix();
};

void ProgramTest::unusablePrefix_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("parent folder missing") << "missing";
    QTest::newRow("a file, not a folder") << "file";
    QTest::newRow("broken registry files") << "garbage";
}

void ProgramTest::unusablePrefix() {
    QFETCH(QString, kind);
    QTemporaryDir work;
    QVERIFY(work.isValid());
    QString prefix;
    if (kind == QLatin1String("missing")) {
        prefix = work.filePath(QStringLiteral("no/such/prefix"));
    } else if (kind == QLatin1String("file")) {
        prefix = work.filePath(QStringLiteral("prefix"));
        QFile file(prefix);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a prefix");
    } else {
        prefix = work.filePath(QStringLiteral("prefix"));
        QVERIFY(QDir().mkpath(prefix));
        for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) {
            QFile file(prefix + QLatin1Char('/') + QLatin1String(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("\x01garbage\n");
        }
    }

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), work.filePath(QStringLiteral("home")));
    env.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("TOLVANIRE_INSTANCE_KEY"),
               QStringLiteral("tolvanire-test-program-%1").arg(QCoreApplication::applicationPid()));
    // Closes the failure box the way its title bar would.
    env.insert(QStringLiteral("TOLVANIRE_AUTOCLOSE_DIALOGS_MS"), QStringLiteral("1500"));
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QStringLiteral(TOLVANIRE_PROGRAM), {QStringLiteral("--prefix"), prefix});
    QVERIFY(program.waitForStarted(10000));
    QVERIFY2(program.waitForFinished(120000), "the program hung on an unusable prefix");
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 1);
}

QTEST_MAIN(ProgramTest)
#include "tst_program.moc"
