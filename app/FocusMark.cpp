#include "app/FocusMark.h"

#include <QApplication>
#include <QFocusEvent>
#include <QPainter>
#include <QPointer>

#include "app/DialogLook.h"

namespace {
QPointer<CFocusMark> theMark;
} // namespace

CFocusMark::CFocusMark() {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CFocusMark::Install() {
    if (theMark) return;
    theMark = new CFocusMark;
    qApp->installEventFilter(theMark);
}

QWidget* CFocusMark::MarkedWidget() {
    return theMark ? theMark->widget() : nullptr;
}

const QColor& CFocusMark::Colour() {
    static const QColor colour(110, 170, 255);
    return colour;
}

bool CFocusMark::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        // Only focus moved with the keyboard gets the mark: a click shows
        // where the focus went, and a window that opens has its caret or
        // default button.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        const bool byKeyboard =
            reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
        setWidget(byKeyboard && !widget->isWindow() ? widget : nullptr);
    } else if (event->type() == QEvent::FocusOut && watched == widget()) {
        setWidget(nullptr);
    }
    return QFocusFrame::eventFilter(watched, event);
}

void CFocusMark::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    DialogLook::SetSmoothPainting(painter);
    painter.setPen(QPen(Colour(), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 4, 4);
}
