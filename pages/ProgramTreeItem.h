#pragma once

#include <QTreeWidgetItem>

// A row of the program tree (a standard item of type 0). It only changes
// how rows compare when the tree sorts: the display names in column 0 in
// the user's locale, the sizes in column 5 as unsigned 64-bit numbers.
class CProgramTreeItem : public QTreeWidgetItem {
public:
    CProgramTreeItem() : QTreeWidgetItem(0) {}

    bool operator<(const QTreeWidgetItem& other) const override;
};
