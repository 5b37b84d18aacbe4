#include "widgetlib/BPQtWidget.h"

CBPQtWidget::CBPQtWidget(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {}
