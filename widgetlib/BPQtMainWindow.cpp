#include "widgetlib/BPQtMainWindow.h"

CBPQtMainWindow::CBPQtMainWindow(QWidget* parent, Qt::WindowFlags flags) : QMainWindow(parent, flags) {}
