#pragma once

#include <QDialog>
#include <functional>

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

    // Runs `work` on a thread of its own while a busy dialog shows over
    // `parent`, and returns once the work is done, so that a long read or
    // deletion never freezes the window. The dialog closes when the work
    // ends, not on a close message: a dialog under it that listens for one
    // stays open.
    static void ShowWhile(QWidget* parent, std::function<void()> work);

    QLabel* AnimationLabel() const { return animation; }
    QMovie* Movie() const { return movie; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* animation = nullptr;
    QMovie* movie = nullptr;
};
