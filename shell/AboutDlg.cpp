#include "shell/AboutDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QSpacerItem>
#include <QVBoxLayout>

#include "app/DialogLook.h"
#include "app/host/HostServices.h"
#include "include/MsgIds.h"
#include "update/UpdateEndpoints.h"
#include "widgetlib/BPQtHyperLink.h"
#include "widgetlib/BPQtLabel.h"

CAboutDlg::CAboutDlg(QWidget* parent) : CBaseDialog(parent) {
    RegisterMsg(MSG_CLOSE_DLG);
    setFixedSize(640, 376);
    if (parent != nullptr) move(DialogLook::CentredOver(parent->geometry(), geometry().size()));
}

void CAboutDlg::BuildContent() {
    auto* column = new QVBoxLayout;
    column->setContentsMargins(20, 0, 0, 0);
    column->setSpacing(5);
    auto* widthLabel = new QLabel(this);
    widthLabel->setFixedWidth(620);
    column->addWidget(widthLabel);

    auto* row = new QHBoxLayout;
    row->setSpacing(5);
    auto* logo = new QLabel(this);
    const QPixmap picture(QStringLiteral("./Resources/Logo128.png"));
    if (!picture.isNull()) logo->setPixmap(picture);
    row->addWidget(logo);
    row->addSpacerItem(new QSpacerItem(50, 0, QSizePolicy::Fixed, QSizePolicy::Minimum));

    auto* texts = new QVBoxLayout;
    texts->setContentsMargins(0, 10, 0, 0);
    texts->setSpacing(5);
    auto* name = new CBPQtLabel(QStringLiteral("Tolvanire Uninstaller Free 3.2"), this);
    name->setFont(DialogLook::PixelFont(22, true));
    DialogLook::SetTextColour(name, QColor(255, 255, 255, 255));
    auto* description = new CBPQtLabel(tr("Free, safe and powerful uninstaller to help you uninstall \n"
                                          "unwanted programs and delete all leftovers."),
                                       this);
    description->setFont(DialogLook::PixelFont(14));
    DialogLook::SetTextColour(description, QColor(255, 255, 255, 153));
    link = new CBPQtHyperLink(CUpdateEndpoints::WebSiteUrl(), this);
    link->setFont(DialogLook::PixelFont(14));
    DialogLook::SetTextColour(link, QColor(110, 170, 255, 255));
    connect(link, &CBPQtHyperLink::linkClicked, this, &CAboutDlg::openUrl);
    texts->addWidget(name, 0, Qt::AlignLeft | Qt::AlignTop);
    texts->addWidget(description, 0, Qt::AlignLeft | Qt::AlignTop);
    texts->addWidget(link, 0, Qt::AlignLeft | Qt::AlignTop);
    row->addLayout(texts);
    row->addSpacerItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    column->addLayout(row);

    column->addSpacerItem(new QSpacerItem(0, 100, QSizePolicy::Minimum, QSizePolicy::Fixed));
    auto* smallPrint = new CBPQtLabel(tr("Copyright (C) Tolvanire. All rights reserved."), this);
    smallPrint->setFont(DialogLook::PixelFont(14));
    DialogLook::SetTextColour(smallPrint, QColor(255, 255, 255, 153));
    column->addWidget(smallPrint, 0, Qt::AlignHCenter | Qt::AlignBottom);

    bodyLayout->addLayout(column);
}

void CAboutDlg::openUrl(QString&) {
    CHostServices::Current().OpenUrl(CUpdateEndpoints::ProductPageUrl());
}

int CAboutDlg::ReceiveMsg(__MsgData msg) {
    if (msg.id == MSG_CLOSE_DLG) done(QDialog::Rejected);
    return 0;
}
