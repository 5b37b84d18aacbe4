#pragma once

#include "app/BaseDialog.h"

class CBPQtLabel;
class CBPQtPushBtn;
class QLabel;

// The program's message box: a picture for the kind of message, the text and
// up to two buttons. Typical use:
//
//     CMSGDlg box(434, 240, parent);
//     box.SetContent(CMSGDlg::MsgKindWarning, text, CMSGDlg::BtnModeOK);
//     const int result = box.exec();   // 0: OK/YES, 1: Cancel/NO
//
// It closes with result 1 on MSG_CLOSE_DLG. Escape and the window system's
// close answer like the box's way out: Cancel/NO (1) when it asks a
// question (OK/Cancel, Yes/No), so that dismissing a question is never read
// as consent; 0 for the OK-only box and the box without buttons.
class CMSGDlg : public CBaseDialog {
    Q_OBJECT
public:
    enum MsgKind { MsgKindSuccess = 0, MsgKindWarning = 1, MsgKindInfo = 2, MsgKindFailure = 3 };
    enum BtnMode { BtnModeNone = 0, BtnModeOK = 1, BtnModeOKCancel = 2, BtnModeYesNo = 3 };
    enum Result { ResultOK = 0, ResultCancel = 1 };

    CMSGDlg(int width, int height, QWidget* parent = nullptr);

    // Builds the content once: `kind` picks the picture (any unknown kind
    // shows the failure picture), `buttonMode` the buttons (any other value
    // than 1, 2 or 3: none).
    void SetContent(int kind, QString text, int buttonMode);

    int ReceiveMsg(__MsgData msg) override;

    // Escape and the window system's close end up here.
    void reject() override;

    int Kind() const { return messageKind; }
    QString Text() const { return mainText; }
    int ButtonMode() const { return messageButtonMode; }
    int BoxWidth() const { return boxWidth; }
    int BoxHeight() const { return boxHeight; }
    QLabel* IconLabel() const { return iconLabel; }
    CBPQtLabel* TextLabel() const { return textLabel; }
    CBPQtPushBtn* FirstButton() const { return firstBtn; }   // OK or YES
    CBPQtPushBtn* SecondButton() const { return secondBtn; } // Cancel or NO

    static QString PictureForKind(int kind);

public slots:
    void OKClicked();
    void CancelClicked();

private:
    int boxWidth = 0;
    int boxHeight = 0;
    int messageKind = MsgKindFailure;
    int messageButtonMode = BtnModeNone;
    QString mainText;
    QLabel* iconLabel = nullptr;
    CBPQtLabel* textLabel = nullptr;
    CBPQtPushBtn* firstBtn = nullptr;
    CBPQtPushBtn* secondBtn = nullptr;
};
