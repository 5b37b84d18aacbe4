// One instance per user: a second start of the real program exits with 0
// after asking the first one, here this test process, to raise its window.
#include <QLockFile>
#include <QtTest>

#include "shell/SingleInstance.h"

class SingleInstanceTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        key = QStringLiteral("tolvanire-test-%1-%2").arg(QCoreApplication::applicationPid()).arg(++round);
        qputenv("TOLVANIRE_INSTANCE_KEY", key.toUtf8());
    }

    void secondStartRaisesFirstAndExits();
    void onlyOneOfTwoInProcess();
    void laterStartRaisesOnlyTheInstanceOfItsKey();
    void droppedClaimLetsTheNextOneIn();
    void staleLockOfDeadProcess();

private:
    QString key;
    int round = 0;
};

void SingleInstanceTest::secondStartRaisesFirstAndExits() {
    CSingleInstance first;
    QVERIFY(first.Check());
    QWidget window;
    window.resize(300, 200);
    window.show();
    window.showMinimized();
    first.SetWindow(&window);
    QSignalSpy raised(&first, &CSingleInstance::RaiseRequested);

    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TOLVANIRE_INSTANCE_KEY"), key);
#ifdef _WIN32
    // The program carries only the platform plugin of the Windows desktop.
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
#else
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
#endif
    // Nobody clicks the box that says the program runs already: close it
    // the way the dialog title bars do.
    env.insert(QStringLiteral("TOLVANIRE_AUTOCLOSE_DIALOGS_MS"), QStringLiteral("200"));
    second.setProcessEnvironment(env);
    second.setProcessChannelMode(QProcess::ForwardedChannels);
    second.start(QStringLiteral(TOLVANIRE_PROGRAM), QStringList());
    QVERIFY(second.waitForStarted(10000));
    // The first instance answers from its event loop, so spin it.
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 30000);

    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(raised.count(), 1);
    QVERIFY(!window.isMinimized());
    QVERIFY(window.isVisible());
}

void SingleInstanceTest::onlyOneOfTwoInProcess() {
    CSingleInstance first;
    CSingleInstance second;
    QVERIFY(first.Check());
    QSignalSpy raised(&first, &CSingleInstance::RaiseRequested);
    // Asks from the same thread: a socket's request is handled right after
    // the wait, a window message (Windows) at once.
    QVERIFY(!second.Check());
    QTRY_COMPARE(raised.count(), 1);
}

void SingleInstanceTest::laterStartRaisesOnlyTheInstanceOfItsKey() {
    CSingleInstance mine;
    QVERIFY(mine.Check());
    QSignalSpy mineRaised(&mine, &CSingleInstance::RaiseRequested);
    // Another instance under another key, claimed after this one (a test
    // run beside the real program, say).
    qputenv("TOLVANIRE_INSTANCE_KEY", (key + QStringLiteral("-other")).toUtf8());
    CSingleInstance other;
    QVERIFY(other.Check());
    QSignalSpy otherRaised(&other, &CSingleInstance::RaiseRequested);

    qputenv("TOLVANIRE_INSTANCE_KEY", key.toUtf8());
    CSingleInstance later;
    QVERIFY(!later.Check());
    QTRY_COMPARE(mineRaised.count(), 1);
    QCOMPARE(otherRaised.count(), 0);
}

void SingleInstanceTest::droppedClaimLetsTheNextOneIn() {
    {
        CSingleInstance first;
        QVERIFY(first.Check());
    }
    CSingleInstance next;
    QVERIFY(next.Check());
}

void SingleInstanceTest::staleLockOfDeadProcess() {
    // A lock file left by a crashed instance names a process that is gone.
    QFile stale(QDir::temp().filePath(key + QStringLiteral(".lock")));
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.write("2147480000\ntolvanire-uninstaller\n\n");
    stale.close();

    CSingleInstance instance;
    QVERIFY(instance.Check());
}

QTEST_MAIN(SingleInstanceTest)
#include "tst_singleinstance.moc"
