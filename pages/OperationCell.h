#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// Column 4 of a program row. Children in this order: 0 the layout, 1 the
// trash button (record index in "uninstallindex"), 2 the animation label,
// 3 the status label, 4 the "Skip" button; the last three are shown only
// while an uninstall run works on the row, "Skip" only once its wait has
// gone on for a while.
class OperationCell : public QWidget {
    Q_OBJECT
public:
    // `name`: the program's display name, for the trash button's accessible name.
    OperationCell(int index, const QString& name, QWidget* parent = nullptr);

    QPushButton* TrashButton() const { return trashButton; }
    QLabel* AnimationLabel() const { return animationLabel; }
    QLabel* StatusLabel() const { return statusLabel; }
    QPushButton* SkipButton() const { return skipButton; }

private:
    QPushButton* trashButton = nullptr;
    QLabel* animationLabel = nullptr;
    QLabel* statusLabel = nullptr;
    QPushButton* skipButton = nullptr;
};
