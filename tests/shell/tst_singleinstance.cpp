// One instance per user and Wine prefix: a second start of the real program
// for the same prefix exits with 0 after asking the first one, here this
// test process, to raise its window; a start for another prefix runs beside it.
#include <QLocalServer>
#include <QLockFile>
#include <QtTest>

#include "shell/SingleInstance.h"

#ifdef TOLVANIRE_PROGRAM
namespace {

#ifndef _WIN32
QProcessEnvironment ProgramEnvironment(const QString& key, const QString& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TOLVANIRE_INSTANCE_KEY"), key);
    env.insert(QStringLiteral("HOME"), home);
    env.remove(QStringLiteral("WINEPREFIX"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // The window's backend is never started: the splash holds it back while
    // the instance already holds its claim.
    env.insert(QStringLiteral("TOLVANIRE_SPLASH_HOLD_MS"), QStringLiteral("120000"));
    env.insert(QStringLiteral("TOLVANIRE_AUTOCLOSE_DIALOGS_MS"), QStringLiteral("200"));
    return env;
}
#endif

bool MakePrefix(const QString& folder) {
    QDir().mkpath(folder);
    QFile file(folder + QStringLiteral("/system.reg"));
    return file.open(QIODevice::WriteOnly) && file.write("WINE REGISTRY Version 2\n") > 0;
}

} // namespace
#endif

class SingleInstanceTest : public QObject {
    Q_OBJECT
private slots:
    void init() { key = QStringLiteral("tolvanire-test-%1-%2").arg(QCoreApplication::applicationPid()).arg(++round); }

    void secondStartRaisesFirstAndExits();
    void onlyOneOfTwoInProcess();
    void laterStartRaisesOnlyTheInstanceOfItsKey();
    void droppedClaimLetsTheNextOneIn();
    void staleLockOfDeadProcess();
    void onePerPrefix();
    void keyFollowsTheRealPath();

private:
    QString key;
    int round = 0;
};

void SingleInstanceTest::secondStartRaisesFirstAndExits() {
#ifndef TOLVANIRE_PROGRAM
    QSKIP("the program is built without its test switches");
#else
    // The program meets instances of the prefix it manages (on Windows, of
    // the user).
    QTemporaryDir sandbox;
    QVERIFY(sandbox.isValid());
    const QString prefix = sandbox.filePath(QStringLiteral("prefix"));
    QVERIFY(MakePrefix(prefix));
#ifdef _WIN32
    CSingleInstance first(key);
#else
    CSingleInstance first(CSingleInstance::KeyFor(key, prefix));
#endif
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
    second.start(QStringLiteral(TOLVANIRE_PROGRAM), {QStringLiteral("--prefix"), prefix});
    QVERIFY(second.waitForStarted(10000));
    // The first instance answers from its event loop, so spin it.
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 30000);

    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(raised.count(), 1);
    QVERIFY(!window.isMinimized());
    QVERIFY(window.isVisible());
#endif
}

void SingleInstanceTest::onlyOneOfTwoInProcess() {
    CSingleInstance first(key);
    CSingleInstance second(key);
    QVERIFY(first.Check());
    QSignalSpy raised(&first, &CSingleInstance::RaiseRequested);
    // Asks from the same thread: a socket's request is handled right after
    // the wait, a window message (Windows) at once.
    QVERIFY(!second.Check());
    QTRY_COMPARE(raised.count(), 1);
}

void SingleInstanceTest::laterStartRaisesOnlyTheInstanceOfItsKey() {
    CSingleInstance mine(key);
    QVERIFY(mine.Check());
    QSignalSpy mineRaised(&mine, &CSingleInstance::RaiseRequested);
    // Another instance under another key, claimed after this one (a test
    // run beside the real program, say).
    CSingleInstance other(key + QStringLiteral("-other"));
    QVERIFY(other.Check());
    QSignalSpy otherRaised(&other, &CSingleInstance::RaiseRequested);

    CSingleInstance later(key);
    QVERIFY(!later.Check());
    QTRY_COMPARE(mineRaised.count(), 1);
    QCOMPARE(otherRaised.count(), 0);
}

void SingleInstanceTest::droppedClaimLetsTheNextOneIn() {
    {
        CSingleInstance first(key);
        QVERIFY(first.Check());
    }
    CSingleInstance next(key);
    QVERIFY(next.Check());
}

void SingleInstanceTest::staleLockOfDeadProcess() {
    // A lock file left by a crashed instance names a process that is gone.
    QFile stale(QDir::temp().filePath(key + QStringLiteral(".lock")));
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.write("2147480000\ntolvanire-uninstaller\n\n");
    stale.close();

    CSingleInstance instance(key);
    QVERIFY(instance.Check());
}

void SingleInstanceTest::onePerPrefix() {
#ifndef TOLVANIRE_PROGRAM
    QSKIP("the program is built without its test switches");
#elif defined(_WIN32)
    QSKIP("Windows manages the machine itself: one instance per user");
#else
    QTemporaryDir sandbox;
    QVERIFY(sandbox.isValid());
    const QString root = QDir(sandbox.path()).canonicalPath();
    const QString first = root + QStringLiteral("/first"), second = root + QStringLiteral("/second");
    QVERIFY(MakePrefix(first));
    QVERIFY(MakePrefix(second));
    QVERIFY(QFile::link(first, root + QStringLiteral("/first-link")));
    const QProcessEnvironment env = ProgramEnvironment(key, root);
    const auto lockOf = [this](const QString& prefix) {
        return QDir::temp().filePath(CSingleInstance::KeyFor(key, prefix) + QStringLiteral(".lock"));
    };

    // Two windows, one for each prefix, side by side.
    QProcess windows[2];
    const QString prefixes[2] = {first, second};
    for (int i = 0; i < 2; ++i) {
        windows[i].setProcessEnvironment(env);
        windows[i].setProcessChannelMode(QProcess::ForwardedChannels);
        windows[i].start(QStringLiteral(TOLVANIRE_PROGRAM), {QStringLiteral("--prefix"), prefixes[i]});
        QVERIFY(windows[i].waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(lockOf(prefixes[i])), 30000);
    }

    // Later starts for a prefix that has its window: by another name of the
    // folder, and through WINEPREFIX.
    for (const bool throughEnvironment : {false, true}) {
        QProcess later;
        QProcessEnvironment laterEnv = env;
        QStringList arguments;
        if (throughEnvironment)
            laterEnv.insert(QStringLiteral("WINEPREFIX"), second);
        else
            arguments = QStringList{QStringLiteral("--prefix"), root + QStringLiteral("/first-link")};
        later.setProcessEnvironment(laterEnv);
        later.setProcessChannelMode(QProcess::ForwardedChannels);
        later.start(QStringLiteral(TOLVANIRE_PROGRAM), arguments);
        QVERIFY(later.waitForStarted(10000));
        QVERIFY2(later.waitForFinished(30000), "a second start for the same prefix did not end");
        QCOMPARE(later.exitStatus(), QProcess::NormalExit);
        QCOMPARE(later.exitCode(), 0);
    }
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(windows[i].state(), QProcess::Running);
        windows[i].kill();
        windows[i].waitForFinished(10000);
        // Killed: its lock file and socket stay behind.
        QFile::remove(lockOf(prefixes[i]));
        QLocalServer::removeServer(CSingleInstance::KeyFor(key, prefixes[i]));
    }
#endif
}

void SingleInstanceTest::keyFollowsTheRealPath() {
    QTemporaryDir sandbox;
    QVERIFY(sandbox.isValid());
    const QString prefix = sandbox.filePath(QStringLiteral("prefix"));
    QVERIFY(QDir().mkpath(prefix));
    const QString keyOf = CSingleInstance::KeyFor(key, prefix);
    QVERIFY(keyOf.startsWith(key + QLatin1Char('-')));
#ifndef _WIN32
    // A symbolic link (on Windows QFile::link makes a shortcut, which names
    // no folder; prefixes are a Linux matter anyway).
    QVERIFY(QFile::link(prefix, sandbox.filePath(QStringLiteral("link"))));
    QCOMPARE(CSingleInstance::KeyFor(key, sandbox.filePath(QStringLiteral("link"))), keyOf);
#endif
    QCOMPARE(CSingleInstance::KeyFor(key, prefix + QStringLiteral("/")), keyOf);
    QVERIFY(CSingleInstance::KeyFor(key, prefix + QStringLiteral("2")) != keyOf);
    // Without a prefix (Windows) the key stays the user's.
    QCOMPARE(CSingleInstance::KeyFor(key, QString()), key);
}

QTEST_MAIN(SingleInstanceTest)
#include "tst_singleinstance.moc"
