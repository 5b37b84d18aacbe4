#pragma once

#include <QRect>
#include <QWidget>

// An invisible strip along an edge or in a corner of a frameless window:
// over it the pointer takes the resize shape, and a drag with the left
// button resizes the window from that side, never below its minimum size.
// The window system does the resizing where it offers to; elsewhere the
// grip does it itself.
class CResizeGrip : public QWidget {
    Q_OBJECT
public:
    CResizeGrip(Qt::Edges edges, QWidget* window);

    Qt::Edges Edges() const { return edges; }
    // Where the grip lies in a window of `size`, `thickness` pixels wide.
    QRect PlaceIn(const QSize& size, int thickness) const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Qt::Edges edges;
    bool resizing = false;
    QPoint pressGlobal;
    QRect startGeometry;
};
