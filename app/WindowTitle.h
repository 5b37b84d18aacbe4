#pragma once

#include <QRect>

#include "app/TitleBarBase.h"

class CElidedLabel;
class QPushButton;

// Title bar of the main window: logo, title and the menu, minimise,
// maximise, restore and close buttons. Exactly one of maximise and restore
// is visible. The close button ends the process at once with exit code 0.
class CWindowTitle : public CTitleBarBase {
    Q_OBJECT
public:
    explicit CWindowTitle(QWidget* parent = nullptr);

    // On: the frame is maximised and the restore button replaces the
    // maximise button. Off: the frame goes back to its normal state. The
    // frame takes the screen's available area itself, so that a frameless
    // window is maximised also where the window system does not do it.
    void SetMaximized(bool on);

    // What the window manages, shown after the title (a Wine prefix's
    // folder, "~" for the home folder); empty shows nothing.
    void SetTargetName(const QString& name);
    CElidedLabel* TargetLabel() const { return targetLabel; }
    // The drop-down beside the target name that offers the other prefixes;
    // hidden until ShowPrefixButton (the Linux program with a prefix).
    QPushButton* PrefixButton() const { return prefixBtn; }
    void ShowPrefixButton(bool on);

    QPushButton* MenuButton() const { return menuBtn; }
    QPushButton* MinimizeButton() const { return minBtn; }
    QPushButton* MaximizeButton() const { return maxBtn; }
    QPushButton* RestoreButton() const { return restoreBtn; }
    QPushButton* CloseButton() const { return closeBtn; }

    // Style sheet of a title-bar button drawn from the four pictures
    // "./Resources/<name>_normal.png", "_hover", "_press" and "_disable".
    static QString ButtonStyleSheet(const QString& name);

signals:
    // The menu button was pressed: whoever owns the main menu opens it now
    // (connected directly, the menu lives only for this call).
    void MainMenuRequested();
    // The prefix button was pressed: the window offers its prefixes now.
    void PrefixMenuRequested();

public slots:
    void OnBtnClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void RestoreForDrag() override;

private:
    QPushButton* AddButton(const QString& name, const QString& accessibleName);

    QPushButton* prefixBtn = nullptr;
    QPushButton* menuBtn = nullptr;
    QPushButton* minBtn = nullptr;
    QPushButton* maxBtn = nullptr;
    QPushButton* restoreBtn = nullptr;
    QPushButton* closeBtn = nullptr;
    CElidedLabel* targetLabel = nullptr;
    QRect normalGeometry; // where SetMaximized(false) puts the frame back
};
