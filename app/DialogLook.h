#pragma once

#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QPoint>
#include <QRect>
#include <QScreen>
#include <QWidget>

class QTreeWidget;

// Small shared helpers of the frames and dialogs: the product font at a pixel
// size, a text colour given through the palette, and centring over a parent.
namespace DialogLook {

// The look every list of a dialog shares (details, leftovers, restore
// points): the product font, the dialog's colours with a raised header, and
// the program's scroll bars. `extraRules` adds rules of the list's own (tick
// boxes, a selected row), colours and urls resolved as in CRuntimeFiles.
void StyleList(QTreeWidget* tree, const QString& extraRules = QString());

inline QFont PixelFont(int pixelSize, bool bold = false) {
    QFont font(QStringLiteral("Segoe UI"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

// Antialiasing, text antialiasing and high-quality antialiasing (bit 8,
// whose name Qt 5.15 deprecates; there Antialiasing alone covers it).
inline void SetSmoothPainting(QPainter& painter) {
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::RenderHint(0x08));
}

// Labels take their colour from the window-text role, buttons from the
// button-text role, and a label inside an item view (a row widget of a
// tree) from the text role, since it stands on the view's base colour;
// all three are set so that every kind of widget shows it.
inline void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette pal = widget->palette();
    pal.setColor(QPalette::WindowText, colour);
    pal.setColor(QPalette::ButtonText, colour);
    pal.setColor(QPalette::Text, colour);
    widget->setPalette(pal);
}

// Top-left position that puts a window of `size` centred over `parent`, each
// axis parent position + parent extent / 2 - own extent / 2 (integer division).
inline QPoint CentredOver(const QRect& parent, const QSize& size) {
    return QPoint(parent.x() + parent.width() / 2 - size.width() / 2,
                  parent.y() + parent.height() / 2 - size.height() / 2);
}

// Moves `dialog` so that it is centred over `parent`, or over the primary
// screen's available area when there is no parent.
inline void CentreOverParent(QWidget* dialog, const QWidget* parent) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect around = parent != nullptr   ? parent->geometry()
                         : screen != nullptr ? screen->availableGeometry()
                                             : QRect();
    if (around.isValid()) dialog->move(CentredOver(around, dialog->size()));
}

} // namespace DialogLook
