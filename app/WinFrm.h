#pragma once

#include <QVBoxLayout>
#include <vector>

#include "widgetlib/BPMsgReceiver.h"
#include "widgetlib/BPQtMainWindow.h"

class CResizeGrip;
class CWindowTitle;

// Frameless main-window frame: a dark rounded body with its own 32-pixel
// title bar. A window built on it puts its content into BodyLayout(). Its
// edges and corners resize it (CResizeGrip) unless it is maximised.
class CWinFrm : public CBPQtMainWindow, public CBPMsgReceiver {
    Q_OBJECT
public:
    explicit CWinFrm(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

    CWindowTitle* TitleBar() const { return titleBar; }
    QVBoxLayout* FrameLayout() const { return frameLayout; }
    QVBoxLayout* BodyLayout() const { return bodyLayout; }
    const std::vector<CResizeGrip*>& ResizeGrips() const { return grips; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

    CWindowTitle* titleBar = nullptr;
    QVBoxLayout* frameLayout = nullptr;
    QVBoxLayout* bodyLayout = nullptr;

private:
    void PlaceGrips();

    std::vector<CResizeGrip*> grips;
};
