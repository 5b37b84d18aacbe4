#include "pages/FileTreeItemDelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCursor>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include "widgetlib/Palette.h"

QRect CFileTreeItemDelegate::detailsLinkRect;

namespace {
// Kept free between a cell's text and the next column.
constexpr int kTextGap = 8;
} // namespace

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

    const bool hovered = IsUnderPointer(option, index);
    const QRect cell = option.rect;
    if (hovered) {
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
    const QString text = index.data(Qt::DisplayRole).toString();
    painter->drawText(cell, Qt::AlignLeft | Qt::AlignVCenter,
                      painter->fontMetrics().elidedText(text, Qt::ElideRight, cell.width() - kTextGap));

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

bool CFileTreeItemDelegate::IsUnderPointer(const QStyleOptionViewItem& option, const QModelIndex& index) {
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    // The view's own hover state follows a row that a sort or a search
    // moved away from the pointer, and stays when the pointer left over a
    // row's widgets: the pointer itself decides.
    if (view == nullptr) return false;
    const QWidget* viewport = view->viewport();
    const QPoint pointer = QCursor::pos();
    const QWidget* pointed = QApplication::widgetAt(pointer);
    if (pointed == nullptr || (pointed != viewport && !viewport->isAncestorOf(pointed))) return false;
    const QModelIndex under = view->indexAt(viewport->mapFromGlobal(pointer));
    return under.isValid() && under.row() == index.row() && under.parent() == index.parent();
}

bool CFileTreeItemDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                      const QModelIndex& index) {
    if (event->type() != QEvent::ToolTip) return QStyledItemDelegate::helpEvent(event, view, option, index);
    const QString text = index.data(Qt::DisplayRole).toString();
    const bool cut = option.fontMetrics.horizontalAdvance(text) > option.rect.width() - kTextGap;
    if (cut)
        QToolTip::showText(event->globalPos(), text, view->viewport(), option.rect);
    else
        QToolTip::hideText();
    return true;
}

QSize CFileTreeItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), 42);
}
