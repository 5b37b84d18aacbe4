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
        // A click shows where the focus went already; the keyboard needs the mark.
        const bool byMouse = static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason;
        setWidget(byMouse || widget->isWindow() ? nullptr : widget);
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
