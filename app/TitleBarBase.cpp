#include "app/TitleBarBase.h"

#include <QIcon>
#include <QLabel>
#include <QMouseEvent>

CTitleBarBase::CTitleBarBase(QWidget* parent) : CBPQtGroupBox(parent) {}

void CTitleBarBase::CreateLabels(const QString& title, const QString& titleStyleSheet) {
    logoLabel = new QLabel(this);
    // Through QIcon so that a high-DPI screen gets the @2x picture.
    const QIcon logo(QStringLiteral("./Resources/titlebar_logo.png"));
    if (!logo.isNull()) logoLabel->setPixmap(logo.pixmap(16, 16));
    titleLabel = new QLabel(this);
    titleLabel->setStyleSheet(titleStyleSheet);
    titleLabel->setText(title);
}

bool CTitleBarBase::FrameIsMaximizedOrFullScreen() const {
    if (frameWindow == nullptr) return false;
    // Flags, not equality: on Windows a maximised frameless window also
    // reports full screen, and a minimised one keeps its maximised flag.
    return (frameWindow->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) != 0;
}

void CTitleBarBase::mousePressEvent(QMouseEvent* event) {
    // A maximised or full-screen window stays where it is.
    if (FrameIsMaximizedOrFullScreen()) return;
    pressPos = event->pos();
    dragging = true;
}

void CTitleBarBase::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() != Qt::LeftButton || !dragging || frameWindow == nullptr) return;
    // The bar moves with the frame, so the cursor stays over pressPos.
    const QPoint delta = event->pos() - pressPos;
    frameWindow->move(frameWindow->pos().x() + delta.x(), frameWindow->pos().y() + delta.y());
}

void CTitleBarBase::mouseReleaseEvent(QMouseEvent*) {
    dragging = false;
}
