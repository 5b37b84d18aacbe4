#include "app/MSGDlg.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QSpacerItem>
#include <QVBoxLayout>

#include "app/DialogLook.h"
#include "app/RuntimeFiles.h"
#include "include/MsgIds.h"
#include "widgetlib/BPQtLabel.h"
#include "widgetlib/BPQtPushBtn.h"
#include "widgetlib/Palette.h"

CMSGDlg::CMSGDlg(int width, int height, QWidget* parent) : CBaseDialog(parent), boxWidth(width), boxHeight(height) {
    RegisterMsg(MSG_CLOSE_DLG);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setFixedSize(width, height);
    if (parent != nullptr) move(DialogLook::CentredOver(parent->geometry(), geometry().size()));
}

QString CMSGDlg::PictureForKind(int kind) {
    switch (kind) {
    case MsgKindSuccess:
        return QStringLiteral("./Resources/tip_suc.png");
    case MsgKindWarning:
        return QStringLiteral("./Resources/tip_warnning.png");
    case MsgKindInfo:
        return QStringLiteral("./Resources/tip_ok.png");
    default:
        return QStringLiteral("./Resources/tip_failed.png");
    }
}

void CMSGDlg::SetContent(int kind, QString text, int buttonMode) {
    messageKind = kind;
    mainText = text;
    messageButtonMode = buttonMode;

    auto* outer = new QVBoxLayout;
    outer->setContentsMargins(0, 30, 0, 0);
    auto* widthLabel = new QLabel(this);
    widthLabel->setFixedWidth(boxWidth);
    outer->addWidget(widthLabel);

    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    row->addSpacerItem(new QSpacerItem(40, 0, QSizePolicy::Fixed, QSizePolicy::Expanding));
    iconLabel = new QLabel(this);
    const QPixmap picture =
        QIcon(CRuntimeFiles::Path(PictureForKind(kind))).pixmap(QSize(48, 48), QIcon::Normal, QIcon::Off);
    if (!picture.isNull()) iconLabel->setPixmap(picture);
    row->addWidget(iconLabel, 0, Qt::AlignHCenter);
    textLabel = new CBPQtLabel(text, this);
    // A long message wraps inside the box instead of being cut off.
    textLabel->setWordWrap(true);
    textLabel->setFont(DialogLook::PixelFont(15));
    DialogLook::SetTextColour(textLabel, CPalette::Of(CPalette::PrimaryText));
    // No alignment on the layout item: the label takes the row's free width,
    // so wrapping starts only where the box really ends.
    textLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    row->addWidget(textLabel, 10);
    outer->addLayout(row);

    if (buttonMode == BtnModeOK) {
        outer->addSpacerItem(new QSpacerItem(0, 50, QSizePolicy::Expanding, QSizePolicy::Expanding));
        auto* buttons = new QHBoxLayout;
        firstBtn = new CBPQtPushBtn(tr("OK"), this);
        firstBtn->setFont(DialogLook::PixelFont(12));
        firstBtn->setAsDefaultBtn();
        buttons->addWidget(firstBtn, 0, Qt::AlignHCenter);
        outer->addLayout(buttons);
        connect(firstBtn, &CBPQtPushBtn::clicked, this, &CMSGDlg::OKClicked);
    } else if (buttonMode == BtnModeOKCancel || buttonMode == BtnModeYesNo) {
        const bool okCancel = buttonMode == BtnModeOKCancel;
        outer->addSpacerItem(new QSpacerItem(0, 20, QSizePolicy::Expanding, QSizePolicy::Fixed));
        auto* buttons = new QHBoxLayout;
        buttons->setSpacing(10);
        firstBtn = new CBPQtPushBtn(okCancel ? tr("OK") : tr("YES"), this);
        secondBtn = new CBPQtPushBtn(okCancel ? tr("Cancel") : tr("NO"), this);
        for (CBPQtPushBtn* button : {firstBtn, secondBtn}) {
            button->setFont(DialogLook::PixelFont(12));
            if (okCancel) DialogLook::SetTextColour(button, CPalette::Of(CPalette::PrimaryText));
        }
        buttons->addWidget(firstBtn, 10, Qt::AlignRight);
        buttons->addWidget(secondBtn, 3, Qt::AlignLeft);
        firstBtn->setAsDefaultBtn();
        outer->addLayout(buttons);
        connect(firstBtn, &CBPQtPushBtn::clicked, this, &CMSGDlg::OKClicked);
        connect(secondBtn, &CBPQtPushBtn::clicked, this, &CMSGDlg::CancelClicked);
    }

    bodyLayout->addLayout(outer);
}

void CMSGDlg::OKClicked() {
    done(ResultOK);
    close();
}

void CMSGDlg::CancelClicked() {
    done(ResultCancel);
    close();
}

void CMSGDlg::reject() {
    const bool asksQuestion = messageButtonMode == BtnModeOKCancel || messageButtonMode == BtnModeYesNo;
    done(asksQuestion ? ResultCancel : ResultOK);
}

int CMSGDlg::ReceiveMsg(__MsgData msg) {
    if (msg.id == MSG_CLOSE_DLG) {
        done(ResultCancel);
        close();
    }
    return 0;
}
