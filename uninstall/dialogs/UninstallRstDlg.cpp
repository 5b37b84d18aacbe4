#include "uninstall/dialogs/UninstallRstDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QSpacerItem>
#include <QVBoxLayout>
#include <algorithm>

#include "app/DialogLook.h"
#include "app/RuntimeFiles.h"
#include "app/UIPublic.h"
#include "include/FormatSize.h"
#include "include/MsgIds.h"
#include "uninstall/UninstallerCore.h"
#include "uninstall/dialogs/RestorePointsDlg.h"
#include "widgetlib/BPQtLabel.h"
#include "widgetlib/Palette.h"

CUninstallRstDlg::CUninstallRstDlg(QWidget* parent) : CBaseDialog(parent) {
    RegisterMsg(MSG_CLOSE_DLG);
    closesOnEnter = true;
    setFixedSize(kWidth, kHeight);
    // Where the confirmation dialog was, over the window.
    DialogLook::CentreOverParent(this, parent);
}

void CUninstallRstDlg::SetResult(int count, int flag) {
    programCount = count;
    closingFlag = flag;
}

QString CUninstallRstDlg::ResultText(int programCount, uint64_t freedBytes) {
    if (freedBytes != 0)
        return CPalette::Fill(tr("<font style = 'font-size:16px;color:@SecondaryText'>Successfully uninstall </font>"
                                 "<font style = 'font-size:16px; font-weight:600;color:@Success'>%1</font>"
                                 "<font style = 'font-size:16px; color:@SecondaryText'> program(s) and free up </font>"
                                 "<font style = 'font-size:16px; font-weight:600;color:@Success'>%2</font>"))
            .arg(programCount)
            .arg(FormatSize(freedBytes));
    return CPalette::Fill(tr("<font style = 'font-size:16px;color:@SecondaryText'>Successfully uninstall </font>"
                             "<font style = 'font-size:16px; font-weight:600;color:@Success'>%1</font>"
                             "<font style = 'font-size:16px;color:@SecondaryText'> program(s).</font>"))
        .arg(programCount);
}

void CUninstallRstDlg::Build() {
    auto* outer = new QVBoxLayout;
    outer->setSpacing(20);
    // The frame's title bar (32 px) and bottom margins take their share of
    // the 65 px above and the 20 px below.
    outer->setContentsMargins(20, 33, 20, 0);
    auto* inner = new QVBoxLayout;
    inner->setSpacing(0);
    inner->setContentsMargins(0, 0, 0, 0);

    auto* widthLabel = new QLabel(this);
    widthLabel->setFixedSize(600, 30);
    inner->addWidget(widthLabel, 0, Qt::AlignHCenter);

    // A run that removed nothing says so: no success picture, no
    // "Completed!".
    const bool noneRemoved = programCount == 0;
    pictureLabel = new QLabel(this);
    const QPixmap picture(CRuntimeFiles::Path(noneRemoved ? QStringLiteral("./Resources/Failure.png")
                                                          : QStringLiteral("./Resources/Success.png")));
    if (!picture.isNull()) pictureLabel->setPixmap(picture);
    inner->addWidget(pictureLabel, 0, Qt::AlignHCenter);
    inner->addSpacerItem(new QSpacerItem(0, 14, QSizePolicy::Minimum, QSizePolicy::Fixed));

    titleLabel = new CBPQtLabel(noneRemoved ? tr("No program was removed") : tr("Uninstall Completed!"), this);
    titleLabel->setFont(DialogLook::PixelFont(24));
    DialogLook::SetTextColour(titleLabel, CPalette::Of(CPalette::DialogText));
    inner->addWidget(titleLabel, 0, Qt::AlignHCenter);
    inner->addSpacerItem(new QSpacerItem(0, 12, QSizePolicy::Minimum, QSizePolicy::Fixed));

    resultLabel = new CBPQtLabel(ResultText(programCount, CUIPublic::instance()->GetTotalSize()), this);
    resultLabel->setTextFormat(Qt::RichText);
    resultLabel->setFont(DialogLook::PixelFont(16));
    DialogLook::SetTextColour(resultLabel, CPalette::Of(CPalette::FaintText));
    inner->addWidget(resultLabel, 0, Qt::AlignHCenter);

    if (!notRemoved.isEmpty()) {
        QStringList escaped;
        for (const QString& name : notRemoved)
            escaped << name.toHtmlEscaped();
        inner->addSpacerItem(new QSpacerItem(0, 10, QSizePolicy::Minimum, QSizePolicy::Fixed));
        notRemovedLabel = new CBPQtLabel(
            CPalette::Fill(tr("<font style = 'font-size:14px;color:@SecondaryText'>Not removed: </font>"
                              "<font style = 'font-size:14px; font-weight:600;color:@Failure'>%1</font>"))
                .arg(escaped.join(QStringLiteral(", "))),
            this);
        notRemovedLabel->setTextFormat(Qt::RichText);
        notRemovedLabel->setFont(DialogLook::PixelFont(14));
        notRemovedLabel->setWordWrap(true);
        notRemovedLabel->setAlignment(Qt::AlignHCenter);
        notRemovedLabel->setFixedWidth(560);
        inner->addWidget(notRemovedLabel, 0, Qt::AlignHCenter);
    }

    if (!details.isEmpty()) {
        inner->addSpacerItem(new QSpacerItem(0, 10, QSizePolicy::Minimum, QSizePolicy::Fixed));
        detailsLink = new QLabel(
            CPalette::Fill(QStringLiteral("<a href='details' style='color:@Link'>%1</a>")).arg(tr("Details")), this);
        detailsLink->setObjectName(QStringLiteral("detailsLink"));
        detailsLink->setFont(DialogLook::PixelFont(14));
        detailsLink->setTextFormat(Qt::RichText);
        detailsLink->setToolTip(tr("What was deleted and what was kept, program by program"));
        connect(detailsLink, &QLabel::linkActivated, this, &CUninstallRstDlg::OpenDetails);
        const bool restorable = std::any_of(details.begin(), details.end(),
                                            [](const CleanDetails& d) { return !d.restorePoint.isEmpty(); });
        if (!restorable) {
            inner->addWidget(detailsLink, 0, Qt::AlignHCenter);
        } else {
            restoreLink = new QLabel(
                CPalette::Fill(QStringLiteral("<a href='restore' style='color:@Link'>%1</a>")).arg(tr("Restore...")),
                this);
            restoreLink->setObjectName(QStringLiteral("restoreLink"));
            restoreLink->setFont(DialogLook::PixelFont(14));
            restoreLink->setTextFormat(Qt::RichText);
            restoreLink->setToolTip(tr("Put back what a deep clean removed"));
            connect(restoreLink, &QLabel::linkActivated, this, &CUninstallRstDlg::OpenRestorePoints);
            auto* links = new QHBoxLayout;
            links->setSpacing(24);
            links->addStretch();
            links->addWidget(detailsLink);
            links->addWidget(restoreLink);
            links->addStretch();
            inner->addLayout(links);
        }
    }

    outer->addLayout(inner);
    outer->addStretch();
    bodyLayout->addLayout(outer);
}

void CUninstallRstDlg::OpenDetails() {
    CCleanDetailsDlg dialog(this);
    dialog.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    dialog.SetDetails(details);
    dialog.Build();
    dialog.exec();
}

void CUninstallRstDlg::OpenRestorePoints() {
    CUninstallerCore* core = CUIPublic::instance()->GetCore();
    CRestorePointsDlg dialog(core ? core->RestoreStore() : nullptr, this);
    dialog.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    dialog.Build();
    dialog.exec();
}

int CUninstallRstDlg::ReceiveMsg(__MsgData msg) {
    // A close message sent before this dialog existed was meant for another.
    if (msg.id == MSG_CLOSE_DLG && closeFence.Passed()) close();
    return 0;
}

// Every way out (the frame's close control, Escape, the window system)
// reports, so that the page never waits for a result that does not come.
void CUninstallRstDlg::done(int result) {
    CBaseDialog::done(result);
    if (resultSent) return;
    resultSent = true;
    const uint32_t payload = closingFlag != 0 ? 1 : 0;
    if (NotifyCentor() != nullptr) NotifyCentor()->SendMsg(MSG_DIALOG_RESULT, 0, &payload, sizeof(payload));
}
