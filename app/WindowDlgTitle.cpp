#include "app/WindowDlgTitle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpacerItem>

#include "app/WindowTitle.h"
#include "include/MsgIds.h"
#include "widgetlib/BPNotifyCentor.h"

CWindowDlgTitle::CWindowDlgTitle(QWidget* parent) : CTitleBarBase(parent) {
    setFixedHeight(32);
    auto* row = new QHBoxLayout(this);
    row->setSpacing(5);
    row->setContentsMargins(10, 0, 0, 0);

    CreateLabels(tr("Tolvanire Uninstaller Free"),
                 QStringLiteral("font-family:Segoe UI;font-size:14px;color:rgb(216,216,216);"));
    row->addWidget(logoLabel);
    row->addWidget(titleLabel);
    row->addSpacerItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));

    m_closeBtn = new QPushButton(this);
    m_closeBtn->setObjectName(QStringLiteral("closeBtn"));
    m_closeBtn->setAccessibleName(tr("Close"));
    m_closeBtn->setStyleSheet(CWindowTitle::ButtonStyleSheet(QStringLiteral("close")));
    m_closeBtn->setFixedSize(40, 32);
    m_closeBtn->setFocusPolicy(Qt::NoFocus);
    m_closeBtn->setAutoDefault(false);
    connect(m_closeBtn, &QPushButton::clicked, this, &CWindowDlgTitle::OnBtnClicked);
    row->addWidget(m_closeBtn, 0, Qt::AlignRight);
}

void CWindowDlgTitle::OnBtnClicked() {
    if (frameWindow == nullptr) return;
    if (sender() == m_closeBtn) CBPNotifyCentor::instance()->SendMsg(MSG_CLOSE_DLG, 0, nullptr, 0);
}
