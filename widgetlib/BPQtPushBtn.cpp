#include "widgetlib/BPQtPushBtn.h"

#include <QStyle>
#include <QVariant>

namespace {
const char* const kButtonSheet =
    "CBPQtPushBtn{background-color:rgb(60,64,84);border:1px solid rgb(78,83,108);border-radius:4px;"
    "padding:5px 12px;min-width:56px;min-height:18px;}"
    "CBPQtPushBtn:hover{background-color:rgb(72,77,101);}"
    "CBPQtPushBtn:pressed{background-color:rgb(49,53,71);}"
    "CBPQtPushBtn:disabled{background-color:rgb(52,56,74);border-color:rgb(60,64,84);}"
    "CBPQtPushBtn[defaultBtn=\"true\"]{background-color:rgb(40,120,240);border-color:rgb(64,140,255);}"
    "CBPQtPushBtn[defaultBtn=\"true\"]:hover{background-color:rgb(62,138,255);}"
    "CBPQtPushBtn[defaultBtn=\"true\"]:pressed{background-color:rgb(30,98,204);}";
}

CBPQtPushBtn::CBPQtPushBtn(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    QPalette pal = palette();
    pal.setColor(QPalette::ButtonText, QColor(255, 255, 255));
    pal.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(255, 255, 255, 90));
    setPalette(pal);
    setCursor(Qt::PointingHandCursor);
    setStyleSheet(QString::fromLatin1(kButtonSheet));
}

void CBPQtPushBtn::setAsDefaultBtn() {
    setDefault(true);
    setProperty("defaultBtn", true);
    // Dynamic properties are not watched by the style sheet: re-polish.
    style()->unpolish(this);
    style()->polish(this);
    update();
}
