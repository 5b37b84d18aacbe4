#pragma once

#include <QGroupBox>

// Group box drawn as a flat surface without frame or margins: the title bars
// are built on it and keep the colour of the window beneath.
class CBPQtGroupBox : public QGroupBox {
    Q_OBJECT
public:
    explicit CBPQtGroupBox(QWidget* parent = nullptr);
};
