#include "app/StyleMenu.h"

#include <QPainter>

#include "app/MenuStyle.h"

CStyleMenu::CStyleMenu(QWidget* parent) : QMenu(parent) {
    // A widget does not own the style it is given: the menu keeps it.
    auto* style = new CMenuStyle;
    style->setParent(this);
    setStyle(style);
}

void CStyleMenu::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(Qt::NoPen);
    painter.fillRect(rect(), QColor(47, 51, 72));
}
