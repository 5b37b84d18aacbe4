#include "app/BlurDlg.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "app/AeroGlassHelper.h"
#include "app/DialogLook.h"
#include "app/WindowDlgTitle.h"
#include "widgetlib/Palette.h"

CBlurDlg::CBlurDlg(QWidget* parent) : CBaseDialog(parent), glass(std::make_unique<CAeroGlassHelper>()) {
    setAttribute(Qt::WA_TranslucentBackground);
    if (parent != nullptr) resize(parent->size());
    titleBar->LogoLabel()->hide();
    titleBar->TitleLabel()->hide();
    titleBar->CloseButton()->hide();
}

CBlurDlg::~CBlurDlg() = default;

void CBlurDlg::showEvent(QShowEvent* event) {
    if (glass->IsWindows10OrLater()) {
        // A fresh effect at every show; the old one is deleted by the dialog.
        auto* effect = new QGraphicsOpacityEffect(this);
        effect->setOpacity(0.7);
        setGraphicsEffect(effect);
        glass->EnableBlur(winId());
    }
    CBaseDialog::showEvent(event);
}

void CBlurDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    DialogLook::SetSmoothPainting(painter);
    painter.setBrush(CPalette::Of(CPalette::Overlay));
    painter.setPen(CPalette::Of(CPalette::OverlayEdge));
    painter.drawRoundedRect(QRect(0, 0, width(), height()), 8, 8);
}
