#include "widgetlib/BPQtLabel.h"

CBPQtLabel::CBPQtLabel(QWidget* parent, Qt::WindowFlags flags) : QLabel(parent, flags) {}

CBPQtLabel::CBPQtLabel(const QString& text, QWidget* parent, Qt::WindowFlags flags) : QLabel(text, parent, flags) {}
