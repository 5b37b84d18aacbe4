#pragma once

#include <QMenu>

// A dark pop-up menu: filled with the menu colour, without a frame; its
// entries are widget actions that draw themselves (CBPStyleMenuItem).
class CStyleMenu : public QMenu {
    Q_OBJECT
public:
    explicit CStyleMenu(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
