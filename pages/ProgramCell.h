#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
struct ProgramText;

// Column 1 of a program row: check box, icon, name over publisher. Its
// children keep this order, which the page and the uninstall run rely on:
// 0 the layout, 1 the check box, 2 the icon label, 3 the name label, 4 the
// publisher label. The check box carries the record index in "checkindex".
class ProgramCell : public QWidget {
    Q_OBJECT
public:
    static constexpr int kNameWidth = 220;
    static constexpr int kIconSize = 32;

    ProgramCell(const ProgramText& text, int index, const QPixmap& icon, QWidget* parent = nullptr);

    QCheckBox* CheckBox() const { return checkBox; }
    QLabel* IconLabel() const { return iconLabel; }
    QLabel* NameLabel() const { return nameLabel; }
    QLabel* PublisherLabel() const { return publisherLabel; }

private:
    QCheckBox* checkBox = nullptr;
    QLabel* iconLabel = nullptr;
    QLabel* nameLabel = nullptr;
    QLabel* publisherLabel = nullptr;
};
