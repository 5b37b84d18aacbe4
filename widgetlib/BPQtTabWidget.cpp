#include "widgetlib/BPQtTabWidget.h"

CBPQtTabWidget::CBPQtTabWidget(QWidget* parent) : QTabWidget(parent) {}
