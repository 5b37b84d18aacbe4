#include "widgetlib/BPQtPushBtn.h"

#include <QStyle>
#include <QVariant>

#include "widgetlib/Palette.h"

namespace {
const char* const kButtonSheet =
    "CBPQtPushBtn{background-color:@Raised;border:1px solid @ButtonEdge;border-radius:4px;"
    "padding:5px 12px;min-width:56px;min-height:18px;}"
    "CBPQtPushBtn:hover{background-color:@ButtonHover;}"
    "CBPQtPushBtn:pressed{background-color:@ButtonPressed;}"
    "CBPQtPushBtn:disabled{background-color:@ButtonDisabled;border-color:@Raised;}"
    "CBPQtPushBtn[defaultBtn=\"true\"]{background-color:@DefaultButton;border-color:@DefaultEdge;}"
    "CBPQtPushBtn[defaultBtn=\"true\"]:hover{background-color:@DefaultHover;}"
    "CBPQtPushBtn[defaultBtn=\"true\"]:pressed{background-color:@DefaultPressed;}";
}

CBPQtPushBtn::CBPQtPushBtn(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    QPalette pal = palette();
    pal.setColor(QPalette::ButtonText, CPalette::Of(CPalette::PrimaryText));
    pal.setColor(QPalette::Disabled, QPalette::ButtonText, CPalette::Of(CPalette::DisabledButtonText));
    setPalette(pal);
    setCursor(Qt::PointingHandCursor);
    setStyleSheet(CPalette::Fill(QString::fromLatin1(kButtonSheet)));
}

void CBPQtPushBtn::setAsDefaultBtn() {
    setDefault(true);
    setProperty("defaultBtn", true);
    // Dynamic properties are not watched by the style sheet: re-polish.
    style()->unpolish(this);
    style()->polish(this);
    update();
}
