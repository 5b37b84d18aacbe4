#pragma once

#include <QMainWindow>

// Base of the product's main frame.
class CBPQtMainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit CBPQtMainWindow(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
};
