#include "app/WinFrm.h"

#include <QPainter>
#include <QVBoxLayout>

#include "app/DialogLook.h"
#include "app/ResizeGrip.h"
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

    for (Qt::Edges edges : {Qt::Edges(Qt::LeftEdge), Qt::Edges(Qt::RightEdge), Qt::Edges(Qt::TopEdge),
                            Qt::Edges(Qt::BottomEdge), Qt::TopEdge | Qt::LeftEdge, Qt::TopEdge | Qt::RightEdge,
                            Qt::BottomEdge | Qt::LeftEdge, Qt::BottomEdge | Qt::RightEdge})
        grips.push_back(new CResizeGrip(edges, this));
    PlaceGrips();
}

void CWinFrm::PlaceGrips() {
    // Thin enough to leave every control its clicks.
    constexpr int kThickness = 4;
    const bool resizable = (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) == 0;
    for (CResizeGrip* grip : grips) {
        grip->setGeometry(grip->PlaceIn(size(), kThickness));
        grip->setVisible(resizable);
        grip->raise();
    }
}

void CWinFrm::resizeEvent(QResizeEvent* event) {
    CBPQtMainWindow::resizeEvent(event);
    PlaceGrips();
}

void CWinFrm::changeEvent(QEvent* event) {
    CBPQtMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) PlaceGrips();
}

void CWinFrm::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    DialogLook::SetSmoothPainting(painter);
    painter.setPen(Qt::NoPen);
    painter.setBrush(CPalette::Of(CPalette::Chrome));
    // A maximised window meets the screen's edges: no rounded corners.
    const bool maximized = (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) != 0;
    painter.drawRoundedRect(rect(), maximized ? 0 : 8, maximized ? 0 : 8);
    // The content band between the 32-pixel title bar and the 63-pixel strip
    // at the bottom; both keep the darker colour.
    painter.setBrush(CPalette::Of(CPalette::Body));
    painter.drawRect(QRect(0, 32, width() - 1, height() - 95));
}
