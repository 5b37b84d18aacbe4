#include "app/StartDlg.h"

#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

#include "include/MsgIds.h"
#include "support/Log.h"
#include "widgetlib/BPNotifyCentor.h"

CStartDlg::CStartDlg(QWidget* parent) : QDialog(parent, Qt::WindowFlags()) {
    SetNotifyCentor(CBPNotifyCentor::instance());
    RegisterMsg(MSG_CLOSE_DLG);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setFixedSize(600, 370);
    setWindowIcon(QIcon(QStringLiteral("./Resources/logo.png")));
}

void CStartDlg::BuildSplash() {
    m_layout = new QVBoxLayout;
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_picture = new QLabel(this);
    m_picture->setFixedSize(600, 370);
    const QPixmap picture =
        QIcon(QStringLiteral("./Resources/loading.png")).pixmap(QSize(600, 370), QIcon::Normal, QIcon::Off);
    if (!picture.isNull()) m_picture->setPixmap(picture);
    m_layout->addWidget(m_picture);
    setLayout(m_layout);
}

int CStartDlg::ReceiveMsg(__MsgData msg) {
    if (msg.id == MSG_CLOSE_DLG) {
        LogInfo("CStartDlg received MSG_CLOSE_DLG!");
        m_closeAllowed = true;
        close();
    }
    return 0;
}

void CStartDlg::reject() {
    if (m_closeAllowed) QDialog::reject();
}
