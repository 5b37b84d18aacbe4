#pragma once

#include <functional>

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

    // Runs the dialog modally, or hands it to the answerer (below).
    int exec() override;

    // The one test seam of the modal dialogs: while an answerer is set,
    // exec() hands it the built dialog first. An answerer that answers ends
    // the dialog as a user would (a button's slot, done(r)) and returns
    // true: exec() then returns the dialog's result, and the dialog is never
    // shown. One that returns false leaves the dialog to its modal run.
    using Answerer = std::function<bool(CBaseDialog& dialog)>;
    static void SetAnswerer(Answerer answerer);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    // A result dialog: Enter closes it as Escape does, unless a default
    // button takes the Enter key.
    bool closesOnEnter = false;
};
