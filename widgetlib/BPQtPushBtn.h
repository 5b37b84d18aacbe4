#pragma once

#include <QPushButton>

// Push button of the dark dialogs: a rounded slate button, or an accent-blue
// one once it is made the default button. The text colour is the palette's
// button-text colour (white unless the user of the button sets another).
class CBPQtPushBtn : public QPushButton {
    Q_OBJECT
public:
    explicit CBPQtPushBtn(const QString& text, QWidget* parent = nullptr);

    // Makes this the dialog's default button (Enter presses it) and gives it
    // the accent look.
    void setAsDefaultBtn();
};
