#include "widgetlib/BPQtGroupBox.h"

CBPQtGroupBox::CBPQtGroupBox(QWidget* parent) : QGroupBox(parent) {
    setFlat(true);
    // The style's group-box frame would reserve margins around the content
    // and draw a border; the rule is scoped to this class only.
    setStyleSheet(QStringLiteral("CBPQtGroupBox{border:none;margin:0px;padding:0px;background:transparent;}"));
}
