#pragma once

#include <QMenu>

// A dark pop-up menu: filled with the menu colour, without a frame; its
// entries are widget actions that draw themselves (CBPStyleMenuItem). The
// arrow keys move between entries and Enter chooses one.
class CStyleMenu : public QMenu {
    Q_OBJECT
public:
    explicit CStyleMenu(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Keyboard navigation moves the highlight the way the mouse does.
    void OnHovered(QAction* action);
};
