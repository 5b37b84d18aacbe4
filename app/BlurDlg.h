#pragma once

#include <memory>

#include "app/BaseDialog.h"

class CAeroGlassHelper;

// Overlay the main window shows over itself while a modal dialog blocks it:
// a rounded dark panel of the parent's size, blurred and at 70 % opacity on
// Windows 10 and later, left untouched on earlier systems.
class CBlurDlg : public CBaseDialog {
    Q_OBJECT
public:
    explicit CBlurDlg(QWidget* parent = nullptr);
    ~CBlurDlg() override;

    CAeroGlassHelper* GlassHelper() const { return glass.get(); }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    std::unique_ptr<CAeroGlassHelper> glass;
};
