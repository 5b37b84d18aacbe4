#include "app/WinDlgFrm.h"

#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/DialogLook.h"
#include "app/WindowDlgTitle.h"
#include "widgetlib/BPNotifyCentor.h"
#include "widgetlib/Palette.h"

CWinDlgFrm::CWinDlgFrm(QWidget* parent, Qt::WindowFlags flags) : QDialog(parent, flags) {
    SetNotifyCentor(CBPNotifyCentor::instance());

    // Not placed by a layout of the dialog: the fixed-size constraint makes
    // the panel follow the size of what it holds.
    panel = new QWidget(this);
    frameLayout = new QVBoxLayout(panel);
    frameLayout->setSizeConstraint(QLayout::SetFixedSize);

    titleBar = new CWindowDlgTitle(this);
    frameLayout->addWidget(titleBar, 0, Qt::Alignment());
    titleBar->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    titleBar->SetFrameWindow(this);

    // The frameless hint is added to the flags the dialog already has, so
    // that it stays a window of its own.
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setContentsMargins(0, 0, 0, 0);

    bodyLayout = new QVBoxLayout;
    bodyLayout->setContentsMargins(0, 0, 0, 20);
    frameLayout->addLayout(bodyLayout);
    frameLayout->setContentsMargins(0, 0, 0, 20);
    frameLayout->setSpacing(0);
}

void CWinDlgFrm::showEvent(QShowEvent* event) {
    // The title bar is built before the content, so its close button would
    // come first and take the focus when the dialog opens.
    QPushButton* close = titleBar->CloseButton();
    QWidget* last = nullptr;
    for (QWidget* w = nextInFocusChain(); w != this; w = w->nextInFocusChain())
        if (w != close && isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) != 0) last = w;
    if (last != nullptr) QWidget::setTabOrder(last, close);
    QDialog::showEvent(event);
}

void CWinDlgFrm::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    DialogLook::SetSmoothPainting(painter);
    painter.setPen(CPalette::Of(CPalette::DialogEdge));
    painter.setBrush(CPalette::Of(CPalette::DialogBody));
    painter.drawRoundedRect(rect(), 8, 8);
    painter.setPen(CPalette::Of(CPalette::Raised));
    painter.drawLine(1, 32, rect().right() - 1, 32);
}
