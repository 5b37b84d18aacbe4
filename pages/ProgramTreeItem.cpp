#include "pages/ProgramTreeItem.h"

#include <QTreeWidget>

bool CProgramTreeItem::operator<(const QTreeWidgetItem& other) const {
    const int column = treeWidget() != nullptr ? treeWidget()->sortColumn() : 0;
    if (column == 5) return data(5, Qt::DisplayRole).toULongLong() < other.data(5, Qt::DisplayRole).toULongLong();
    if (column == 0) return QString::localeAwareCompare(text(0), other.text(0)) < 0;
    return QTreeWidgetItem::operator<(other);
}

int CProgramTreeItem::RecordIndex(const QTreeWidgetItem* row, size_t count) {
    if (row == nullptr) return -1;
    bool ok = false;
    const int index = row->data(1, kRecordIndexRole).toInt(&ok);
    return ok && index >= 0 && static_cast<size_t>(index) < count ? index : -1;
}
