#pragma once

#include "app/BaseDialog.h"

class CBPQtHyperLink;

// The About dialog: logo, product name, a short description, the link to
// the web site and a line of small print. Closes on its close button or on
// MSG_CLOSE_DLG.
class CAboutDlg : public CBaseDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent);

    void BuildContent();
    int ReceiveMsg(__MsgData msg) override;

    CBPQtHyperLink* Link() const { return link; }

public slots:
    // Whatever the link shows, the product page opens.
    void openUrl(QString& text);

private:
    CBPQtHyperLink* link = nullptr;
};
