#pragma once

#include <QWidget>

// Plain base widget of the product's content panels.
class CBPQtWidget : public QWidget {
    Q_OBJECT
public:
    explicit CBPQtWidget(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
};
