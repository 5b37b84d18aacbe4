#pragma once

#include <QTreeWidgetItem>
#include <cstddef>

// A row of the program tree (a standard item of type 0). It only changes
// how rows compare when the tree sorts: the display names in column 0 in
// the user's locale, the sizes in column 5 as unsigned 64-bit numbers.
class CProgramTreeItem : public QTreeWidgetItem {
public:
    // Column 1 holds, in this role, the index of the row's record in the
    // page's list.
    static constexpr int kRecordIndexRole = 256;

    CProgramTreeItem() : QTreeWidgetItem(0) {}

    // The record index of `row`, or -1 when it has none below `count`.
    static int RecordIndex(const QTreeWidgetItem* row, size_t count);

    bool operator<(const QTreeWidgetItem& other) const override;
};
