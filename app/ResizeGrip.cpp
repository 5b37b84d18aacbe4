#include "app/ResizeGrip.h"

#include <QMouseEvent>
#include <QWindow>
#include <algorithm>

namespace {

Qt::CursorShape ShapeFor(Qt::Edges edges) {
    const bool horizontal = (edges & (Qt::LeftEdge | Qt::RightEdge)) != 0;
    const bool vertical = (edges & (Qt::TopEdge | Qt::BottomEdge)) != 0;
    if (horizontal && vertical)
        return edges == (Qt::TopEdge | Qt::LeftEdge) || edges == (Qt::BottomEdge | Qt::RightEdge) ? Qt::SizeFDiagCursor
                                                                                                  : Qt::SizeBDiagCursor;
    return horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor;
}

} // namespace

CResizeGrip::CResizeGrip(Qt::Edges edges, QWidget* window) : QWidget(window), edges(edges) {
    setCursor(ShapeFor(edges));
}

QRect CResizeGrip::PlaceIn(const QSize& size, int thickness) const {
    const int x = (edges & Qt::LeftEdge) ? 0 : (edges & Qt::RightEdge) ? size.width() - thickness : thickness;
    const int y = (edges & Qt::TopEdge) ? 0 : (edges & Qt::BottomEdge) ? size.height() - thickness : thickness;
    const int w = (edges & (Qt::LeftEdge | Qt::RightEdge)) ? thickness : size.width() - 2 * thickness;
    const int h = (edges & (Qt::TopEdge | Qt::BottomEdge)) ? thickness : size.height() - 2 * thickness;
    return QRect(x, y, w, h);
}

void CResizeGrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    QWidget* frame = window();
    if (frame->windowHandle() != nullptr && frame->windowHandle()->startSystemResize(edges)) return;
    resizing = true;
    pressGlobal = event->globalPos();
    startGeometry = frame->geometry();
}

void CResizeGrip::mouseMoveEvent(QMouseEvent* event) {
    if (!resizing || event->buttons() != Qt::LeftButton) return;
    QWidget* frame = window();
    const QPoint delta = event->globalPos() - pressGlobal;
    const QSize minimum = frame->minimumSize();
    QRect rect = startGeometry;
    if (edges & Qt::LeftEdge) rect.setLeft(std::min(rect.left() + delta.x(), rect.right() + 1 - minimum.width()));
    if (edges & Qt::RightEdge) rect.setRight(std::max(rect.right() + delta.x(), rect.left() - 1 + minimum.width()));
    if (edges & Qt::TopEdge) rect.setTop(std::min(rect.top() + delta.y(), rect.bottom() + 1 - minimum.height()));
    if (edges & Qt::BottomEdge) rect.setBottom(std::max(rect.bottom() + delta.y(), rect.top() - 1 + minimum.height()));
    frame->setGeometry(rect);
}

void CResizeGrip::mouseReleaseEvent(QMouseEvent*) {
    resizing = false;
}
