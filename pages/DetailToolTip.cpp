#include "pages/DetailToolTip.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include "app/DialogLook.h"
#include "app/WindowDlgTitle.h"
#include "widgetlib/BPQtLabel.h"
#include "widgetlib/Palette.h"

CDetailToolTip::CDetailToolTip(QWidget* parent) : CBaseDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setFixedSize(393, 200);
    titleBar->hide();
    // The panel draws its own rounded background; the frame adds nothing.
    frameLayout->setContentsMargins(0, 0, 0, 0);
    bodyLayout->setContentsMargins(0, 0, 0, 0);

    auto* content = new QWidget(this);
    content->setFixedSize(393, 200);
    auto* rows = new QVBoxLayout(content);
    rows->setContentsMargins(10, 10, 10, 10);
    rows->setSpacing(5);
    const QString captions[4] = {tr("Display name:"), tr("Version:"), tr("Install Time:"), tr("Install Path:")};
    for (int i = 0; i < 4; ++i) {
        auto* row = new QHBoxLayout;
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(10);
        auto* caption = new CBPQtLabel(captions[i], content);
        caption->setFont(DialogLook::PixelFont(12));
        DialogLook::SetTextColour(caption, CPalette::Of(CPalette::PrimaryText));
        values[i] = new CBPQtLabel(content);
        values[i]->setFont(DialogLook::PixelFont(12));
        DialogLook::SetTextColour(values[i], CPalette::Of(CPalette::SecondaryText));
        row->addWidget(caption, 0, Qt::AlignLeft);
        row->addWidget(values[i], 0, Qt::AlignLeft);
        row->addSpacerItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
        rows->addLayout(row);
    }
    bodyLayout->addWidget(content);

    setAttribute(Qt::WA_TranslucentBackground);
    installEventFilter(this);
}

void CDetailToolTip::SetDetails(const QString& name, const QString& version, const QString& installTime,
                                const QString& installPath) {
    values[0]->setText(name);
    values[0]->setToolTip(name);
    values[1]->setText(version);
    values[2]->setText(installTime);
    values[3]->setText(installPath);
    values[3]->setToolTip(installPath);
}

void CDetailToolTip::ShowAt(const QPoint& point) {
    move(point);
    show();
    raise();
    activateWindow();
}

void CDetailToolTip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    DialogLook::SetSmoothPainting(painter);
    painter.setBrush(CPalette::Of(CPalette::Highlight));
    painter.setPen(CPalette::Of(CPalette::PanelEdge));
    painter.drawRoundedRect(QRect(0, 0, width(), height()), 8, 8);
}

bool CDetailToolTip::eventFilter(QObject* watched, QEvent* event) {
    if (watched == this && event->type() == QEvent::WindowDeactivate) {
        hide();
        event->accept();
        return true;
    }
    return CBaseDialog::eventFilter(watched, event);
}
