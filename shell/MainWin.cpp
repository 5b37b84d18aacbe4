#include "shell/MainWin.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "app/BlurDlg.h"
#include "app/MSGDlg.h"
#include "app/RefreshDlg.h"
#include "app/RuntimeFiles.h"
#include "app/StartDlg.h"
#include "app/UIPublic.h"
#include "app/WindowTitle.h"
#include "include/MsgIds.h"
#include "inventory/InventoryService.h"
#include "pages/EnumProgramPage.h"
#include "pages/SearchEdit.h"
#include "platform/Platform.h"
#include "shell/CommonMenu.h"
#include "shell/RightContent.h"
#include "shell/RightTab.h"
#include "support/PrefixFinder.h"
#include "support/WinePrefix.h"
#include "uninstall/UninstallerCore.h"
#include "widgetlib/BPNotifyCentor.h"
#include "widgetlib/BPQtLabel.h"
#include "widgetlib/Palette.h"

struct CMainWin::StartupHandOver {
    std::unique_ptr<platform::IPlatform> platform;
    std::unique_ptr<CUninstallerCore> core;
    std::vector<ProgramRecord> records;
    QString error;
    // What the restore store finished at start-up, told once.
    QStringList restoreNotes;
};

CMainWin::CMainWin(PlatformFactory factory)
    : CWinFrm(nullptr, Qt::WindowFlags()), handOver(std::make_shared<StartupHandOver>()) {
    RegisterMsg(MSG_INVENTORY_READY);
    RegisterMsg(MSG_QUIT_APP);
    // Known before the body is built: the page looks the window up while
    // it builds its rows.
    CUIPublic::instance()->SetMainWindow(this);

    setWindowIcon(QIcon(CRuntimeFiles::Path(QStringLiteral("./Resources/Logo.ico"))));
    // Resizable and maximisable, never smaller than the list needs.
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    resize(ConfiguredWindowSize().expandedTo(minimumSize()));
    titleBar->SetTargetName(CUIPublic::instance()->TargetName());
    connect(titleBar, &CWindowTitle::MainMenuRequested, this, &CMainWin::OpenMainMenu);

    contentLayout = new QHBoxLayout();
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->setSpacing(0);
    bodyLayout->addLayout(contentLayout, 0);

    blurDlg = new CBlurDlg(this);
    blurDlg->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    blurDlg->hide();

    CUIPublic::instance()->ProbeWindowsVersion();

    StartLoading(std::move(factory));

    // The splash ignores Escape and the window system's close, but any
    // dialog's MSG_CLOSE_DLG closes it too: until the inventory is in, a
    // closed splash is shown again, so that the window is never shown
    // without its list.
    while (!inventoryReady) {
        CStartDlg* splash = new CStartDlg(nullptr);
        splash->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
        splash->BuildSplash();
        splash->exec();
        delete splash;
    }
}

void CMainWin::StartLoading(PlatformFactory factory) {
    handOver = std::make_shared<StartupHandOver>();
    inventoryReady = false;
    startupTask =
        CDetachedTask::Run(handOver, MSG_INVENTORY_READY, [factory = std::move(factory)](StartupHandOver& startup) {
            StartupThread(factory, startup);
        });
}

CMainWin::~CMainWin() {
    // No worker may be left in the core this window owns.
    CDetachedTask::WaitUntilNoneRuns();
    if (CUIPublic::instance()->GetMainWindow() == this) CUIPublic::instance()->SetMainWindow(nullptr);
    if (CUIPublic::instance()->GetCore() == core.get()) CUIPublic::instance()->SetCore(nullptr);
    if (CUIPublic::instance()->GetInventoryService() == inventoryService.get())
        CUIPublic::instance()->SetInventoryService(nullptr);
    // The page's icon worker uses the service: the body goes first.
    delete rightContent;
    rightContent = nullptr;
}

void CMainWin::StartupThread(const PlatformFactory& factory, StartupHandOver& handOver) {
    std::string error;
    std::unique_ptr<platform::IPlatform> target = factory(&error);
    if (target) {
        handOver.core = std::make_unique<CUninstallerCore>(*target);
        handOver.core->SetRestoreSettings(RestoreSettings::ForThisUser(QString::fromStdString(target->LinuxPrefix())));
        handOver.restoreNotes = handOver.core->PrepareRestoreStore();
        Expected<std::vector<ProgramRecord>, BackendFailure> records = handOver.core->Records();
        if (records)
            handOver.records = std::move(records).Value();
        else
            handOver.error = records.Error().reason;
    } else {
        handOver.error = error.empty() ? QStringLiteral("the backend did not start") : QString::fromStdString(error);
    }
    handOver.platform = std::move(target);
}

QString CMainWin::StartupError() const {
    if (!handOver->error.isEmpty() || !core) return handOver->error;
    const Expected<void, BackendFailure> reachable = core->Reachable();
    return reachable ? QString() : reachable.Error().reason;
}

int CMainWin::ReceiveMsg(__MsgData msg) {
    switch (msg.id) {
    case MSG_INVENTORY_READY: {
        // Not the message of an earlier window's thread.
        if (!CDetachedTask::IsDoneMsgOf(msg, startupTask) || inventoryReady) break;
        inventoryReady = true;
        // The first read builds the body whatever its outcome (the entry
        // point asks StartupError); a switch builds it once it is known good.
        if (rightContent == nullptr) ShowTarget();
        CBPNotifyCentor::instance()->SendMsg(MSG_CLOSE_DLG, 0, nullptr, 0);
        break;
    }
    case MSG_QUIT_APP:
        // This uninstaller is being removed: give its uninstaller a moment
        // to start, then leave at once.
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        std::_Exit(0);
    default:
        break;
    }
    return 0;
}

void CMainWin::ShowTarget() {
    targetPlatform = std::move(handOver->platform);
    core = std::move(handOver->core);
    CUIPublic::instance()->SetPrograms(std::move(handOver->records));
    if (core) {
        CUIPublic::instance()->SetCore(core.get());
        inventoryService = std::make_unique<CInventoryService>(*targetPlatform);
        CUIPublic::instance()->SetInventoryService(inventoryService.get());
    }
    rightContent = new CRightContent();
    contentLayout->addWidget(rightContent, 0);
    connect(rightContent->Tab()->ProgramPage(), &CEnumProgramPage::CloseReady, this, &QWidget::close);
    // Typing searches at once: the search box has the focus from the start.
    rightContent->Tab()->ProgramPage()->SearchBox()->LineEdit()->setFocus(Qt::OtherFocusReason);
    // An interrupted deep clean or restore was finished: said once, after
    // the window is up.
    const QStringList notes = std::move(handOver->restoreNotes);
    handOver->restoreNotes.clear();
    if (!notes.isEmpty())
        QTimer::singleShot(0, this, [this, notes] {
            CMSGDlg box(540, 260, this);
            box.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
            box.SetContent(CMSGDlg::MsgKindInfo, notes.join(QStringLiteral("\n\n")), CMSGDlg::BtnModeOK);
            box.exec();
        });
}

bool CMainWin::ListBusy() const {
    const CEnumProgramPage* page = rightContent != nullptr ? rightContent->Tab()->ProgramPage() : nullptr;
    return page != nullptr && (page->IsRunning() || page->IsRefreshing());
}

void CMainWin::EnablePrefixSwitch(PrefixSwitch given) {
    prefixSwitch = std::move(given);
    connect(titleBar, &CWindowTitle::PrefixMenuRequested, this, &CMainWin::OpenPrefixMenu, Qt::UniqueConnection);
    titleBar->ShowPrefixButton(true);
}

void CMainWin::OpenPrefixMenu() {
    const QString current = CUIPublic::instance()->TargetName();
    const bool busy = ListBusy();
    QMenu menu(titleBar);
    menu.setObjectName(QStringLiteral("prefixMenu"));
    menu.setStyleSheet(CPalette::Fill(
        QStringLiteral("QMenu{background:@Highlight;border:1px solid @PanelEdge;padding:4px 0;}"
                       "QMenu::item{font-family:Segoe UI;font-size:13px;color:@PrimaryText;padding:6px 24px 6px 28px;}"
                       "QMenu::item:selected{background:@MenuItemHover;}"
                       "QMenu::item:disabled{color:@DisabledText;}")));
    std::vector<CPrefixFinder::Found> prefixes = CPrefixFinder::ForThisProcess();
    // A prefix named with --prefix may lie where nobody looks: it stays on offer.
    const bool listed = std::any_of(prefixes.begin(), prefixes.end(), [&current](const CPrefixFinder::Found& p) {
        return CWinePrefix::SamePrefix(p.path, current);
    });
    if (!listed && !current.isEmpty()) prefixes.insert(prefixes.begin(), CPrefixFinder::Found{current, QString(), -1});
    if (busy) menu.addAction(tr("Not while programs are being removed or the list is read"))->setEnabled(false);
    const QString home = QDir::homePath();
    for (const CPrefixFinder::Found& prefix : prefixes) {
        QString shown = prefix.path;
        if (shown.startsWith(home + QLatin1Char('/'))) shown = QStringLiteral("~") + shown.mid(home.size());
        QStringList notes;
        if (!prefix.foundIn.isEmpty()) notes << prefix.foundIn;
        if (prefix.programs >= 0)
            notes << (prefix.programs == 1 ? tr("1 program") : tr("%1 programs").arg(prefix.programs));
        QAction* action = menu.addAction(
            notes.isEmpty() ? shown : QStringLiteral("%1   (%2)").arg(shown, notes.join(QStringLiteral(", "))));
        action->setData(prefix.path);
        action->setCheckable(true);
        action->setChecked(CWinePrefix::SamePrefix(prefix.path, current));
        action->setEnabled(!busy);
    }
    const QPushButton* button = titleBar->PrefixButton();
    QAction* chosen = menu.exec(button->mapToGlobal(QPoint(0, button->height())));
    if (chosen != nullptr && !chosen->data().toString().isEmpty()) SwitchPrefix(chosen->data().toString());
}

bool CMainWin::SwitchPrefix(const QString& prefix) {
    const QString current = CUIPublic::instance()->TargetName();
    if (!prefixSwitch.backend || !inventoryReady || CWinePrefix::SamePrefix(prefix, current)) return false;
    if (ListBusy()) return false;
    // Another window that manages the prefix has been raised instead.
    if (prefixSwitch.claim && !prefixSwitch.claim(prefix)) return false;

    StartLoading(prefixSwitch.backend(prefix));
    while (!inventoryReady) {
        CRefreshDlg busy(this);
        busy.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
        busy.BuildBusyView();
        busy.exec();
    }
    QString error = handOver->error;
    if (error.isEmpty() && handOver->core) {
        const Expected<void, BackendFailure> reachable = handOver->core->Reachable();
        if (!reachable) error = reachable.Error().reason;
    }
    if (!error.isEmpty() || !handOver->core) {
        // The window stays with the prefix it had.
        handOver = std::make_shared<StartupHandOver>();
        if (prefixSwitch.keepOnly) prefixSwitch.keepOnly(current);
        if (!error.isEmpty()) error[0] = error.at(0).toUpper();
        CMSGDlg box(600, 340, this);
        box.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
        box.SetContent(CMSGDlg::MsgKindFailure,
                       tr("The programs of %1 could not be read.\n\n%2").arg(QDir::toNativeSeparators(prefix), error),
                       CMSGDlg::BtnModeOK);
        if (box.TextLabel() != nullptr) box.TextLabel()->setMaximumWidth(600 - 150);
        box.exec();
        return false;
    }

    // The old body and whatever worker still uses the old backend go first.
    delete rightContent;
    rightContent = nullptr;
    CDetachedTask::WaitUntilNoneRuns();
    CUIPublic::instance()->SetCore(nullptr);
    CUIPublic::instance()->SetInventoryService(nullptr);
    inventoryService.reset();
    core.reset();
    targetPlatform.reset();
    ShowTarget();
    if (prefixSwitch.keepOnly) prefixSwitch.keepOnly(prefix);
    CUIPublic::instance()->SetTargetName(prefix);
    titleBar->SetTargetName(prefix);
    CUIPublic::instance()->WriteUserSetting(QStringLiteral("Main"), QStringLiteral("Prefix"), prefix);
    return true;
}

void CMainWin::OpenMainMenu() {
    CCommonMenu menu(titleBar);
    // Folders are neither listed nor deleted while a run or a refresh uses
    // the target.
    menu.Action(CCommonMenu::IdOrphans)->setEnabled(inventoryReady && !ListBusy());
    menu.ShowMainMenu();
}

bool CMainWin::event(QEvent* e) {
    switch (e->type()) {
    case QEvent::WindowActivate:
        if (!isVisible()) show();
        break;
    case QEvent::WindowBlocked:
        if (CUIPublic::instance()->IsWindows10() && blurDlg != nullptr) {
            blurDlg->move(geometry().x(), geometry().y());
            blurDlg->raise();
            blurDlg->show();
            // The overlay goes under the dialog that blocks the window, never
            // over it, whatever order the window system maps them in.
            QTimer::singleShot(0, this, []() {
                if (QWidget* modal = QApplication::activeModalWidget()) modal->raise();
            });
        }
        break;
    case QEvent::WindowUnblocked:
        if (CUIPublic::instance()->IsWindows10() && blurDlg != nullptr) blurDlg->hide();
        break;
    default:
        break;
    }
    return CWinFrm::event(e);
}

void CMainWin::closeEvent(QCloseEvent* e) {
    CEnumProgramPage* page = rightContent != nullptr ? rightContent->Tab()->ProgramPage() : nullptr;
    if (page != nullptr && !page->MayClose()) {
        e->ignore();
        return;
    }
    CWinFrm::closeEvent(e);
}

void CMainWin::keyReleaseEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_F1) CUIPublic::instance()->OpenHelpLink();
    CWinFrm::keyReleaseEvent(e);
}

QSize CMainWin::ConfiguredWindowSize() {
    QVariant value;
    CUIPublic::instance()->ReadSetting(QStringLiteral("Main"), QStringLiteral("WinSize"), value);
    const QSize size = value.toSize();
    // Anything smaller cannot hold the page's columns and bottom bar;
    // anything larger than a big screen is a typing error.
    const bool usable =
        size.isValid() && size.width() >= 640 && size.height() >= 420 && size.width() <= 7680 && size.height() <= 4320;
    return usable ? size : QSize(kFallbackWidth, kFallbackHeight);
}
