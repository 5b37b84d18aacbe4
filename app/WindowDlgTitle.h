#pragma once

#include "app/TitleBarBase.h"

class QPushButton;

// Title bar of the dialogs: logo, title and a close button. The close button
// broadcasts MSG_CLOSE_DLG, which closes every open dialog listening to it.
class CWindowDlgTitle : public CTitleBarBase {
    Q_OBJECT
public:
    explicit CWindowDlgTitle(QWidget* parent = nullptr);

    QPushButton* CloseButton() const { return closeBtn; }

public slots:
    void OnBtnClicked();

private:
    QPushButton* closeBtn = nullptr;
};
