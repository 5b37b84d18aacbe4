#pragma once

#include <QWidget>

class QLabel;

// Row widget of a dark menu entry: the entry's text on the left, an optional
// second text (a hint or shortcut) dimmed on the right, a highlight under the
// mouse. Mouse presses pass through to the menu, which triggers the action.
class CBPStyleMenuItem : public QWidget {
    Q_OBJECT
public:
    CBPStyleMenuItem(const QString& text, const QString& secondText, QWidget* parent = nullptr);

    QString Text() const;
    QString SecondText() const;

    // The menu's current entry, chosen by the mouse or the keyboard, is
    // highlighted.
    void SetHighlighted(bool on);
    bool IsHighlighted() const { return hovered; }

protected:
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* mainText = nullptr;
    QLabel* second = nullptr;
    bool hovered = false;
};
