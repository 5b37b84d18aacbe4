#pragma once

#include <QRect>
#include <QStyledItemDelegate>

// Row painter of the program tree: the dark rows, a band with rounded outer
// ends under the hovered or selected row, and the "Details" link at the
// right end of the hovered row's program cell.
class CFileTreeItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit CFileTreeItemDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Where the "Details" link lies in a program cell (column 1) of the
    // given rectangle, in the same coordinates.
    static QRect DetailsLinkRect(const QRect& programCell);

    // Where the link was drawn last, in the tree viewport's coordinates.
    static QRect detailsLinkRect;
};
