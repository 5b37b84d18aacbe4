#include "widgetlib/BPQtHyperLink.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include "widgetlib/Palette.h"

CBPQtHyperLink::CBPQtHyperLink(const QString& text, QWidget* parent, Qt::WindowFlags flags)
    : QLabel(text, parent, flags) {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, CPalette::Of(CPalette::Link));
    setPalette(pal);
    setCursor(Qt::PointingHandCursor);
    setTextFormat(Qt::PlainText);
    setFocusPolicy(Qt::StrongFocus);
}

void CBPQtHyperLink::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
        QString linkText = text();
        emit linkClicked(linkText);
        return;
    }
    QLabel::keyPressEvent(event);
}

void CBPQtHyperLink::enterEvent(QEvent* event) {
    SetUnderline(true);
    QLabel::enterEvent(event);
}

void CBPQtHyperLink::leaveEvent(QEvent* event) {
    SetUnderline(false);
    QLabel::leaveEvent(event);
}

void CBPQtHyperLink::mousePressEvent(QMouseEvent* event) {
    pressed = event->button() == Qt::LeftButton;
    event->setAccepted(pressed);
}

void CBPQtHyperLink::mouseReleaseEvent(QMouseEvent* event) {
    // Like a button: the click counts only when released over the link.
    const bool click = pressed && event->button() == Qt::LeftButton && rect().contains(event->pos());
    pressed = false;
    if (click) {
        QString linkText = text();
        emit linkClicked(linkText);
    }
    event->accept();
}

void CBPQtHyperLink::SetUnderline(bool on) {
    QFont f = font();
    f.setUnderline(on);
    setFont(f);
}
