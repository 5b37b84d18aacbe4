#pragma once

#include <QWidget>

class QLineEdit;

// The search box of the program page: a magnifier and a frameless line
// edit on a rounded box picture. The page connects the line edit's
// text-changed signal to its search.
class CSearchEdit : public QWidget {
    Q_OBJECT
public:
    CSearchEdit();

    QLineEdit* LineEdit() const { return lineEdit; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLineEdit* lineEdit = nullptr;
};
