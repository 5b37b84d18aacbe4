#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// Column 4 of a program row. Children in this order: 0 the layout, 1 the
// trash button (record index in "uninstallindex"), 2 the animation label,
// 3 the status label; the last two are shown only while an uninstall run
// works on the row.
class OperationCell : public QWidget {
    Q_OBJECT
public:
    // `name`: the program's display name, for the trash button's accessible name.
    OperationCell(int index, const QString& name, QWidget* parent = nullptr);

    QPushButton* TrashButton() const { return trashButton; }
    QLabel* AnimationLabel() const { return animationLabel; }
    QLabel* StatusLabel() const { return statusLabel; }

private:
    QPushButton* trashButton = nullptr;
    QLabel* animationLabel = nullptr;
    QLabel* statusLabel = nullptr;
};
