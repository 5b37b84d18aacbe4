// The settings reader: "userconfig" before "uiconfig", both beside the
// executable, and the main window size taken from them.
#include <QtTest>

#include "TestSettingsFiles.h"
#include "app/UIPublic.h"
#include "shell/MainWin.h"

class SettingsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { TestSettingsFiles::Clear(); }
    void cleanupTestCase() { TestSettingsFiles::Clear(); }

    void lookupOrder_data();
    void lookupOrder();
    void foundWhateverTheWorkingDirectory();
    void windowSize_data();
    void windowSize();
    void shippedDefaults();
};

// A null QByteArray means "no such file".
void SettingsTest::lookupOrder_data() {
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("ui");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("value");

    const QByteArray both("[URL]\nID_LINK_HELP=https://user.example/help\n");
    const QByteArray ui("[URL]\nID_LINK_HELP=https://ui.example/help\nID_LINK_SE=https://ui.example/se\n");
    QTest::newRow("key in both: userconfig wins") << both << ui << "URL"
                                                  << "ID_LINK_HELP"
                                                  << "uiconfig" << true << "https://user.example/help";
    QTest::newRow("key only in uiconfig is found beside a userconfig") << both << ui << "URL"
                                                                       << "ID_LINK_SE"
                                                                       << "uiconfig" << true << "https://ui.example/se";
    QTest::newRow("file name userconfig keeps the order") << both << ui << "URL"
                                                          << "ID_LINK_HELP"
                                                          << "userconfig" << true << "https://user.example/help";
    QTest::newRow("file name of a third file keeps the order") << QByteArray() << ui << "URL"
                                                               << "ID_LINK_SE"
                                                               << "other.ini" << true << "https://ui.example/se";
    QTest::newRow("no userconfig at all") << QByteArray() << ui << "URL"
                                          << "ID_LINK_HELP"
                                          << "uiconfig" << true << "https://ui.example/help";
    QTest::newRow("no files") << QByteArray() << QByteArray() << "URL"
                              << "ID_LINK_HELP"
                              << "uiconfig" << false << "";
    QTest::newRow("missing key") << both << ui << "URL"
                                 << "ID_LINK_SUPPORT"
                                 << "uiconfig" << false << "";
    QTest::newRow("key in another section") << both << ui << "Main"
                                            << "ID_LINK_HELP"
                                            << "uiconfig" << false << "";
    QTest::newRow("empty section") << both << ui << ""
                                   << "ID_LINK_HELP"
                                   << "uiconfig" << false << "";
    QTest::newRow("empty key") << both << ui << "URL"
                               << ""
                               << "uiconfig" << false << "";
    QTest::newRow("garbage file") << QByteArray("\x01\x02[[[=\n==\n", 10) << ui << "URL"
                                  << "ID_LINK_HELP"
                                  << "uiconfig" << true << "https://ui.example/help";
    QTest::newRow("empty value counts as present") << QByteArray("[URL]\nID_LINK_HELP=\n") << ui << "URL"
                                                   << "ID_LINK_HELP"
                                                   << "uiconfig" << true << "";
}

void SettingsTest::lookupOrder() {
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, ui);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, fileName);
    QFETCH(bool, found);
    QFETCH(QString, value);

    TestSettingsFiles::Write(QStringLiteral("userconfig"), user);
    TestSettingsFiles::Write(QStringLiteral("uiconfig"), ui);
    QVariant result(QStringLiteral("stale"));
    QCOMPARE(CUIPublic::instance()->ReadSetting(section, key, result, fileName), found);
    if (found) QCOMPARE(result.toString(), value);
}

void SettingsTest::foundWhateverTheWorkingDirectory() {
    TestSettingsFiles::Write(QStringLiteral("uiconfig"), "[URL]\nID_LINK_HELP=https://ui.example/help\n");
    QTemporaryDir elsewhere;
    QVERIFY(elsewhere.isValid());
    // A decoy beside the working directory must not be read.
    QFile decoy(elsewhere.filePath(QStringLiteral("uiconfig")));
    QVERIFY(decoy.open(QIODevice::WriteOnly));
    decoy.write("[URL]\nID_LINK_HELP=https://decoy.example/\n");
    decoy.close();

    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(elsewhere.path()));
    QVariant value;
    const bool found = CUIPublic::instance()->ReadSetting(QStringLiteral("URL"), QStringLiteral("ID_LINK_HELP"), value);
    QDir::setCurrent(before);
    QVERIFY(found);
    QCOMPARE(value.toString(), QStringLiteral("https://ui.example/help"));
}

void SettingsTest::windowSize_data() {
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("ui");
    QTest::addColumn<QSize>("expected");

    const QSize fallback(CMainWin::kFallbackWidth, CMainWin::kFallbackHeight);
    QTest::newRow("from uiconfig") << QByteArray() << QByteArray("[Main]\nWinSize=@Size(1024 700)\n")
                                   << QSize(1024, 700);
    QTest::newRow("userconfig overrides") << QByteArray("[Main]\nWinSize=@Size(1200 800)\n")
                                          << QByteArray("[Main]\nWinSize=@Size(1024 700)\n") << QSize(1200, 800);
    QTest::newRow("missing everywhere") << QByteArray() << QByteArray() << fallback;
    QTest::newRow("not a size") << QByteArray() << QByteArray("[Main]\nWinSize=large\n") << fallback;
    QTest::newRow("plain numbers") << QByteArray() << QByteArray("[Main]\nWinSize=1024 700\n") << fallback;
    QTest::newRow("negative") << QByteArray() << QByteArray("[Main]\nWinSize=@Size(-1 -1)\n") << fallback;
    QTest::newRow("too small for the page")
        << QByteArray() << QByteArray("[Main]\nWinSize=@Size(200 100)\n") << fallback;
    QTest::newRow("absurdly large") << QByteArray() << QByteArray("[Main]\nWinSize=@Size(100000 90000)\n") << fallback;
    // The user's broken value shadows the shipped one, as every other key.
    QTest::newRow("broken userconfig value")
        << QByteArray("[Main]\nWinSize=oops\n") << QByteArray("[Main]\nWinSize=@Size(1024 700)\n") << fallback;
}

void SettingsTest::windowSize() {
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, ui);
    QFETCH(QSize, expected);
    TestSettingsFiles::Write(QStringLiteral("userconfig"), user);
    TestSettingsFiles::Write(QStringLiteral("uiconfig"), ui);
    QCOMPARE(CMainWin::ConfiguredWindowSize(), expected);
}

// The "uiconfig" the build puts beside the program carries a usable size
// and every link of the menus and of F1.
void SettingsTest::shippedDefaults() {
    QFile shipped(QStringLiteral(TOLVANIRE_SHIPPED_UICONFIG));
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    TestSettingsFiles::Write(QStringLiteral("uiconfig"), shipped.readAll());

    QVariant size;
    QVERIFY(CUIPublic::instance()->ReadSetting(QStringLiteral("Main"), QStringLiteral("WinSize"), size));
    QCOMPARE(CMainWin::ConfiguredWindowSize(), size.toSize());
    for (const char* key : {"ID_LINK_HELP", "ID_LINK_SUPPORT", "ID_LINK_SE"}) {
        QVariant link;
        QVERIFY2(CUIPublic::instance()->ReadSetting(QStringLiteral("URL"), QString::fromLatin1(key), link), key);
        const QUrl url(link.toString(), QUrl::StrictMode);
        QVERIFY2(url.isValid() && url.scheme() == QLatin1String("https"), key);
    }
}

QTEST_MAIN(SettingsTest)
#include "tst_settings.moc"
