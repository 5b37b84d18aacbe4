#include "pages/FileTreeItemDelegate.h"

#include <QPainter>
#include <QPainterPath>

#include "widgetlib/Palette.h"

QRect CFileTreeItemDelegate::detailsLinkRect;

CFileTreeItemDelegate::CFileTreeItemDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

QRect CFileTreeItemDelegate::DetailsLinkRect(const QRect& cell) {
    return QRect(cell.x() + cell.width() - 50, cell.y() + 20, 50, 25);
}

void CFileTreeItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
    const int column = index.column();
    if (column < 1 || column > 4) return;
    painter->save();
    painter->setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::RenderHint(0x08));

    const bool hovered = (option.state & QStyle::State_MouseOver) != 0;
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    const QRect cell = option.rect;
    if (hovered || selected) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(CPalette::Of(CPalette::Highlight));
        const QRect band = cell.adjusted(0, 1, 0, -1);
        if (column == 1) {
            // Only the left end of the band is rounded.
            painter->drawRoundedRect(band, 8, 8);
            painter->drawRect(QRect(band.right() - 9, band.top(), 10, band.height()));
        } else if (column == 4) {
            painter->drawRoundedRect(band, 8, 8);
            painter->drawRect(QRect(band.left(), band.top(), 10, band.height()));
        } else {
            painter->drawRect(band);
        }
    }

    painter->setPen(column == 2 ? CPalette::Of(CPalette::PrimaryText) : CPalette::Of(CPalette::SecondaryText));
    painter->drawText(cell, Qt::AlignLeft | Qt::AlignVCenter, index.data(Qt::DisplayRole).toString());

    if (hovered && column == 1) {
        const QRect link = DetailsLinkRect(cell);
        painter->save();
        QFont font(QStringLiteral("Segoe UI"));
        font.setPixelSize(14);
        font.setUnderline(true);
        painter->setFont(font);
        painter->drawText(link, Qt::AlignLeft | Qt::AlignVCenter, tr("Details"));
        painter->restore();
        detailsLinkRect = link;
    }
    painter->restore();
}

QSize CFileTreeItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), 42);
}
