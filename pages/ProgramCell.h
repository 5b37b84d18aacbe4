#pragma once

#include <QWidget>

class CElidedLabel;
class QCheckBox;
class QLabel;
struct ProgramText;

// Column 1 of a program row: check box, icon, name over publisher. Its
// children keep this order, which the page and the uninstall run rely on:
// 0 the layout, 1 the check box, 2 the icon label, 3 the name label, 4 the
// publisher label, 5 the "uninstaller missing" note beside the publisher
// (hidden until SetUninstallerMissing). The check box carries the record
// index in "checkindex".
// The name and the publisher take the cell's width up to the place of the
// "Details" link, and are cut with "…" there, the whole text in a tool tip.
class ProgramCell : public QWidget {
    Q_OBJECT
public:
    static constexpr int kIconSize = 32;
    // Kept free at the right end for the "Details" link of the hovered row.
    static constexpr int kDetailsReserve = 58;

    // The labels' look comes from the tree's style sheet (QSS/page.qss),
    // shared by every row: a sheet per label would be parsed a thousand times.
    ProgramCell(const ProgramText& text, int index, const QPixmap& icon, QWidget* parent = nullptr);

    QCheckBox* CheckBox() const { return checkBox; }
    QLabel* IconLabel() const { return iconLabel; }
    CElidedLabel* NameLabel() const { return nameLabel; }
    CElidedLabel* PublisherLabel() const { return publisherLabel; }
    QLabel* MissingNote() const { return missingNote; }

    // Marks the row of an entry whose uninstaller file is gone: a small
    // note under the name says so.
    void SetUninstallerMissing(bool missing);

private:
    QCheckBox* checkBox = nullptr;
    QLabel* iconLabel = nullptr;
    CElidedLabel* nameLabel = nullptr;
    CElidedLabel* publisherLabel = nullptr;
    QLabel* missingNote = nullptr;
};
