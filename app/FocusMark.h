#pragma once

#include <QFocusFrame>

// The mark around the widget that has the keyboard focus: a rounded frame
// in the link colour, clearly visible on the dark windows (the style's own
// dotted rectangle is not). One per program, made by Install(); it follows
// the focus into every window, for focus moved with the keyboard (Tab,
// Shift+Tab, a shortcut).
class CFocusMark : public QFocusFrame {
    Q_OBJECT
public:
    static void Install();
    // The widget the mark is drawn around; null when none.
    static QWidget* MarkedWidget();

    static const QColor& Colour();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    CFocusMark();
};
