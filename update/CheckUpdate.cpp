#include "update/CheckUpdate.h"

#include <QLabel>
#include <QMovie>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/DialogLook.h"
#include "app/RuntimeFiles.h"
#include "app/WindowDlgTitle.h"
#include "include/MsgIds.h"
#include "update/Fenwright.h"
#include "update/UpdateEndpoints.h"
#include "widgetlib/BPQtLabel.h"
#include "widgetlib/Palette.h"

CheckUpdate::CheckUpdate(QWidget* parent) : CBaseDialog(parent), outcome(std::make_shared<Outcome>()) {
    RegisterMsg(MSG_CLOSE_DLG);
    RegisterMsg(MSG_UPDATE_DONE);
    setFixedSize(542, 361);
    if (parent != nullptr) move(DialogLook::CentredOver(parent->geometry(), geometry().size()));
}

QString CheckUpdate::FailureText() {
    return tr("Failed to check for updates. Please check your network connection.");
}

QString CheckUpdate::UpToDateText() {
    return tr("You already have the latest version, no update \nis available.");
}

void CheckUpdate::StartCheck() {
    auto* column = new QVBoxLayout;
    column->setContentsMargins(0, 20, 0, 20);
    column->setSpacing(50);
    auto* widthLabel = new QLabel(this);
    widthLabel->setFixedWidth(540);
    column->addWidget(widthLabel);

    animation = new CBPQtLabel(this);
    auto* movie =
        new QMovie(CRuntimeFiles::Path(QStringLiteral("./Resources/check_update.gif")), QByteArray(), animation);
    if (movie->isValid()) {
        animation->setMovie(movie);
        movie->start();
    }
    column->addWidget(animation, 0, Qt::AlignHCenter);

    waitText = new CBPQtLabel(tr("Getting update information, please wait..."), this);
    waitText->setFont(DialogLook::PixelFont(14));
    DialogLook::SetTextColour(waitText, CPalette::Of(CPalette::DialogText));
    column->addWidget(waitText, 0, Qt::AlignHCenter);

    bodyLayout->addLayout(column);
    titleBar->CloseButton()->setEnabled(false);

    checking = true;
    checkTask = CDetachedTask::Run(
        outcome, MSG_UPDATE_DONE,
        [address = CUpdateEndpoints::SecureDescriptionUrl()](Outcome& checked) { RunCheck(checked, address); });
}

void CheckUpdate::RunCheck(Outcome& outcome, const QString& secureAddress) {
    if (IFenwright* updater = GetFenwrightInstance()) {
        const QByteArray address = secureAddress.toLatin1();
        if (updater->QueryServer(address.constData(), 0) < 0) {
            outcome.text = FailureText();
            outcome.failed = 1;
        } else if (updater->IsLatest(kVersionMS, kVersionLS) != 0) {
            outcome.text = UpToDateText();
        } else {
            outcome.newer = 1;
        }
    }
}

int CheckUpdate::ReceiveMsg(__MsgData msg) {
    // Not a late message of an earlier check.
    if (msg.id == MSG_UPDATE_DONE && checking && CDetachedTask::IsDoneMsgOf(msg, checkTask)) {
        checking = false;
        lastResultText = outcome->text;
        lastCheckFailed = outcome->failed;
        lastNewVersion = outcome->newer;
        done(QDialog::Accepted);
    } else if (msg.id == MSG_CLOSE_DLG && !checking) {
        done(QDialog::Rejected);
    }
    return 0;
}

void CheckUpdate::reject() {
    if (!checking) CBaseDialog::reject();
}
