// The graphical program's command line, read before any window.
#include <QtTest>

#include "shell/StartupOptions.h"

class StartupOptionsTest : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
};

void StartupOptionsTest::parse_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("error");
    const int run = CStartupOptions::Run;
    const int bad = CStartupOptions::UsageError;
    QTest::newRow("nothing") << QStringList() << run << ""
                             << "";
    QTest::newRow("--prefix DIR") << QStringList{"--prefix", "games"} << run << "games"
                                  << "";
    QTest::newRow("--prefix=DIR") << QStringList{"--prefix=/p/x"} << run << "/p/x"
                                  << "";
    QTest::newRow("--help") << QStringList{"--help"} << int(CStartupOptions::PrintHelp) << ""
                            << "";
    QTest::newRow("-h wins over --prefix")
        << QStringList{"--prefix", "x", "-h"} << int(CStartupOptions::PrintHelp) << ""
        << "";
    QTest::newRow("--version") << QStringList{"--version"} << int(CStartupOptions::PrintVersion) << ""
                               << "";
    QTest::newRow("Qt's own options") << QStringList{"-platform", "offscreen", "-style", "fusion", "-reverse"} << run
                                      << ""
                                      << "";
    QTest::newRow("unknown option") << QStringList{"--prefx", "x"} << bad << ""
                                    << "Unknown option 'prefx'";
    QTest::newRow("--prefix without its folder") << QStringList{"--prefix"} << bad << ""
                                                 << "Missing value after '--prefix'";
    QTest::newRow("a stray argument") << QStringList{"games"} << bad << ""
                                      << "Unexpected argument 'games'";
}

void StartupOptionsTest::parse() {
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QString, prefix);
    QFETCH(QString, error);
    arguments.prepend(QStringLiteral("tolvanire-uninstaller"));
    const CStartupOptions options = CStartupOptions::Parse(arguments);
    QCOMPARE(int(options.action), action);
    QCOMPARE(options.prefix, prefix);
    QVERIFY2(options.error.contains(error), qPrintable(options.error));
    QCOMPARE(options.error.isEmpty(), error.isEmpty());
}

QTEST_MAIN(StartupOptionsTest)
#include "tst_startupoptions.moc"
