// Start-up of the main window against the in-memory platform: the splash is
// up while the programs are read, the inventory message builds the body and
// closes the splash, and a backend that cannot start ends the start-up
// instead of hanging it; the splash cannot be cut short, and a backend that
// fails at any moment before the window is shown ends in the failure box
// and exit code 1. Also F1 and the overlay around modal dialogs.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "TestSettingsFiles.h"
#include "app/BlurDlg.h"
#include "app/ElidedLabel.h"
#include "app/FocusMark.h"
#include "app/MSGDlg.h"
#include "app/StartDlg.h"
#include "app/UIPublic.h"
#include "app/WindowTitle.h"
#include "include/MsgIds.h"
#include "inventory/AppEnum.h"
#include "pages/EnumProgramPage.h"
#include "pages/ProgramCell.h"
#include "pages/SearchEdit.h"
#include "shell/AboutDlg.h"
#include "shell/MainWin.h"
#include "shell/ProgramRun.h"
#include "shell/RightContent.h"
#include "shell/RightTab.h"
#include "tests/fake/MemoryPlatform.h"
#include "tests/fake/RecordingHostServices.h"
#include "widgetlib/BPMsgReceiver.h"
#include "widgetlib/BPNotifyCentor.h"
#include "widgetlib/BPQtHyperLink.h"

namespace {

std::unique_ptr<platform::IPlatform> PlatformWithPrograms(const QStringList& names) {
    auto fake = std::make_unique<MemoryPlatform>();
    for (const QString& name : names)
        fake->AddProgram(name.toStdString());
    return fake;
}

// A backend that works until `dead` is set, then reports itself dead the way
// the Wine backend does once its host has gone.
class DyingPlatform : public MemoryPlatform {
public:
    explicit DyingPlatform(std::shared_ptr<std::atomic<bool>> deadFlag) : dead(std::move(deadFlag)) {}
    std::string FatalError() const override { return *dead ? "the Wine host exited" : std::string(); }

private:
    std::shared_ptr<std::atomic<bool>> dead;
};

// Sets the flag when the inventory message goes round, that is after the
// list was read and before the window is shown.
class KillOnInventory : public CBPMsgReceiver {
public:
    explicit KillOnInventory(std::shared_ptr<std::atomic<bool>> deadFlag) : dead(std::move(deadFlag)) {
        SetNotifyCentor(CBPNotifyCentor::instance());
        RegisterMsg(MSG_INVENTORY_READY);
    }
    int ReceiveMsg(__MsgData) override {
        *dead = true;
        return 0;
    }

private:
    std::shared_ptr<std::atomic<bool>> dead;
};

CStartDlg* VisibleSplash() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* splash = qobject_cast<CStartDlg*>(widget); splash != nullptr && splash->isVisible()) return splash;
    return nullptr;
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
        host = std::make_unique<RecordingHostServices>();
    }
    void cleanup() {
        host.reset();
        CBaseDialog::SetAnswerer(nullptr);
        CUIPublic::instance()->SetWindows10(false);
    }
    void cleanupTestCase() { TestSettingsFiles::Clear(); }

    void splashWhileReadingThenContent();
    void backendThatCannotStart();
    void splashCannotBeCutShort_data();
    void splashCannotBeCutShort();
    void helpKey_data();
    void helpKey();
    void overlayAroundModalDialogs_data();
    void overlayAroundModalDialogs();
    void keyboardReachesEveryControl();
    void windowNamesItsPrefix();

private:
    std::unique_ptr<RecordingHostServices> host;
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
    const std::vector<ProgramRecord> programs = CUIPublic::instance()->GetPrograms();
    QCOMPARE(programs.size(), size_t(3));
    QCOMPARE(QString::fromLatin1(programs[1].program.displayName), QStringLiteral("Beta Player"));
    QCOMPARE(programs[1].text.name, QStringLiteral("Beta Player"));
    QVERIFY(CUIPublic::instance()->GetCore() != nullptr);
    QCOMPARE(CUIPublic::instance()->GetMainWindow(), &window);
    QCOMPARE(window.size(), QSize(1000, 700));
    // Resizable, never below the size the list needs.
    QCOMPARE(window.minimumSize(), QSize(960, 640));
    QVERIFY(window.maximumSize().width() > 4000);
    // The overlay exists from the start, hidden.
    QVERIFY(window.BlurOverlay() != nullptr);
    QVERIFY(!window.BlurOverlay()->isVisible());
}

// The search box has the focus at start; Tab reaches every control of the
// window, each with a name for screen readers and the focus mark around it;
// the About dialog's link too, which Enter opens.
void StartupTest::keyboardReachesEveryControl() {
    TestSettingsFiles::Write(QStringLiteral("uiconfig"), "[Update]\nID_WEB_HOST=www.example.test\n");
    CFocusMark::Install();
    CMainWin window([](std::string*) {
        return PlatformWithPrograms({QStringLiteral("Alpha"), QStringLiteral("Beta")});
    });
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    CEnumProgramPage* page = window.RightContent()->Tab()->ProgramPage();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(page->SearchBox()->LineEdit()));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("alp"));
    QCOMPARE(page->SearchBox()->LineEdit()->text(), QStringLiteral("alp"));
    page->SearchBox()->LineEdit()->clear();

    QList<QWidget*> reached;
    for (int i = 0; i < 40 && !reached.contains(QApplication::focusWidget()); ++i) {
        QWidget* focused = QApplication::focusWidget();
        // Tabbed to: the focus mark is around it.
        if (!reached.isEmpty()) QCOMPARE(CFocusMark::MarkedWidget(), focused);
        reached << focused;
        QVERIFY2(!focused->accessibleName().isEmpty() || !focused->property("text").toString().isEmpty(),
                 focused->metaObject()->className());
        QTest::keyClick(focused, Qt::Key_Tab);
    }
    const auto all = [&reached](const QList<QWidget*>& controls) {
        for (QWidget* control : controls)
            if (!reached.contains(control)) {
                qWarning() << "not reached:" << control << control->accessibleName();
                return false;
            }
        return true;
    };
    CWindowTitle* bar = window.TitleBar();
    QVERIFY(all({bar->MenuButton(), bar->MinimizeButton(), bar->MaximizeButton(), bar->CloseButton(),
                 page->SortButton(), page->RefreshButton(),
                 page->UninstallButton()->isEnabled() ? page->UninstallButton() : page->SortButton()}));
    QVERIFY(reached.contains(window.RightContent()->Tab()->ProgramPage()->CellOf(0)->CheckBox()));

    CAboutDlg about(&window);
    about.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    about.BuildContent();
    about.show();
    about.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&about));
    // The dialog's own focus: the offscreen platform may leave the main
    // window the active one.
    for (int i = 0; i < 5 && about.focusWidget() != about.Link(); ++i)
        QTest::keyClick(about.focusWidget() ? about.focusWidget() : &about, Qt::Key_Tab);
    QCOMPARE(about.focusWidget(), static_cast<QWidget*>(about.Link()));
    QVERIFY(!about.Link()->accessibleName().isEmpty());
    QTest::keyClick(about.Link(), Qt::Key_Return);
    QCOMPARE(host->openedUrls,
             QStringList{QStringLiteral("https://www.example.test/system-utilities/free-windows-uninstaller.html")});
}

// The title bar and the About dialog say which prefix the window manages.
void StartupTest::windowNamesItsPrefix() {
    CUIPublic::instance()->SetTargetName(QDir::homePath() + QStringLiteral("/prefixes/games"));
    CMainWin window([](std::string*) { return PlatformWithPrograms({}); });
    QCOMPARE(window.TitleBar()->TargetLabel()->FullText(),
             QStringLiteral("Wine prefix ~%1prefixes%1games").arg(QDir::separator()));
    CAboutDlg about(&window);
    about.BuildContent();
    QVERIFY(about.TargetLabel() != nullptr);
    QCOMPARE(about.TargetLabel()->FullText(),
             QStringLiteral("Wine prefix: %1").arg(QDir::toNativeSeparators(QDir::homePath() + "/prefixes/games")));
    CUIPublic::instance()->SetTargetName(QString());
    CMainWin machine([](std::string*) { return PlatformWithPrograms({}); });
    QVERIFY(machine.TitleBar()->TargetLabel()->FullText().isEmpty());
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

void StartupTest::splashCannotBeCutShort_data() {
    QTest::addColumn<QString>("backend");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("works") << "works" << 0;
    QTest::newRow("cannot start, after a delay") << "noStart" << 1;
    QTest::newRow("dies while the list is read") << "diesReading" << 1;
    QTest::newRow("dies after the list was read, before the window shows") << "diesAfter" << 1;
}

// The backend answers only after 1.5 s. Meanwhile the splash gets Escape,
// the window system's close and a stray MSG_CLOSE_DLG of some other dialog;
// none of them may let the start-up go on without the list.
void StartupTest::splashCannotBeCutShort() {
    QFETCH(QString, backend);
    QFETCH(int, exitCode);
    auto dead = std::make_shared<std::atomic<bool>>(backend == QLatin1String("diesReading"));
    KillOnInventory killer(dead);
    if (backend != QLatin1String("diesAfter")) killer.UnRegisterMsg(MSG_INVENTORY_READY);

    QStringList boxes;
    CBaseDialog::SetAnswerer([&boxes](CBaseDialog& dialog) {
        auto* box = qobject_cast<CMSGDlg*>(&dialog);
        if (box == nullptr) return false;
        boxes << box->Text();
        box->OKClicked();
        return true;
    });

    bool splashAfterEscapeAndClose = false;
    bool splashAfterStrayClose = false;
    QTimer::singleShot(150, qApp, [&]() {
        CStartDlg* splash = VisibleSplash();
        if (splash == nullptr) return;
        QTest::keyClick(splash, Qt::Key_Escape);
        splash->close();
        QCoreApplication::processEvents();
        splashAfterEscapeAndClose = VisibleSplash() != nullptr;
    });
    QTimer::singleShot(300, qApp, []() { CBPNotifyCentor::instance()->SendMsg(MSG_CLOSE_DLG, 0, nullptr, 0); });
    QTimer::singleShot(450, qApp, [&]() { splashAfterStrayClose = VisibleSplash() != nullptr; });

    bool shownWithList = false;
    const int result = RunMainWindow(
        [backend, dead](std::string* error) -> std::unique_ptr<platform::IPlatform> {
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            if (backend == QLatin1String("noStart")) {
                *error = "wine was not found";
                return nullptr;
            }
            auto target = std::make_unique<DyingPlatform>(dead);
            const std::string key = std::string(CAppEnum::kUninstallKey) + "\\Alpha";
            target->registry.SetString(platform::Hive::LocalMachine, key, "DisplayName", "Alpha");
            target->registry.SetString(platform::Hive::LocalMachine, key, "UninstallString", "C:\\a\\u.exe");
            return target;
        },
        [&shownWithList](CMainWin* window) {
            shownWithList = window->RightContent() != nullptr && CUIPublic::instance()->GetPrograms().size() == 1;
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        });

    QVERIFY(splashAfterEscapeAndClose);
    QVERIFY(splashAfterStrayClose);
    QCOMPARE(result, exitCode);
    if (exitCode == 0) {
        QVERIFY(shownWithList);
        QCOMPARE(boxes, QStringList());
    } else {
        QVERIFY(!shownWithList);
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(
            boxes.front().startsWith(QStringLiteral("Tolvanire Uninstaller could not read the installed programs.")),
            qPrintable(boxes.front()));
        const QString reason = backend == QLatin1String("noStart") ? QStringLiteral("Wine was not found")
                                                                   : QStringLiteral("The Wine host exited");
        QVERIFY2(boxes.front().endsWith(reason), qPrintable(boxes.front()));
    }
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
    QCOMPARE(host->openedUrls, QStringList());
    QTest::keyRelease(&window, Qt::Key_F1);
    QCOMPARE(host->openedUrls, opened);
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
