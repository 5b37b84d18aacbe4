#include "widgetlib/BPStyleMenuItem.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

#include "widgetlib/Palette.h"

CBPStyleMenuItem::CBPStyleMenuItem(const QString& text, const QString& secondText, QWidget* parent) : QWidget(parent) {
    setMinimumHeight(34);
    QPalette pal = palette();
    pal.setColor(QPalette::Active, QPalette::WindowText, CPalette::Of(CPalette::PrimaryText));
    pal.setColor(QPalette::Inactive, QPalette::WindowText, CPalette::Of(CPalette::PrimaryText));
    pal.setColor(QPalette::Disabled, QPalette::WindowText, CPalette::Of(CPalette::DisabledText));
    setPalette(pal);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(14, 0, 14, 0);
    row->setSpacing(16);
    mainText = new QLabel(text, this);
    second = new QLabel(secondText, this);
    QPalette dim = pal;
    dim.setColor(QPalette::Active, QPalette::WindowText, CPalette::Of(CPalette::SecondaryText));
    dim.setColor(QPalette::Inactive, QPalette::WindowText, CPalette::Of(CPalette::SecondaryText));
    second->setPalette(dim);
    // Menus are often styled by the application's style sheet, whose
    // polish would give the labels its default text colour: the labels
    // carry their colours in sheets of their own.
    mainText->setStyleSheet(CPalette::Fill(QStringLiteral("QLabel{color:@PrimaryText;background:transparent;}"
                                                          "QLabel:disabled{color:@DisabledText;}")));
    second->setStyleSheet(CPalette::Fill(QStringLiteral("QLabel{color:@SecondaryText;background:transparent;}"
                                                        "QLabel:disabled{color:@DisabledText;}")));
    second->setVisible(!secondText.isEmpty());
    row->addWidget(mainText, 1, Qt::AlignLeft | Qt::AlignVCenter);
    row->addWidget(second, 0, Qt::AlignRight | Qt::AlignVCenter);
}

QString CBPStyleMenuItem::Text() const {
    return mainText->text();
}

QString CBPStyleMenuItem::SecondText() const {
    return second->text();
}

void CBPStyleMenuItem::SetHighlighted(bool on) {
    if (hovered == on) return;
    hovered = on;
    update();
}

void CBPStyleMenuItem::enterEvent(QEvent* event) {
    hovered = true;
    update();
    QWidget::enterEvent(event);
}

void CBPStyleMenuItem::leaveEvent(QEvent* event) {
    hovered = false;
    update();
    QWidget::leaveEvent(event);
}

void CBPStyleMenuItem::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) update();
    // The labels have style sheets of their own, which stop the font from
    // reaching them by itself.
    if (event->type() == QEvent::FontChange) {
        mainText->setFont(font());
        second->setFont(font());
    }
    QWidget::changeEvent(event);
}

void CBPStyleMenuItem::paintEvent(QPaintEvent*) {
    if (!hovered || !isEnabled()) return;
    QPainter painter(this);
    painter.fillRect(rect(), CPalette::Of(CPalette::MenuItemHover));
}
