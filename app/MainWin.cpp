#include "app/MainWin.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "app/BlurDlg.h"
#include "app/RightContent.h"
#include "app/StartDlg.h"
#include "include/MsgIds.h"
#include "inventory/AppEnum.h"
#include "platform/Platform.h"
#include "support/UIPublic.h"
#include "widgetlib/BPNotifyCentor.h"

CMainWin::CMainWin(PlatformFactory factory) : CWinFrm(nullptr, Qt::WindowFlags()), platformFactory(std::move(factory)) {
    RegisterMsg(MSG_INVENTORY_READY);
    RegisterMsg(MSG_QUIT_APP);
    // Known before the body is built: the page looks the window up while
    // it builds its rows.
    CUIPublic::instance()->SetMainWindow(this);

    setWindowIcon(QIcon(QStringLiteral("./Resources/Logo.ico")));
    setFixedSize(ConfiguredWindowSize());

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
    std::thread(&CMainWin::StartupThread, this).detach();

    CStartDlg* splash = new CStartDlg(nullptr);
    splash->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    splash->BuildSplash();
    splash->exec();
    delete splash;
}

CMainWin::~CMainWin() {
    if (CUIPublic::instance()->GetMainWindow() == this) CUIPublic::instance()->SetMainWindow(nullptr);
    if (CUIPublic::instance()->GetAppEnum() == appEnum.get()) CUIPublic::instance()->SetAppEnum(nullptr);
}

void CMainWin::StartupThread(CMainWin* window) {
    // Lets a screenshot catch the splash even when the list comes fast.
    const int holdMs = qEnvironmentVariableIntValue("TOLVANIRE_SPLASH_HOLD_MS");
    if (holdMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));

    std::string error;
    std::unique_ptr<platform::IPlatform> target = window->platformFactory(&error);
    if (target) {
        window->appEnum = std::make_unique<CAppEnum>(target->Registry(), target->System());
        CUIPublic::instance()->SetAppEnum(window->appEnum.get());
        window->appEnum->Enum();
        CUIPublic::instance()->SetPrograms(window->appEnum->GetPrograms());
        // A backend that died half-way leaves a list that cannot be trusted.
        error = target->FatalError();
    } else if (error.empty()) {
        error = "the backend did not start";
    }
    window->platformError = error;
    window->targetPlatform = std::move(target);
    CBPNotifyCentor::instance()->SendMsg(MSG_INVENTORY_READY, 0, nullptr, 0);
}

int CMainWin::ReceiveMsg(__MsgData msg) {
    switch (msg.id) {
    case MSG_INVENTORY_READY:
        if (!platformError.empty()) startupError = QString::fromStdString(platformError);
        rightContent = new CRightContent();
        contentLayout->addWidget(rightContent, 0);
        CBPNotifyCentor::instance()->SendMsg(MSG_CLOSE_DLG, 0, nullptr, 0);
        break;
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
