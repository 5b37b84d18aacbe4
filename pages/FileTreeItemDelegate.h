#pragma once

#include <QRect>
#include <QStyledItemDelegate>

// Row painter of the program tree: the dark rows, a band with rounded outer
// ends under the row the pointer is over (one row, only while the pointer
// is there, however the rows moved under it), and the "Details" link at the
// right end of that row's program cell. A text too wide for its cell is cut
// with "…" and shown whole in a tool tip.
class CFileTreeItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit CFileTreeItemDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // Whether `index` is in the row under the pointer of the view that
    // paints it (`option.widget`).
    static bool IsUnderPointer(const QStyleOptionViewItem& option, const QModelIndex& index);

    // Where the "Details" link lies in a program cell (column 1) of the
    // given rectangle, in the same coordinates.
    static QRect DetailsLinkRect(const QRect& programCell);

    // Where the link was drawn last, in the tree viewport's coordinates.
    static QRect detailsLinkRect;
};
