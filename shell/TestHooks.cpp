#include "shell/TestHooks.h"

#include <QApplication>
#include <QTimer>
#include <chrono>
#include <thread>
#include <utility>

#include "app/MSGDlg.h"
#include "app/RefreshDlg.h"
#include "app/UIPublic.h"
#include "include/MsgIds.h"
#include "platform/Platform.h"
#include "shell/CommonMenu.h"
#include "widgetlib/BPNotifyCentor.h"

QString CTestHooks::InstanceKey() {
    return qEnvironmentVariable("TOLVANIRE_INSTANCE_KEY");
}

void CTestHooks::StartAutoClose() {
    const int ms = qEnvironmentVariableIntValue("TOLVANIRE_AUTOCLOSE_DIALOGS_MS");
    if (ms <= 0) return;
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout,
                     []() { CBPNotifyCentor::instance()->SendMsg(MSG_CLOSE_DLG, 0, nullptr, 0); });
    timer->start(ms);
}

CMainWin::PlatformFactory CTestHooks::HoldSplash(CMainWin::PlatformFactory factory) {
    const int holdMs = qEnvironmentVariableIntValue("TOLVANIRE_SPLASH_HOLD_MS");
    if (holdMs <= 0) return factory;
    return [holdMs, factory = std::move(factory)](std::string* error) {
        std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
        return factory(error);
    };
}

namespace {

void ShowDemoDialog(QWidget* window, const QString& which) {
    if (which == QLatin1String("orphans")) {
        CCommonMenu menu(window);
        menu.OnOptionMenuTriggered(menu.Action(CCommonMenu::IdOrphans));
        return;
    }
    if (which == QLatin1String("busy")) {
        CRefreshDlg busy(window);
        busy.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
        busy.BuildBusyView();
        busy.exec();
        return;
    }
    CMSGDlg box(434, 240, window);
    box.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    box.SetContent(CMSGDlg::MsgKindInfo, QStringLiteral("Remove the selected programs now?"), CMSGDlg::BtnModeOKCancel);
    box.exec();
}

} // namespace

void CTestHooks::WindowShown(CMainWin* window) {
    // Screenshots on systems without the blur show what the overlay covers.
    if (qEnvironmentVariableIsSet("TOLVANIRE_FORCE_OVERLAY")) CUIPublic::instance()->SetWindows10(true);
    const QString demo = qEnvironmentVariable("TOLVANIRE_DEMO_DIALOG");
    if (!demo.isEmpty()) QTimer::singleShot(300, window, [window, demo]() { ShowDemoDialog(window, demo); });
    if (qEnvironmentVariableIsSet("TOLVANIRE_CRASH_AFTER_START"))
        QTimer::singleShot(1000, []() {
            volatile int* volatile nowhere = nullptr;
            *nowhere = 0;
        });
}
