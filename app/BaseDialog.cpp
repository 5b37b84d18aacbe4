#include "app/BaseDialog.h"

#include "widgetlib/BPNotifyCentor.h"

#include <QEvent>
#include <QIcon>

CBaseDialog::CBaseDialog(QWidget* parent) : CWinDlgFrm(parent, Qt::WindowFlags())
{
    SetNotifyCentor(CBPNotifyCentor::instance());
    setWindowIcon(QIcon(QStringLiteral("./Resources/Logo.ico")));
}

int CBaseDialog::ReceiveMsg(__MsgData)
{
    return 0;
}

bool CBaseDialog::event(QEvent* event)
{
    // Activated while hidden (the window system raised it): show it first.
    if (event->type() == QEvent::WindowActivate && !isVisible())
        show();
    return CWinDlgFrm::event(event);
}
