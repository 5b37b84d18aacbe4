#pragma once

#include <QLabel>

// A text that acts as a link: pointing-hand cursor, underlined while the
// mouse is over it, and linkClicked with its text on a left click, or on
// Enter or Space once reached with Tab. The link colour is the palette's
// window-text colour.
class CBPQtHyperLink : public QLabel {
    Q_OBJECT
public:
    explicit CBPQtHyperLink(const QString& text, QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

signals:
    void linkClicked(QString& text);

protected:
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SetUnderline(bool on);

    bool pressed = false;
};
