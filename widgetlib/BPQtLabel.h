#pragma once

#include <QLabel>

// Label of the product's windows; its colour comes from its palette.
class CBPQtLabel : public QLabel {
    Q_OBJECT
public:
    explicit CBPQtLabel(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    explicit CBPQtLabel(const QString& text, QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
};
