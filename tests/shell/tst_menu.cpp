// The main menu and the About dialog: entries in order, the links opened
// through the recording host services (never a browser), "User Guide" the
// same page as F1, the menu's place under the cursor, the menu button.
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QWidgetAction>
#include <QtTest>
#include <memory>

#include "TestSettingsFiles.h"
#include "app/MSGDlg.h"
#include "app/UIPublic.h"
#include "app/WindowTitle.h"
#include "include/MsgIds.h"
#include "shell/AboutDlg.h"
#include "shell/CommonMenu.h"
#include "shell/MainWin.h"
#include "shell/StyleMenu.h"
#include "tests/fake/MemoryPlatform.h"
#include "tests/fake/RecordingHostServices.h"
#include "uninstall/UninstallerCore.h"
#include "uninstall/dialogs/OrphansDlg.h"
#include "widgetlib/BPNotifyCentor.h"
#include "widgetlib/BPQtHyperLink.h"
#include "widgetlib/BPQtLabel.h"
#include "widgetlib/BPStyleMenuItem.h"

namespace {

const QByteArray kLinks = "[URL]\n"
                          "ID_LINK_SUPPORT=https://links.example/support\n"
                          "ID_LINK_HELP=https://links.example/help\n"
                          "ID_LINK_SE=https://links.example/other\n"
                          "[Update]\n"
                          "ID_WEB_HOST=www.example.test\n";

template <class T> T* VisibleTopLevel() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<T*>(widget); found != nullptr && found->isVisible()) return found;
    return nullptr;
}

} // namespace

class MenuTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        TestSettingsFiles::Clear();
        host = std::make_unique<RecordingHostServices>();
    }
    void cleanup() { host.reset(); }
    void cleanupTestCase() { TestSettingsFiles::Clear(); }

    void entriesInOrder();
    void links_data();
    void links();
    void linkWithoutBrowserShowsTheAddress();
    void userGuideIsTheHelpPageOfF1();
    void opensWithAboutBelowTheCursor();
    void keyboardChoosesAnEntry();
    void nothingOpensLeftOfTheScreen();
    void menuButtonOpensTheMenu();
    void aboutDialog();
    void orphansEntryDeletesOnlyTheTicked();

private:
    std::unique_ptr<RecordingHostServices> host;
};

void MenuTest::entriesInOrder() {
    CCommonMenu menu(nullptr);
    const QList<QAction*> actions = menu.MainMenu()->actions();
    QStringList texts;
    QList<int> ids;
    for (QAction* action : actions) {
        auto* widgetAction = qobject_cast<QWidgetAction*>(action);
        QVERIFY(widgetAction != nullptr);
        auto* item = qobject_cast<CBPStyleMenuItem*>(widgetAction->defaultWidget());
        QVERIFY(item != nullptr);
        QCOMPARE(item->minimumWidth(), 125);
        QCOMPARE(action->font().pixelSize(), 18);
        QVERIFY(action->font().bold());
        texts << item->Text();
        ids << action->data().toInt();
        QCOMPARE(menu.Action(ids.last()), action);
    }
    QCOMPARE(texts, (QStringList{"Support Center", "User Guide", "Tolvanire Disk Cleaner", "Leftovers...", "Restore...",
                                 "Check Update", "About"}));
    QCOMPARE(ids, (QList<int>{0x2001, 0x2002, 0x2003, 0x2006, 0x2007, 0x2004, 0x2005}));
    QCOMPARE(menu.MainMenu()->contentsMargins(), QMargins(5, 0, 0, 0));
    QCOMPARE(menu.MainMenu()->style()->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, menu.MainMenu()), 0);
}

void MenuTest::links_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QStringList>("opened");
    QTest::newRow("Support Center") << 0x2001 << kLinks << QStringList{"https://links.example/support"};
    QTest::newRow("User Guide") << 0x2002 << kLinks << QStringList{"https://links.example/help"};
    QTest::newRow("other product") << 0x2003 << kLinks << QStringList{"https://links.example/other"};
    QTest::newRow("no address configured")
        << 0x2001 << QByteArray("[URL]\nID_LINK_HELP=https://x.example/\n") << QStringList();
    QTest::newRow("empty address") << 0x2003 << QByteArray("[URL]\nID_LINK_SE=\n") << QStringList();
}

void MenuTest::links() {
    QFETCH(int, id);
    QFETCH(QByteArray, settings);
    QFETCH(QStringList, opened);
    TestSettingsFiles::Write(QStringLiteral("uiconfig"), settings);
    CCommonMenu menu(nullptr);
    menu.OnOptionMenuTriggered(menu.Action(id));
    menu.OnOptionMenuTriggered(nullptr); // does nothing
    QCOMPARE(host->openedUrls, opened);
}

// Where no browser opens, the address is shown where it can be copied.
void MenuTest::linkWithoutBrowserShowsTheAddress() {
    TestSettingsFiles::Write(QStringLiteral("uiconfig"), kLinks);
    host->noBrowser = true;
    QString shown;
    bool selectable = false;
    CBaseDialog::SetAnswerer([&](CBaseDialog& dialog) {
        auto* box = qobject_cast<CMSGDlg*>(&dialog);
        if (box == nullptr) return false;
        shown = box->Text();
        selectable = (box->TextLabel()->textInteractionFlags() & Qt::TextSelectableByMouse) != 0;
        box->OKClicked();
        return true;
    });
    CCommonMenu menu(nullptr);
    menu.OnOptionMenuTriggered(menu.Action(CCommonMenu::IdSupportCenter));
    CBaseDialog::SetAnswerer(nullptr);
    QVERIFY2(shown.contains(QStringLiteral("https://links.example/support")), qPrintable(shown));
    QVERIFY(selectable);
}

void MenuTest::userGuideIsTheHelpPageOfF1() {
    TestSettingsFiles::Write(QStringLiteral("uiconfig"), kLinks);
    CMainWin window([](std::string*) { return std::make_unique<MemoryPlatform>(); });
    QTest::keyRelease(&window, Qt::Key_F1);
    CCommonMenu menu(window.TitleBar());
    menu.OnOptionMenuTriggered(menu.Action(CCommonMenu::IdUserGuide));
    QCOMPARE(host->openedUrls.size(), 2);
    QCOMPARE(host->openedUrls.at(0), QStringLiteral("https://links.example/help"));
    QCOMPARE(host->openedUrls.at(1), host->openedUrls.at(0));
}

void MenuTest::opensWithAboutBelowTheCursor() {
    const QPoint cursor(300, 200);
    QCursor::setPos(cursor);
    QCOMPARE(QCursor::pos(), cursor);
    CCommonMenu menu(nullptr);
    QRect aboutRect;
    QRect firstRect;
    QTimer::singleShot(100, [&]() {
        CStyleMenu* shown = VisibleTopLevel<CStyleMenu>();
        if (shown == nullptr) return;
        aboutRect = shown->actionGeometry(menu.Action(CCommonMenu::IdAbout)).translated(shown->pos());
        firstRect = shown->actionGeometry(menu.Action(CCommonMenu::IdSupportCenter)).translated(shown->pos());
        shown->close();
    });
    QCOMPARE(menu.ShowMainMenu(), static_cast<QAction*>(nullptr));
    // The entry's row holds the point; its left edge is the menu's margin
    // away from it.
    const QPoint target = cursor + QPoint(0, 120);
    QVERIFY(aboutRect.top() <= target.y() && target.y() <= aboutRect.bottom());
    QCOMPARE(aboutRect.left(), target.x() + 5);
    QVERIFY(firstRect.bottom() < aboutRect.top());
}

void MenuTest::keyboardChoosesAnEntry() {
    TestSettingsFiles::Write(QStringLiteral("uiconfig"), kLinks);
    QCursor::setPos(300, 200);
    CCommonMenu menu(nullptr);
    QAction* active = nullptr;
    QStringList highlighted;
    QTimer::singleShot(100, [&]() {
        CStyleMenu* shown = VisibleTopLevel<CStyleMenu>();
        if (shown == nullptr) return;
        // Down from "About" (or from nothing) lands on the first entry.
        QTest::keyClick(shown, Qt::Key_Down);
        active = shown->activeAction();
        for (QAction* action : shown->actions()) {
            auto* item = qobject_cast<CBPStyleMenuItem*>(qobject_cast<QWidgetAction*>(action)->defaultWidget());
            if (item->IsHighlighted()) highlighted << item->Text();
        }
        QTest::keyClick(shown, Qt::Key_Return);
    });
    QAction* chosen = menu.ShowMainMenu();
    QCOMPARE(chosen, menu.Action(CCommonMenu::IdSupportCenter));
    QCOMPARE(active, chosen);
    QCOMPARE(highlighted, QStringList{QStringLiteral("Support Center")});
    QCOMPARE(host->openedUrls, QStringList{QStringLiteral("https://links.example/support")});
}

void MenuTest::nothingOpensLeftOfTheScreen() {
    QCursor::setPos(-20, 200);
    if (QCursor::pos().x() >= 0) QSKIP("this platform keeps the cursor on the screen");
    CCommonMenu menu(nullptr);
    bool opened = false;
    QTimer::singleShot(100, [&]() {
        if (CStyleMenu* shown = VisibleTopLevel<CStyleMenu>()) {
            opened = true;
            shown->close();
        }
    });
    QCOMPARE(menu.ShowMainMenu(), static_cast<QAction*>(nullptr));
    QTest::qWait(150);
    QVERIFY(!opened);
}

void MenuTest::menuButtonOpensTheMenu() {
    CMainWin window([](std::string*) { return std::make_unique<MemoryPlatform>(); });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCursor::setPos(window.geometry().center());
    QStringList seen;
    QTimer::singleShot(100, [&]() {
        CStyleMenu* shown = VisibleTopLevel<CStyleMenu>();
        if (shown == nullptr) return;
        for (QAction* action : shown->actions())
            seen << action->text();
        shown->close();
    });
    QTest::mouseClick(window.TitleBar()->MenuButton(), Qt::LeftButton);
    QCOMPARE(seen.size(), 7);
    QCOMPARE(seen.last(), QStringLiteral("About"));
    // The menu lived only while it was open.
    QTRY_VERIFY(window.TitleBar()->findChildren<CStyleMenu*>().isEmpty());
}

void MenuTest::aboutDialog() {
    TestSettingsFiles::Write(QStringLiteral("uiconfig"), kLinks);
    CCommonMenu menu(nullptr);
    QString linkText;
    QSize size;
    bool closedByMessage = false;
    QTimer::singleShot(100, [&]() {
        CAboutDlg* about = VisibleTopLevel<CAboutDlg>();
        if (about == nullptr) return;
        size = about->size();
        linkText = about->Link()->text();
        QTest::mouseClick(about->Link(), Qt::LeftButton);
        CBPNotifyCentor::instance()->SendMsg(MSG_CLOSE_DLG, 0, nullptr, 0);
        QTimer::singleShot(100, [&closedByMessage]() { closedByMessage = VisibleTopLevel<CAboutDlg>() == nullptr; });
    });
    menu.OnOptionMenuTriggered(menu.Action(CCommonMenu::IdAbout));
    QTest::qWait(150);
    QCOMPARE(size, QSize(640, 376));
    QCOMPARE(linkText, QStringLiteral("https://www.example.test"));
    QCOMPARE(host->openedUrls,
             QStringList{QStringLiteral("https://www.example.test/system-utilities/free-windows-uninstaller.html")});
    QVERIFY(closedByMessage);
}

// "Leftovers..." reads the folders of removed programs behind the busy
// dialog, and deletes the ticked one after the confirmation, on the target.
void MenuTest::orphansEntryDeletesOnlyTheTicked() {
    MemoryPlatform machine;
    for (const char* file : {"C:\\Program Files\\Gone Editor\\edit.exe", "C:\\ProgramData\\Old Tool\\tool.db"}) {
        const std::string path = file;
        machine.files.CreateFolder(path.substr(0, path.find_last_of('\\')));
        machine.files.WriteFile(path, "data");
    }
    CUninstallerCore core(machine);
    CUIPublic::instance()->SetCore(&core);
    QStringList before;
    QStringList after;
    CBaseDialog::SetAnswerer([&](CBaseDialog& dialog) {
        if (auto* question = qobject_cast<CMSGDlg*>(&dialog)) {
            question->done(CMSGDlg::ResultOK);
            return true;
        }
        auto* orphans = qobject_cast<COrphansDlg*>(&dialog);
        if (orphans == nullptr) return false;
        QTreeWidget* tree = orphans->FolderTree();
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            before << tree->topLevelItem(i)->text(0);
        tree->topLevelItem(0)->setCheckState(0, Qt::Checked);
        orphans->DeleteButton()->click();
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            after << tree->topLevelItem(i)->text(0);
        orphans->done(0);
        return true;
    });
    CCommonMenu menu(nullptr);
    menu.OnOptionMenuTriggered(menu.Action(CCommonMenu::IdOrphans));
    CBaseDialog::SetAnswerer(nullptr);
    CUIPublic::instance()->SetCore(nullptr);
    QCOMPARE(before, (QStringList{"C:\\Program Files\\Gone Editor", "C:\\ProgramData\\Old Tool"}));
    QCOMPARE(after, QStringList{"C:\\ProgramData\\Old Tool"});
    QVERIFY(!machine.files.Exists("C:\\Program Files\\Gone Editor"));
    QVERIFY(machine.files.Exists("C:\\ProgramData\\Old Tool\\tool.db"));
}

QTEST_MAIN(MenuTest)
#include "tst_menu.moc"
