#include "app/RefreshDlg.h"

#include <QLabel>
#include <QMovie>
#include <QPainter>
#include <QVBoxLayout>

#include "app/DialogLook.h"
#include "app/RuntimeFiles.h"
#include "include/MsgIds.h"
#include "widgetlib/BPNotifyCentor.h"
#include "widgetlib/Palette.h"

CRefreshDlg::CRefreshDlg(QWidget* parent) : QDialog(parent, Qt::WindowFlags()) {
    SetNotifyCentor(CBPNotifyCentor::instance());
    RegisterMsg(MSG_CLOSE_DLG);
    setFixedSize(130, 85);
    if (parent != nullptr) move(DialogLook::CentredOver(parent->geometry(), geometry().size()));
}

void CRefreshDlg::BuildBusyView() {
    auto* column = new QVBoxLayout;
    animation = new QLabel(this);
    movie = new QMovie(CRuntimeFiles::Path(QStringLiteral("./Resources/loading_b.gif")), QByteArray(), this);
    // A missing animation leaves the label empty.
    if (movie->isValid()) {
        animation->setMovie(movie);
        movie->start();
    }
    column->addWidget(animation, 0, Qt::AlignHCenter);
    setLayout(column);
}

int CRefreshDlg::ReceiveMsg(__MsgData msg) {
    if (msg.id == MSG_CLOSE_DLG) close();
    return 0;
}

void CRefreshDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(Qt::NoPen);
    painter.fillRect(rect(), CPalette::Of(CPalette::BusyBody));
}
