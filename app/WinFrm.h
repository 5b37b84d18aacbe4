#pragma once

#include <QVBoxLayout>

#include "widgetlib/BPMsgReceiver.h"
#include "widgetlib/BPQtMainWindow.h"

class CWindowTitle;

// Frameless main-window frame: a dark rounded body with its own 32-pixel
// title bar. A window built on it puts its content into BodyLayout().
class CWinFrm : public CBPQtMainWindow, public CBPMsgReceiver {
    Q_OBJECT
public:
    explicit CWinFrm(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

    CWindowTitle* TitleBar() const { return titleBar; }
    QVBoxLayout* FrameLayout() const { return frameLayout; }
    QVBoxLayout* BodyLayout() const { return bodyLayout; }

protected:
    void paintEvent(QPaintEvent* event) override;

    CWindowTitle* titleBar = nullptr;
    QVBoxLayout* frameLayout = nullptr;
    QVBoxLayout* bodyLayout = nullptr;
};
