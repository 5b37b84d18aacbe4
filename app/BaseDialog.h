#pragma once

#include "app/WinDlgFrm.h"

// Base of every framed dialog of the program. The creator gives it the
// frameless dialog window flags, fills it, runs it modally (exec) and deletes
// it. Derived dialogs register the messages they handle (MSG_CLOSE_DLG
// above all) and override ReceiveMsg.
class CBaseDialog : public CWinDlgFrm {
    Q_OBJECT
public:
    explicit CBaseDialog(QWidget* parent = nullptr);

    int ReceiveMsg(__MsgData msg) override;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    // A result dialog: Enter closes it as Escape does, unless a default
    // button takes the Enter key.
    bool closesOnEnter = false;
};
