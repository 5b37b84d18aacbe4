#pragma once

#include <QDialog>

#include "widgetlib/BPMsgReceiver.h"

class QLabel;
class QMovie;

// Busy dialog shown while a list is read again: a small grey box with an
// animation, centred over its parent. The creator gives it the frameless
// dialog window flags, calls BuildBusyView and runs it modally; it closes
// when MSG_CLOSE_DLG arrives.
class CRefreshDlg : public QDialog, public CBPMsgReceiver {
    Q_OBJECT
public:
    explicit CRefreshDlg(QWidget* parent = nullptr);

    void BuildBusyView();
    int ReceiveMsg(__MsgData msg) override;

    QLabel* AnimationLabel() const { return animation; }
    QMovie* Movie() const { return movie; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* animation = nullptr;
    QMovie* movie = nullptr;
};
