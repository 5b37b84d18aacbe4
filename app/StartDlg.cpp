#include "app/StartDlg.h"

#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

#include "app/RuntimeFiles.h"
#include "include/MsgIds.h"
#include "support/Log.h"
#include "widgetlib/BPNotifyCentor.h"

CStartDlg::CStartDlg(QWidget* parent) : QDialog(parent, Qt::WindowFlags()) {
    SetNotifyCentor(CBPNotifyCentor::instance());
    RegisterMsg(MSG_CLOSE_DLG);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setFixedSize(600, 370);
    setWindowIcon(QIcon(CRuntimeFiles::Path(QStringLiteral("./Resources/logo.png"))));
}

void CStartDlg::BuildSplash() {
    pictureLayout = new QVBoxLayout;
    pictureLayout->setContentsMargins(0, 0, 0, 0);
    pictureLabel = new QLabel(this);
    pictureLabel->setFixedSize(600, 370);
    const QPixmap picture = QIcon(CRuntimeFiles::Path(QStringLiteral("./Resources/loading.png")))
                                .pixmap(QSize(600, 370), QIcon::Normal, QIcon::Off);
    if (!picture.isNull()) pictureLabel->setPixmap(picture);
    pictureLayout->addWidget(pictureLabel);
    setLayout(pictureLayout);
}

int CStartDlg::ReceiveMsg(__MsgData msg) {
    if (msg.id == MSG_CLOSE_DLG) {
        LogInfo("CStartDlg received MSG_CLOSE_DLG!");
        closeAllowed = true;
        close();
    }
    return 0;
}

void CStartDlg::reject() {
    if (closeAllowed) QDialog::reject();
}
