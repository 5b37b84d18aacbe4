#include "app/WinFrm.h"

#include <QPainter>
#include <QVBoxLayout>

#include "app/DialogLook.h"
#include "app/WindowTitle.h"
#include "widgetlib/BPNotifyCentor.h"
#include "widgetlib/Palette.h"

CWinFrm::CWinFrm(QWidget* parent, Qt::WindowFlags flags) : CBPQtMainWindow(parent, flags) {
    SetNotifyCentor(CBPNotifyCentor::instance());

    auto* central = new QWidget(this);
    setCentralWidget(central);
    frameLayout = new QVBoxLayout(central);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    frameLayout->setSpacing(0);

    titleBar = new CWindowTitle(this);
    frameLayout->addWidget(titleBar, 0, Qt::Alignment());
    titleBar->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    titleBar->SetFrameWindow(this);

    // The frameless hint is added to the flags the window already has.
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setContentsMargins(0, 0, 0, 0);

    bodyLayout = new QVBoxLayout;
    bodyLayout->setContentsMargins(0, 0, 0, 0);
    bodyLayout->setSpacing(0);
    frameLayout->addLayout(bodyLayout);
}

void CWinFrm::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    DialogLook::SetSmoothPainting(painter);
    painter.setPen(Qt::NoPen);
    painter.setBrush(CPalette::Of(CPalette::Chrome));
    painter.drawRoundedRect(rect(), 8, 8);
    // The content band between the 32-pixel title bar and the 63-pixel strip
    // at the bottom; both keep the darker colour.
    painter.setBrush(CPalette::Of(CPalette::Body));
    painter.drawRect(QRect(0, 32, width() - 1, height() - 95));
}
