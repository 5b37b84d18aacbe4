#include "shell/StyleMenu.h"

#include <QPainter>
#include <QWidgetAction>

#include "shell/MenuStyle.h"
#include "widgetlib/BPStyleMenuItem.h"

CStyleMenu::CStyleMenu(QWidget* parent) : QMenu(parent) {
    // A widget does not own the style it is given: the menu keeps it.
    auto* style = new CMenuStyle;
    style->setParent(this);
    setStyle(style);
    connect(this, &QMenu::hovered, this, &CStyleMenu::OnHovered);
}

void CStyleMenu::OnHovered(QAction* current) {
    for (QAction* action : actions())
        if (auto* widgetAction = qobject_cast<QWidgetAction*>(action))
            if (auto* item = qobject_cast<CBPStyleMenuItem*>(widgetAction->defaultWidget()))
                item->SetHighlighted(action == current);
}

void CStyleMenu::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(Qt::NoPen);
    painter.fillRect(rect(), QColor(47, 51, 72));
}
