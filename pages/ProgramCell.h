#pragma once

#include <QFontMetrics>
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

    // The labels' look comes from the tree's style sheet (QSS/page.qss),
    // shared by every row: a sheet per label would be parsed a thousand
    // times. `nameMetrics` measures the name label's font under that sheet.
    ProgramCell(const ProgramText& text, int index, const QPixmap& icon, const QFontMetrics& nameMetrics,
                QWidget* parent = nullptr);

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
