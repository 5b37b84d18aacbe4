#include "app/WindowDlgTitle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpacerItem>

#include "app/WindowTitle.h"
#include "include/MsgIds.h"
#include "widgetlib/BPNotifyCentor.h"
#include "widgetlib/Palette.h"

CWindowDlgTitle::CWindowDlgTitle(QWidget* parent) : CTitleBarBase(parent) {
    setFixedHeight(32);
    auto* row = new QHBoxLayout(this);
    row->setSpacing(5);
    row->setContentsMargins(10, 0, 0, 0);

    CreateLabels(tr("Tolvanire Uninstaller Free"),
                 CPalette::Fill(QStringLiteral("font-family:Segoe UI;font-size:14px;color:@DialogTitle;")));
    row->addWidget(logoLabel);
    row->addWidget(titleLabel);
    row->addSpacerItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));

    closeBtn = new QPushButton(this);
    closeBtn->setObjectName(QStringLiteral("closeBtn"));
    closeBtn->setAccessibleName(tr("Close"));
    closeBtn->setStyleSheet(CWindowTitle::ButtonStyleSheet(QStringLiteral("close")));
    closeBtn->setFixedSize(40, 32);
    // Reached with Tab (last, CWinDlgFrm sees to it), never by a click, and
    // never the taker of the Enter key.
    closeBtn->setFocusPolicy(Qt::TabFocus);
    closeBtn->setAutoDefault(false);
    connect(closeBtn, &QPushButton::clicked, this, &CWindowDlgTitle::OnBtnClicked);
    row->addWidget(closeBtn, 0, Qt::AlignRight);
}

void CWindowDlgTitle::OnBtnClicked() {
    if (frameWindow == nullptr) return;
    if (sender() == closeBtn) CBPNotifyCentor::instance()->SendMsg(MSG_CLOSE_DLG, 0, nullptr, 0);
}
