#include "app/BaseDialog.h"

#include <QEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QPushButton>
#include <algorithm>

#include "app/RuntimeFiles.h"
#include "widgetlib/BPNotifyCentor.h"

namespace {
CBaseDialog::Answerer& TheAnswerer() {
    static CBaseDialog::Answerer answerer;
    return answerer;
}
} // namespace

CBaseDialog::CBaseDialog(QWidget* parent) : CWinDlgFrm(parent, Qt::WindowFlags()) {
    SetNotifyCentor(CBPNotifyCentor::instance());
    setWindowIcon(QIcon(CRuntimeFiles::Path(QStringLiteral("./Resources/Logo.ico"))));
}

void CBaseDialog::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && closesOnEnter && event->modifiers() == Qt::NoModifier) {
        const QList<QPushButton*> buttons = findChildren<QPushButton*>();
        // A button just added to the shown dialog is shown a moment later
        // (by a queued call of its layout): only one hidden on purpose
        // leaves Enter to close the dialog.
        const bool taken = std::any_of(buttons.begin(), buttons.end(), [](const QPushButton* b) {
            return b->isDefault() && (b->isVisible() || !b->testAttribute(Qt::WA_WState_ExplicitShowHide));
        });
        if (!taken) {
            reject();
            return;
        }
    }
    CWinDlgFrm::keyPressEvent(event);
}

int CBaseDialog::ReceiveMsg(__MsgData) {
    return 0;
}

int CBaseDialog::exec() {
    if (TheAnswerer() && TheAnswerer()(*this)) return result();
    return CWinDlgFrm::exec();
}

void CBaseDialog::SetAnswerer(Answerer answerer) {
    TheAnswerer() = std::move(answerer);
}

bool CBaseDialog::event(QEvent* event) {
    // Activated while not yet shown (the window system raised it): show it
    // first. A dialog the program has hidden or closed stays hidden: window
    // activation arrives asynchronously on some systems, and a late one must
    // not bring back a message box whose run has ended.
    if (event->type() == QEvent::WindowActivate && !isVisible() && !testAttribute(Qt::WA_WState_ExplicitShowHide))
        show();
    return CWinDlgFrm::event(event);
}
