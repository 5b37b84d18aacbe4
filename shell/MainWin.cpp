#include "shell/MainWin.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "app/BlurDlg.h"
#include "app/StartDlg.h"
#include "app/UIPublic.h"
#include "app/WindowTitle.h"
#include "include/MsgIds.h"
#include "inventory/AppEnum.h"
#include "inventory/InventoryService.h"
#include "platform/Platform.h"
#include "shell/CommonMenu.h"
#include "shell/RightContent.h"
#include "uninstall/UninstallService.h"
#include "widgetlib/BPNotifyCentor.h"

struct CMainWin::StartupHandOver {
    std::unique_ptr<platform::IPlatform> platform;
    std::unique_ptr<CAppEnum> appEnum;
    std::string error;
};

CMainWin::CMainWin(PlatformFactory factory)
    : CWinFrm(nullptr, Qt::WindowFlags()), handOver(std::make_shared<StartupHandOver>()) {
    RegisterMsg(MSG_INVENTORY_READY);
    RegisterMsg(MSG_QUIT_APP);
    // Known before the body is built: the page looks the window up while
    // it builds its rows.
    CUIPublic::instance()->SetMainWindow(this);

    setWindowIcon(QIcon(QStringLiteral("./Resources/Logo.ico")));
    setFixedSize(ConfiguredWindowSize());
    connect(titleBar, &CWindowTitle::MainMenuRequested, this, &CMainWin::OpenMainMenu);

    contentLayout = new QHBoxLayout();
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->setSpacing(0);
    bodyLayout->addLayout(contentLayout, 0);

    blurDlg = new CBlurDlg(this);
    blurDlg->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    blurDlg->hide();

    CUIPublic::instance()->ProbeWindowsVersion();
    // Screenshots on systems without the blur show what the overlay covers.
    if (qEnvironmentVariableIsSet("TOLVANIRE_FORCE_OVERLAY")) CUIPublic::instance()->SetWindows10(true);

    // Like every worker, the start-up thread is not kept and not joined; it
    // reports its end by message.
    std::thread(&CMainWin::StartupThread, std::move(factory), handOver).detach();

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
    if (CUIPublic::instance()->GetMainWindow() == this) CUIPublic::instance()->SetMainWindow(nullptr);
    if (CUIPublic::instance()->GetAppEnum() == appEnum.get()) CUIPublic::instance()->SetAppEnum(nullptr);
    if (CUIPublic::instance()->GetInventoryService() == inventoryService.get())
        CUIPublic::instance()->SetInventoryService(nullptr);
    if (CUIPublic::instance()->GetUninstallService() == uninstallService.get())
        CUIPublic::instance()->SetUninstallService(nullptr);
    // The page's icon worker uses the service: the body goes first.
    delete rightContent;
    rightContent = nullptr;
}

void CMainWin::StartupThread(PlatformFactory factory, std::shared_ptr<StartupHandOver> handOver) {
    // Lets a screenshot catch the splash even when the list comes fast.
    const int holdMs = qEnvironmentVariableIntValue("TOLVANIRE_SPLASH_HOLD_MS");
    if (holdMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));

    std::string error;
    std::unique_ptr<platform::IPlatform> target = factory(&error);
    if (target) {
        handOver->appEnum = std::make_unique<CAppEnum>(target->Registry(), target->System());
        handOver->appEnum->Enum();
        // A backend that died half-way leaves a list that cannot be trusted.
        error = target->FatalError();
    } else if (error.empty()) {
        error = "the backend did not start";
    }
    handOver->error = error;
    handOver->platform = std::move(target);
    // The address tells this window's message from that of an earlier
    // window's thread.
    const StartupHandOver* address = handOver.get();
    CBPNotifyCentor::instance()->SendMsg(MSG_INVENTORY_READY, 0, &address, sizeof address);
}

QString CMainWin::StartupError() const {
    std::string error = handOver->error;
    if (error.empty() && targetPlatform) error = targetPlatform->FatalError();
    return QString::fromStdString(error);
}

int CMainWin::ReceiveMsg(__MsgData msg) {
    switch (msg.id) {
    case MSG_INVENTORY_READY: {
        const StartupHandOver* address = nullptr;
        if (msg.payload == nullptr || msg.payloadSize != sizeof address) break;
        std::memcpy(&address, msg.payload, sizeof address);
        if (address != handOver.get() || inventoryReady) break;
        inventoryReady = true;
        targetPlatform = std::move(handOver->platform);
        appEnum = std::move(handOver->appEnum);
        if (appEnum) {
            CUIPublic::instance()->SetAppEnum(appEnum.get());
            CUIPublic::instance()->SetPrograms(appEnum->GetPrograms());
        }
        if (appEnum && targetPlatform) {
            inventoryService = std::make_unique<CInventoryService>(*targetPlatform, *appEnum);
            CUIPublic::instance()->SetInventoryService(inventoryService.get());
            uninstallService = std::make_unique<CUninstallService>(*targetPlatform, *appEnum);
            uninstallService->SetOwnFolder(CUninstallService::OwnFolderOnTarget());
            CUIPublic::instance()->SetUninstallService(uninstallService.get());
        }
        rightContent = new CRightContent();
        contentLayout->addWidget(rightContent, 0);
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
