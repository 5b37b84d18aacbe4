#include "shell/MainWin.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "app/BlurDlg.h"
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
#include "uninstall/UninstallerCore.h"
#include "widgetlib/BPNotifyCentor.h"

struct CMainWin::StartupHandOver {
    std::unique_ptr<platform::IPlatform> platform;
    std::unique_ptr<CUninstallerCore> core;
    std::vector<ProgramRecord> records;
    QString error;
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

    startupTask =
        CDetachedTask::Run(handOver, MSG_INVENTORY_READY, [factory = std::move(factory)](StartupHandOver& startup) {
            StartupThread(factory, startup);
        });

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

void CMainWin::OpenMainMenu() {
    CCommonMenu menu(titleBar);
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
