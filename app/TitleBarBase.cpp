#include "app/TitleBarBase.h"

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>

#include "app/RuntimeFiles.h"

CTitleBarBase::CTitleBarBase(QWidget* parent) : CBPQtGroupBox(parent) {}

void CTitleBarBase::CreateLabels(const QString& title, const QString& titleStyleSheet) {
    logoLabel = new QLabel(this);
    // Through QIcon so that a high-DPI screen gets the @2x picture.
    const QIcon logo(CRuntimeFiles::Path(QStringLiteral("./Resources/titlebar_logo.png")));
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

void CTitleBarBase::RestoreForDrag() {
    frameWindow->setWindowState(Qt::WindowNoState);
}

void CTitleBarBase::mousePressEvent(QMouseEvent* event) {
    // A full-screen window stays where it is.
    if (frameWindow != nullptr && (frameWindow->windowState() & Qt::WindowFullScreen) != 0) return;
    pressPos = event->pos();
    dragging = true;
}

void CTitleBarBase::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() != Qt::LeftButton || !dragging || frameWindow == nullptr) return;
    if (FrameIsMaximizedOrFullScreen()) {
        // A click on a maximised bar is no drag yet.
        if ((event->pos() - pressPos).manhattanLength() < QApplication::startDragDistance()) return;
        const double share = width() > 0 ? double(pressPos.x()) / width() : 0.5;
        RestoreForDrag();
        if (FrameIsMaximizedOrFullScreen()) return;
        // The pointer keeps its place along the restored bar.
        pressPos = QPoint(int(share * frameWindow->width()), pressPos.y());
        frameWindow->move(event->globalPos() - mapTo(frameWindow, pressPos));
        return;
    }
    // The bar moves with the frame, so the cursor stays over pressPos.
    const QPoint delta = event->pos() - pressPos;
    frameWindow->move(frameWindow->pos().x() + delta.x(), frameWindow->pos().y() + delta.y());
}

void CTitleBarBase::mouseReleaseEvent(QMouseEvent*) {
    dragging = false;
}
