#include "shell/RightContent.h"

#include <QVBoxLayout>

#include "shell/RightTab.h"
#include "widgetlib/BPNotifyCentor.h"

CRightContent::CRightContent() : CBPQtWidget(nullptr, Qt::WindowFlags()) {
    SetNotifyCentor(CBPNotifyCentor::instance());
    layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    tab = new CRightTab();
    layout->addWidget(tab, 0, Qt::Alignment());
}
