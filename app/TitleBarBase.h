#pragma once

#include <QPoint>

#include "widgetlib/BPQtGroupBox.h"

class QLabel;

// What the main window's and the dialogs' title bars share: the frame they
// belong to, the logo and title labels, and dragging the frame by the bar.
// A drag starts on a press on the bar's surface or its labels (they pass
// presses on), not while the frame is full screen, and moves the frame only
// while the left button alone is held. A maximised frame is restored by the
// drag, as desktop windows are, and follows the pointer at the same place
// of its bar.
class CTitleBarBase : public CBPQtGroupBox {
    Q_OBJECT
public:
    // Set by the frame's constructor; until then the bar's controls do nothing.
    void SetFrameWindow(QWidget* frame) { frameWindow = frame; }
    QWidget* FrameWindow() const { return frameWindow; }

    bool IsDragging() const { return dragging; }
    QLabel* LogoLabel() const { return logoLabel; }
    QLabel* TitleLabel() const { return titleLabel; }

protected:
    explicit CTitleBarBase(QWidget* parent);

    // Builds the logo label (the title-bar logo at 16 x 16) and the title
    // label with the given style sheet.
    void CreateLabels(const QString& title, const QString& titleStyleSheet);
    bool FrameIsMaximizedOrFullScreen() const;
    // Brings a maximised frame back to its normal size for a drag.
    virtual void RestoreForDrag();

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    QWidget* frameWindow = nullptr;
    bool dragging = false;
    QPoint pressPos;
    QLabel* logoLabel = nullptr;
    QLabel* titleLabel = nullptr;
};
