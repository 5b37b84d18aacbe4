#include "app/BaseDialog.h"

#include <QEvent>
#include <QIcon>

#include "widgetlib/BPNotifyCentor.h"

CBaseDialog::CBaseDialog(QWidget* parent) : CWinDlgFrm(parent, Qt::WindowFlags()) {
    SetNotifyCentor(CBPNotifyCentor::instance());
    setWindowIcon(QIcon(QStringLiteral("./Resources/Logo.ico")));
}

int CBaseDialog::ReceiveMsg(__MsgData) {
    return 0;
}

bool CBaseDialog::event(QEvent* event) {
    // Activated while not yet shown (the window system raised it): show it
    // first. A dialog the program has hidden or closed stays hidden: window
    // activation arrives asynchronously on some systems, and a late one must
    // not bring back a message box whose run has ended.
    if (event->type() == QEvent::WindowActivate && !isVisible() && !testAttribute(Qt::WA_WState_ExplicitShowHide))
        show();
    return CWinDlgFrm::event(event);
}
