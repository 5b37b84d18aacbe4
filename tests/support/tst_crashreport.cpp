// A crash of a program that links the crash handler leaves a readable report
// "zelwudump0.txt" beside the program, whatever its working directory, and
// the process still dies of its signal.
#include <QtTest>
#include <csignal>

class CrashReportTest : public QObject {
    Q_OBJECT
private slots:
    void reportBesideProgram_data();
    void reportBesideProgram();
};

void CrashReportTest::reportBesideProgram_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("signalLine");
    QTest::newRow("segmentation fault") << "segfault" << QStringLiteral("signal: %1 (SIGSEGV)").arg(SIGSEGV);
    QTest::newRow("abort") << "abort" << QStringLiteral("signal: %1 (SIGABRT)").arg(SIGABRT);
}

void CrashReportTest::reportBesideProgram() {
    QFETCH(QString, how);
    QFETCH(QString, signalLine);

    QTemporaryDir programDir;
    QTemporaryDir workDir;
    QVERIFY(programDir.isValid() && workDir.isValid());
    const QString program = programDir.filePath(QStringLiteral("crashreport"));
    QVERIFY(QFile::copy(QStringLiteral(TOLVANIRE_CRASH_PROGRAM), program));
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // In a sanitizer build the sanitizer must not take the signal first.
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("handle_segv=0:handle_abort=0:detect_leaks=0"));
    // UBSan would stop at the deliberate null store before it faults.
    env.insert(QStringLiteral("UBSAN_OPTIONS"), QStringLiteral("halt_on_error=0"));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(workDir.path());
    process.start(program, {how});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::CrashExit);

    QVERIFY(!QFile::exists(workDir.filePath(QStringLiteral("zelwudump0.txt"))));
    QFile report(programDir.filePath(QStringLiteral("zelwudump0.txt")));
    QVERIFY2(report.open(QIODevice::ReadOnly), "no zelwudump0.txt beside the program");
    const QString text = QString::fromUtf8(report.readAll());
    QVERIFY2(text.contains(signalLine), qPrintable(text));
    QVERIFY2(text.contains(QLatin1String("backtrace:\n")), qPrintable(text));
    QVERIFY2(text.contains(QLatin1String("CrashHere")), qPrintable(text));
    QVERIFY(!QFile::exists(programDir.filePath(QStringLiteral("zelwudump1.txt"))));
}

QTEST_MAIN(CrashReportTest)
#include "tst_crashreport.moc"
