// Start-up of the main window against the in-memory platform: the splash is
// up while the programs are read, the inventory message builds the body and
// closes the splash, and a backend that cannot start ends the start-up
// instead of hanging it. Also F1 and the overlay around modal dialogs.
#include <QtTest>
#include <future>
#include <memory>
#include <string>

#include "TestSettingsFiles.h"
#include "app/BlurDlg.h"
#include "app/MainWin.h"
#include "app/RightContent.h"
#include "app/StartDlg.h"
#include "inventory/AppEnum.h"
#include "support/UIPublic.h"
#include "support/UrlOpener.h"
#include "tests/fake/MemoryPlatform.h"

namespace {

std::unique_ptr<platform::IPlatform> PlatformWithPrograms(const QStringList& names) {
    auto fake = std::make_unique<MemoryPlatform>();
    for (const QString& name : names) {
        const std::string key = std::string(CAppEnum::kUninstallKey) + "\\" + name.toStdString();
        fake->registry.SetString(platform::Hive::LocalMachine, key, "DisplayName", name.toStdString());
        fake->registry.SetString(platform::Hive::LocalMachine, key, "UninstallString", "C:\\x\\uninst.exe");
    }
    return fake;
}

template <class T> int CountWidgets() {
    int count = 0;
    for (QWidget* widget : QApplication::allWidgets())
        count += qobject_cast<T*>(widget) != nullptr ? 1 : 0;
    return count;
}

} // namespace

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        TestSettingsFiles::Clear();
        SetUrlOpenerForTesting([this](const QString& url) {
            openedUrls << url;
            return true;
        });
        openedUrls.clear();
    }
    void cleanup() {
        SetUrlOpenerForTesting({});
        CUIPublic::instance()->SetWindows10(false);
    }
    void cleanupTestCase() { TestSettingsFiles::Clear(); }

    void splashWhileReadingThenContent();
    void backendThatCannotStart();
    void helpKey_data();
    void helpKey();
    void overlayAroundModalDialogs_data();
    void overlayAroundModalDialogs();

private:
    QStringList openedUrls;
};

void StartupTest::splashWhileReadingThenContent() {
    TestSettingsFiles::Write(QStringLiteral("uiconfig"), "[Main]\nWinSize=@Size(1000 700)\n");

    // The backend starts only once the test has seen the splash, so the
    // check cannot race the enumeration.
    std::promise<void> splashSeen;
    std::shared_future<void> gate = splashSeen.get_future().share();
    bool splashVisible = false;
    int contentWhileSplash = -1;
    QTimer::singleShot(0, [&]() {
        for (QWidget* widget : QApplication::topLevelWidgets())
            splashVisible |= qobject_cast<CStartDlg*>(widget) != nullptr && widget->isVisible();
        contentWhileSplash = CountWidgets<CRightContent>();
        splashSeen.set_value();
    });

    CMainWin window([gate](std::string*) {
        gate.wait();
        return PlatformWithPrograms(
            {QStringLiteral("Alpha Editor"), QStringLiteral("Beta Player"), QStringLiteral("Gamma Tools")});
    });

    QVERIFY(splashVisible);
    QCOMPARE(contentWhileSplash, 0);
    QVERIFY(window.StartupError().isEmpty());
    // The splash closed and its object is gone.
    QCOMPARE(CountWidgets<CStartDlg>(), 0);
    // The body was built into the window.
    QVERIFY(window.RightContent() != nullptr);
    QVERIFY(window.isAncestorOf(window.RightContent()));
    QCOMPARE(CountWidgets<CRightContent>(), 1);
    // The list was handed over, in registry order.
    const std::vector<InstalledProgram> programs = CUIPublic::instance()->GetPrograms();
    QCOMPARE(programs.size(), size_t(3));
    QCOMPARE(QString::fromLatin1(programs[1].displayName), QStringLiteral("Beta Player"));
    QVERIFY(CUIPublic::instance()->GetAppEnum() != nullptr);
    QCOMPARE(CUIPublic::instance()->GetMainWindow(), &window);
    QCOMPARE(window.size(), QSize(1000, 700));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    // The overlay exists from the start, hidden.
    QVERIFY(window.BlurOverlay() != nullptr);
    QVERIFY(!window.BlurOverlay()->isVisible());
}

void StartupTest::backendThatCannotStart() {
    CMainWin window([](std::string* error) {
        *error = "wine was not found";
        return std::unique_ptr<platform::IPlatform>();
    });
    // Reaching this line is the main point: the splash did not wait forever.
    QCOMPARE(window.StartupError(), QStringLiteral("wine was not found"));
    QCOMPARE(CountWidgets<CStartDlg>(), 0);
}

void StartupTest::helpKey_data() {
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("ui");
    QTest::addColumn<QStringList>("opened");
    QTest::newRow("link from uiconfig") << QByteArray() << QByteArray("[URL]\nID_LINK_HELP=https://ui.example/help\n")
                                        << QStringList{QStringLiteral("https://ui.example/help")};
    QTest::newRow("link from userconfig") << QByteArray("[URL]\nID_LINK_HELP=https://user.example/help\n")
                                          << QByteArray("[URL]\nID_LINK_HELP=https://ui.example/help\n")
                                          << QStringList{QStringLiteral("https://user.example/help")};
    QTest::newRow("no link configured") << QByteArray() << QByteArray("[URL]\nID_LINK_SE=https://ui.example/\n")
                                        << QStringList();
    QTest::newRow("empty link") << QByteArray() << QByteArray("[URL]\nID_LINK_HELP=\n") << QStringList();
}

void StartupTest::helpKey() {
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, ui);
    QFETCH(QStringList, opened);
    CMainWin window([](std::string*) { return PlatformWithPrograms({}); });
    TestSettingsFiles::Write(QStringLiteral("userconfig"), user);
    TestSettingsFiles::Write(QStringLiteral("uiconfig"), ui);

    QTest::keyRelease(&window, Qt::Key_F2);
    QCOMPARE(openedUrls, QStringList());
    QTest::keyRelease(&window, Qt::Key_F1);
    QCOMPARE(openedUrls, opened);
}

void StartupTest::overlayAroundModalDialogs_data() {
    QTest::addColumn<bool>("windows10");
    QTest::newRow("Windows 10: overlay while blocked") << true;
    QTest::newRow("before Windows 10: never an overlay") << false;
}

void StartupTest::overlayAroundModalDialogs() {
    QFETCH(bool, windows10);
    CMainWin window([](std::string*) { return PlatformWithPrograms({}); });
    window.move(40, 30);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    CUIPublic::instance()->SetWindows10(windows10);

    bool overlayWhileBlocked = false;
    QPoint overlayPos;
    QDialog dialog(&window);
    QTimer::singleShot(50, &dialog, [&]() {
        overlayWhileBlocked = window.BlurOverlay()->isVisible();
        overlayPos = window.BlurOverlay()->pos();
        dialog.accept();
    });
    dialog.exec();
    QCoreApplication::processEvents();

    QCOMPARE(overlayWhileBlocked, windows10);
    if (windows10) QCOMPARE(overlayPos, QPoint(window.geometry().x(), window.geometry().y()));
    QVERIFY(!window.BlurOverlay()->isVisible());
}

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
