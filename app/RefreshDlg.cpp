#include "app/RefreshDlg.h"

#include <QLabel>
#include <QMovie>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>
#include <atomic>
#include <memory>

#include "app/DialogLook.h"
#include "app/RuntimeFiles.h"
#include "include/MsgIds.h"
#include "widgetlib/BPNotifyCentor.h"
#include "widgetlib/DetachedTask.h"
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

void CRefreshDlg::ShowWhile(QWidget* parent, std::function<void()> work) {
    struct Job {
        std::function<void()> work;
        std::atomic<bool> done{false};
    };
    auto job = std::make_shared<Job>();
    job->work = std::move(work);
    CDetachedTask::Run(job, CDetachedTask::kNoMessage, [](Job& running) {
        running.work();
        running.done = true;
    });
    // A close message meant for another dialog may end one busy dialog early.
    while (!job->done) {
        CRefreshDlg busy(parent);
        busy.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
        busy.BuildBusyView();
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &busy, [&busy, &job]() {
            if (job->done) busy.close();
        });
        poll.start(20);
        busy.exec();
    }
}

void CRefreshDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(Qt::NoPen);
    painter.fillRect(rect(), CPalette::Of(CPalette::BusyBody));
}
