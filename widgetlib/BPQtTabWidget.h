#pragma once

#include <QTabWidget>

// Base of the page container's tab widget.
class CBPQtTabWidget : public QTabWidget {
    Q_OBJECT
public:
    explicit CBPQtTabWidget(QWidget* parent = nullptr);
};
