#pragma once

#include <QDialog>
#include <QVBoxLayout>

#include "widgetlib/BPMsgReceiver.h"

class CWindowDlgTitle;

// Frameless dialog frame: a rounded body with its own title bar and a
// separator line under it. The title bar and the content sit on a panel that
// takes the size of its contents; a dialog sets its content's width (for
// instance with an empty label as wide as the dialog) and puts its content
// into BodyLayout(). Its title bar's close button comes last in the tab
// order, after the dialog's own controls.
class CWinDlgFrm : public QDialog, public CBPMsgReceiver {
    Q_OBJECT
public:
    explicit CWinDlgFrm(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

    CWindowDlgTitle* TitleBar() const { return titleBar; }
    QVBoxLayout* FrameLayout() const { return frameLayout; }
    QVBoxLayout* BodyLayout() const { return bodyLayout; }
    QWidget* Panel() const { return panel; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

    CWindowDlgTitle* titleBar = nullptr;
    QVBoxLayout* frameLayout = nullptr;
    QVBoxLayout* bodyLayout = nullptr;

private:
    QWidget* panel = nullptr;
};
