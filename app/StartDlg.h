#pragma once

#include <QDialog>

#include "widgetlib/BPMsgReceiver.h"

class QLabel;
class QVBoxLayout;

// Splash shown while the installed programs are read: one 600 x 370 picture
// and no chrome. It closes when MSG_CLOSE_DLG arrives and only then: Escape
// and the window system's close are ignored, since the window behind it is
// not ready to be used.
class CStartDlg : public QDialog, public CBPMsgReceiver {
    Q_OBJECT
public:
    explicit CStartDlg(QWidget* parent = nullptr);

    void BuildSplash();
    int ReceiveMsg(__MsgData msg) override;

    QLabel* PictureLabel() const { return pictureLabel; }

    // Escape and the window system's close end up here.
    void reject() override;

private:
    bool closeAllowed = false;
    QVBoxLayout* pictureLayout = nullptr;
    QLabel* pictureLabel = nullptr;
};
