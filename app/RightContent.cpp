#include "app/RightContent.h"

#include <QVBoxLayout>

CRightContent::CRightContent() : CBPQtWidget(nullptr, Qt::WindowFlags()) {
    layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}
